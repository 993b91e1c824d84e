#include "editor/widgets/ControlHostPanel.h"

#include "platform/Canvas.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace dw {

ControlHostPanel::ControlHostPanel(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void ControlHostPanel::InvalidateRect(const TRect& rect, bool)
{
    // Qt erases a widget's background before every paint of it; there is nothing to choose.
    const QRect r = rect.toQRect();
    if (!r.isNull())
        update(r);
}

TRect ControlHostPanel::ClientRect() const { return {0, 0, width(), height()}; }

void ControlHostPanel::setWindowRegion(const std::optional<TRegion>& region)
{
    if (region && !region->isEmpty())
        setMask(region->qregion());
    else
        clearMask();
    update();
}

std::optional<TRegion> ControlHostPanel::windowRegion() const
{
    const QRegion m = mask();
    if (m.isEmpty())
        return std::nullopt;
    return TRegion(m);
}

void ControlHostPanel::paintEvent(QPaintEvent* event)
{
    const bool anyShown = std::any_of(Controls().begin(), Controls().end(), [](const TGraphicControl* c) {
        return c->Visible() || (c->ComponentState() & csDesigning);
    });
    if (!anyShown)
        return;
    // The controls paint on a canvas over a buffer of the area to repaint, which starts with
    // the panel's background as the window system would have erased it.
    const QRect area = event->rect();
    QImage buffer(area.size(), QImage::Format_RGB32);
    buffer.fill(palette().color(backgroundRole()));
    {
        TCanvas canvas(&buffer);
        SetWindowOrgEx(canvas, area.left(), area.top(), nullptr);
        PaintControls(canvas, TRect::fromQRect(area));
    }
    QPainter painter(this);
    painter.drawImage(area.topLeft(), buffer);
}

void ControlHostPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    AlignControls();
}

} // namespace dw

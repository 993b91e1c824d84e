#include "RotateImageWidget.h"

#include "platform/Canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <exception>

namespace dw {

RotateImageWidget::RotateImageWidget(QWidget* parent) : QWidget(parent)
{
    // Painted on what lies behind it, never opaque. No native window is ever asked for (no
    // winId(), no WA_NativeWindow): the widget stays an alien one.
    setAutoFillBackground(false);
    m_image.SetAlign(alClient);
    m_image.SetParent(this);
}

RotateImageWidget::~RotateImageWidget() { m_image.SetParent(nullptr); }

TRect RotateImageWidget::ClientRect() const { return {0, 0, width(), height()}; }

void RotateImageWidget::InvalidateRect(const TRect& rect, bool)
{
    // Every erase is a repaint of the widget's part of the parent: the widget is transparent.
    const QRect r = rect.toQRect() & QWidget::rect();
    if (!r.isEmpty())
        update(r);
    // A repaint request follows every render and every move of the picture.
    scheduleHitMask();
}

void RotateImageWidget::scheduleHitMask()
{
    if (m_hitMaskPending)
        return;
    m_hitMaskPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_hitMaskPending)
            updateHitMask();
    });
}

void RotateImageWidget::updateHitMask()
{
    m_hitMaskPending = false;
    // A hidden control takes no press at all.
    setAttribute(Qt::WA_TransparentForMouseEvents, !m_image.Visible());
    const std::optional<TRegion> region = m_image.TransparentMouseRegion();
    if (!region) {
        clearMask();
        return;
    }
    // An empty mask means "no mask" to Qt: a widget-sized region outside the widget stands
    // for a picture without opaque pixels.
    setMask(region->isEmpty() ? QRegion(-1, -1, 1, 1) : region->qregion());
}

void RotateImageWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    AlignControls();
    updateHitMask();
}

void RotateImageWidget::paintBackground(QImage& buffer, const QRegion& region) const
{
    buffer.fill(palette().color(QPalette::Window));
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    // The parent itself (without its children), then the siblings stacked below this widget.
    const QRegion inParent = region.translated(pos());
    parent->render(&buffer, region.boundingRect().topLeft(), inParent, QWidget::DrawWindowBackground);
    for (QObject* object : parent->children()) {
        if (object == this)
            break;
        auto* sibling = qobject_cast<QWidget*>(object);
        if (!sibling || sibling->isWindow() || !sibling->isVisible() || !sibling->geometry().intersects(geometry()))
            continue;
        const QRegion part = inParent.translated(-sibling->pos()) & sibling->rect();
        if (part.isEmpty())
            continue;
        QWidget::RenderFlags flags = QWidget::DrawChildren;
        if (sibling->autoFillBackground())
            flags |= QWidget::DrawWindowBackground;
        sibling->render(&buffer, part.boundingRect().topLeft() + sibling->pos() - pos(), part, flags);
    }
}

void RotateImageWidget::paintEvent(QPaintEvent* event)
{
    if (m_buffer.size() != size())
        m_buffer = QImage(size(), QImage::Format_RGB32);
    if (m_buffer.isNull())
        return;
    paintBackground(m_buffer, event->region());
    try {
        TCanvas canvas(&m_buffer);
        const TRegion clip(event->region());
        SelectClipRgn(canvas, &clip);
        PaintControls(canvas, TRect::fromQRect(event->rect()));
    } catch (const std::exception& e) {
        // Nothing may pass through Qt's paint handling; what was drawn so far is shown.
        qWarning("RotateImageWidget: painting failed: %s", e.what());
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(0, 0, m_buffer);
}

void RotateImageWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    // The mask routes most presses; this covers a mask not yet brought up to date.
    if (!m_image.Visible() || !m_image.CMHitTest({p.x(), p.y()})) {
        event->ignore();
        return;
    }
    event->accept();
    emit pressed(p, event->button());
}

} // namespace dw

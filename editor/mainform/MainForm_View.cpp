// The work area's view: the zoom the clock is shown at (the View menu, Ctrl with the wheel, the
// status line), the clock panel placed and shaped at it.
#include "editor/mainform/EditorUnit.h"

#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PreviewBox.h"
#include "editor/widgets/ScrollBox.h"

#include "editor/clock/ClockView.h"

#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

#include <algorithm>

namespace dw {

namespace {

// Where the clock panel sits on the work area's plane, and the margin kept around it.
constexpr int kPanelMargin = 10;

} // namespace

QString TMainForm::viewZoomText() const { return QStringLiteral("%1%").arg(m_viewZoom.percent()); }

void TMainForm::placeClockPanel()
{
    const QSize shown = ClockView::viewSize(m_clockSize, m_viewZoom);
    ClockPanel->setGeometry(kPanelMargin, kPanelMargin, shown.width(), shown.height());
    ClockPanel->AlignControls();
    ClockImage->setGeometry(0, 0, shown.width(), shown.height());
    ScrollBox1->setRanges(shown.width() + 2 * kPanelMargin, shown.height() + 2 * kPanelMargin);
    m_view->setZoom(m_viewZoom);
    ClockImage->update();
}

void TMainForm::showWindowRegion(const std::optional<TRegion>& region)
{
    if (!region || region->isEmpty()) {
        ClockPanel->setWindowRegion(std::nullopt);
        return;
    }
    const TRegion shown = regionInView(*region, m_viewZoom);
    // A shape too thin to keep a view pixel shows as the panel without one, never as nothing.
    ClockPanel->setWindowRegion(shown.isEmpty() ? std::nullopt : std::optional<TRegion>(shown));
}

void TMainForm::setViewZoom(ZoomLevel zoom)
{
    if (!ZoomLabel) {
        ZoomLabel = new QLabel(StatusBar1);
        ZoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
        ZoomLabel->setToolTip(QStringLiteral("表示倍率 (Ctrl + +/-/0、Ctrl + ホイール)"));
        StatusBar1->addPermanentWidget(ZoomLabel);
    }
    const ZoomLevel before = m_viewZoom;
    m_viewZoom = zoom;
    ZoomLabel->setText(viewZoomText());
    if (zoom == before && ClockPanel->size() == ClockView::viewSize(m_clockSize, zoom))
        return;
    // The clock pixel in the middle of the visible area stays there (as near as the plane lets
    // it).
    QScrollBar* across = ScrollBox1->horizontalScrollBar();
    QScrollBar* down = ScrollBox1->verticalScrollBar();
    const QSize client = ScrollBox1->viewport()->size();
    const double ratio = double(zoom.percent()) / before.percent();
    const double midX = (across->value() + client.width() / 2.0 - kPanelMargin) * ratio;
    const double midY = (down->value() + client.height() / 2.0 - kPanelMargin) * ratio;
    placeClockPanel();
    showClockRgn();
    across->setValue(int(std::lround(midX + kPanelMargin - client.width() / 2.0)));
    down->setValue(int(std::lround(midY + kPanelMargin - client.height() / 2.0)));
}

void TMainForm::ZoomIn1Click() { setViewZoom(m_viewZoom.in()); }

void TMainForm::ZoomOut1Click() { setViewZoom(m_viewZoom.out()); }

void TMainForm::ZoomReset1Click() { setViewZoom(ZoomLevel(100)); }

void TMainForm::ZoomFit1Click()
{
    const QSize room = ScrollBox1->maximumViewportSize() - QSize(2 * kPanelMargin, 2 * kPanelMargin);
    setViewZoom(ZoomLevel::fitting(m_clockSize.cx, m_clockSize.cy, room.width(), room.height()));
}

bool TMainForm::wheelZoom(QWheelEvent* event)
{
    return m_wheelZoom.take(event, [this] { ZoomIn1Click(); }, [this] { ZoomOut1Click(); });
}

} // namespace dw

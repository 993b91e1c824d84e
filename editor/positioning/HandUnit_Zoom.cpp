// The positioning dialog's zoom: levels, zooming about the marker, and keeping the hole in view.
#include "editor/positioning/HandUnit.h"

#include "editor/widgets/ScrollBox.h"

#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace dw {

void THandForm::setZoom(ZoomLevel zoom)
{
    if (zoom == m_zoom)
        return;
    // The hole keeps its place in the visible area: the view scrolls to the hole's new screen
    // pixel less that place, the plane growing where the scroll would need more of it (the view
    // cannot go left of or above the plane: there the hole moves as little as it can).
    const QPoint inView = holeInView();
    m_zoom = zoom;
    m_planeFloor = QSize();
    const QPoint hole = m_placement.screenHole(m_zoom);
    const QPoint scroll(std::max(hole.x() - inView.x(), 0), std::max(hole.y() - inView.y(), 0));
    const QSize client = clientSize();
    m_planeFloor = QSize(scroll.x() + client.width(), scroll.y() + client.height());
    placeControls();
    setScrollPosition(scroll);
    ZoomLabel->setText(zoomText());
}

void THandForm::zoomIn() { setZoom(m_zoom.in()); }
void THandForm::zoomOut() { setZoom(m_zoom.out()); }
void THandForm::zoomReset() { setZoom(ZoomLevel(100)); }

QPoint THandForm::holeInView() const { return m_placement.screenHole(m_zoom) - scrollPosition(); }

QString THandForm::zoomText() const { return QStringLiteral("%1%").arg(m_zoom.percent()); }

void THandForm::bringHoleIntoView()
{
    // Well in view: in the middle half of the visible area; else it goes to the middle.
    const QPoint at = holeInView();
    const QSize client = clientSize();
    if (at.x() >= client.width() / 4 && at.x() < client.width() * 3 / 4 && at.y() >= client.height() / 4
        && at.y() < client.height() * 3 / 4)
        return;
    const QPoint hole = m_placement.screenHole(m_zoom);
    setScrollPosition({hole.x() - client.width() / 2, hole.y() - client.height() / 2});
}

bool THandForm::wheelZoom(QWheelEvent* event)
{
    return m_wheelZoom.take(event, [this] { zoomIn(); }, [this] { zoomOut(); });
}

} // namespace dw

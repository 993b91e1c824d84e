#pragma once

#include "editor/clock/ClockView.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace dw {

// The main window's preview: a widget that draws the parts of the clock it is asked to paint,
// at the view's zoom, through the function its owner gives (nothing is kept between paintings
// but the last part's pixels), and the canvas the preview's tick invalidates.
class PreviewBox : public QWidget, public ViewCanvas {
    Q_OBJECT
public:
    // Draws a part (widget pixels) into the image; false when there is nothing to show (the
    // parent shows through).
    using Drawer = std::function<bool(const QRect& part, QImage& out)>;

    explicit PreviewBox(QWidget* parent = nullptr);
    void setDrawer(Drawer drawer) { m_drawer = std::move(drawer); }

    // The part of the widget the work area shows (empty while hidden).
    QRect visibleRect() const override;
    void invalidate(const QRect& part) override { update(part); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Drawer m_drawer;
    QImage m_part; // the part painted last, its memory reused
};

} // namespace dw

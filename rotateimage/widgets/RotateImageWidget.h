#pragma once

// A widget face for the windowless rotating image control: it hosts one TRotateImage filling
// its client area and paints it on what lies behind the widget (the parent and the siblings
// below it), so that transparent pixels show them and TrnsIndex mixes with them. The widget
// has no native window of its own. With TransparentMouse, presses on pixels the control's hit
// test refuses go to the widget underneath.

#include "rotateimage/RotateImage.h"

#include "platform/GraphicControl.h"

#include <QImage>
#include <QWidget>

namespace dw {

class RotateImageWidget : public QWidget, public TControlHost {
    Q_OBJECT

public:
    explicit RotateImageWidget(QWidget* parent = nullptr);
    ~RotateImageWidget() override;

    // The hosted control (aligned to the whole client area).
    TRotateImage& image() { return m_image; }
    const TRotateImage& image() const { return m_image; }

    // Brings the mouse area in line with the control. Renders, moves and visibility changes do
    // this by themselves (after returning to the event loop); call it after changing
    // TransparentMouse, which repaints nothing, or to have the area at once.
    void updateHitMask();

    // TControlHost
    void InvalidateRect(const TRect& rect, bool erase) override;
    TRect ClientRect() const override;

signals:
    // A press on a pixel that belongs to the control, in widget coordinates.
    void pressed(QPoint position, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintBackground(QImage& buffer, const QRegion& region) const;
    void scheduleHitMask();

    TRotateImage m_image;
    QImage m_buffer;
    bool m_hitMaskPending = false;
};

} // namespace dw

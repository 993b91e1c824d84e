#pragma once

#include "platform/Bitmap.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace dw {

// A picture control over a framework bitmap: shows Picture() unscaled from its top-left corner
// (a control smaller than the picture shows its top-left part), leaving out the bitmap's
// transparent colour when the bitmap is transparent. With autoSize it takes the picture's size
// whenever the picture changes.
class BitmapImage : public QWidget {
    Q_OBJECT
public:
    explicit BitmapImage(QWidget* parent = nullptr);

    // Every change of the picture (loading, emptying, resizing, drawing, the transparency
    // settings) repaints the control and then calls onPictureChange.
    TBitmap& Picture() { return m_picture; }
    const TBitmap& Picture() const { return m_picture; }
    std::function<void()> onPictureChange;

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    QSize sizeHint() const override;
    // What the control shows, for tests: the picture as painted (alpha 0 where left out).
    const QImage& shownImage() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pictureChanged();

    TBitmap m_picture;
    QImage m_shown;
    bool m_autoSize = false;
};

} // namespace dw

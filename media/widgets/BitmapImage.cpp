#include "BitmapImage.h"

#include "platform/Canvas.h"

#include <QPainter>

namespace dw {

BitmapImage::BitmapImage(QWidget* parent) : QWidget(parent)
{
    m_picture.OnChange = [this](TBitmap&) { pictureChanged(); };
}

void BitmapImage::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && !m_picture.Empty())
        resize(m_picture.Width(), m_picture.Height());
}

QSize BitmapImage::sizeHint() const { return {m_picture.Width(), m_picture.Height()}; }

void BitmapImage::pictureChanged()
{
    // The picture as the framework draws it onto a window: through the canvas, which leaves the
    // transparent colour out; what it does not draw stays see-through.
    if (m_picture.Empty()) {
        m_shown = QImage();
    } else {
        m_shown = QImage(m_picture.Width(), m_picture.Height(), QImage::Format_ARGB32_Premultiplied);
        m_shown.fill(Qt::transparent);
        TCanvas canvas(&m_shown);
        canvas.Draw(0, 0, m_picture);
    }
    if (m_autoSize && !m_picture.Empty())
        resize(m_picture.Width(), m_picture.Height());
    update();
    if (onPictureChange)
        onPictureChange();
}

void BitmapImage::paintEvent(QPaintEvent*)
{
    if (m_shown.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_shown);
}

} // namespace dw

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
    // The picture as the framework draws it onto a window, through the canvas, which leaves the
    // transparent colour out: drawn once over black and once over white, a pixel that differs
    // was left out and shows what lies beneath.
    if (m_picture.Empty()) {
        m_shown = QImage();
    } else {
        const QSize size(m_picture.Width(), m_picture.Height());
        QImage overBlack(size, QImage::Format_RGB32);
        overBlack.fill(Qt::black);
        TCanvas(&overBlack).Draw(0, 0, m_picture);
        m_shown = overBlack.convertToFormat(QImage::Format_ARGB32);
        if (m_picture.Transparent()) {
            QImage overWhite(size, QImage::Format_RGB32);
            overWhite.fill(Qt::white);
            TCanvas(&overWhite).Draw(0, 0, m_picture);
            for (int y = 0; y < size.height(); ++y) {
                const auto* b = reinterpret_cast<const QRgb*>(overBlack.constScanLine(y));
                const auto* w = reinterpret_cast<const QRgb*>(overWhite.constScanLine(y));
                auto* out = reinterpret_cast<QRgb*>(m_shown.scanLine(y));
                for (int x = 0; x < size.width(); ++x)
                    if (b[x] != w[x])
                        out[x] = 0;
            }
        }
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

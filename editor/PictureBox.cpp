#include "PictureBox.h"

#include <QPainter>

namespace dw {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_bmp.clear();
    update();
}

bool PictureBox::loadFromBmp(const QByteArray& bytes)
{
    QImage decoded;
    const bool ok = decoded.loadFromData(bytes, "BMP");
    m_picture = ok ? decoded : QImage();
    m_bmp = ok ? bytes : QByteArray();
    update();
    return ok;
}

QSize PictureBox::sizeHint() const { return m_picture.isNull() ? QSize(0, 0) : m_picture.size(); }

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

} // namespace dw

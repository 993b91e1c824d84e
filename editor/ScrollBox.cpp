#include "ScrollBox.h"

#include "WidgetSeam.h"

#include <QPalette>

namespace dw {

ScrollBox::ScrollBox(QWidget* parent) : QScrollArea(parent), m_content(new QWidget)
{
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The content plane is transparent: the viewport paints the colour, also where the plane
    // is smaller than the visible area.
    m_content->setAutoFillBackground(false);
    setWidget(m_content);
    viewport()->setAutoFillBackground(true);
    setColor(clBtnFace);
}

void ScrollBox::setRanges(int horizontal, int vertical)
{
    m_content->resize(std::max(horizontal, 0), std::max(vertical, 0));
}

int ScrollBox::horzRange() const { return m_content->width(); }
int ScrollBox::vertRange() const { return m_content->height(); }

void ScrollBox::setColor(TColor color)
{
    m_color = color;
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, qColorFromColorValue(uint32_t(color)));
    viewport()->setPalette(palette);
    viewport()->update();
}

} // namespace dw

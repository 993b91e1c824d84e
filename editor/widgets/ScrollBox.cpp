#include "editor/widgets/ScrollBox.h"

#include "editor/widgets/WidgetSeam.h"

#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QPen>

namespace dw {

namespace {

// Drawn over the visible area, in front of everything on it; the mouse passes through.
class FocusRing : public QWidget {
public:
    explicit FocusRing(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

} // namespace

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

void ScrollBox::setShowsFocus(bool shows)
{
    if (shows && !m_focusRing) {
        m_focusRing = new FocusRing(this);
        m_focusRing->setGeometry(viewport()->geometry());
        m_focusRing->setVisible(hasFocus());
    } else if (!shows && m_focusRing) {
        delete m_focusRing;
        m_focusRing = nullptr;
    }
}

bool ScrollBox::focusShown() const { return m_focusRing && m_focusRing->isVisible(); }

bool ScrollBox::event(QEvent* event)
{
    const bool handled = QScrollArea::event(event);
    if (m_focusRing) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            m_focusRing->setVisible(hasFocus());
            m_focusRing->raise();
            break;
        default:
            break;
        }
    }
    return handled;
}

bool ScrollBox::viewportEvent(QEvent* event)
{
    // The visible area changes with the scroll bars coming and going, not only with the box.
    if (m_focusRing && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        m_focusRing->setGeometry(viewport()->geometry());
        m_focusRing->raise();
    }
    return QScrollArea::viewportEvent(event);
}

void ScrollBox::setColor(TColor color)
{
    m_color = color;
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, qColorFromColorValue(uint32_t(color)));
    viewport()->setPalette(palette);
    viewport()->update();
}

} // namespace dw

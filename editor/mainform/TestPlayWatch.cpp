#include "editor/mainform/TestPlayWatch.h"

#include "media/BmpAnimUnit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace dw {

namespace {

bool modifierOnly(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return true;
    default:
        return false;
    }
}

} // namespace

TestPlayWatch::TestPlayWatch(QWidget& window, AnimPlayStop& stop) : m_window(window), m_stop(stop)
{
    QCoreApplication::instance()->installEventFilter(this);
}

TestPlayWatch::~TestPlayWatch() { QCoreApplication::instance()->removeEventFilter(this); }

bool TestPlayWatch::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Shortcut:
        m_stop.request();
        return true;
    case QEvent::ShortcutOverride:
        // Claimed for the key press itself, which then stops the play: no shortcut fires.
        event->accept();
        return true;
    case QEvent::KeyPress:
        if (!modifierOnly(*static_cast<QKeyEvent*>(event)))
            m_stop.request();
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        event->ignore(); // the pointer shows that nothing can be dropped now
        return true;
    case QEvent::Drop:
        event->ignore();
        m_stop.request();
        return true;
    case QEvent::Close:
        if (watched == static_cast<QObject*>(&m_window)) {
            m_closeRequested = true;
            m_stop.request();
            event->ignore(); // the window stays until the play has returned
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace dw

#pragma once

#include <QObject>

class QWidget;

namespace dw {

class AnimPlayStop;

// Watches the user's input while an animation test-plays over the main window's preview. The
// play serves the application's events, so every command would be free to run in the middle of
// it; instead, the first press of a mouse button or a key (on the playing area or anywhere
// else), a drop or a request to close the window stops the play, and nothing else happens: no
// command can change or save the project while the play lasts. Closing is not lost: it is
// remembered, and the owner closes the window once the play has returned (the close guard then
// asks as usual). Installed on the application while it lives.
class TestPlayWatch : public QObject {
public:
    TestPlayWatch(QWidget& window, AnimPlayStop& stop);
    ~TestPlayWatch() override;
    TestPlayWatch(const TestPlayWatch&) = delete;
    TestPlayWatch& operator=(const TestPlayWatch&) = delete;

    // Whether the user asked to close the window during the play.
    bool closeRequested() const { return m_closeRequested; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    AnimPlayStop& m_stop;
    bool m_closeRequested = false;
};

} // namespace dw

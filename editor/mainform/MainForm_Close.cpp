// The close guard: the close button, Exit1 and the end of the desktop session ask before unsaved
// work is thrown away.
#include "editor/mainform/EditorUnit.h"

#include "platform/CommandRunner.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace dw {

bool TMainForm::FormCloseQuery()
{
    bool canClose = true;
    // The session may already have ended with the user's consent for exactly this project.
    if (FModified && !m_discardAgreed)
        canClose = seam::messageBox(QStringLiteral("データが保存されていません。\n終了しますか？"), windowTitle(),
                                    seam::MB_OKCANCEL | seam::MB_DEFBUTTON2)
                   == seam::IDOK;
    // The preview runs exactly as long as the window stays.
    if (canClose)
        Timer1->stop();
    else
        Timer1->start();
    return canClose;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

bool TMainForm::sessionEnding(bool interactionAllowed)
{
    // Without leave to interact there is no one to ask: the session ends regardless.
    const bool mayEnd = interactionAllowed ? FormCloseQuery() : true;
    if (!mayEnd)
        return false;
    m_discardAgreed = true;
    // The user let the changes go: nothing to offer at the next start.
    writeRecoveryNow();
    if (!recoveryCopyPath().isEmpty())
        QFile::remove(recoveryCopyPath());
    // The session manager may end the program without closing its window: keep the settings now.
    runCommand([this] { writeSettings(); });
    return true;
}

void TMainForm::watchSessionEnd()
{
#if QT_CONFIG(sessionmanager)
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        const bool interact = manager.allowsInteraction();
        if (!sessionEnding(interact))
            manager.cancel();
        if (interact)
            manager.release();
    });
#endif
}

} // namespace dw

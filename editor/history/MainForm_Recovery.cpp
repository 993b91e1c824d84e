// Crash recovery: a copy of the modified project in the user's state folder, offered again at
// the next start when the run that wrote it did not end normally.
#include "editor/mainform/EditorUnit.h"

#include "editor/history/RecoveryCopy.h"
#include "editor/history/RecoveryStore.h"

#include "platform/FrameworkError.h"
#include "platform/Seam.h"

#include <QFile>
#include <QStatusBar>
#include <QTimer>

namespace dw {

namespace {

const QString kRecoveryQuestion = QStringLiteral("前回、保存されずに終了した時計があります。復元しますか？");

} // namespace

void TMainForm::updateRecoveryCopy()
{
    if (!m_recovery)
        return;
    if (!FModified) {
        m_recoveryTimer->stop();
        m_recovery->remove();
        return;
    }
    // Changes that follow each other closely go into one writing.
    if (!m_recoveryTimer->isActive())
        m_recoveryTimer->start();
}

void TMainForm::writeRecoveryNow()
{
    if (!m_recovery)
        return;
    m_recoveryTimer->stop();
    if (!FModified) {
        m_recovery->remove();
        return;
    }
    try {
        m_recovery->write(writeRecoveryCopy(takeSnapshot(), SaveDialog1.fileName));
        m_recoveryFailed = false;
    } catch (const EFrameworkError&) {
        // Nothing the user asked for failed: the status line says it, once.
        if (!m_recoveryFailed)
            StatusBar1->showMessage(QStringLiteral("復元用のコピーを書き込めません: %1").arg(m_recovery->ownCopy()));
        m_recoveryFailed = true;
    }
}

QString TMainForm::recoveryCopyPath() const { return m_recovery ? m_recovery->ownCopy() : QString(); }

bool TMainForm::offerRecovery()
{
    if (!m_recovery)
        return false;
    m_recovery->purgeAside();
    const QStringList orphans = m_recovery->orphans();
    for (qsizetype i = 0; i < orphans.size(); ++i) {
        QFile file(orphans[i]);
        const std::optional<RecoveredProject> recovered =
            file.open(QIODevice::ReadOnly) ? readRecoveryCopy(file.readAll()) : std::nullopt;
        file.close();
        // A copy that cannot be read is kept aside, never deleted.
        if (!recovered) {
            m_recovery->setAside(orphans[i]);
            continue;
        }
        if (seam::messageBox(kRecoveryQuestion, seam::applicationTitle(), seam::MB_OKCANCEL | seam::MB_ICONQUESTION)
            != seam::IDOK) {
            m_recovery->setAside(orphans[i]);
            continue;
        }
        restoreSnapshot(recovered->snapshot);
        SaveDialog1.fileName = recovered->savedPath;
        m_history.reset(takeSnapshot());
        m_history.forgetSaved();
        SetModified(true);
        updateUndoItems();
        // This run's own copy first, then the old one goes: there is always one on the disk.
        writeRecoveryNow();
        m_recovery->discard(orphans[i]);
        for (qsizetype j = i + 1; j < orphans.size(); ++j)
            m_recovery->setAside(orphans[j]);
        return true;
    }
    return false;
}

} // namespace dw

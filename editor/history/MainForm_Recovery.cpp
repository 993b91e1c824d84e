// Crash recovery: a copy of the modified project in the user's state folder, offered again at
// the next start when the run that wrote it did not end normally, and kept for later when the
// user does not take it then.
#include "editor/mainform/EditorUnit.h"

#include "editor/files/IncompletePicture.h"
#include "editor/history/RecoveryCopy.h"
#include "editor/history/RecoveryListDlg.h"
#include "editor/history/RecoveryStore.h"

#include "platform/FrameworkError.h"
#include "platform/Seam.h"

#include <QStatusBar>
#include <QTimer>

#include <span>

namespace dw {

namespace {

const QString kRecoveryQuestion = QStringLiteral("前回、保存されずに終了した時計があります。復元しますか？");
const QString kWhereKept = QStringLiteral("「ファイル」の「復元できる時計」");

QString timeText(const QDateTime& time) { return time.toString(QStringLiteral("yyyy/MM/dd HH:mm")); }

// A copy's clock as the user knows it: its title (or "無題"), quoted.
QString clockTitle(const RecoveryCopyReading& texts)
{
    if (!texts.project)
        return QStringLiteral("（読めないコピー）");
    const QString& title = texts.project->snapshot.title;
    return title.isEmpty() ? QStringLiteral("無題") : QStringLiteral("「%1」").arg(title);
}

// A copy in a list: the title and when it was last changed.
QString describe(RecoveryStore::Copy& copy)
{
    return QStringLiteral("%1　%2").arg(clockTitle(readRecoveryCopy(copy.file(), RecoveryParts::Texts)), timeText(copy.changed()));
}

std::array<std::span<const uint8_t>, 4> picturesOf(const ProjectSnapshot& s)
{
    std::array<std::span<const uint8_t>, 4> spans;
    for (size_t i = 0; i < spans.size(); ++i)
        if (s.pictures[i])
            spans[i] = *s.pictures[i];
    return spans;
}

std::array<std::span<const uint8_t>, 7> recordsOf(const ProjectSnapshot& s)
{
    std::array<std::span<const uint8_t>, 7> spans;
    for (size_t i = 0; i < spans.size(); ++i)
        if (s.records[i])
            spans[i] = *s.records[i];
    return spans;
}

} // namespace

bool TMainForm::recoveryOn() const { return m_recovery && m_recovery->usable(); }

void TMainForm::updateRecoveryCopy()
{
    if (!recoveryOn())
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
    if (!recoveryOn())
        return;
    m_recoveryTimer->stop();
    if (!FModified) {
        m_recovery->remove();
        return;
    }
    try {
        // The pieces view the snapshot's bytes, which live until the copy is written.
        const ProjectSnapshot snapshot = takeSnapshot();
        m_recovery->write(recoveryCopyPieces(snapshot, SaveDialog1.fileName));
        m_recoveryFailed = false;
    } catch (const EFrameworkError&) {
        // Nothing the user asked for failed: the status line says it, once.
        if (!m_recoveryFailed)
            StatusBar1->showMessage(QStringLiteral("復元用のコピーを書き込めません: %1").arg(m_recovery->ownCopy()));
        m_recoveryFailed = true;
    }
}

QString TMainForm::recoveryCopyPath() const { return recoveryOn() ? m_recovery->ownCopy() : QString(); }

bool TMainForm::offerRecovery()
{
    if (!m_recovery)
        return false;
    if (!m_recovery->usable()) {
        seam::messageBox(QStringLiteral("保存されていない時計の復元用のコピーを作りません。\n%1").arg(m_recovery->unusableReason()),
                         seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
        return false;
    }
    m_recovery->purge();
    // Each copy is this editor's from here: another editor started meanwhile offers none of them.
    std::vector<std::unique_ptr<RecoveryStore::Copy>> copies = m_recovery->claimOrphans();
    bool restored = false;
    QStringList later;
    for (const auto& copy : copies) {
        if (!restored) {
            restored = offerRecoveryCopy(*copy);
            continue;
        }
        // One project at a time: the others wait in the list.
        later << describe(*copy);
        m_recovery->setAside(*copy);
    }
    if (!later.isEmpty())
        seam::messageBox(QStringLiteral("ほかにも保存されずに終了した時計があります。%1から復元できます。\n\n%2")
                             .arg(kWhereKept, later.join(QLatin1Char('\n'))),
                         seam::applicationTitle(), seam::MB_OK | seam::MB_ICONINFORMATION);
    return restored;
}

bool TMainForm::offerRecoveryCopy(RecoveryStore::Copy& copy)
{
    const RecoveryCopyReading texts = readRecoveryCopy(copy.file(), RecoveryParts::Texts);
    if (!texts.project) {
        refuseRecoveryCopy(copy, texts.problem);
        return false;
    }
    const QString question = QStringLiteral("%1\n\n時計: %2\n最後の変更: %3\n\nキャンセルすると、この時計は%4から %5 日の間、復元できます。")
                                 .arg(kRecoveryQuestion, clockTitle(texts), timeText(copy.changed()), kWhereKept)
                                 .arg(kAsideDays);
    if (seam::messageBox(question, seam::applicationTitle(), seam::MB_OKCANCEL | seam::MB_ICONQUESTION) != seam::IDOK) {
        m_recovery->setAside(copy);
        return false;
    }
    return restoreRecoveryCopy(copy);
}

void TMainForm::refuseRecoveryCopy(RecoveryStore::Copy& copy, const QString& problem)
{
    // Never deleted: a copy left by a run is kept aside, one chosen from the list stays there.
    const QString kept = copy.aside() ? copy.path() : m_recovery->setAside(copy);
    seam::messageBox(QStringLiteral("保存されずに終了した時計のコピーを読めません（%1）。\nコピーは次の場所に残してあります:\n%2")
                         .arg(problem, kept.isEmpty() ? copy.path() : kept),
                     seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
}

bool TMainForm::restoreRecoveryCopy(RecoveryStore::Copy& copy)
{
    // Everything Open checks of a saved clock, before anything of the project changes.
    const RecoveryCopyReading whole = readRecoveryCopy(copy.file(), RecoveryParts::Whole);
    QString problem = whole.problem;
    if (whole.project) {
        const ProjectSnapshot& s = whole.project->snapshot;
        problem = incompletePicture(picturesOf(s), recordsOf(s));
        if (problem.endsWith(QStringLiteral("。")))
            problem.chop(1);
    }
    if (!problem.isEmpty()) {
        refuseRecoveryCopy(copy, problem);
        return false;
    }
    restoreSnapshot(whole.project->snapshot);
    SaveDialog1.fileName = whole.project->savedPath;
    m_savedPath = whole.project->savedPath;
    m_history.reset(takeSnapshot());
    m_history.forgetSaved();
    SetModified(true);
    m_markedModified = false;
    updateUndoItems();
    // This run's own copy first, then the old one goes: there is always one on the disk.
    writeRecoveryNow();
    if (m_recoveryFailed)
        m_recovery->setAside(copy);
    else
        m_recovery->discard(copy);
    return true;
}

void TMainForm::Recover1Click()
{
    if (!recoveryOn()) {
        seam::showMessage(m_recovery ? m_recovery->unusableReason() : QString());
        return;
    }
    std::vector<std::unique_ptr<RecoveryStore::Copy>> copies = m_recovery->asideCopies();
    if (copies.empty()) {
        seam::showMessage(QStringLiteral("復元できる時計はありません。"));
        return;
    }
    QStringList clocks;
    for (const auto& copy : copies)
        clocks << describe(*copy);
    if (!m_recoveryListDlg)
        m_recoveryListDlg = new TRecoveryListDlg(this);
    m_recoveryListDlg->setClocks(clocks);
    if (seam::showModal(*m_recoveryListDlg) != seam::mrOk)
        return;
    const int chosen = m_recoveryListDlg->chosen();
    if (chosen < 0 || size_t(chosen) >= copies.size() || !mayReplaceProject())
        return;
    RecoveryStore::Copy& copy = *copies[size_t(chosen)];
    if (!m_recovery->claim(copy)) {
        seam::showMessage(QStringLiteral("この時計は、ほかの Dialwright が復元しています。"));
        return;
    }
    restoreRecoveryCopy(copy);
}

} // namespace dw

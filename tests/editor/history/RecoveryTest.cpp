// Crash recovery: the copy of a modified project written soon after a change and removed when it
// is saved or the program ends; the copy a killed editor left offered at the next start and the
// project brought back member for member; several copies each offered, and those not taken kept
// for the File menu's list; a damaged copy said so and kept; a file named on the command line
// waiting for the restored clock; copies of running editors, and copies another starting editor
// is offering, left alone.
//
// The killed editors are real processes: this test program started again as a child that makes
// changes and waits (RecoveryChild below), then ended with SIGKILL.
#include "tests/editor/EditorFixture.h"
#include "tests/editor/ForwardingHandler.h"
#include "tests/editor/SavedMembers.h"

#include "datafile/DataFileSource.h"
#include "editor/Application.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/history/RecoveryCopy.h"
#include "editor/history/RecoveryListDlg.h"
#include "editor/history/RecoveryStore.h"
#include "platform/AnsiText.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;
using Members = std::vector<Bytes>;

QImage pattern(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x + seed) % 256, (y * 3 + seed) % 256, (x ^ y) % 256));
    return image;
}

QStringList copiesIn(const QString& state, const QString& pattern)
{
    return QDir(state + "/dialwright").entryList({pattern}, QDir::Files | QDir::System);
}

// The title each kind of child gives its clock.
QString titleOf(const QString& mode)
{
    return mode == "other" ? QStringLiteral("別の時計") : mode == "third" ? QStringLiteral("三つ目の時計") : QStringLiteral("夜の時計");
}

bool waitForFile(const QString& path, int ms)
{
    for (int waited = 0; waited < ms; waited += 50) {
        if (QFileInfo::exists(path))
            return true;
        QThread::msleep(50);
    }
    return false;
}

class Recovery : public EditorFixture {
protected:
    // This test program again, as an editor that makes changes (see RecoveryChild) and waits.
    std::unique_ptr<QProcess> startChild(const QString& work, const QString& state, const char* mode)
    {
        QDir().mkpath(work);
        QFile::remove(work + "/ready");
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DIALWRIGHT_RECOVERY_CHILD", work);
        env.insert("DIALWRIGHT_RECOVERY_STATE", state);
        env.insert("DIALWRIGHT_RECOVERY_MODE", QString::fromLatin1(mode));
        env.insert("ASAN_OPTIONS", "detect_leaks=0:halt_on_error=1");
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->setStandardOutputFile(QProcess::nullDevice());
        child->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=RecoveryChild.*"});
        EXPECT_TRUE(child->waitForStarted());
        EXPECT_TRUE(waitForFile(work + "/ready", 120000)) << "the child editor did not get ready";
        return child;
    }
    // Editors of each mode, each with its copy written after the one before (the last newest),
    // killed.
    void leaveCopies(const QString& state, const std::vector<const char*>& modes)
    {
        std::vector<std::unique_ptr<QProcess>> children;
        for (const char* mode : modes)
            children.push_back(startChild(file(QStringLiteral("child-") + mode), state, mode));
        for (auto& child : children)
            kill(*child);
    }
    static void kill(QProcess& child)
    {
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
    }
    // A main window that starts on the given state folder, as the program starts, with the log
    // cleared and the answers to the questions that follow.
    void startEditorOn(const QString& state, std::initializer_list<int> answers = {})
    {
        qputenv("XDG_STATE_HOME", state.toLocal8Bit());
        form = std::make_unique<TMainForm>();
        form->setTimeSource([this] { return now; });
        ui.clearLog();
        for (const int answer : answers)
            ui.answerMessage(answer);
    }
};

// The child's part: runs only when a Recovery test starts this program for it.
class RecoveryChild : public EditorFixture {};

} // namespace

TEST_F(RecoveryChild, MakesChangesThenWaitsToBeKilled)
{
    const QString work = qEnvironmentVariable("DIALWRIGHT_RECOVERY_CHILD");
    if (work.isEmpty())
        GTEST_SKIP() << "the child editor of the recovery tests";
    qputenv("XDG_STATE_HOME", qgetenv("DIALWRIGHT_RECOVERY_STATE"));
    form = std::make_unique<TMainForm>();
    const QString mode = qEnvironmentVariable("DIALWRIGHT_RECOVERY_MODE");
    setCompress(false);
    if (mode == "churn") {
        // Copies written one after the other, of two projects with a 4 MiB dial, until killed.
        choose(form->Background1, writeBmp(work + "/big.bmp", pattern(1200, 1200, 5)));
        form->Edit1->setText("first");
        form->writeRecoveryNow();
        writeFile(work + "/ready", Bytes{1});
        for (int i = 0;; ++i) {
            form->Edit1->setText(i % 2 ? "first" : "second");
            form->writeRecoveryNow();
        }
    }
    // The project in many parts: pictures, holes, shape, texts, options, slots.
    choose(form->Background1, writeBmp(work + "/dial.bmp", pattern(300, 200, mode == "other" ? 9 : mode == "third" ? 4 : 1)));
    choose(form->N3, writeBmp(work + "/minute.bmp", handImage(9, 80)));
    form->TrackBar1->setValue(7);
    form->Edit1->setText(titleOf(mode));
    form->Memo1->setPlainText(QStringLiteral("作者: 私\n二行目"));
    form->Yes1->trigger();
    form->ExtrudeHand1->trigger();
    writeFile(work + "/chime.wav", pcm8Wave({0x80, 0x90}));
    choose(form->Load3, work + "/chime.wav");
    form->Silent6->trigger();
    form->SaveDialog1.fileName = work + "/last-saved.pdl";
    // The copy comes by itself, soon after the last change.
    QTest::qWait(kRecoveryDelayMs + 500);
    form->WriteDataFile(work + "/expected.pdl");
    writeFile(work + "/ready", Bytes{1});
    for (;;)
        QTest::qWait(1000);
}

TEST_F(Recovery, AModifiedProjectIsCopiedSoonAndTheCopyGoesWhenItIsSavedOrTheProgramEnds)
{
    const QString copy = form->recoveryCopyPath();
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_TRUE(copy.startsWith(qEnvironmentVariable("XDG_STATE_HOME") + "/dialwright/")) << qPrintable(copy);
    form->Edit1->setText(QStringLiteral("変更"));
    EXPECT_FALSE(QFileInfo::exists(copy)) << "not at once: changes close together go into one writing";
    QTest::qWait(kRecoveryDelayMs + 300);
    ASSERT_TRUE(QFileInfo::exists(copy)) << "within seconds of the change";
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                      | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(QFileInfo(copy).absolutePath()).permissions() & others, QFile::Permissions())
        << "a folder no other user may enter";
    EXPECT_EQ(QFileInfo(copy).permissions() & others, QFile::Permissions()) << "a copy no other user may read";
    const RecoveryCopyReading read = readRecoveryCopy(QByteArray(reinterpret_cast<const char*>(readFile(copy).data()), qsizetype(readFile(copy).size())));
    ASSERT_TRUE(read.project) << qPrintable(read.problem);
    EXPECT_EQ(read.project->snapshot.title, QStringLiteral("変更"));

    setCompress(false);
    choose(form->Save1, file("saved.pdl"));
    EXPECT_FALSE(QFileInfo::exists(copy)) << "a saved project needs no copy";
    form->TrackBar1->setValue(3);
    form->Undo1->trigger();
    QTest::qWait(kRecoveryDelayMs + 300);
    EXPECT_FALSE(QFileInfo::exists(copy)) << "undone back to the saved project";
    form->Redo1->trigger();
    form->writeRecoveryNow();
    EXPECT_TRUE(QFileInfo::exists(copy));
    ui.answerMessage(seam::IDOK);
    form->close();
    form.reset();
    EXPECT_FALSE(QFileInfo::exists(copy)) << "the program ended normally";
}

TEST_F(Recovery, TheCopyOfAKilledEditorBringsItsProjectBackMemberForMember)
{
    const QString state = file("state"), work = file("child");
    auto child = startChild(work, state, "one");
    kill(*child);

    startEditorOn(state, {seam::IDOK});
    EXPECT_TRUE(form->offerRecovery());
    const auto boxes = ui.records(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u) << qPrintable(ui.messages().join("\n---\n"));
    EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("前回、保存されずに終了した時計があります。復元しますか？")));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("「夜の時計」"))) << qPrintable(boxes[0].text);
    EXPECT_EQ(boxes[0].flags, unsigned(seam::MB_OKCANCEL | seam::MB_ICONQUESTION)) << "OK the default";
    EXPECT_TRUE(form->modified());
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計"));
    EXPECT_EQ(form->TrackBar1->value(), 7);
    EXPECT_EQ(form->SaveDialog1.fileName, work + "/last-saved.pdl") << "offered for the save, nothing written over";
    EXPECT_FALSE(QFileInfo::exists(work + "/last-saved.pdl"));
    form->WriteDataFile(file("restored.pdl"));
    EXPECT_EQ(undatedMembers(file("restored.pdl")), undatedMembers(work + "/expected.pdl"));
    EXPECT_TRUE(QFileInfo::exists(form->recoveryCopyPath())) << "the restored project has its own copy";
    EXPECT_EQ(copiesIn(state, "recovery-*.dwr").size(), 1) << "the old copy went";
    EXPECT_EQ(copiesIn(state, "*.lock").size(), 1) << "and the lock of the run that left it";

    // Another editor started now finds nothing to offer: the copy there is this running one's.
    TMainForm another;
    EXPECT_FALSE(another.offerRecovery());
}

// The desktop's "dialwright %f" while a copy waits: the copy is offered first, and the file named
// is opened over a restored clock only when the user says so, as Open asks.
TEST_F(Recovery, AFileNamedOnTheCommandLineWaitsForTheRestoredClock)
{
    const QString state = file("state");
    form->Edit1->setText(QStringLiteral("名前の付いた時計"));
    form->WriteDataFile(file("named.pdl"));
    leaveCopies(state, {"one"});
    startEditorOn(state, {seam::IDOK, seam::IDCANCEL}); // restore; keep it rather than open the file
    ASSERT_TRUE(form->offerRecovery());
    openCommandLineFile(*form, {"dialwright", file("named.pdl")});
    const QStringList asked = ui.messages();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[1], QStringLiteral("データが保存されていません。\n別のファイルを開きますか？"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計"));
    EXPECT_TRUE(form->modified());
    form->writeRecoveryNow();
    EXPECT_EQ(copiesIn(state, "recovery-*.dwr").size(), 1) << "the restored clock's copy";

    // Not restored: the copy is kept for later and the file opens without a question.
    form.reset();
    leaveCopies(state, {"other"});
    startEditorOn(state, {seam::IDCANCEL});
    EXPECT_FALSE(form->offerRecovery());
    openCommandLineFile(*form, {"dialwright", file("named.pdl")});
    EXPECT_EQ(ui.messages().size(), 1) << qPrintable(ui.messages().join("\n---\n"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("名前の付いた時計"));
    EXPECT_EQ(copiesIn(state, "aside-*.dwr").size(), 1) << "the clock not restored";
}

// Three editors killed: each copy is offered with its clock's name, newest first; those not taken
// wait in the File menu's list, from which each comes back.
TEST_F(Recovery, SeveralCopiesAreEachOfferedAndNoneIsLost)
{
    const QString state = file("state");
    leaveCopies(state, {"one", "other", "third"});
    startEditorOn(state, {seam::IDCANCEL, seam::IDCANCEL, seam::IDCANCEL});
    EXPECT_FALSE(form->offerRecovery());
    QStringList asked = ui.messages();
    ASSERT_EQ(asked.size(), 3) << "one question each";
    const char* newestFirst[] = {"third", "other", "one"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(asked[i].contains("「" + titleOf(newestFirst[i]) + "」")) << qPrintable(asked[i]);
        EXPECT_TRUE(asked[i].contains(QStringLiteral("「ファイル」の「復元できる時計」から 30 日の間"))) << "where Cancel keeps it";
        EXPECT_TRUE(asked[i].contains(QDate::currentDate().toString("yyyy/MM/dd"))) << "when it was changed";
    }
    EXPECT_EQ(copiesIn(state, "aside-*.dwr").size(), 3);
    EXPECT_TRUE(copiesIn(state, "recovery-*.dwr").isEmpty());

    // From the list, newest first; choosing one over a modified project asks first.
    QStringList listed;
    auto chooseFromList = [&](int row) {
        ui.answerModal([&listed, row](QObject& dialog) {
            auto& list = static_cast<TRecoveryListDlg&>(dialog);
            listed.clear();
            for (int i = 0; i < list.ClockList->count(); ++i)
                listed << list.ClockList->item(i)->text();
            list.ClockList->setCurrentRow(row);
            return int(seam::mrOk);
        });
        form->Recover1->trigger();
    };
    chooseFromList(1);
    ASSERT_EQ(listed.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(listed[i].startsWith("「" + titleOf(newestFirst[i]) + "」")) << qPrintable(listed[i]);
    EXPECT_EQ(form->Edit1->text(), titleOf("other"));
    EXPECT_TRUE(form->modified());
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    chooseFromList(1);
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("データが保存されていません。\n別のファイルを開きますか？")});
    EXPECT_EQ(form->Edit1->text(), titleOf("one"));
    EXPECT_EQ(listed.size(), 2) << "the restored one left the list";
    form->WriteDataFile(file("restored.pdl"));
    EXPECT_EQ(undatedMembers(file("restored.pdl")), undatedMembers(file("child-one/expected.pdl")));

    // OK at the first question: the others go to the list at once, and the user is told which.
    form.reset();
    for (const QString& aside : copiesIn(state, "aside-*.dwr"))
        QFile::remove(state + "/dialwright/" + aside);
    leaveCopies(state, {"one", "other", "third"});
    startEditorOn(state, {seam::IDOK});
    EXPECT_TRUE(form->offerRecovery());
    asked = ui.messages();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[1].contains(titleOf("other")) && asked[1].contains(titleOf("one"))) << qPrintable(asked[1]);
    EXPECT_EQ(copiesIn(state, "aside-*.dwr").size(), 2);
}

// A copy cut short, and one whose dial states a width of 0x7FFFFFF0 (which Open refuses): the user
// is told and where the copy is; nothing of it becomes the project, and the copy stays whole.
TEST_F(Recovery, ACopyThatCannotBeReadIsSaidSoAndKept)
{
    const QString state = file("state");
    struct Damage {
        const char* what;
        std::function<void(Bytes&)> apply;
        const char* said;
    };
    const std::vector<Damage> damages = {
        {"cut short", [](Bytes& b) { b.resize(b.size() * 2 / 3); }, "途中で切れています"},
        {"a dial 0x7FFFFFF0 pixels wide", [](Bytes& b) {
             // The dial is the first member after the text part: its width at byte 18 of the BMP.
             const std::string text(b.begin(), b.end());
             const size_t dial = text.find("\n\n") + 2 + 8;
             b[dial + 18] = 0xF0;
             b[dial + 19] = b[dial + 20] = 0xFF;
             b[dial + 21] = 0x7F;
         }, "文字盤の画像が壊れています"},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        leaveCopies(state, {"one"});
        const QStringList left = copiesIn(state, "recovery-*.dwr");
        ASSERT_EQ(left.size(), 1);
        Bytes bytes = readFile(state + "/dialwright/" + left[0]);
        d.apply(bytes);
        writeFile(state + "/dialwright/" + left[0], bytes);
        startEditorOn(state, {seam::IDOK});
        EXPECT_FALSE(form->offerRecovery());
        const QStringList said = ui.messages();
        ASSERT_FALSE(said.isEmpty());
        EXPECT_TRUE(said.back().contains(QString::fromUtf8(d.said))) << qPrintable(said.back());
        const QStringList aside = copiesIn(state, "aside-*.dwr");
        ASSERT_EQ(aside.size(), 1) << "kept, not deleted";
        EXPECT_TRUE(said.back().contains(state + "/dialwright/" + aside[0])) << "and where";
        EXPECT_EQ(readFile(state + "/dialwright/" + aside[0]), bytes);
        EXPECT_EQ(form->Edit1->text(), QString()) << "nothing of it in the project";
        EXPECT_FALSE(form->modified());
        EXPECT_EQ(form->ClockPanel->size(), QSize(200, 200));
        QFile::remove(state + "/dialwright/" + aside[0]);
        form.reset();
    }
}

// Two editors started at once: the one that asks about a copy has claimed it, so the other,
// starting while the question is open, offers nothing.
TEST_F(Recovery, TwoEditorsStartedAtOnceNeverOfferTheSameCopy)
{
    const QString state = file("state");
    leaveCopies(state, {"one"});

    // While the first editor's question is open, the second starts.
    struct Asking final : ForwardingHandler {
        using ForwardingHandler::ForwardingHandler;
        std::function<void()> during;
        int messageBox(const QString& text, const QString& caption, unsigned flags) override
        {
            if (auto now = std::exchange(during, nullptr))
                now();
            return ForwardingHandler::messageBox(text, caption, flags);
        }
    };
    startEditorOn(state);
    std::unique_ptr<TMainForm> second;
    bool secondRestored = true;
    ui.answerMessage(seam::IDOK);
    Asking asking(ui);
    asking.during = [&] {
        second = std::make_unique<TMainForm>();
        secondRestored = second->offerRecovery();
    };
    EXPECT_TRUE(form->offerRecovery());
    EXPECT_FALSE(secondRestored);
    EXPECT_EQ(ui.log().size(), 1u) << "one question, nothing else: " << qPrintable(ui.messages().join("\n---\n"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計"));
    EXPECT_EQ(second->Edit1->text(), QString());
}

TEST_F(Recovery, AKillWhileTheCopyIsWrittenLeavesAWholeCopy)
{
    const QString state = file("state");
    for (const int delay : {40, 170, 330}) {
        const QString work = file(QStringLiteral("churn%1").arg(delay));
        auto child = startChild(work, state, "churn");
        QThread::msleep(ulong(delay));
        kill(*child);
        const QStringList copies = copiesIn(state, "recovery-*.dwr");
        ASSERT_EQ(copies.size(), 1) << delay;
        const Bytes bytes = readFile(state + "/dialwright/" + copies[0]);
        const RecoveryCopyReading read = readRecoveryCopy(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
        ASSERT_TRUE(read.project) << "killed after " << delay << " ms: the copy is whole";
        EXPECT_TRUE(read.project->snapshot.title == "first" || read.project->snapshot.title == "second");
        // The next start clears what the kill left half written.
        startEditorOn(state, {seam::IDCANCEL});
        form->offerRecovery();
        EXPECT_TRUE(copiesIn(state, ".recovery-*").isEmpty());
        EXPECT_TRUE(copiesIn(state, "recovery-*.dwr").isEmpty());
    }
}

TEST_F(Recovery, TwoEditorsNeverTakeEachOthersCopies)
{
    const QString state = file("state");
    auto first = startChild(file("first"), state, "one");
    auto second = startChild(file("second"), state, "other");
    EXPECT_TRUE(RecoveryStore(state + "/dialwright").claimOrphans().empty()) << "both are running";
    startEditorOn(state);
    EXPECT_FALSE(form->offerRecovery());
    EXPECT_TRUE(ui.records(Kind::MessageBox).empty());

    kill(*first);
    ui.answerMessage(seam::IDOK);
    EXPECT_TRUE(form->offerRecovery());
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計")) << "the killed editor's project";
    EXPECT_EQ(copiesIn(state, "recovery-*.dwr").size(), 2) << "the running editor's copy and this one's";
    kill(*second);
}

TEST_F(Recovery, CopiesSetAsideAreKeptThirtyDays)
{
    const QString state = file("state");
    startEditorOn(state);
    ProjectSnapshot s = form->takeSnapshot();
    s.title = QStringLiteral("捨てない");
    // A copy left by a run that is gone: its lock file is there, nobody holds it.
    const QByteArray b = writeRecoveryCopy(s, QString());
    writeFile(state + "/dialwright/recovery-1-2.dwr", Bytes(b.begin(), b.end()));
    writeFile(state + "/dialwright/recovery-1-2.lock", Bytes{});
    ui.answerMessage(seam::IDCANCEL);
    EXPECT_FALSE(form->offerRecovery());
    ASSERT_EQ(copiesIn(state, "aside-*.dwr").size(), 1) << "moved aside under a dated name, not deleted";
    EXPECT_TRUE(copiesIn(state, "recovery-1-2.*").isEmpty()) << "nor its lock";
    EXPECT_EQ(form->Edit1->text(), QString());

    RecoveryStore store(state + "/dialwright");
    store.purge(QDateTime::currentDateTime().addDays(kAsideDays - 1));
    EXPECT_EQ(copiesIn(state, "aside-*.dwr").size(), 1);
    store.purge(QDateTime::currentDateTime().addDays(kAsideDays + 1));
    EXPECT_TRUE(copiesIn(state, "aside-*.dwr").isEmpty());
    ui.clearLog();
    form->Recover1->trigger();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("復元できる時計はありません。")});
}

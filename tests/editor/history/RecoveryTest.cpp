// Crash recovery: the copy of a modified project written soon after a change and removed when it
// is saved or the program ends; the copy a killed editor left offered at the next start and the
// project brought back member for member; copies of running editors left alone; copies set aside.
//
// The killed editors are real processes: this test program started again as a child that makes
// changes and waits (RecoveryChild below), then ended with SIGKILL.
#include "tests/editor/EditorFixture.h"

#include "datafile/DataFileSource.h"
#include "editor/history/RecoveryCopy.h"
#include "editor/history/RecoveryStore.h"
#include "platform/AnsiText.h"

#include "tests/platform/WaveBytes.h"
#include "tests/support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
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

// The saved members of a data file, the header's date line aside.
Members membersOf(const QString& path)
{
    const OpenedDataFile opened = openDataFile(readFile(path));
    EXPECT_TRUE(opened.readable()) << qPrintable(path);
    Members m = opened.image.members;
    if (m.size() > 5) {
        QStringList lines = unicodeFromAnsi(std::string(m[5].begin(), m[5].end())).split("\r\n");
        lines.removeIf([](const QString& l) { return l.startsWith("Date="); });
        const std::string kept = ansiFromUnicode(lines.join("\r\n")).bytes;
        m[5] = Bytes(kept.begin(), kept.end());
    }
    return m;
}

QImage pattern(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x + seed) % 256, (y * 3 + seed) % 256, (x ^ y) % 256));
    return image;
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
    static void kill(QProcess& child)
    {
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
    }
    // A main window that starts on the given state folder, as the program starts.
    void startEditorOn(const QString& state)
    {
        qputenv("XDG_STATE_HOME", state.toLocal8Bit());
        form = std::make_unique<TMainForm>();
        form->setTimeSource([this] { return now; });
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
    if (form->Compress1->isChecked())
        form->Compress1->trigger();
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
    choose(form->Background1, writeBmp(work + "/dial.bmp", pattern(300, 200, mode == "other" ? 9 : 1)));
    choose(form->N3, writeBmp(work + "/minute.bmp", handImage(9, 80)));
    form->TrackBar1->setValue(7);
    form->Edit1->setText(mode == "other" ? QStringLiteral("別の時計") : QStringLiteral("夜の時計"));
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
    const QFile::Permissions others = QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(QFileInfo(copy).absolutePath()).permissions() & others, QFile::Permissions())
        << "a folder no other user may enter";
    QFile f(copy);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::optional<RecoveredProject> read = readRecoveryCopy(f.readAll());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->snapshot.title, QStringLiteral("変更"));

    if (form->Compress1->isChecked())
        form->Compress1->trigger();
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

    startEditorOn(state);
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    EXPECT_TRUE(form->offerRecovery());
    const auto boxes = ui.records(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("前回、保存されずに終了した時計があります。復元しますか？"));
    EXPECT_EQ(boxes[0].flags, unsigned(seam::MB_OKCANCEL | seam::MB_ICONQUESTION)) << "OK the default";
    EXPECT_TRUE(form->modified());
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計"));
    EXPECT_EQ(form->TrackBar1->value(), 7);
    EXPECT_EQ(form->SaveDialog1.fileName, work + "/last-saved.pdl") << "offered for the save, nothing written over";
    EXPECT_FALSE(QFileInfo::exists(work + "/last-saved.pdl"));
    form->WriteDataFile(file("restored.pdl"));
    EXPECT_EQ(membersOf(file("restored.pdl")), membersOf(work + "/expected.pdl"));
    EXPECT_TRUE(QFileInfo::exists(form->recoveryCopyPath())) << "the restored project has its own copy";
    EXPECT_EQ(QDir(state + "/dialwright").entryList({"recovery-*.dwr"}, QDir::Files).size(), 1) << "the old copy went";

    // Another editor started now finds nothing to offer: the copy there is this running one's.
    TMainForm another;
    EXPECT_FALSE(another.offerRecovery());
}

TEST_F(Recovery, AKillWhileTheCopyIsWrittenLeavesAWholeCopy)
{
    const QString state = file("state");
    for (const int delay : {40, 170, 330}) {
        const QString work = file(QStringLiteral("churn%1").arg(delay));
        auto child = startChild(work, state, "churn");
        QThread::msleep(ulong(delay));
        kill(*child);
        const QStringList copies = QDir(state + "/dialwright").entryList({"recovery-*.dwr"}, QDir::Files);
        ASSERT_EQ(copies.size(), 1) << delay;
        QFile f(state + "/dialwright/" + copies[0]);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const std::optional<RecoveredProject> read = readRecoveryCopy(f.readAll());
        ASSERT_TRUE(read) << "killed after " << delay << " ms: the copy is whole";
        EXPECT_TRUE(read->snapshot.title == "first" || read->snapshot.title == "second");
        // The next start clears what the kill left half written.
        startEditorOn(state);
        ui.answerMessage(seam::IDCANCEL);
        form->offerRecovery();
        EXPECT_TRUE(QDir(state + "/dialwright").entryList({".recovery-*"}, QDir::Files | QDir::Hidden).isEmpty());
        EXPECT_TRUE(QDir(state + "/dialwright").entryList({"recovery-*.dwr"}, QDir::Files).isEmpty());
    }
}

TEST_F(Recovery, TwoEditorsNeverTakeEachOthersCopies)
{
    const QString state = file("state");
    auto first = startChild(file("first"), state, "one");
    auto second = startChild(file("second"), state, "other");
    EXPECT_TRUE(RecoveryStore(state + "/dialwright").orphans().isEmpty()) << "both are running";
    startEditorOn(state);
    ui.clearLog();
    EXPECT_FALSE(form->offerRecovery());
    EXPECT_TRUE(ui.records(Kind::MessageBox).empty());

    kill(*first);
    ui.answerMessage(seam::IDOK);
    EXPECT_TRUE(form->offerRecovery());
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("夜の時計")) << "the killed editor's project";
    EXPECT_EQ(QDir(state + "/dialwright").entryList({"recovery-*.dwr"}, QDir::Files).size(), 2)
        << "the running editor's copy and this one's";
    kill(*second);
}

TEST_F(Recovery, CancelSetsTheCopyAsideForThirtyDays)
{
    const QString state = file("state");
    RecoveryStore store(state + "/dialwright");
    ProjectSnapshot s = form->takeSnapshot();
    s.title = QStringLiteral("捨てない");
    // A copy left by a run that is gone: its lock file is there, nobody holds it.
    const QString left = state + "/dialwright/recovery-1-2.dwr";
    writeFile(left, [&] { const QByteArray b = writeRecoveryCopy(s, QString()); return Bytes(b.begin(), b.end()); }());
    writeFile(state + "/dialwright/recovery-1-2.lock", Bytes{});
    startEditorOn(state);
    ui.answerMessage(seam::IDCANCEL);
    EXPECT_FALSE(form->offerRecovery());
    EXPECT_FALSE(QFileInfo::exists(left));
    const QStringList aside = QDir(state + "/dialwright").entryList({"aside-*.dwr"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1) << "moved aside under a dated name, not deleted";
    EXPECT_EQ(form->Edit1->text(), QString());

    store.purgeAside(QDateTime::currentDateTime().addDays(kAsideDays - 1));
    EXPECT_EQ(QDir(state + "/dialwright").entryList({"aside-*.dwr"}, QDir::Files).size(), 1);
    store.purgeAside(QDateTime::currentDateTime().addDays(kAsideDays + 1));
    EXPECT_TRUE(QDir(state + "/dialwright").entryList({"aside-*.dwr"}, QDir::Files).isEmpty());
}

TEST(RecoveryCopy, ASnapshotComesBackWholeAndACutCopyIsRefused)
{
    ProjectSnapshot s;
    s.pictures[0] = std::make_shared<const std::vector<uint8_t>>(1000, 7);
    s.records[2] = std::make_shared<const std::vector<uint8_t>>(Bytes{3, 0, 0, 0, 1, 0, 0, 0, 9});
    s.centres = {QPoint(1, 2), QPoint(-3, 4), QPoint(5, -6)};
    s.pivots = {QPoint(7, 8), QPoint(9, 10), QPoint(-70000, 12)};
    s.shape = CreateRectRgn(0, 0, 30, 20);
    s.title = QStringLiteral("鐘\U0001F514=%\n"); // a character no saved file could hold
    s.author = QStringLiteral("a\nb,c;d");
    s.options = {1, 2, -1, 0};
    s.extrudeHand = true;
    s.cornerWidth = 3;
    s.cornerHeight = 0;
    s.newEnabled = true;
    s.paramsEnabled = {true, false, true};
    s.slotFileNames[4] = QStringLiteral("strip,1.bmp");
    const QByteArray bytes = writeRecoveryCopy(s, QStringLiteral("/tmp/時計.pdl"));
    const std::optional<RecoveredProject> back = readRecoveryCopy(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->snapshot.sameAs(s));
    EXPECT_EQ(back->savedPath, QStringLiteral("/tmp/時計.pdl"));
    for (const qsizetype n : {qsizetype(0), qsizetype(10), bytes.size() / 2, bytes.size() - 5, bytes.size() - 1})
        EXPECT_FALSE(readRecoveryCopy(bytes.left(n))) << n;
    QByteArray longer = bytes;
    longer.insert(longer.size() - 4, "x");
    EXPECT_FALSE(readRecoveryCopy(longer));
}

// The recovery folder is the user's own: a folder of another user's, or one that others may write
// in, is not used (the user is told once why), so that no one can plant a copy to be restored or
// read one written there. In the user's folder, only regular files of the user's are copies and
// locks: a FIFO, a link or a file of another user's is never opened, waited on or followed; a copy
// over its size limit is refused without being read; the locks of runs that are gone are removed.
#include "tests/editor/EditorFixture.h"

#include "editor/history/RecoveryCopy.h"
#include "editor/history/RecoveryStore.h"
#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

QByteArray copyTitled(const QString& title)
{
    ProjectSnapshot s;
    s.title = title;
    return writeRecoveryCopy(s, QStringLiteral("/home/victim/clock.pdl"));
}

void plant(const QString& path, const QByteArray& bytes) { writeFile(path, Bytes(bytes.begin(), bytes.end())); }

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class RecoveryFolder : public EditorFixture {
protected:
    RecoveryFolder()
    {
        // Other users may pass through to the folders made below.
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    }
    void startEditorOn(const QString& state)
    {
        qputenv("XDG_STATE_HOME", state.toLocal8Bit());
        form = std::make_unique<TMainForm>();
    }
};

} // namespace

TEST_F(RecoveryFolder, AFolderOfAnotherUsersOrOneOthersMayWriteIsNotUsed)
{
    struct Folder {
        const char* what;
        std::function<void(const QString&)> make;
        const char* why;
        bool needsRoot = false;
    };
    const std::vector<Folder> folders = {
        {"another user's", [](const QString& f) {
             QDir().mkpath(f);
             ::chown(QFile::encodeName(f).constData(), kOtherUser, kOtherGroup);
             ::chmod(QFile::encodeName(f).constData(), 0755);
             // That user plants a copy of a clock and a lock nobody holds.
             runAsUser(kOtherUser, kOtherGroup, {}, [&] {
                 plant(f + "/recovery-1-2.dwr", copyTitled(QStringLiteral("植えられた時計")));
                 plant(f + "/recovery-1-2.lock", QByteArray());
                 return 0;
             });
         }, "ほかのユーザーのもの", true},
        {"the user's, writable by its group", [](const QString& f) {
             QDir().mkpath(f);
             ::chmod(QFile::encodeName(f).constData(), 0770);
         }, "ほかのユーザーも書き込めます"},
        {"the user's, writable by all", [](const QString& f) {
             QDir().mkpath(f);
             ::chmod(QFile::encodeName(f).constData(), 0777);
             plant(f + "/recovery-1-2.dwr", copyTitled(QStringLiteral("植えられた時計")));
         }, "ほかのユーザーも書き込めます"},
        {"a link of another user's to the user's folder", [this](const QString& f) {
             QDir().mkpath(file("elsewhere"));
             QDir().mkpath(QFileInfo(f).path());
             QFile::link(file("elsewhere"), f);
             ::lchown(QFile::encodeName(f).constData(), kOtherUser, kOtherGroup);
         }, "作れないか、開けません", true},
        {"a file", [](const QString& f) {
             QDir().mkpath(QFileInfo(f).path());
             writeFile(f, Bytes{1});
         }, "作れないか、開けません"},
    };
    for (const Folder& f : folders) {
        SCOPED_TRACE(f.what);
        if (f.needsRoot && !runningAsRoot())
            continue;
        const QString state = file(QString::fromUtf8(f.what)), folder = state + "/dialwright";
        f.make(folder);
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        startEditorOn(state);
        ui.clearLog();
        ui.answerMessage(seam::IDOK);
        EXPECT_FALSE(form->offerRecovery());
        const QStringList said = ui.messages();
        ASSERT_EQ(said.size(), 1) << "said once, no question";
        EXPECT_TRUE(said[0].contains(QString::fromUtf8(f.why)) && said[0].contains(folder)) << qPrintable(said[0]);
        EXPECT_EQ(form->Edit1->text(), QString());
        form->Edit1->setText(QStringLiteral("私の時計"));
        form->writeRecoveryNow();
        EXPECT_TRUE(form->recoveryCopyPath().isEmpty());
        ui.answerMessage(seam::IDOK);
        form.reset();
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), before)
            << "nothing written there, nothing taken away";
        EXPECT_EQ(ui.messages().size(), 1);
        EXPECT_TRUE(RecoveryStore(folder).claimOrphans().empty());
    }

    // The user's own folder open to reading is used, and closed to others.
    const QString own = file("own/dialwright");
    QDir().mkpath(own);
    ::chmod(QFile::encodeName(own).constData(), 0755);
    RecoveryStore store(own);
    EXPECT_TRUE(store.usable()) << qPrintable(store.unusableReason());
    EXPECT_EQ(modeOf(own), 0700u);
    store.write(copyTitled(QStringLiteral("私の時計")));
    EXPECT_EQ(modeOf(store.ownCopy()), 0600u) << "whatever the umask";
}

TEST_F(RecoveryFolder, WhatIsNoCopyIsNeverOpenedNorFollowed)
{
    const QString state = file("state"), folder = state + "/dialwright";
    { RecoveryStore made(folder); }
    // A copy whose lock name holds a FIFO: opening it to read would wait for a writer forever.
    plant(folder + "/recovery-1-1.dwr", copyTitled(QStringLiteral("ロックが FIFO")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/recovery-1-1.lock").constData(), 0600), 0);
    // A FIFO, and a link to the user's own clock, where copies would be.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/recovery-2-2.dwr").constData(), 0600), 0);
    const QString mine = file("mine.pdl");
    writeFile(mine, bytesOf("the user's clock"));
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(mine);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(old, QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(QFile::link(mine, folder + "/recovery-3-3.dwr"));
    ASSERT_TRUE(QFile::link(mine, folder + "/aside-20240101-000000.dwr"));
    // The lock of a run that is gone and left no copy, and a copy half written by such a run.
    plant(folder + "/recovery-4-4.lock", QByteArray());
    plant(folder + "/.recovery-4-4.dwr.abcdefgh", QByteArray("DialwrightRecovery 1\n"));

    startEditorOn(state);
    ui.clearLog();
    ui.answerMessage(seam::IDCANCEL);
    EXPECT_FALSE(form->offerRecovery());
    const QStringList asked = ui.messages();
    ASSERT_EQ(asked.size(), 1) << qPrintable(asked.join("\n---\n"));
    EXPECT_TRUE(asked[0].contains(QStringLiteral("ロックが FIFO")));
    QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.removeIf([](const QString& name) { return name.startsWith("aside-2") && name != "aside-20240101-000000.dwr"; });
    const QString own = QFileInfo(form->recoveryCopyPath()).completeBaseName() + ".lock";
    QStringList expected = {"aside-20240101-000000.dwr", own, "recovery-2-2.dwr", "recovery-3-3.dwr"};
    expected.sort();
    EXPECT_EQ(left, expected)
        << "the FIFO at the lock and the lock of the run gone went; the links and the FIFO stay as they were: "
        << qPrintable(left.join(' '));
    EXPECT_EQ(readFile(mine), bytesOf("the user's clock"));
    EXPECT_EQ(QFileInfo(mine).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch()) << "its time untouched";
    EXPECT_TRUE(QFileInfo(folder + "/recovery-3-3.dwr").isSymLink());

    // Nor is a link listed among the clocks that can be restored.
    ui.clearLog();
    ui.answerModal([](QObject&) { return int(seam::mrCancel); });
    form->Recover1->trigger();
    const auto lists = ui.records(Kind::ModalDialog);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(QFileInfo(mine).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
}

// A copy of 4 GiB (a sparse file) whose members are each within their limit but together over
// it: refused from the lengths it states, before any of it is read.
TEST_F(RecoveryFolder, ACopyOverItsSizeLimitIsRefusedWithoutReadingIt)
{
    const QString state = file("state"), folder = state + "/dialwright";
    { RecoveryStore made(folder); }
    const QByteArray start = copyTitled(QStringLiteral("大きすぎる時計"));
    const QString path = folder + "/recovery-5-5.dwr";
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const qsizetype members = start.indexOf("\n\n") + 2;
    ASSERT_EQ(::write(fd, start.constData(), size_t(members)), ssize_t(members));
    int64_t at = members;
    uint8_t length[8] = {};
    for (int i = 0; i < 12; ++i) {
        const int64_t size = i < 2 ? kMaxRecoveryMemberBytes : 0;
        writeLE32(length, uint32_t(size));
        ASSERT_EQ(::pwrite(fd, length, 8, at), 8);
        at += 8 + size;
    }
    ASSERT_EQ(::pwrite(fd, "END\n", 4, at), 4);
    ::close(fd);
    plant(folder + "/recovery-5-5.lock", QByteArray());

    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    startEditorOn(state);
    ui.clearLog();
    ui.answerMessage(seam::IDOK);
    EXPECT_FALSE(form->offerRecovery());
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const QStringList said = ui.messages();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].contains(QStringLiteral("大きすぎます"))) << qPrintable(said[0]);
    EXPECT_LT((after.ru_maxrss - before.ru_maxrss) * 1024, int64_t(256) << 20);
    EXPECT_EQ(QDir(folder).entryList({"aside-*.dwr"}, QDir::Files).size(), 1) << "kept";
}

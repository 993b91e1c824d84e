// What a save makes besides the file it saves: the packed save's $PD temporary file, in the
// user's own folder whatever others have made, and the modes of every file and folder made.
#include "tests/editor/files/SaveFixture.h"
#include "tests/editor/ForwardingHandler.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

using namespace dw;
using namespace dw::test;

namespace {

// Passes everything on to the scripted handler and, at every message box, notes the files of
// the temporary folder and their contents.
class TemporaryFolderSpy final : public ForwardingHandler {
public:
    TemporaryFolderSpy(seam::Handler& next, QString folder) : ForwardingHandler(next), m_folder(std::move(folder)) {}
    QStringList seen;
    std::vector<Bytes> contents;
    std::vector<mode_t> modes; // of each file seen, and last that of the folder

    int messageBox(const QString& text, const QString& caption, unsigned flags) override
    {
        const QDir folder(m_folder);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
            seen << name;
            contents.push_back(readFile(folder.filePath(name)));
            modes.push_back(modeOf(folder.filePath(name)));
        }
        modes.push_back(modeOf(m_folder));
        return ForwardingHandler::messageBox(text, caption, flags);
    }

private:
    QString m_folder;
};

} // namespace

TEST_F(Save, CompressedSaveWritesTheImageToADollarPDTemporaryFileFirst)
{
    setCompress(true);
    // The folder only this user may enter, made in the shared temporary folder.
    const QString privateFolder = privateTempPath();
    EXPECT_EQ(QFileInfo(QDir::cleanPath(privateFolder)).absolutePath(), QFileInfo(tempDir()).absoluteFilePath());
    // The cabinet cannot be written into a missing folder: its message comes while the
    // temporary file is still there.
    TemporaryFolderSpy spy(ui, privateFolder);
    saveAs(file("gone/clock.pdl"));
    ASSERT_TRUE(ui.messages().contains("ERROR: FCIFlushCabinet")) << qPrintable(ui.messages().join("|"));
    ASSERT_EQ(spy.seen.size(), 1) << qPrintable(spy.seen.join(" "));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\$PD[0-9A-F]{4}\\.TMP$")).match(spy.seen[0]).hasMatch())
        << qPrintable(spy.seen[0]);
    EXPECT_EQ(spy.modes, (std::vector<mode_t>{0600, 0700})) << "the file and its folder are the user's alone";
    const FileImageContents image = readFileImage(spy.contents[0]);
    EXPECT_TRUE(image.sound()) << "it holds the file image";
    EXPECT_EQ(image.count, 7);
    // The fixture checks that the temporary folder is empty again.
}

TEST_F(Save, EveryDollarPDNameTakenInTheSharedFolderDoesNotStopACompressedSave)
{
    // Another user has made every name the temporary file could have, each a link to a file of
    // the user's: the save goes on in the user's own folder, and the file is not touched.
    setCompress(true);
    const QString victim = file("victim.rc");
    writeFile(victim, bytesOf("export PATH=/usr/bin\n"));
    const QByteArray target = QFile::encodeName(victim);
    for (unsigned n = 1; n <= 0xFFFF; ++n) {
        const QByteArray name = QFile::encodeName(tempDir()) + QByteArray("/$PD") + QByteArray::number(n, 16).toUpper().rightJustified(4, '0') + ".TMP";
        ASSERT_EQ(::symlink(target.constData(), name.constData()), 0) << name.constData();
    }
    const QString path = file("clock.pdl");
    saveAs(path);
    EXPECT_EQ(ui.messages(), QStringList{"保存しました"});
    EXPECT_EQ(textOf(readFile(path)).substr(0, 4), "MSCF");
    EXPECT_EQ(readFile(victim), bytesOf("export PATH=/usr/bin\n"));
    for (const QString& name : QDir(tempDir()).entryList({QStringLiteral("$PD*.TMP")}, QDir::System | QDir::Files))
        QFile::remove(QDir(tempDir()).filePath(name));
}

TEST_F(Save, NewFileTakesTheUsualModeAndASavedOverOneKeepsItsOwn)
{
    const mode_t oldMask = ::umask(022);
    for (const bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        setCompress(compress);
        const QString fresh = file(compress ? "new-compressed.pdl" : "new-plain.pdl");
        const QString own = file(compress ? "private-compressed.pdl" : "private-plain.pdl");
        writeFile(own, bytesOf("an older save"));
        ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0600), 0);
        saveAs(fresh);
        saveAs(own);
        EXPECT_EQ(modeOf(fresh), 0644u);
        EXPECT_EQ(modeOf(own), 0600u) << "a file the user keeps to himself stays so";
        EXPECT_NE(readFile(own), bytesOf("an older save"));
    }
    ::umask(oldMask);
}

// One compressed save over a file of the user's and one to a new file, nothing else: what the
// next test traces.
TEST_F(Save, DISABLED_CompressedSavesAsTraced)
{
    setCompress(true);
    const QString own = file("own.pdl");
    // Made 0600 here too, so that every file in the trace is the program's or as private.
    const int fd = ::open(QFile::encodeName(own).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_EQ(::write(fd, "older", 5), 5);
    ::close(fd);
    saveAs(own);
    saveAs(file("new.pdl"));
    EXPECT_EQ(ui.messages(), (QStringList{"保存しました", "保存しました"}));
}

// Every file the program makes while it saves is made readable by the user alone (0600) and
// every folder enterable by the user alone (0700), whatever the umask: the system calls of the
// saves above, as strace shows them, each with its mode.
TEST(SaveTrace, EveryFileAndFolderASaveMakesIsTheUsersAloneFromTheStart)
{
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/strace")))
        GTEST_SKIP() << "strace is not installed";
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("trace"));
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkdir(tmp));
    const mode_t oldMask = ::umask(022);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    // LeakSanitizer cannot work in a traced process; the traced run is checked for leaks where
    // the test runs untraced.
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral("/usr/bin/strace"),
                {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-y"), QStringLiteral("-e"),
                 QStringLiteral("trace=open,openat,creat,mkdir,mkdirat"), QStringLiteral("-o"), log,
                 QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=Save.DISABLED_CompressedSavesAsTraced")});
    const bool finished = child.waitForFinished(300000);
    ::umask(oldMask);
    ASSERT_TRUE(finished);
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    if (child.exitCode() != 0 && output.contains(QStringLiteral("PTRACE")))
        GTEST_SKIP() << "the system does not let strace trace: " << output.toStdString();
    ASSERT_EQ(child.exitCode(), 0) << output.toStdString();

    QFile trace(log);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QRegularExpression creates(QStringLiteral("(open|openat|creat|mkdir|mkdirat)\\((.*)\\) = \\d+"));
    int files = 0, folders = 0;
    for (const QString& line : QString::fromLocal8Bit(trace.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = creates.match(line);
        // Only what is made in the test's folder: the saves, their temporary files, the settings;
        // not the folder the save test makes to stand for the shared temporary folder.
        if (!m.hasMatch() || !line.contains(tmp) || line.contains(QRegularExpression(QStringLiteral("mkdir\\(\"[^\"]*/tmp\""))))
            continue;
        const bool folder = m.captured(1).startsWith(QStringLiteral("mkdir"));
        if (!folder && !line.contains(QStringLiteral("O_CREAT")))
            continue;
        (folder ? folders : files) += 1;
        EXPECT_TRUE(m.captured(2).endsWith(folder ? QStringLiteral(", 0700") : QStringLiteral(", 0600"))) << line.toStdString();
    }
    EXPECT_GE(files, 5) << "the $PD file, the hidden files of the two saves and of the cabinets";
    EXPECT_GE(folders, 1) << "the private temporary folder";
}

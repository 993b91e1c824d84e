// A failing disk under every file the editor writes: each operation of a plain save, a
// compressed save, the recovery copy and the settings file made to fail in turn (once, or from
// then on as a full disk does). Either the file is written whole, or the previous one is there
// byte for byte, nothing is left beside it, the project keeps its modified flag and one message
// names the file.
#include "tests/editor/EditorFixture.h"

#include "datafile/DataFileSource.h"
#include "editor/files/SaveDate.h"
#include "editor/files/SettingsLocation.h"
#include "platform/FileFaults.h"
#include "platform/FrameworkError.h"
#include "platform/Random.h"

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>

#include <cerrno>
#include <iostream>

using namespace dw;
using namespace dw::test;

namespace {

using Kind = seam::ScriptedHandler::Kind;

// The injection is off again, and saves take the clock's date again, whatever ends a test.
struct FaultsOff {
    ~FaultsOff()
    {
        filefaults::failAt(0, 0);
        setSaveDateSource({});
    }
};

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System); }

class FailingDisk : public EditorFixture {
protected:
    FailingDisk()
    {
        choose(form->Background1, bmp("dial.bmp", filledImage(120, 90, Qt::darkCyan)));
        form->Edit1->setText(QStringLiteral("壊れない時計"));
        QDir().mkpath(file("out"));
        writeFile(file("out/clock.pdl"), previous);
        // A save's bytes, and with them how many writes it makes, follow the slicing drawn for it
        // and the date in its header: both are fixed, so that every save of a test makes the same
        // operations in the same order and the n-th is the same one each time.
        setSaveDateSource([] { return QDateTime(QDate(2026, 12, 9), QTime(9, 59, 59)); });
    }
    // Saves as the user does, with the slicing seed drawn at seed.
    void save(const QString& path, uint64_t seed)
    {
        setRandomSeed(seed);
        choose(form->Save1, path);
    }
    // How many file operations a run of `act` makes.
    static int64_t operationsOf(const std::function<void()>& act)
    {
        filefaults::failAt(0, 0);
        act();
        return filefaults::counted();
    }

    const Bytes previous = bytesOf(std::string("the clock as it was saved yesterday"));
    FaultsOff off;
};

} // namespace

TEST_F(FailingDisk, ASaveEitherWritesTheWholeFileOrLeavesThePreviousOne)
{
    const QString path = file("out/clock.pdl");
    constexpr uint64_t seed = 1;
    for (const bool compressed : {false, true}) {
        setCompress(compressed);
        const int64_t operations = operationsOf([&] { save(file("out/count.pdl"), seed); });
        QFile::remove(file("out/count.pdl"));
        std::cout << (compressed ? "compressed" : "plain") << " save: " << operations << " file operations\n";
        ASSERT_GE(operations, compressed ? 14 : 7);
        int failures = 0;
        for (const bool onward : {false, true})
            for (int64_t n = 1; n <= operations; ++n) {
                const int error = n % 2 ? ENOSPC : EIO;
                SCOPED_TRACE(testing::Message() << (compressed ? "compressed" : "plain") << ", operation " << n
                                                << (onward ? " and after" : " alone"));
                writeFile(path, previous);
                form->SetModified(true);
                ui.clearLog();
                filefaults::failAt(n, error, onward);
                save(path, seed);
                const int64_t made = filefaults::counted();
                filefaults::failAt(0, 0);
                EXPECT_EQ(filesIn(file("out")), QStringList{"clock.pdl"}) << "nothing left beside it";
                // A plain save has nothing to fall back on, nor has any save on a disk that stays
                // full; a compressed one falls back on the plain file when one operation fails.
                const bool mustFail = !compressed || onward;
                if (!form->modified()) {
                    EXPECT_FALSE(mustFail) << "a failed operation went unnoticed";
                    EXPECT_GE(made, n) << "the failure was reached";
                    const OpenedDataFile saved = openDataFile(readFile(path));
                    EXPECT_TRUE(saved.readable());
                    continue;
                }
                ++failures;
                EXPECT_EQ(readFile(path), previous) << "byte for byte as it was";
                const QStringList errors = ui.errors();
                ASSERT_EQ(errors.size(), 1);
                EXPECT_TRUE(errors[0].contains(path)) << qPrintable(errors[0]);
                EXPECT_FALSE(ui.messages().contains("保存しました"));
            }
        EXPECT_EQ(failures, compressed ? operations : 2 * operations);
    }
}

TEST_F(FailingDisk, TheRecoveryCopyStaysWholeAndTheFailureIsSaidOnce)
{
    form->writeRecoveryNow();
    const QString copy = form->recoveryCopyPath();
    const Bytes before = readFile(copy);
    ASSERT_FALSE(before.empty());
    form->Edit1->setText(QStringLiteral("次の変更"));
    const int64_t operations = operationsOf([&] { form->writeRecoveryNow(); });
    std::cout << "recovery copy: " << operations << " file operations\n";
    writeFile(copy, before);
    for (int64_t n = 1; n <= operations; ++n) {
        SCOPED_TRACE(n);
        form->StatusBar1->clearMessage();
        filefaults::failAt(n, ENOSPC, true);
        form->writeRecoveryNow();
        filefaults::failAt(0, 0);
        EXPECT_EQ(readFile(copy), before) << "the copy before stays whole";
        EXPECT_EQ(filesIn(QFileInfo(copy).path()).filter(".dwr").size(), 1) << "nothing half written left";
        EXPECT_TRUE(form->modified());
        EXPECT_TRUE(ui.errors().isEmpty()) << "nothing the user asked for failed: no box";
        if (n == 1)
            EXPECT_TRUE(form->StatusBar1->currentMessage().contains(copy)) << qPrintable(form->StatusBar1->currentMessage());
        else
            EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty()) << "said once";
    }
    form->writeRecoveryNow();
    EXPECT_NE(readFile(copy), before) << "written again once the disk works";
}

TEST_F(FailingDisk, TheSettingsFileStaysWholeAndTheFailureNamesIt)
{
    const QString settings = settingsLocation().path;
    form.reset();
    const Bytes before = readFile(settings);
    ASSERT_FALSE(before.empty());
    form = std::make_unique<TMainForm>();
    const int64_t operations = operationsOf([&] { form.reset(); });
    std::cout << "settings file: " << operations << " file operations\n";
    ASSERT_GE(operations, 7);
    for (int64_t n = 1; n <= operations; ++n) {
        SCOPED_TRACE(n);
        writeFile(settings, before);
        form = std::make_unique<TMainForm>();
        form->Yes1->trigger(); // something to write
        ui.clearLog();
        filefaults::failAt(n, n % 2 ? ENOSPC : EIO);
        form.reset();
        filefaults::failAt(0, 0);
        EXPECT_EQ(readFile(settings), before);
        EXPECT_EQ(filesIn(QFileInfo(settings).path()).filter("dialwright.ini").size(), 1) << "nothing left beside it";
        ASSERT_EQ(ui.errors().size(), 1);
        EXPECT_TRUE(ui.errors()[0].contains(settings)) << qPrintable(ui.errors()[0]);
    }
}

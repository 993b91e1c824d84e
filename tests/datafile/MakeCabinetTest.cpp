#include "datafile/Dialwright_FCI.h"

#include "platform/ScriptedSeam.h"

#include "tests/support/CabinetLayout.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

using namespace dw;
using namespace dw::test;

namespace {

// The members of a cabinet as cabextract unpacks them: name → content.
std::map<QString, Bytes> unpack(const QString& cabinet)
{
    QTemporaryDir out;
    const ProcessResult r = cabextractInto(cabinet, out.path());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::map<QString, Bytes> members;
    for (const QString& name : QDir(out.path()).entryList(QDir::Files))
        members[name] = readFile(out.filePath(name));
    return members;
}

// Makes the current folder the given one for the life of the object.
class InFolder {
public:
    explicit InFolder(const QString& folder) : m_old(QDir::currentPath()) { QDir::setCurrent(folder); }
    ~InFolder() { QDir::setCurrent(m_old); }

private:
    QString m_old;
};

} // namespace

TEST(MakeCabinet, SaveEntryPacksTheFileImageAsDataAtTheChosenPath)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    const Bytes image = bytesOf("\x5A\x13 a sliced, word-chained file image \r\n");
    const QString temp = dir.filePath(QStringLiteral("$PD1F2E.TMP"));
    writeFile(temp, image);
    const QString chosen = dir.filePath(QStringLiteral("My Clock.pdl"));

    QString reason;
    ASSERT_TRUE(MakeCabinet(chosen, {QStringLiteral("DATA|") + temp}, &reason)) << reason.toStdString();
    EXPECT_TRUE(reason.isEmpty());
    EXPECT_TRUE(ui.log().empty()) << "success shows nothing";
    EXPECT_EQ(readFile(temp), image) << "the source is left for its owner to delete";

    const CabinetLayout layout = readCabinetLayout(readFile(chosen));
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.setId, 0);
    EXPECT_EQ(layout.cabinetIndex, 0);
    EXPECT_EQ(layout.folderCount, 1);
    EXPECT_EQ(layout.compression, 1);
    const auto members = unpack(chosen);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members.begin()->first, QStringLiteral("DATA"));
    EXPECT_EQ(members.begin()->second, image);
}

TEST(MakeCabinet, OnlyTheFirstBarSplitsAndAnEntryWithoutOneNamesBoth)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("odd|name.bin")), bytesOf("barred"));
    writeFile(dir.filePath(QStringLiteral("plain.txt")), bytesOf("plain"));
    InFolder here(dir.path());

    ASSERT_TRUE(MakeCabinet(QStringLiteral("both.cab"),
                            {QStringLiteral("M1|") + dir.filePath(QStringLiteral("odd|name.bin")), QStringLiteral("plain.txt")}));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("both.cab")))) << "a path without a folder is the current one";
    const auto members = unpack(dir.filePath(QStringLiteral("both.cab")));
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members.at(QStringLiteral("M1")), bytesOf("barred"));
    EXPECT_EQ(members.at(QStringLiteral("plain.txt")), bytesOf("plain"));
}

TEST(MakeCabinet, CabinetLandsAtThePathWhateverSeparatorsItsNameHolds)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("image"));
    writeFile(source, bytesOf("image"));
    for (const QString& name : {QStringLiteral("c:lock.pdl"), QStringLiteral("back\\slash.pdl")}) {
        const QString chosen = dir.filePath(name);
        ASSERT_TRUE(MakeCabinet(chosen, {QStringLiteral("DATA|") + source})) << name.toStdString();
        EXPECT_EQ(unpack(chosen).count(QStringLiteral("DATA")), 1u) << name.toStdString();
    }
}

TEST(MakeCabinet, EveryEntryIsTriedAndAFailedOneLeavesNoCabinet)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good"));
    writeFile(good, bytesOf("good"));
    const QString chosen = dir.filePath(QStringLiteral("out.pdl"));

    QString reason;
    EXPECT_FALSE(MakeCabinet(chosen,
                             {QStringLiteral("A|") + dir.filePath(QStringLiteral("gone1")), QStringLiteral("B|") + good,
                              QStringLiteral("C|") + dir.filePath(QStringLiteral("gone2"))},
                             &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("gone1"))) << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral("gone2"))) << "the entries after a failure are tried too";
    EXPECT_FALSE(QFileInfo::exists(chosen));
    EXPECT_TRUE(ui.log().empty()) << "a file that cannot be added shows no message";
}

TEST(MakeCabinet, FailedFlushShowsTheMessageAndLeavesNothing)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    // About 17 MiB of noise cannot shrink below the 16 MiB limit.
    Bytes noise(17 * 1024 * 1024);
    std::mt19937 random(20001122);
    for (size_t i = 0; i < noise.size(); i += 4) {
        const uint32_t r = random();
        std::memcpy(&noise[i], &r, 4);
    }
    const QString source = dir.filePath(QStringLiteral("noise"));
    writeFile(source, noise);
    const QString chosen = dir.filePath(QStringLiteral("big.pdl"));

    QString reason;
    EXPECT_FALSE(MakeCabinet(chosen, {QStringLiteral("DATA|") + source}, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("16777216"))) << reason.toStdString();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("ERROR: FCIFlushCabinet")});
    EXPECT_FALSE(QFileInfo::exists(chosen));

    // The same for a folder that cannot be written.
    ui.clearLog();
    writeFile(source, bytesOf("small"));
    EXPECT_FALSE(MakeCabinet(source + QStringLiteral("/below-a-file.pdl"), {QStringLiteral("DATA|") + source}));
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("ERROR: FCIFlushCabinet")});
}

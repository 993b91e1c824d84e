#include "platform/CabinetWriter.h"

#include "tests/support/CabinetLayout.h"
#include "tests/support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <random>

using namespace dw;
using namespace dw::test;

namespace {

Bytes randomBytes(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes b(count);
    for (auto& byte : b)
        byte = uint8_t(random());
    return b;
}

Bytes textBytes(size_t count)
{
    Bytes b;
    const std::string line = "Pendulet custom clock data line\r\n";
    while (b.size() < count)
        b.insert(b.end(), line.begin(), line.end());
    b.resize(count);
    return b;
}

CabinetParameters parametersIn(const QTemporaryDir& dir, const QString& name, int64_t limit = 16777216)
{
    CabinetParameters p;
    p.maxCabinetSize = limit;
    p.diskName = QStringLiteral("DISK1");
    p.cabinetName = name;
    p.cabinetFolder = dir.path() + QLatin1Char('/');
    return p;
}

QString put(const QTemporaryDir& dir, const QString& name, const Bytes& bytes)
{
    const QString path = dir.filePath(name);
    writeFile(path, bytes);
    return path;
}

} // namespace

TEST(CabinetWriter, SingleMemberIsOneMszipFolderOfSetZeroCabinetZero)
{
    QTemporaryDir dir;
    const Bytes content = textBytes(100000); // more than one 32 KiB data block
    const QString source = put(dir, QStringLiteral("image.tmp"), content);
    CabinetWriter writer(parametersIn(dir, QStringLiteral("clock.pdl")));
    ASSERT_TRUE(writer.created().ok()) << writer.created().error.toStdString();
    ASSERT_TRUE(writer.addFile(source, QStringLiteral("DATA")).ok());
    const CabinetStatus written = writer.write();
    ASSERT_TRUE(written.ok()) << written.error.toStdString();

    const QString cabinet = dir.filePath(QStringLiteral("clock.pdl"));
    EXPECT_EQ(writer.cabinetPath(), cabinet);
    const Bytes bytes = readFile(cabinet);
    const CabinetLayout layout = readCabinetLayout(bytes);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.cabinetSize, bytes.size());
    EXPECT_EQ(layout.versionMajor, 1);
    EXPECT_EQ(layout.versionMinor, 3);
    EXPECT_EQ(layout.setId, 0);
    EXPECT_EQ(layout.cabinetIndex, 0);
    EXPECT_EQ(layout.flags, 0) << "no reserve, no previous or next cabinet";
    EXPECT_EQ(layout.folderCount, 1);
    EXPECT_EQ(layout.compression, 1) << "MSZIP";
    EXPECT_EQ(layout.dataBlocks, 4);
    ASSERT_EQ(layout.members.size(), 1u);
    EXPECT_EQ(layout.members[0].name, "DATA");
    EXPECT_EQ(layout.members[0].size, content.size());
    EXPECT_EQ(layout.members[0].attributes, 0);
    EXPECT_LT(bytes.size(), content.size() / 4) << "the text was compressed";

    QTemporaryDir out;
    const ProcessResult unpacked = cabextractInto(cabinet, out.path());
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err.toStdString();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("DATA")});
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("DATA"))), content);

    const ProcessResult listed = runProcess(QStringLiteral("gcab"), {QStringLiteral("-l"), cabinet});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("DATA "))) << listed.out.toStdString();
}

TEST(CabinetWriter, SeveralMembersKeepTheirOrderContentAndFolderNames)
{
    QTemporaryDir dir;
    const Bytes first = randomBytes(40000, 1);
    const Bytes empty;
    const Bytes last = textBytes(70001);
    CabinetWriter writer(parametersIn(dir, QStringLiteral("set.cab")));
    ASSERT_TRUE(writer.addFile(put(dir, QStringLiteral("a"), first), QStringLiteral("first.bin")).ok());
    ASSERT_TRUE(writer.addFile(put(dir, QStringLiteral("b"), empty), QStringLiteral("empty")).ok());
    ASSERT_TRUE(writer.addFile(put(dir, QStringLiteral("c"), last), QStringLiteral("sub/last.txt")).ok());
    ASSERT_TRUE(writer.write().ok());

    const CabinetLayout layout = readCabinetLayout(readFile(writer.cabinetPath()));
    ASSERT_TRUE(layout.valid);
    ASSERT_EQ(layout.members.size(), 3u);
    EXPECT_EQ(layout.members[0].name, "first.bin");
    EXPECT_EQ(layout.members[1].name, "empty");
    EXPECT_EQ(layout.members[2].name, "sub\\last.txt") << "cabinets separate folders with a backslash";
    EXPECT_EQ(layout.members[1].offsetInFolder, first.size());
    EXPECT_EQ(layout.members[2].offsetInFolder, first.size());

    QTemporaryDir out;
    ASSERT_EQ(cabextractInto(writer.cabinetPath(), out.path()).exitCode, 0);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("first.bin"))), first);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("empty"))), empty);
    EXPECT_EQ(readFile(out.filePath(QStringLiteral("sub/last.txt"))), last);
}

TEST(CabinetWriter, MemberTimeIsTheSourcesLocalModificationTime)
{
    QTemporaryDir dir;
    const QString recent = put(dir, QStringLiteral("recent"), textBytes(10));
    const QString ancient = put(dir, QStringLiteral("ancient"), textBytes(10));
    {
        QFile f(recent);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2001, 11, 22), QTime(10, 20, 31)), QFileDevice::FileModificationTime));
        QFile g(ancient);
        ASSERT_TRUE(g.open(QIODevice::ReadWrite));
        ASSERT_TRUE(g.setFileTime(QDateTime(QDate(1975, 6, 1), QTime(12, 0, 0)), QFileDevice::FileModificationTime));
    }
    CabinetWriter writer(parametersIn(dir, QStringLiteral("t.cab")));
    ASSERT_TRUE(writer.addFile(recent, QStringLiteral("R")).ok());
    ASSERT_TRUE(writer.addFile(ancient, QStringLiteral("A")).ok());
    ASSERT_TRUE(writer.write().ok());

    const CabinetLayout layout = readCabinetLayout(readFile(writer.cabinetPath()));
    ASSERT_EQ(layout.members.size(), 2u);
    EXPECT_EQ(layout.members[0].date, (2001 - 1980) << 9 | 11 << 5 | 22);
    EXPECT_EQ(layout.members[0].time, 10 << 11 | 20 << 5 | 31 / 2) << "local time in two-second steps";
    EXPECT_EQ(layout.members[0].attributes, 0);
    EXPECT_EQ(layout.members[1].date, 0 << 9 | 1 << 5 | 1) << "before 1980 is clamped to its first day";
    EXPECT_EQ(layout.members[1].time, 0);
}

TEST(CabinetWriter, CabinetOverTheLimitIsRefusedAndTheOldFileStays)
{
    QTemporaryDir dir;
    const QString source = put(dir, QStringLiteral("noise"), randomBytes(5000, 7));
    const QString target = dir.filePath(QStringLiteral("out.cab"));

    const auto pack = [&](int64_t limit) {
        CabinetWriter writer(parametersIn(dir, QStringLiteral("out.cab"), limit));
        EXPECT_TRUE(writer.addFile(source, QStringLiteral("DATA")).ok());
        return writer.write();
    };
    // The size the cabinet takes with room to spare, then limits just at and just below it.
    ASSERT_TRUE(pack(16777216).ok());
    const int64_t needed = QFileInfo(target).size();
    ASSERT_GT(needed, 5000) << "random bytes do not shrink";
    QFile::remove(target);
    EXPECT_TRUE(pack(needed).ok()) << "a cabinet exactly at the limit is accepted";
    EXPECT_EQ(QFileInfo(target).size(), needed);
    QFile::remove(target);
    const CabinetStatus refused = pack(needed - 1);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error.contains(QStringLiteral("larger than"))) << refused.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(target)) << "nothing is left at the path";

    const Bytes old = textBytes(321);
    writeFile(target, old);
    EXPECT_FALSE(pack(1000).ok());
    EXPECT_EQ(readFile(target), old) << "a file already at the path is left as it was";
}

TEST(CabinetWriter, TextFieldsOfMoreThan255BytesAreRefused)
{
    QTemporaryDir dir;
    const QString source = put(dir, QStringLiteral("s"), textBytes(10));

    CabinetWriter longName(parametersIn(dir, QString(256, QLatin1Char('n'))));
    EXPECT_FALSE(longName.created().ok());
    EXPECT_FALSE(longName.addFile(source, QStringLiteral("DATA")).ok());
    EXPECT_FALSE(longName.write().ok());

    // Bytes count, not characters: 128 two-byte characters do not fit.
    EXPECT_FALSE(CabinetWriter(parametersIn(dir, QString(128, QChar(0x00E9)))).created().ok());

    CabinetParameters deep = parametersIn(dir, QStringLiteral("x.cab"));
    deep.cabinetFolder = QLatin1Char('/') + QString(255, QLatin1Char('d')) + QLatin1Char('/');
    EXPECT_FALSE(CabinetWriter(deep).created().ok());

    // 255 bytes still fit, in the cabinet name and in a member name.
    const QString longest(255, QLatin1Char('m'));
    CabinetWriter fits(parametersIn(dir, longest));
    ASSERT_TRUE(fits.created().ok());
    EXPECT_FALSE(fits.addFile(source, QString(256, QLatin1Char('m'))).ok());
    ASSERT_TRUE(fits.addFile(source, longest).ok());
    ASSERT_TRUE(fits.write().ok());
    const CabinetLayout layout = readCabinetLayout(readFile(dir.filePath(longest)));
    ASSERT_EQ(layout.members.size(), 1u);
    EXPECT_EQ(layout.members[0].name, longest.toStdString());
}

TEST(CabinetWriter, UnusableMembersAreRefusedOneByOne)
{
    QTemporaryDir dir;
    const QString good = put(dir, QStringLiteral("good"), textBytes(50));
    CabinetWriter writer(parametersIn(dir, QStringLiteral("m.cab")));
    EXPECT_FALSE(writer.write().ok()) << "a cabinet without members is not written";
    EXPECT_FALSE(writer.addFile(dir.filePath(QStringLiteral("missing")), QStringLiteral("A")).ok());
    EXPECT_FALSE(writer.addFile(dir.path(), QStringLiteral("B")).ok()) << "a folder is not a member";
    EXPECT_FALSE(writer.addFile(good, QString()).ok()) << "a member needs a name";
    EXPECT_TRUE(writer.addFile(good, QStringLiteral("C")).ok());
    EXPECT_FALSE(writer.addFile(good, QStringLiteral("C")).ok()) << "names are unique";
    ASSERT_TRUE(writer.write().ok()) << "the refused members do not spoil the others";
    const CabinetLayout layout = readCabinetLayout(readFile(writer.cabinetPath()));
    ASSERT_EQ(layout.members.size(), 1u);
    EXPECT_EQ(layout.members[0].name, "C");
}

TEST(CabinetWriter, SourceThatChangedAfterAddingIsNotPacked)
{
    QTemporaryDir dir;
    const QString source = put(dir, QStringLiteral("s"), textBytes(50));
    CabinetWriter writer(parametersIn(dir, QStringLiteral("c.cab")));
    ASSERT_TRUE(writer.addFile(source, QStringLiteral("DATA")).ok());
    writeFile(source, textBytes(80));
    EXPECT_FALSE(writer.write().ok());
    EXPECT_FALSE(QFileInfo::exists(writer.cabinetPath()));
}

TEST(CabinetWriter, UnwritableFolderFailsWithoutLeavingAFile)
{
    QTemporaryDir dir;
    const QString source = put(dir, QStringLiteral("s"), textBytes(50));
    // A folder below a regular file cannot exist, whoever runs the test.
    CabinetParameters p = parametersIn(dir, QStringLiteral("c.cab"));
    p.cabinetFolder = source + QStringLiteral("/");
    CabinetWriter writer(p);
    ASSERT_TRUE(writer.addFile(source, QStringLiteral("DATA")).ok());
    const CabinetStatus status = writer.write();
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(status.error.contains(QStringLiteral("作成できません"))) << status.error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("s")});
}

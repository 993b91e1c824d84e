// The editor given clocks whose window shape is made of overlapping rectangles
// (tests/support/CraftedShapes.h), through Open and as a recovery copy: a nested shape, whose
// region is one rectangle, opens; a staircase, whose region would hold n²/2 rectangles, is
// refused as a damaged file is. Each runs in this test program started again, measured against
// the same child on a small clock: at most 2 s of processor time and 300 MiB more.

#include "tests/editor/EditorFixture.h"

#include "editor/history/RecoveryCopy.h"

#include "tests/support/ChildUsage.h"
#include "tests/support/CraftedShapes.h"
#include "tests/support/TestFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace dw;
using namespace dw::test;

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;
constexpr char kOpenVariable[] = "DIALWRIGHT_CRAFTED_OPEN";
constexpr char kRecoveryVariable[] = "DIALWRIGHT_CRAFTED_RECOVERY";

// A recovery copy of an empty project whose shape member holds `shape`.
QByteArray recoveryCopyWithShape(const std::string& shape)
{
    QByteArray copy = writeRecoveryCopy(ProjectSnapshot{}, QString());
    // The shape is the last member, before "END\n": here its length of 0.
    copy.chop(8 + 4);
    uint8_t length[8] = {};
    for (int i = 0; i < 8; ++i)
        length[i] = uint8_t(uint64_t(shape.size()) >> (8 * i));
    copy.append(reinterpret_cast<const char*>(length), 8);
    copy.append(shape.data(), qsizetype(shape.size()));
    return copy + "END\n";
}

// This test program again, doing what the variable says with the file; its exit code says
// whether the file opened (0) or was refused (1).
ChildUsage measuredChild(const char* variable, const QString& path)
{
    return runMeasured(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=CraftedShapesChild.*")},
                       {QString::fromLatin1(variable) + QLatin1Char('=') + path, QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                        QStringLiteral("ASAN_OPTIONS=detect_leaks=0")});
}

class CraftedShapesChild : public EditorFixture {};

} // namespace

// The child's part: runs only when CraftedShapes starts this program for it.
TEST_F(CraftedShapesChild, OpensOrReadsTheFileThenExits)
{
    const QString open = qEnvironmentVariable(kOpenVariable);
    const QString recovery = qEnvironmentVariable(kRecoveryVariable);
    if (open.isEmpty() && recovery.isEmpty())
        GTEST_SKIP() << "the child of the crafted-shape tests";
    bool opened = false;
    if (!open.isEmpty()) {
        opened = form->openClockFile(open);
    } else {
        QFile file(recovery);
        if (file.open(QIODevice::ReadOnly))
            opened = readRecoveryCopy(file).project.has_value();
    }
    std::fflush(nullptr);
    ::_exit(opened ? 0 : 1);
}

TEST(CraftedShapes, EditorOpensOrRefusesEachWithinTwoSecondsAnd300MiB)
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.pdl"));
    ASSERT_GT(writeSyntheticImage(small, clockMembers(validHeaderText(), "author")), 0);
    const QString smallCopy = dir.filePath(QStringLiteral("small.dwr"));
    {
        QFile f(smallCopy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(writeRecoveryCopy(ProjectSnapshot{}, QString()));
    }
    const struct {
        const char* name;
        bool open; // else a recovery copy
        QString small;
    } readers[] = {{"Open", true, small}, {"recovery", false, smallCopy}};

    for (const auto& reader : readers) {
        const ChildUsage base = measuredChild(reader.open ? kOpenVariable : kRecoveryVariable, reader.small);
        ASSERT_EQ(base.exitCode, 0) << reader.name << " of a small clock";
        for (const CraftedShapeCase& c : craftedShapeCases()) {
            const QString path = dir.filePath(QLatin1String(c.name) + QStringLiteral(".") + QLatin1String(reader.name));
            if (reader.open) {
                ASSERT_GT(writeCraftedShapeClock(path, c.kind, c.count), 0);
            } else {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(recoveryCopyWithShape(craftedShapeData(c.kind, c.count)));
            }
            const ChildUsage usage = measuredChild(reader.open ? kOpenVariable : kRecoveryVariable, path);
            const int64_t extra = usage.peakBytes - base.peakBytes;
            const double seconds = usage.cpuSeconds - base.cpuSeconds;
            std::printf("    editor %-8s %-16s %6.1f MiB and %5.2f s beyond a small clock's\n", reader.name, c.name,
                        double(extra) / kMiB, seconds);
            EXPECT_EQ(usage.exitCode, c.kind == CraftedShape::Nested ? 0 : 1) << reader.name << " " << c.name;
            EXPECT_LE(seconds, 2.0) << reader.name << " " << c.name;
            EXPECT_LE(extra, 300 * kMiB) << reader.name << " " << c.name;
            QFile::remove(path);
        }
    }
}

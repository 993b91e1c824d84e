// Clocks whose window shape is made of overlapping rectangles (tests/support/CraftedShapes.h):
// nested ones, whose region is one rectangle, open; a staircase, whose region would hold
// n²/2 rectangles, is refused. pdltool thumbnail (what a file manager runs on every clock it
// lists), render and verify, each in a child process, must settle every one within 1 s of
// processor time and 64 MiB beyond the file more than they take for a small clock.

#include "tests/support/ChildUsage.h"
#include "tests/support/CraftedShapes.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

using namespace dw::test;

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;

struct Command {
    const char* name;
    QStringList arguments; // FILE stands for the clock, OUT for the picture
    int exitWhenOpened;    // verify names the rectangles that break the layout either way
};

QStringList with(const QStringList& arguments, const QString& file, const QString& out)
{
    QStringList a = arguments;
    a.replaceInStrings(QStringLiteral("FILE"), file);
    a.replaceInStrings(QStringLiteral("OUT"), out);
    return a;
}

} // namespace

TEST(CraftedShapes, PdltoolSettlesEachWithinOneSecondAnd64MiB)
{
    const QString tool = QStringLiteral(PDLTOOL_PATH);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.png"));
    const QString small = dir.filePath(QStringLiteral("small.pdl"));
    ASSERT_GT(writeSyntheticImage(small, clockMembers(validHeaderText(), "author")), 0);

    const std::vector<Command> commands = {
        {"thumbnail", {QStringLiteral("thumbnail"), QStringLiteral("FILE"), QStringLiteral("OUT")}, 0},
        {"render", {QStringLiteral("render"), QStringLiteral("FILE"), QStringLiteral("--time"), QStringLiteral("10:08:36"),
                    QStringLiteral("-o"), QStringLiteral("OUT")}, 0},
        {"verify", {QStringLiteral("verify"), QStringLiteral("FILE")}, 1},
    };
    for (const Command& command : commands) {
        const ChildUsage base = runMeasured(tool, with(command.arguments, small, out));
        ASSERT_EQ(base.exitCode, 0) << command.name << " on a small clock";
        for (const CraftedShapeCase& c : craftedShapeCases()) {
            const QString path = dir.filePath(QLatin1String(c.name) + QStringLiteral(".pdl"));
            if (!QFileInfo::exists(path)) {
                ASSERT_GT(writeCraftedShapeClock(path, c.kind, c.count), 0);
            }
            const int64_t fileBytes = QFileInfo(path).size();
            QFile::remove(out);
            const ChildUsage usage = runMeasured(tool, with(command.arguments, path, out));
            const int64_t extra = usage.peakBytes - base.peakBytes;
            std::printf("    pdltool %-9s %-16s %7.0f KB: %6.1f MiB beyond a small clock's, %5.2f s\n", command.name,
                        c.name, double(fileBytes) / 1000, double(extra) / kMiB, usage.cpuSeconds);
            const bool opens = c.kind == CraftedShape::Nested;
            EXPECT_EQ(usage.exitCode, opens ? command.exitWhenOpened : 1) << command.name << " " << c.name;
            if (!opens) {
                EXPECT_FALSE(QFileInfo::exists(out)) << command.name << " " << c.name;
            }
            EXPECT_LE(usage.cpuSeconds, 1.0) << command.name << " " << c.name;
            EXPECT_LE(extra, 64 * kMiB + fileBytes) << command.name << " " << c.name;
        }
    }
}

#include "datafile/ClockManifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dw {
namespace {

using Slot = ClockManifest::Slot;
using State = ClockManifest::SlotState;
using Shape = ClockManifest::ShapeKind;

ClockManifest baseManifest()
{
    ClockManifest m;
    m.hands[0] = {QStringLiteral("hour.bmp"), QPoint(5, 40), QPoint(100, 100)};
    m.hands[1] = {QString(), QPoint(-3, 60), QPoint(100, 101)};
    m.hands[2] = {QStringLiteral("../shared/second hand.png"), QPoint(2, -70), QPoint(-1, 2147483647)};
    return m;
}

// Manifests that differ in one respect each: every slot state, shape kind and option.
std::vector<std::pair<const char*, ClockManifest>> manifestCases()
{
    std::vector<std::pair<const char*, ClockManifest>> cases;
    cases.emplace_back("all defaults", baseManifest());

    ClockManifest texts = baseManifest();
    texts.title = QStringLiteral(" 時計 \"quoted\" \\ \t\x01");
    texts.author = QStringLiteral("\nfirst line\n\"\"\" three quotes\nback\\slash\r\nlast");
    texts.compress = true;
    texts.date = QDateTime(QDate(2026, 12, 9), QTime(14, 3, 5));
    texts.dial = QStringLiteral("/abs/dial.png");
    texts.convertDial = false;
    texts.hands[2].convert = false;
    cases.emplace_back("texts, compress, date, dial and hand kept unconverted", texts);

    const std::pair<Shape, const char*> shapes[] = {
        {Shape::Dial, "dial"}, {Shape::Mask, "mask"}, {Shape::Rounded, "rounded"}, {Shape::None, "none"}};
    for (const auto& [kind, name] : shapes) {
        ClockManifest m = baseManifest();
        m.shape = kind;
        if (kind == Shape::Mask) {
            m.mask = QStringLiteral("mask.bmp");
            m.maskOffset = QPoint(-3, -70);
        }
        if (kind == Shape::Rounded)
            m.corners = QPoint(0, 13);
        cases.emplace_back(name, m);
    }
    for (int option = 0; option < 3; ++option) {
        ClockManifest m = baseManifest();
        const auto o = DataFileHeader::Option(option);
        m.translucent = o;
        m.colorEffect = DataFileHeader::Option((option + 1) % 3);
        m.countHourSound = DataFileHeader::Option((option + 2) % 3);
        m.countHourAnimation = o;
        m.extrudeHand = option == 1;
        cases.emplace_back(option == 0 ? "options 0" : option == 1 ? "options 1" : "options 2", m);
    }
    // Each of the seven slots in each state, across three manifests.
    const State states[] = {State::Silent, State::File, State::Name};
    for (int k = 0; k < 3; ++k) {
        ClockManifest m = baseManifest();
        for (int slot = 0; slot < 7; ++slot) {
            Slot& s = m.media[size_t(slot)];
            s.state = states[(slot + k) % 3];
            if (s.state != State::Silent)
                s.file = QStringLiteral("slot %1 ファイル.%2").arg(slot).arg(slot < 4 ? "wav" : "bmp");
            if (slot >= 4 && s.state != State::Silent)
                s.anim = {-4, 7, 1 + slot, 100 - k, 50 + 475 * k};
        }
        cases.emplace_back(k == 0 ? "slots a" : k == 1 ? "slots b" : "slots c", m);
    }
    return cases;
}

TEST(ClockManifest, EveryStateShapeAndOptionIsWrittenAndReadBackAsItWas)
{
    for (const auto& [name, manifest] : manifestCases()) {
        SCOPED_TRACE(name);
        const QByteArray text = writeClockManifest(manifest);
        const ManifestReading reading = readClockManifest(text);
        ASSERT_TRUE(reading.manifest) << reading.error.toStdString() << "\n" << text.toStdString();
        EXPECT_EQ(*reading.manifest, manifest) << text.toStdString();
    }
}

TEST(ClockManifest, AuthorIsAMultiLineStringAndEveryKeyIsWritten)
{
    ClockManifest m = baseManifest();
    m.author = QStringLiteral("line one\nline two");
    const std::string text = writeClockManifest(m).toStdString();
    EXPECT_NE(text.find("author = \"\"\"\nline one\nline two\"\"\""), std::string::npos) << text;
    for (const char* key : {"title = ", "compress = false", "[dial]", "[hands.hour]", "[hands.minute]",
                            "[hands.second]", "pivot = [-3, 60]", "[shape]", "kind = \"dial\"", "[options]",
                            "translucent-hands = \"default\"", "time-colours", "hour-count-sound",
                            "hour-count-animation", "extrude-hands = false"})
        EXPECT_NE(text.find(key), std::string::npos) << key;
    // Slots that hold nothing are left out, and no date is invented.
    EXPECT_EQ(text.find("[sounds"), std::string::npos);
    EXPECT_EQ(text.find("date"), std::string::npos);
}

TEST(ClockManifest, AHandWrittenManifestReadsAsMeant)
{
    const QByteArray text = R"(title = "Station"
author = '''
Ann'''
date = 2025-01-02T03:04:05
[dial]
file = "dial.png"
[hands.hour]
pivot = [1, 2]
centre = [3, 4]
[hands.minute]
file = "m.bmp"
pivot = [5, 6]
centre = [7, 8]
[hands.second]
pivot = [9, 10]
centre = [11, 12]
[shape]
kind = "rounded"
corners = [20, 0]
[options]
time-colours = "no"
hour-count-animation = "yes"
extrude-hands = true
[sounds.zero-hour]
name = "bell.wav"
[animations.minute]
silent = true
[animations.zero-hour]
file = "fireworks.bmp"
offset = [0, -10]
rows = 2
columns = 4
frame-time = 1000
)";
    const ManifestReading reading = readClockManifest(text);
    ASSERT_TRUE(reading.manifest) << reading.error.toStdString();
    const ClockManifest& m = *reading.manifest;
    EXPECT_EQ(m.title, QStringLiteral("Station"));
    EXPECT_EQ(m.author, QStringLiteral("Ann"));
    EXPECT_FALSE(m.compress);
    EXPECT_EQ(m.date, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
    EXPECT_EQ(m.dial, QStringLiteral("dial.png"));
    EXPECT_EQ(m.hands[1].file, QStringLiteral("m.bmp"));
    EXPECT_EQ(m.hands[2].centre, QPoint(11, 12));
    EXPECT_EQ(m.shape, Shape::Rounded);
    EXPECT_EQ(m.corners, QPoint(20, 0));
    EXPECT_EQ(m.translucent, DataFileHeader::OptionDefault);
    EXPECT_EQ(m.colorEffect, DataFileHeader::OptionNo);
    EXPECT_EQ(m.countHourAnimation, DataFileHeader::OptionYes);
    EXPECT_TRUE(m.extrudeHand);
    EXPECT_EQ(m.media[3], (Slot{State::Name, QStringLiteral("bell.wav"), {}}));
    EXPECT_EQ(m.media[4].state, State::Silent);
    EXPECT_EQ(m.media[5].state, State::Nothing);
    EXPECT_EQ(m.media[6], (Slot{State::File, QStringLiteral("fireworks.bmp"), {0, -10, 2, 4, 1000}}));
}

constexpr const char* kHands = "[hands.hour]\npivot = [1, 2]\ncentre = [3, 4]\n"
                               "[hands.minute]\npivot = [1, 2]\ncentre = [3, 4]\n"
                               "[hands.second]\npivot = [1, 2]\ncentre = [3, 4]\n";

struct ErrorCase {
    const char* name;
    std::string text;
    int line;
    int column;
    const char* says;
};

TEST(ClockManifest, ErrorsNameTheLineAndColumn)
{
    const std::string hands = kHands; // lines 1 to 9
    const std::string others = hands.substr(hands.find("[hands.minute]"));
    const ErrorCase cases[] = {
        {"bad TOML line", "title = \"a\"\nauthor = oops\n" + hands, 2, 10, ""},
        {"unterminated string", "title = \"a\n" + hands, 1, 0, ""},
        {"unknown top-level key", "colour = 3\n" + hands, 1, 1, "unknown key \"colour\" in the manifest"},
        {"unknown key in a table", hands + "[dial]\nfile = \"d.bmp\"\nfiel = \"x\"\n", 12, 1,
         "unknown key \"fiel\" in [dial]"},
        {"unknown slot", hands + "[sounds.noon]\nsilent = true\n", 10, 9, "unknown key \"noon\" in [sounds]"},
        {"pivot of one number", "[hands.hour]\npivot = [1]\ncentre = [3, 4]\n" + others, 2, 9,
         "hands.hour.pivot must be two whole numbers, [x, y]"},
        {"pivot of a fraction", "[hands.hour]\npivot = [1, 2.5]\ncentre = [3, 4]\n" + others, 2, 13,
         "hands.hour.pivot must be two whole numbers"},
        {"pivot as a string", "[hands.hour]\npivot = \"1, 2\"\ncentre = [3, 4]\n" + others, 2, 9,
         "hands.hour.pivot must be two whole numbers"},
        {"centre beyond 32 bits", "[hands.hour]\npivot = [1, 2]\ncentre = [3, 2147483648]\n" + others, 3,
         14, "must be from -2147483648 to 2147483647"},
        {"hand without a centre", "[hands.hour]\npivot = [1, 2]\n" + others, 1, 1,
         "[hands.hour] needs centre"},
        {"no hands at all", "title = \"x\"\n", 1, 1, "needs [hands.hour]"},
        {"slot of two states", hands + "[sounds.second]\nsilent = true\nname = \"a.wav\"\n", 10, 1,
         "needs one of file, name or silent = true"},
        {"silent = false", hands + "[sounds.hour]\nsilent = false\n", 11, 10, "silent can only be true"},
        {"rows out of range", hands + "[animations.hour]\nname = \"s.bmp\"\noffset = [0, 0]\nrows = 0\ncolumns = 1\nframe-time = 100\n",
         13, 8, "animations.hour.rows must be from 1 to 100"},
        {"animation without frame time", hands + "[animations.hour]\nname = \"s.bmp\"\noffset = [0, 0]\nrows = 1\ncolumns = 1\n",
         10, 1, "[animations.hour] needs frame-time"},
        {"sound with animation keys", hands + "[sounds.hour]\nname = \"a.wav\"\nrows = 2\n", 12, 1,
         "unknown key \"rows\" in [sounds.hour]"},
        {"bad shape kind", hands + "[shape]\nkind = \"oval\"\n", 11, 8, "shape.kind must be"},
        {"mask without its file", hands + "[shape]\nkind = \"mask\"\n", 10, 1, "needs file"},
        {"corners beyond 20", hands + "[shape]\nkind = \"rounded\"\ncorners = [21, 3]\n", 12, 12,
         "shape.corners must be from 0 to 20 each"},
        {"a file for the dial shape", hands + "[shape]\nfile = \"m.bmp\"\n", 11, 8, "only for kind = \"mask\""},
        {"bad option", hands + "[options]\ntranslucent-hands = \"maybe\"\n", 11, 21,
         "options.translucent-hands must be \"default\", \"yes\" or \"no\""},
        {"date with an offset", "date = 2026-01-01T00:00:00Z\n" + hands, 1, 8, "date must be a local date and time"},
        {"empty file name", hands + "[dial]\nfile = \"\"\n", 11, 8, "dial.file must name a file"},
        {"title not a string", "title = 3\n" + hands, 1, 9, "title must be a string"},
        {"convert not true or false", hands + "[dial]\nfile = \"d.png\"\nconvert = 0\n", 12, 11, "dial.convert must be true or false"},
        {"an offset for the dial shape", hands + "[shape]\noffset = [1, 2]\n", 11, 10, "shape.offset is only for kind = \"mask\""},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ManifestReading reading = readClockManifest(QByteArray::fromStdString(c.text));
        ASSERT_FALSE(reading.manifest) << c.text;
        EXPECT_EQ(reading.line, c.line) << reading.error.toStdString();
        if (c.column) {
            EXPECT_EQ(reading.column, c.column) << reading.error.toStdString();
        }
        EXPECT_TRUE(reading.error.startsWith(QStringLiteral("%1:%2: ").arg(reading.line).arg(reading.column)))
            << reading.error.toStdString();
        EXPECT_TRUE(reading.error.contains(QString::fromUtf8(c.says))) << reading.error.toStdString();
    }
}

TEST(ClockManifest, TextThatIsNoUtf8IsRefused)
{
    const QByteArray text = QByteArray("title = \"\xff\"\n") + kHands;
    const ManifestReading reading = readClockManifest(text);
    EXPECT_FALSE(reading.manifest);
    EXPECT_EQ(reading.line, 1);
}

} // namespace
} // namespace dw

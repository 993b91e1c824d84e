// The recovery copy's bytes: a snapshot written and read back whole, and copies that were cut,
// damaged or crafted refused with the reason the user is told, each member held to its limit
// before anything is allocated for it, and what Open would refuse of a saved clock refused too.
#include "editor/history/RecoveryCopy.h"

#include "datafile/DataFileLimits.h"
#include "platform/ByteOrder.h"
#include "platform/Region.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/resource.h>

using namespace dw;

namespace {

ProjectSnapshot everyPart()
{
    ProjectSnapshot s;
    s.pictures[0] = std::make_shared<const ByteBlock>(1000, 7);
    s.records[2] = std::make_shared<const ByteBlock>(ByteBlock{3, 0, 0, 0, 1, 0, 0, 0, 9});
    s.centres = {QPoint(1, 2), QPoint(-3, 4), QPoint(5, -6)};
    s.pivots = {QPoint(7, 8), QPoint(9, 10), QPoint(-70000, 12)};
    s.shape = CreateRectRgn(0, 0, 30, 20);
    s.title = QStringLiteral("鐘\U0001F514=%"); // a character no saved file could hold
    s.author = QStringLiteral("a\nb,c;d");
    s.options = {1, 2, -1, 0};
    s.extrudeHand = true;
    s.cornerWidth = 3;
    s.cornerHeight = 0;
    s.newEnabled = true;
    s.paramsEnabled = {true, false, true};
    s.slotFileNames[4] = QStringLiteral("strip,1.bmp");
    s.linkedFiles[0] = QStringLiteral("/home/me/時計/dial,1.png");
    s.linkedFiles[7] = QStringLiteral("/tmp/zero%strip.bmp");
    return s;
}

// Where member `index` (0 the dial … 11 the shape) has its length in the copy.
qsizetype memberAt(const QByteArray& copy, int index)
{
    qsizetype at = copy.indexOf("\n\n") + 2;
    for (int i = 0; i < index; ++i)
        at += 8 + qsizetype(readLE32(reinterpret_cast<const uint8_t*>(copy.constData()) + at));
    return at;
}

QByteArray withLength(QByteArray copy, int index, uint64_t length)
{
    auto* at = reinterpret_cast<uint8_t*>(copy.data()) + memberAt(copy, index);
    writeLE32(at, uint32_t(length));
    writeLE32(at + 4, uint32_t(length >> 32));
    return copy;
}

QByteArray withLine(QByteArray copy, const QByteArray& key, const QByteArray& value)
{
    const qsizetype at = copy.indexOf("\n" + key + "=") + 1;
    const qsizetype end = copy.indexOf('\n', at);
    return copy.replace(at, end - at, key + "=" + value);
}

int64_t peakResidentBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

} // namespace

TEST(RecoveryCopy, ASnapshotComesBackWhole)
{
    const ProjectSnapshot s = everyPart();
    const QByteArray bytes = writeRecoveryCopy(s, QStringLiteral("/tmp/時計.pdl"));
    const RecoveryCopyReading back = readRecoveryCopy(bytes);
    ASSERT_TRUE(back.project) << qPrintable(back.problem);
    EXPECT_TRUE(back.project->snapshot.sameAs(s));
    EXPECT_EQ(back.project->snapshot.newEnabled, s.newEnabled);
    EXPECT_EQ(back.project->savedPath, QStringLiteral("/tmp/時計.pdl"));
    // The store writes the copy as pieces: the same bytes, the pictures' from the snapshot itself.
    const RecoveryCopyPieces pieces = recoveryCopyPieces(s, QStringLiteral("/tmp/時計.pdl"));
    EXPECT_EQ(pieces.joined(), bytes);
    EXPECT_TRUE(std::any_of(pieces.pieces.begin(), pieces.pieces.end(), [&](const RecoveryCopyPieces::Piece& p) {
        return p.data == reinterpret_cast<const char*>(s.pictures[0]->data());
    })) << "the dial is not copied to be written";
    const RecoveryCopyReading texts = readRecoveryCopy(bytes, RecoveryParts::Texts);
    ASSERT_TRUE(texts.project);
    EXPECT_EQ(texts.project->snapshot.title, s.title);
    EXPECT_FALSE(texts.project->snapshot.pictures[0]) << "the texts alone hold no member";

    // A copy written before pictures were linked to their files reads as one without links.
    QByteArray older = bytes;
    const qsizetype links = older.indexOf("\nlinks=") + 1;
    older.remove(links, older.indexOf('\n', links) + 1 - links);
    const RecoveryCopyReading old = readRecoveryCopy(older);
    ASSERT_TRUE(old.project) << qPrintable(old.problem);
    EXPECT_EQ(old.project->snapshot.linkedFiles, (std::array<QString, 8>{}));
    EXPECT_EQ(old.project->snapshot.title, s.title);
}

TEST(RecoveryCopy, ACutDamagedOrCraftedCopyIsRefusedWithItsReason)
{
    const QByteArray good = writeRecoveryCopy(everyPart(), QString());
    struct Crafted {
        const char* what;
        QByteArray bytes;
        const char* reason;
        bool alsoTexts; // found when only the texts are read, before the user is asked
    };
    QByteArray longer = good;
    longer.insert(longer.size() - 4, "x");
    QByteArray endless = good.left(good.indexOf("\n\n") + 1);
    endless += QByteArray(int(kMaxRecoveryTextBytes), 'a');
    QByteArray slotFive = good;
    slotFive[memberAt(good, 4 + 2) + 8] = 5; // the record of slot 3 names slot 5
    QByteArray shape = good;
    shape[memberAt(good, 11) + 8 + 8] = 9; // the region header's count of rectangles
    const std::vector<Crafted> cases = {
        {"nothing", QByteArray(), "途中で切れています", true},
        {"the first line only", good.left(10), "途中で切れています", true},
        {"cut in the middle", good.left(good.size() / 2), "途中で切れています", true},
        {"cut before the end marker", good.left(good.size() - 5), "途中で切れています", true},
        {"cut in the end marker", good.left(good.size() - 1), "途中で切れています", true},
        {"a byte too many", longer, "壊れています", true},
        {"no copy at all", QByteArray("BM") + good.mid(2), "復元用のコピーではありません", true},
        {"a text part without end", endless, "テキストの部分が大きすぎます", true},
        {"a member beyond the copy", withLength(good, 2, 5000), "途中で切れています", true},
        {"a member of 2 GiB", withLength(good, 0, uint64_t(1) << 31), "大きすぎます", true},
        {"a length of 2^64 − 1", withLength(good, 5, ~uint64_t(0)), "大きすぎます", true},
        {"a shape over Open's limit", withLength(good, 11, uint64_t(pdl::kMaxShapeBytes) + 1), "大きすぎます", true},
        {"a title of two lines", withLine(good, "title", "a%0Ab"), "壊れています", true},
        {"an author text over its limit",
         withLine(good, "author", QByteArray(int(pdl::kMaxAuthorBytes) + 1, 'a')), "大きすぎます", true},
        {"an option of 3", withLine(good, "options", "0,3,0,0"), "壊れています", true},
        {"a corner of 21", withLine(good, "corners", "21,0"), "壊れています", true},
        {"a hole that is no number", withLine(good, "pivots", "1,2;3,x;5,6;"), "壊れています", true},
        {"seven links for eight pictures", withLine(good, "links", ",,,,,,"), "壊れています", true},
        {"a record of another slot", slotFive, "壊れています", false},
        {"a shape that is no region", shape, "壊れています", false},
    };
    const int64_t peakBefore = peakResidentBytes();
    for (const Crafted& c : cases) {
        SCOPED_TRACE(c.what);
        const RecoveryCopyReading whole = readRecoveryCopy(c.bytes);
        EXPECT_FALSE(whole.project);
        EXPECT_TRUE(whole.problem.contains(QString::fromUtf8(c.reason))) << qPrintable(whole.problem);
        EXPECT_EQ(bool(readRecoveryCopy(c.bytes, RecoveryParts::Texts).project), !c.alsoTexts);
    }
    EXPECT_LT(peakResidentBytes() - peakBefore, int64_t(256) << 20) << "no member allocated before it is checked";
}

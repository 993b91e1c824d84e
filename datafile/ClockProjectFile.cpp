#include "ClockProjectFile.h"

#include "DataFileLimits.h"
#include "DataFileSource.h"
#include "platform/AnsiText.h"
#include "platform/ByteOrder.h"
#include "platform/Dib.h"

#include <algorithm>

namespace dw {

namespace {

constexpr size_t kShapeMember = 4, kHeaderMember = 5, kAuthorMember = 6, kFixedMembers = 7;
constexpr size_t kSlots = 7;

ClockProjectReading refused(const QString& problem) { return {std::nullopt, problem}; }

QString textOf(const std::vector<uint8_t>& ansi)
{
    return unicodeFromAnsi(reinterpret_cast<const char*>(ansi.data()), ansi.size());
}

// A file the reader refused for the size of a member, in the user's words.
QString overLimitMessage(int member)
{
    switch (member) {
    case kShapeMember: return QStringLiteral("時計の形（リージョン）のデータが大きすぎるため、開けません。");
    case kHeaderMember: return QStringLiteral("設定のテキストが大きすぎるか行が多すぎるため、開けません（1 MiB、10,000 行まで）。");
    case kAuthorMember: return QStringLiteral("作者情報が大きすぎるため、開けません（1 MiB まで）。");
    default: return QStringLiteral("%1 番目のデータが大きすぎるため、開けません。").arg(member + 1);
    }
}

ClockProjectReading projectOf(OpenedDataFile opened)
{
    if (opened.refusedMember >= 0)
        return refused(overLimitMessage(opened.refusedMember));
    if (opened.cabinet) {
        // A packed clock is a cabinet of exactly one member, "DATA".
        if (opened.cabinetMembers.empty() && !opened.readable())
            return refused(QStringLiteral("キャビネットファイルとして読めません。壊れているか、途中で切れています。"));
        if (opened.cabinetMembers.size() != 1 || opened.cabinetMembers[0].name != QLatin1String("DATA"))
            return refused(QStringLiteral("このキャビネットファイルには、カスタムデータ（DATA）だけが入っているはずですが、"
                                          "%1 個のファイルが入っています。")
                               .arg(opened.cabinetMembers.size()));
    }
    if (!opened.readable())
        return refused(QStringLiteral("カスタムデータファイルではないか、壊れています。"));

    std::vector<std::vector<uint8_t>>& members = opened.image.members;
    if (members.size() < kFixedMembers || members.size() > kFixedMembers + kSlots)
        return refused(QStringLiteral("カスタムデータのデータ数が %1 個です（7 個から 14 個のはずです）。").arg(members.size()));

    const HeaderReading reading = readHeaderText(textOf(members[kHeaderMember]));
    if (!reading.ok()) {
        if (reading.missing)
            return refused(QStringLiteral("設定に %1 の値がありません。").arg(reading.badKey));
        return refused(QStringLiteral("設定の %1 の値「%2」が整数ではありません。").arg(reading.badKey, reading.badValue.left(40)));
    }

    const std::vector<uint8_t>& shapeData = members[kShapeMember];
    const std::optional<TRegion> shape = pdl::shapeRegion(shapeData.data(), int64_t(shapeData.size()));
    if (!shape)
        return refused(QStringLiteral("時計の形（リージョン）のデータが壊れています。"));

    // Each slot record names its slot in its first four bytes; a slot is saved at most once.
    ClockProjectFile project;
    for (size_t i = kFixedMembers; i < members.size(); ++i) {
        std::vector<uint8_t>& record = members[i];
        const int number = record.size() >= 4 ? int(readLE32s(record.data())) : 0;
        if (number < 1 || number > int(kSlots) || !project.slotRecords[size_t(number - 1)].empty())
            return refused(QStringLiteral("サウンドかアニメーションの %1 番目のデータが壊れています。").arg(i - kFixedMembers + 1));
        project.slotRecords[size_t(number - 1)] = std::move(record);
    }
    // The members move into the project: a large picture is never held twice.
    for (size_t i = 0; i < project.pictures.size(); ++i)
        project.pictures[i] = std::move(members[i]);
    project.header = reading.header;
    project.shape = *shape;
    project.author = textOf(members[kAuthorMember]).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return {std::move(project), QString()};
}

} // namespace

ClockProjectReading readClockProjectFile(const uint8_t* bytes, int64_t size, int64_t extractLimit)
{
    return projectOf(openDataFile(bytes, size, extractLimit));
}

// The pixels the picture members' headers state, together (a picture whose headers the program
// does not read counts nothing: it is never decoded).
int64_t statedPixels(const FileImageContents& image)
{
    int64_t pixels = 0;
    for (size_t i = 0; i < std::min<size_t>(image.members.size(), 4); ++i) {
        const std::vector<uint8_t>& m = image.members[i];
        const int64_t size = image.memberSize(i);
        if (const auto dib = TDib::fromFileHeaders(m.data(), m.size(), uint64_t(size)))
            pixels += int64_t(dib->width()) * dib->height();
    }
    return pixels;
}

ClockProjectReading readClockProjectFile(const QString& path)
{
    // A large picture is read as its headers first; the file is read again whole only when its
    // pictures are within the limit.
    constexpr int64_t kHeldWhole = int64_t(16) << 20;
    OpenedDataFile opened = openDataFile(path, CabinetReader::kMaxExtractBytes, picturesHeldUpTo(kHeldWhole));
    if (opened.readable() && statedPixels(opened.image) > pdl::kMaxOpenedPicturePixels)
        return refused(QStringLiteral("絵が大きすぎるため、開けません（文字盤と針の絵は合わせて %1 ピクセルまでです）。")
                           .arg(pdl::kMaxOpenedPicturePixels));
    if (!opened.image.statedSizes.empty())
        opened = openDataFile(path);
    return projectOf(std::move(opened));
}

} // namespace dw

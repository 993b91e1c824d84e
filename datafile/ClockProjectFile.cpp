#include "ClockProjectFile.h"

#include "DataFileSource.h"
#include "platform/AnsiText.h"
#include "platform/ByteOrder.h"

namespace dw {

namespace {

constexpr size_t kShapeMember = 4, kHeaderMember = 5, kAuthorMember = 6, kFixedMembers = 7;
constexpr size_t kSlots = 7;

ClockProjectReading refused(const QString& problem) { return {std::nullopt, problem}; }

QString textOf(const std::vector<uint8_t>& ansi)
{
    return unicodeFromAnsi(reinterpret_cast<const char*>(ansi.data()), ansi.size());
}

} // namespace

ClockProjectReading readClockProjectFile(const uint8_t* bytes, int64_t size)
{
    const OpenedDataFile opened = openDataFile(bytes, size);
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

    const std::vector<std::vector<uint8_t>>& members = opened.image.members;
    if (members.size() < kFixedMembers || members.size() > kFixedMembers + kSlots)
        return refused(QStringLiteral("カスタムデータのデータ数が %1 個です（7 個から 14 個のはずです）。").arg(members.size()));

    ClockProjectFile project;
    for (size_t i = 0; i < project.pictures.size(); ++i)
        project.pictures[i] = members[i];

    const HeaderReading reading = readHeaderText(textOf(members[kHeaderMember]));
    if (!reading.ok()) {
        if (reading.missing)
            return refused(QStringLiteral("設定に %1 の値がありません。").arg(reading.badKey));
        return refused(QStringLiteral("設定の %1 の値「%2」が整数ではありません。").arg(reading.badKey, reading.badValue.left(40)));
    }
    project.header = reading.header;

    const std::vector<uint8_t>& shapeData = members[kShapeMember];
    // A member holds at most 2 GiB − 1 bytes, so its size fits the call's 32 bits.
    const std::optional<TRegion> shape = ExtCreateRegion(nullptr, uint32_t(shapeData.size()), shapeData.data());
    if (!shape)
        return refused(QStringLiteral("時計の形（リージョン）のデータが壊れています。"));
    project.shape = *shape;

    project.author = textOf(members[kAuthorMember]).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    // Each slot record names its slot in its first four bytes; a slot is saved at most once.
    for (size_t i = kFixedMembers; i < members.size(); ++i) {
        const std::vector<uint8_t>& record = members[i];
        const int number = record.size() >= 4 ? int(readLE32s(record.data())) : 0;
        if (number < 1 || number > int(kSlots) || !project.slotRecords[size_t(number - 1)].empty())
            return refused(QStringLiteral("サウンドかアニメーションの %1 番目のデータが壊れています。").arg(i - kFixedMembers + 1));
        project.slotRecords[size_t(number - 1)] = record;
    }
    return {std::move(project), QString()};
}

} // namespace dw

// The whole-file rules: cabinet, member count, slot order; the member rules come from the other
// DataFileCheck_*.cpp files.

#include "DataFileCheck.h"

#include "DataFileLayout.h"

namespace dw {

namespace {

using namespace pdl;

using MemberCheck = QStringList (*)(const uint8_t*, int64_t);

void addMemberLines(QStringList& out, int index, const QStringList& problems)
{
    const QString prefix = QStringLiteral("member %1 (%2): ").arg(index).arg(memberMeaning(index));
    for (const QString& problem : problems)
        out << prefix + problem;
}

QStringList checkCabinet(const OpenedDataFile& file)
{
    QStringList out;
    const auto& members = file.cabinetMembers;
    if (members.size() != 1) {
        QStringList names;
        for (const auto& m : members)
            names << QLatin1Char('"') + m.name + QLatin1Char('"');
        out << QStringLiteral("cabinet: holds %1 members (%2), not the one member \"DATA\"").arg(members.size()).arg(names.join(QStringLiteral(", ")));
    } else if (members.front().name != QLatin1String("DATA")) {
        out << QStringLiteral("cabinet: its member is named \"%1\", not \"DATA\"").arg(members.front().name);
    }
    if (file.dataMember >= 0 && file.dataMember < int(members.size())) {
        const int compression = members[size_t(file.dataMember)].compression;
        if (compression != 1)
            out << QStringLiteral("cabinet: its member is stored with compression type %1, not MSZIP (1)").arg(compression);
    }
    if (file.cabinetFolders != 1)
        out << QStringLiteral("cabinet: holds %1 folders, not one").arg(file.cabinetFolders);
    return out;
}

} // namespace

QStringList checkMembers(const std::vector<std::vector<uint8_t>>& members, const std::vector<int64_t>& statedSizes)
{
    QStringList out;
    const int count = int(members.size());
    if (count < kFixedMembers || count > kMaxMembers)
        out << QStringLiteral("the stream list holds %1 members, not 7 to 14").arg(count);

    static constexpr MemberCheck kFixedChecks[kFixedMembers] = {
        checkBitmapFile, checkBitmapFile, checkBitmapFile, checkBitmapFile,
        checkRegionData, checkHeaderText, checkAuthorText,
    };
    for (int i = 0; i < count && i < kFixedMembers; ++i) {
        const auto& m = members[size_t(i)];
        const int64_t size = size_t(i) < statedSizes.size() ? statedSizes[size_t(i)] : int64_t(m.size());
        // An empty picture member stands for the built-in picture.
        if (i <= kSecondHandMember && size == 0)
            continue;
        // Only a picture may be held cut: its check reads its headers alone.
        if (i > kSecondHandMember && size != int64_t(m.size())) {
            addMemberLines(out, i, {QStringLiteral("was not read whole")});
            continue;
        }
        addMemberLines(out, i, kFixedChecks[i](m.data(), size));
    }

    int32_t previousSlot = 0;
    int previousIndex = -1;
    for (int i = kFirstSlotMember; i < count; ++i) {
        const auto& m = members[size_t(i)];
        QStringList problems = checkSlotRecord(m.data(), int64_t(m.size()));
        const SlotRecordView view = viewSlotRecord(m.data(), int64_t(m.size()));
        if (view.hasSlot && (isSoundSlot(view.slot) || isAnimationSlot(view.slot))) {
            if (previousIndex >= 0 && view.slot >= previousSlot)
                problems.prepend(QStringLiteral("slot %1 comes after slot %2 (member %3); the slots run 7, 6, 5, 4, 3, 2, 1, "
                                                "each at most once")
                                     .arg(view.slot)
                                     .arg(previousSlot)
                                     .arg(previousIndex));
            previousSlot = view.slot;
            previousIndex = i;
        }
        addMemberLines(out, i, problems);
    }
    return out;
}

DataFileCheck checkDataFile(const OpenedDataFile& file)
{
    DataFileCheck result;
    result.unreadable = file.unreadable;
    if (file.cabinet && file.cabinetFolders > 0)
        result.violations << checkCabinet(file);
    if (!file.readable())
        return result;
    result.violations << checkMembers(file.image.members, file.image.statedSizes);
    return result;
}

DataFileCheck checkDataFile(const uint8_t* bytes, int64_t size) { return checkDataFile(openDataFile(bytes, size)); }

} // namespace dw

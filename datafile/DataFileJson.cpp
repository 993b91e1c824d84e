#include "DataFileJson.h"

#include "DataFileLayout.h"

#include "platform/AnsiText.h"
#include "platform/ByteOrder.h"
#include "platform/Dib.h"
#include "platform/Region.h"
#include "platform/WaveImage.h"

#include <QJsonArray>

#include <algorithm>
#include <array>
#include <cstring>

namespace dw {

namespace {

using namespace pdl;

constexpr int kSchema = 1;

QString textOf(const uint8_t* bytes, int64_t size)
{
    return unicodeFromAnsi(reinterpret_cast<const char*>(bytes), size_t(size));
}

// The lines of a text member; CR LF, CR or LF end a line, and a final line end adds no line.
QStringList linesOf(const std::vector<uint8_t>& m)
{
    QStringList lines = withCrLf(textOf(m.data(), int64_t(m.size()))).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A bitmap file of `size` bytes from its headers: only its first bytes need be held.
std::optional<TDib> headersOf(const uint8_t* bytes, int64_t size)
{
    return TDib::fromFileHeaders(bytes, size_t(std::min<int64_t>(size, TDib::kMaxHeadersSize)), uint64_t(size));
}

QJsonObject bitmapFacts(const uint8_t* bytes, int64_t size)
{
    const std::optional<TDib> dib = headersOf(bytes, size);
    if (!dib)
        return {{"type", "unreadable"}, {"problem", "not a bitmap file the program reads"}};
    return {{"type", "bitmap"}, {"width", dib->width()}, {"height", dib->height()}, {"bitsPerPixel", dib->bitCount()}};
}

QJsonObject regionFacts(const std::vector<uint8_t>& m)
{
    const int64_t size = int64_t(m.size());
    if (size < int64_t(kRgnDataHeaderSize) || readLE32(m.data()) != kRgnDataHeaderSize
        || readLE32(m.data() + 4) != RDH_RECTANGLES)
        return {{"type", "unreadable"}, {"problem", "not region data"}};
    const uint32_t count = readLE32(m.data() + 8);
    QJsonObject facts{{"type", "region"}, {"rectangles", qint64(count)}};
    if (count > 0) {
        const uint8_t* b = m.data() + 16;
        facts.insert("bounds", QJsonArray{readLE32s(b), readLE32s(b + 4), readLE32s(b + 8), readLE32s(b + 12)});
    }
    return facts;
}

// size: the member's as the file states it; a picture's m may hold only its first bytes.
QJsonObject memberFacts(int index, const std::vector<uint8_t>& m, int64_t size)
{
    if (index <= kSecondHandMember)
        return size == 0 ? QJsonObject{{"type", "builtIn"}} : bitmapFacts(m.data(), size);
    if (index == kShapeMember)
        return regionFacts(m);
    if (index == kHeaderMember || index == kAuthorMember)
        return {{"type", "text"}, {"lines", linesOf(m).size()}};
    const SlotRecordView v = viewSlotRecord(m.data(), int64_t(m.size()));
    return {{"type", "slotRecord"}, {"slot", v.hasSlot ? QJsonValue(v.slot) : QJsonValue()}};
}

void addFileName(QJsonObject& slot, const uint8_t* p, int64_t size)
{
    const void* nul = size > 0 ? std::memchr(p, 0, size_t(size)) : nullptr;
    slot.insert("fileName", textOf(p, nul ? static_cast<const uint8_t*>(nul) - p : size));
    if (!nul)
        slot.insert("problem", "the name has no NUL at its end");
}

QJsonObject soundFacts(const uint8_t* bytes, int64_t size)
{
    QJsonObject sound{{"bytes", qint64(size)}};
    const WaveProbe probe = probeWaveImage(bytes, size);
    sound.insert("playable", probe.playable());
    if (!probe.playable()) {
        sound.insert("problem", probe.problem);
        return sound;
    }
    const WaveFormat& f = *probe.format;
    sound.insert("format", f.formatName());
    sound.insert("channels", f.channels);
    sound.insert("sampleRate", f.sampleRate);
    sound.insert("bitsPerSample", f.bitsPerSample);
    sound.insert("seconds", f.seconds());
    return sound;
}

// An embedded strip and the frames its parameters split it into (a count below 1 splits into none).
QJsonObject stripFacts(const uint8_t* bytes, int64_t size, const AnimParams& p)
{
    QJsonObject strip{{"bytes", qint64(size)}};
    const std::optional<TDib> dib = headersOf(bytes, size);
    if (!dib) {
        strip.insert("problem", "not a bitmap file the program reads");
        return strip;
    }
    const bool counted = p.VertCount >= 1 && p.HorzCount >= 1;
    strip.insert("width", dib->width());
    strip.insert("height", dib->height());
    strip.insert("bitsPerPixel", dib->bitCount());
    strip.insert("frameWidth", counted ? qint64(dib->width() / p.HorzCount) : 0);
    strip.insert("frameHeight", counted ? qint64(dib->height()) / p.VertCount : 0);
    strip.insert("frames", counted ? qint64(p.VertCount) * p.HorzCount : 0);
    return strip;
}

void invalid(QJsonObject& slot, const QString& problem)
{
    slot.insert("state", "invalid");
    slot.insert("problem", problem);
}

// State, kind and parameters of one slot record.
void addRecordFacts(QJsonObject& slot, const SlotRecordView& v, int64_t size)
{
    if (size == 4) {
        slot.insert("state", "silent");
        return;
    }
    if (!v.hasKind)
        return invalid(slot, QStringLiteral("the record is too short for its kind"));
    slot.insert("kind", v.kind);
    if (isSoundSlot(v.slot)) {
        if (v.kind == kSoundByName) {
            slot.insert("state", "byFileName");
            addFileName(slot, v.payload, v.payloadSize);
        } else if (v.kind == kSoundEmbedded) {
            slot.insert("state", "embedded");
            slot.insert("sound", soundFacts(v.payload, v.payloadSize));
        } else {
            invalid(slot, QStringLiteral("unknown kind %1").arg(v.kind));
        }
        return;
    }
    if (v.kind != kAnimationByName && v.kind != kAnimationEmbedded)
        return invalid(slot, QStringLiteral("unknown kind %1").arg(v.kind));
    if (!v.hasParams)
        return invalid(slot, QStringLiteral("the record is too short for its parameters"));
    const AnimParams& p = v.params;
    slot.insert("animation", QJsonObject{{"offsetX", p.OffsetX},
                                         {"offsetY", p.OffsetY},
                                         {"rows", p.VertCount},
                                         {"columns", p.HorzCount},
                                         {"frameTime", p.FrameTime}});
    if (v.kind == kAnimationByName) {
        slot.insert("state", "byFileName");
        addFileName(slot, v.payload, v.payloadSize);
    } else {
        slot.insert("state", "embedded");
        slot.insert("strip", stripFacts(v.payload, v.payloadSize, p));
    }
}

QJsonArray slotsOf(const std::vector<std::vector<uint8_t>>& members)
{
    // The member holding each slot's record; of a slot given twice the first counts.
    std::array<int, 7> memberOf;
    memberOf.fill(-1);
    for (int i = kFirstSlotMember; i < int(members.size()); ++i) {
        const auto& m = members[size_t(i)];
        const SlotRecordView v = viewSlotRecord(m.data(), int64_t(m.size()));
        if (v.hasSlot && v.slot >= kSecondSound && v.slot <= kZeroHourAnimation && memberOf[size_t(v.slot - 1)] < 0)
            memberOf[size_t(v.slot - 1)] = i;
    }
    QJsonArray out;
    for (int32_t number = kSecondSound; number <= kZeroHourAnimation; ++number) {
        QJsonObject slot{{"slot", number}, {"event", slotMeaning(number)}, {"kind", QJsonValue()}};
        const int index = memberOf[size_t(number - 1)];
        if (index < 0) {
            slot.insert("member", QJsonValue());
            slot.insert("state", "noData");
        } else {
            const auto& m = members[size_t(index)];
            slot.insert("member", index);
            addRecordFacts(slot, viewSlotRecord(m.data(), int64_t(m.size())), int64_t(m.size()));
        }
        out.append(slot);
    }
    return out;
}

QJsonObject compressionOf(const OpenedDataFile& file)
{
    if (!file.cabinet || file.dataMember < 0 || file.dataMember >= int(file.cabinetMembers.size()))
        return {{"cabinet", false}};
    static const char* const kMethods[] = {"stored", "MSZIP", "Quantum", "LZX"};
    const auto& member = file.cabinetMembers[size_t(file.dataMember)];
    const QString method = member.compression >= 0 && member.compression < 4
                               ? QString::fromLatin1(kMethods[member.compression])
                               : QStringLiteral("compression %1").arg(member.compression);
    return {{"cabinet", true},
            {"method", method},
            {"member", member.name},
            {"cabinetMembers", qint64(file.cabinetMembers.size())},
            {"imageBytes", qint64(file.imageSize)}};
}

} // namespace

QJsonObject describeDataFileJson(const OpenedDataFile& file, const QStringList& readerMessages)
{
    const auto& members = file.image.members;
    QJsonArray memberList;
    for (int i = 0; i < int(members.size()); ++i) {
        const int64_t size = file.image.memberSize(size_t(i));
        memberList.append(QJsonObject{{"index", i},
                                      {"role", memberMeaning(i)},
                                      {"bytes", qint64(size)},
                                      {"holds", memberFacts(i, members[size_t(i)], size)}});
    }

    QJsonArray header;
    QJsonValue title;
    if (members.size() > size_t(kHeaderMember)) {
        for (const QString& line : linesOf(members[kHeaderMember])) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            const QString key = equals < 0 ? line : line.left(equals);
            const QJsonValue value = equals < 0 ? QJsonValue() : QJsonValue(line.mid(equals + 1));
            header.append(QJsonObject{{"key", key}, {"value", value}});
            if (key == QLatin1String("Title") && title.isNull())
                title = value;
        }
    }
    QString author;
    if (members.size() > size_t(kAuthorMember))
        author = withCrLf(textOf(members[kAuthorMember].data(), int64_t(members[kAuthorMember].size())))
                     .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    return {{"schema", kSchema},
            {"fileBytes", qint64(file.fileSize)},
            {"compression", compressionOf(file)},
            {"memberCount", file.image.count},
            {"members", memberList},
            {"header", header},
            {"title", title},
            {"author", author},
            {"slots", slotsOf(members)},
            {"readerMessages", QJsonArray::fromStringList(readerMessages)}};
}

} // namespace dw

#include "DataFileInfo.h"

#include "DataFileLayout.h"
#include "DataFileLimits.h"

#include "platform/AnsiText.h"
#include "platform/ByteOrder.h"
#include "platform/Dib.h"
#include "platform/Region.h"
#include "platform/WaveImage.h"

#include <algorithm>
#include <array>

#include <cstring>
#include <string_view>

namespace dw {

namespace {

using namespace pdl;

constexpr const char* kIndent = "    ";

QString ansiText(const uint8_t* bytes, int64_t size)
{
    return printable(unicodeFromAnsi(reinterpret_cast<const char*>(bytes), size_t(size)));
}

QString bytesText(int64_t n) { return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n); }

// A bitmap file of `size` bytes described from its headers: only its first bytes need be held.
std::optional<TDib> headersOf(const uint8_t* bytes, int64_t size)
{
    return TDib::fromFileHeaders(bytes, size_t(std::min<int64_t>(size, TDib::kMaxHeadersSize)), uint64_t(size));
}

QString bitmapText(const uint8_t* bytes, int64_t size)
{
    const std::optional<TDib> dib = headersOf(bytes, size);
    if (!dib)
        return QStringLiteral("not a bitmap file the program reads");
    return QStringLiteral("bitmap %1 × %2, %3 bits per pixel").arg(dib->width()).arg(dib->height()).arg(dib->bitCount());
}

// size: the member's as the file states it; m may hold only its first bytes.
QString pictureLine(int index, const std::vector<uint8_t>& m, int64_t size)
{
    static const char* const kBuiltIn[] = {"the built-in dial", "the built-in hour hand", "the built-in minute hand",
                                           "the built-in second hand"};
    if (size == 0)
        return QStringLiteral("0 bytes, %1").arg(QLatin1String(kBuiltIn[index]));
    return bytesText(size) + QStringLiteral(", ") + bitmapText(m.data(), size);
}

QString shapeLine(const std::vector<uint8_t>& m)
{
    const int64_t size = int64_t(m.size());
    if (size < int64_t(kRgnDataHeaderSize) || readLE32(m.data()) != kRgnDataHeaderSize || readLE32(m.data() + 4) != RDH_RECTANGLES)
        return bytesText(size) + QStringLiteral(", not region data");
    const uint32_t count = readLE32(m.data() + 8);
    const uint8_t* b = m.data() + 16;
    if (count == 0)
        return bytesText(size) + QStringLiteral(", no rectangles: the clock has no shape");
    return bytesText(size)
           + QStringLiteral(", %1 rectangles, bounding box (%2, %3, %4, %5)")
                 .arg(count)
                 .arg(readLE32s(b))
                 .arg(readLE32s(b + 4))
                 .arg(readLE32s(b + 8))
                 .arg(readLE32s(b + 12));
}

// The text's lines, each indented; CR LF, LF or CR end a line.
void appendTextLines(QStringList& out, const std::vector<uint8_t>& m)
{
    const QString text = unicodeFromAnsi(reinterpret_cast<const char*>(m.data()), m.size());
    QStringList lines = withCrLf(text).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString& line : lines)
        out << QLatin1String(kIndent) + printable(line);
}

qsizetype lineCount(const std::vector<uint8_t>& m)
{
    if (m.empty())
        return 0;
    qsizetype n = 0;
    for (size_t i = 0; i < m.size(); ++i)
        if (m[i] == '\n')
            ++n;
    return m.back() == '\n' ? n : n + 1;
}

QString nameText(const uint8_t* p, int64_t size)
{
    // The name up to its NUL (or to the record's end when it has none).
    const void* nul = size > 0 ? std::memchr(p, 0, size_t(size)) : nullptr;
    const int64_t length = nul ? static_cast<const uint8_t*>(nul) - p : size;
    QString text = QStringLiteral("by file name \"%1\"").arg(ansiText(p, length));
    if (!nul)
        text += QStringLiteral(" (no NUL at its end)");
    return text;
}

// The frames an embedded strip splits into: each the strip's width div the columns by its height
// div the rows; a count below 1 splits into nothing.
QString framesText(const uint8_t* bytes, int64_t size, const AnimParams& p)
{
    const std::optional<TDib> dib = headersOf(bytes, size);
    if (!dib)
        return {};
    const bool counted = p.VertCount >= 1 && p.HorzCount >= 1;
    const int64_t width = counted ? dib->width() / p.HorzCount : 0;
    const int64_t height = counted ? int64_t(dib->height()) / p.VertCount : 0;
    const int64_t frames = counted ? int64_t(p.VertCount) * p.HorzCount : 0;
    return QStringLiteral(", frames of %1 × %2, %3 frame%4").arg(width).arg(height).arg(frames).arg(frames == 1 ? "" : "s");
}

// What Test Play makes of an embedded wave: its format, or why it plays nothing.
QString waveText(const uint8_t* bytes, int64_t size)
{
    const WaveProbe probe = probeWaveImage(bytes, size);
    if (!probe.playable())
        return QStringLiteral("not a playable wave image (%1)").arg(probe.problem);
    const WaveFormat& f = *probe.format;
    return QStringLiteral("%1, %2 channel%3, %4 Hz, %5 bits, %6 s")
        .arg(f.formatName())
        .arg(f.channels)
        .arg(f.channels == 1 ? "" : "s")
        .arg(f.sampleRate)
        .arg(f.bitsPerSample)
        .arg(f.seconds(), 0, 'f', 3)
        + (f.frames >= int64_t(kMaxWaveSeconds) * f.sampleRate ? QStringLiteral(" (Test Play stops there)") : QString());
}

QString slotLine(const std::vector<uint8_t>& m)
{
    const int64_t size = int64_t(m.size());
    const SlotRecordView v = viewSlotRecord(m.data(), size);
    if (!v.hasSlot)
        return QStringLiteral("slot record of %1, too short for a slot number").arg(bytesText(size));
    const QString meaning = slotMeaning(v.slot);
    QString head = QStringLiteral("slot %1").arg(v.slot);
    if (!meaning.isEmpty())
        head += QStringLiteral(" (%1)").arg(meaning);
    head += QStringLiteral(": ") + bytesText(size) + QStringLiteral(", ");
    if (meaning.isEmpty())
        return head + QStringLiteral("not a slot number");
    if (size == 4)
        return head + (isSoundSlot(v.slot) ? QStringLiteral("silent") : QStringLiteral("none (無し)"));
    if (!v.hasKind)
        return head + QStringLiteral("too short for its kind");
    if (isSoundSlot(v.slot)) {
        if (v.kind == kSoundByName)
            return head + QStringLiteral("kind 0, ") + nameText(v.payload, v.payloadSize);
        if (v.kind == kSoundEmbedded)
            return head + QStringLiteral("kind 1, embedded sound of %1, ").arg(bytesText(v.payloadSize))
                   + waveText(v.payload, v.payloadSize);
        return head + QStringLiteral("unknown kind %1").arg(v.kind);
    }
    if (v.kind != kAnimationByName && v.kind != kAnimationEmbedded && v.kind != 0)
        return head + QStringLiteral("unknown kind %1").arg(v.kind);
    if (!v.hasParams)
        return head + QStringLiteral("kind %1, too short for its parameters").arg(v.kind);
    const AnimParams& p = v.params;
    const QString params = QStringLiteral("; offset (%1, %2), %3 rows × %4 columns, %5 ms a frame")
                               .arg(p.OffsetX)
                               .arg(p.OffsetY)
                               .arg(p.VertCount)
                               .arg(p.HorzCount)
                               .arg(p.FrameTime);
    if (v.kind == kAnimationEmbedded)
        return head + QStringLiteral("kind 2, embedded strip, ") + bitmapText(v.payload, v.payloadSize)
               + framesText(v.payload, v.payloadSize, p) + params;
    return head + QStringLiteral("kind %1, ").arg(v.kind) + nameText(v.payload, v.payloadSize) + params;
}

} // namespace

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F))
            out += QStringLiteral("\\x") + QStringLiteral("%1").arg(unsigned(u), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

QStringList describeDataFile(const OpenedDataFile& file, const QString& displayName)
{
    QStringList out;
    const QString name = printable(displayName);
    if (file.cabinet && file.dataMember >= 0 && file.dataMember < int(file.cabinetMembers.size())) {
        const auto& member = file.cabinetMembers[size_t(file.dataMember)];
        static const char* const kCompression[] = {"stored", "MSZIP", "Quantum", "LZX"};
        const QString compression = member.compression >= 0 && member.compression < 4
                                        ? QLatin1String(kCompression[member.compression])
                                        : QStringLiteral("compression %1").arg(member.compression);
        out << QStringLiteral("%1: cabinet of %2 holding %3 member(s); member \"%4\": %5, %6")
                   .arg(name, bytesText(file.fileSize))
                   .arg(file.cabinetMembers.size())
                   .arg(printable(member.name), bytesText(member.size), compression);
    } else if (file.cabinet) {
        out << QStringLiteral("%1: cabinet of %2").arg(name, bytesText(file.fileSize));
    }
    if (!file.readable()) {
        if (out.isEmpty())
            out << name + QStringLiteral(": ") + file.unreadable;
        else
            out.last() += QStringLiteral("; ") + file.unreadable;
        return out;
    }
    if (!file.cabinet)
        out << QStringLiteral("%1: custom data file of %2, not compressed").arg(name, bytesText(file.fileSize));

    const auto& members = file.image.members;
    std::array<bool, 7> presentSlots{};
    out << QStringLiteral("stream list: %1 members").arg(members.size());
    for (int i = 0; i < int(members.size()); ++i) {
        const auto& m = members[size_t(i)];
        const QString head = QStringLiteral("member %1, ").arg(i);
        if (i <= kSecondHandMember) {
            out << head + memberMeaning(i) + QStringLiteral(": ") + pictureLine(i, m, file.image.memberSize(size_t(i)));
        } else if (i == kShapeMember) {
            out << head + memberMeaning(i) + QStringLiteral(": ") + shapeLine(m);
        } else if (i == kHeaderMember || i == kAuthorMember) {
            // A text over its limit is not split into lines (openDataFile refuses such a file;
            // members handed in directly are held to the same limits).
            QString overLimit = memberSizeProblem(i, int64_t(m.size()));
            if (overLimit.isEmpty() && i == kHeaderMember)
                overLimit = headerLinesProblem(m.data(), int64_t(m.size()));
            if (!overLimit.isEmpty()) {
                out << head + memberMeaning(i) + QStringLiteral(": %1, not shown: %2").arg(bytesText(int64_t(m.size())), overLimit);
                continue;
            }
            const qsizetype lines = lineCount(m);
            out << head + memberMeaning(i) + QStringLiteral(": %1, %2 line%3").arg(bytesText(int64_t(m.size()))).arg(lines).arg(lines == 1 ? "" : "s");
            appendTextLines(out, m);
        } else {
            out << head + slotLine(m);
            const SlotRecordView v = viewSlotRecord(m.data(), int64_t(m.size()));
            if (v.hasSlot && (isSoundSlot(v.slot) || isAnimationSlot(v.slot)))
                presentSlots[size_t(v.slot - kSecondSound)] = true;
        }
    }
    // An unset slot leaves no record: the file says nothing about its event.
    for (int32_t slot = kSecondSound; slot <= kZeroHourAnimation; ++slot)
        if (!presentSlots[size_t(slot - kSecondSound)])
            out << QStringLiteral("slot %1 (%2): unset, not in the file").arg(slot).arg(slotMeaning(slot));
    return out;
}

} // namespace dw

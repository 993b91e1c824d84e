// The forms of the sound and animation slot records.

#include "CheckLines.h"
#include "DataFileCheck.h"
#include "DataFileLayout.h"

#include <cstring>

namespace dw {

namespace {

using namespace pdl;

// A recorded file name: text, then exactly one NUL, at the end.
void checkName(check::Lines& lines, const uint8_t* name, int64_t size)
{
    if (size <= 0 || name[size - 1] != 0) {
        lines.add(QStringLiteral("its file name is not ended by a NUL byte"));
        return;
    }
    const int64_t length = size - 1;
    if (length == 0)
        lines.add(QStringLiteral("records an empty file name"));
    const void* inner = length > 0 ? std::memchr(name, 0, size_t(length)) : nullptr;
    if (inner)
        lines.add(QStringLiteral("its file name holds a NUL byte at %1 before its end").arg(static_cast<const uint8_t*>(inner) - name));
    else if (check::firstNonAnsiLine(reinterpret_cast<const char*>(name), length) >= 0)
        lines.add(QStringLiteral("its file name is not CP932 text"));
}

void checkParams(check::Lines& lines, const AnimParams& p)
{
    if (p.VertCount < kMinSplit || p.VertCount > kMaxSplit)
        lines.add(QStringLiteral("its row count VertCount %1 is not 1 to 100").arg(p.VertCount));
    if (p.HorzCount < kMinSplit || p.HorzCount > kMaxSplit)
        lines.add(QStringLiteral("its column count HorzCount %1 is not 1 to 100").arg(p.HorzCount));
    if (p.FrameTime < kMinFrameTime || p.FrameTime > kMaxFrameTime)
        lines.add(QStringLiteral("its frame time FrameTime %1 ms is not 50 to 1000").arg(p.FrameTime));
}

} // namespace

QStringList checkSlotRecord(const uint8_t* b, int64_t size)
{
    check::Lines lines(kMaxLinesPerCheck);
    const SlotRecordView view = viewSlotRecord(b, size);
    if (!view.hasSlot) {
        lines.add(QStringLiteral("holds %1 bytes, too few for a slot number").arg(size));
        return lines.list();
    }
    if (!isSoundSlot(view.slot) && !isAnimationSlot(view.slot)) {
        lines.add(QStringLiteral("its slot number %1 is not one of 1 to 7").arg(view.slot));
        return lines.list();
    }
    if (size == 4)
        return lines.list(); // silent, or an animation set to none
    if (!view.hasKind) {
        lines.add(QStringLiteral("holds %1 bytes: more than a slot number, too few for its kind").arg(size));
        return lines.list();
    }

    if (isSoundSlot(view.slot)) {
        if (view.kind == kSoundByName)
            checkName(lines, view.payload, view.payloadSize);
        else if (view.kind != kSoundEmbedded) // any bytes may follow kind 1: the wave file is stored unchanged
            lines.add(QStringLiteral("its kind %1 is not 0 (file name) or 1 (wave data)").arg(view.kind));
        return lines.list();
    }

    if (view.kind != kAnimationByName && view.kind != kAnimationEmbedded) {
        lines.add(QStringLiteral("its kind %1 is not 1 (file name) or 2 (bitmap)").arg(view.kind));
        return lines.list();
    }
    if (!view.hasParams) {
        lines.add(QStringLiteral("holds %1 bytes, too few for its kind and animation parameters (28)").arg(size));
        return lines.list();
    }
    checkParams(lines, view.params);
    if (view.kind == kAnimationByName) {
        checkName(lines, view.payload, view.payloadSize);
    } else {
        for (const QString& problem : checkBitmapFile(view.payload, view.payloadSize))
            lines.add(QStringLiteral("its strip bitmap: ") + problem);
    }
    return lines.list();
}

} // namespace dw

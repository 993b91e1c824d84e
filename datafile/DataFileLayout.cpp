#include "DataFileLayout.h"

#include "platform/ByteOrder.h"

namespace dw::pdl {

AnimParams readAnimParams(const uint8_t* p)
{
    return {readLE32s(p), readLE32s(p + 4), readLE32s(p + 8), readLE32s(p + 12), readLE32s(p + 16)};
}

void writeAnimParams(uint8_t* p, const AnimParams& params)
{
    writeLE32s(p, params.OffsetX);
    writeLE32s(p + 4, params.OffsetY);
    writeLE32s(p + 8, params.VertCount);
    writeLE32s(p + 12, params.HorzCount);
    writeLE32s(p + 16, params.FrameTime);
}

SlotRecordView viewSlotRecord(const uint8_t* bytes, int64_t size)
{
    SlotRecordView view;
    if (!bytes || size < 4)
        return view;
    view.hasSlot = true;
    view.slot = readLE32s(bytes);
    if (size < 8)
        return view;
    view.hasKind = true;
    view.kind = readLE32s(bytes + 4);
    int64_t header = kSoundHeaderSize;
    if (isAnimationSlot(view.slot)) {
        if (size < kAnimationHeaderSize)
            return view;
        view.hasParams = true;
        view.params = readAnimParams(bytes + 8);
        header = kAnimationHeaderSize;
    } else if (!isSoundSlot(view.slot)) {
        return view;
    }
    view.payload = bytes + header;
    view.payloadSize = size - header;
    return view;
}

QString memberMeaning(int index)
{
    switch (index) {
    case kDialMember: return QStringLiteral("dial picture");
    case kHourHandMember: return QStringLiteral("hour hand picture");
    case kMinuteHandMember: return QStringLiteral("minute hand picture");
    case kSecondHandMember: return QStringLiteral("second hand picture");
    case kShapeMember: return QStringLiteral("window shape");
    case kHeaderMember: return QStringLiteral("header text");
    case kAuthorMember: return QStringLiteral("author text");
    default: return QStringLiteral("slot record");
    }
}

QString slotMeaning(int32_t slot)
{
    switch (slot) {
    case kSecondSound: return QStringLiteral("second sound");
    case kMinuteSound: return QStringLiteral("minute sound");
    case kHourSound: return QStringLiteral("hour sound");
    case kZeroHourSound: return QStringLiteral("zero-hour sound");
    case kMinuteAnimation: return QStringLiteral("minute animation");
    case kHourAnimation: return QStringLiteral("hour animation");
    case kZeroHourAnimation: return QStringLiteral("zero-hour animation");
    default: return {};
    }
}

QString memberFileName(int index, const SlotRecordView& slot)
{
    const QString number = QString::number(index) + QLatin1Char('-');
    switch (index) {
    case kDialMember: return number + QStringLiteral("dial.bmp");
    case kHourHandMember: return number + QStringLiteral("hour-hand.bmp");
    case kMinuteHandMember: return number + QStringLiteral("minute-hand.bmp");
    case kSecondHandMember: return number + QStringLiteral("second-hand.bmp");
    case kShapeMember: return number + QStringLiteral("shape.rgn");
    case kHeaderMember: return number + QStringLiteral("header.txt");
    case kAuthorMember: return number + QStringLiteral("author.txt");
    default: break;
    }
    const QString meaning = slot.hasSlot ? slotMeaning(slot.slot) : QString();
    if (meaning.isEmpty())
        return number + QStringLiteral("slot-unknown.bin");
    return number + QStringLiteral("slot%1-").arg(slot.slot) + QString(meaning).replace(QLatin1Char(' '), QLatin1Char('-'))
           + QStringLiteral(".bin");
}

} // namespace dw::pdl

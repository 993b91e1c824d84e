#include "editor/files/IncompletePicture.h"

#include "editor/clock/PictureConversion.h"
#include "media/AnimSlot.h"
#include "media/SlotRecord.h"
#include "platform/Bitmap.h"
#include "platform/FrameworkError.h"

namespace dw {

QString incompletePicture(const std::array<std::span<const uint8_t>, 4>& pictures,
                          const std::array<std::span<const uint8_t>, 7>& slotRecords)
{
    static const char* const kPictureNames[] = {"文字盤", "時針", "分針", "秒針"};
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::span<const uint8_t> picture = pictures[i];
        if (!picture.empty() && !storedPictureComplete(picture.data(), int64_t(picture.size())))
            return QStringLiteral("%1の画像が壊れています（途中で切れているか、画像ではありません）。")
                .arg(QString::fromUtf8(kPictureNames[i]));
    }
    static const char* const kStripNames[] = {"分", "時", "零時"};
    for (int32_t slot = kMinuteAnimSlot; slot <= kZeroAnimSlot; ++slot) {
        const std::span<const uint8_t> record = slotRecords[size_t(slot - 1)];
        const AnimRecordView view = viewAnimRecord(record.data(), int64_t(record.size()));
        if (!view.hasData || view.kind != pdl::kAnimationEmbedded)
            continue;
        try {
            TBitmap strip;
            strip.LoadFromMemory(view.payload, view.payloadSize);
        } catch (const EFrameworkError&) {
            return QStringLiteral("%1のアニメーションの画像が壊れています。").arg(QString::fromUtf8(kStripNames[slot - kMinuteAnimSlot]));
        }
    }
    return {};
}

} // namespace dw

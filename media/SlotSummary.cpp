#include "SlotSummary.h"

#include "AnimSlot.h"
#include "SoundRecord.h"

#include "platform/AnsiText.h"
#include "platform/ByteOrder.h"
#include "platform/MemoryStream.h"
#include "platform/WaveImage.h"

namespace dw {

namespace {

const QString kUnset = QStringLiteral("設定なし");
const QString kBadRecord = QStringLiteral("データ記録形式が不良です");

QString loaded(const QString& loadedFrom, const QString& detail)
{
    if (loadedFrom.isEmpty())
        return QStringLiteral("読み込み済み (%1)").arg(detail);
    return QStringLiteral("読み込み済み: %1 (%2)").arg(loadedFrom, detail);
}

QString named(const QString& name) { return QStringLiteral("ファイル名: %1").arg(name); }

} // namespace

QString soundSlotSummary(const TMemoryStream& record, const QString& loadedFrom)
{
    if (record.size() == 0)
        return kUnset;
    if (record.size() == kSilentRecordSize)
        return QStringLiteral("無音");
    if (const std::optional<std::string> name = recordedSoundName(record))
        return named(unicodeFromAnsi(*name));
    if (record.size() < kSlotHeaderSize || readLE32s(record.Memory() + 4) != skWaveData)
        return kBadRecord;
    const WaveProbe probe = probeWaveImage(record.Memory() + kSlotHeaderSize, record.size() - kSlotHeaderSize);
    if (!probe.playable())
        return loaded(loadedFrom, QStringLiteral("再生できない形式"));
    return loaded(loadedFrom, QStringLiteral("%1 秒").arg(probe.format->seconds(), 0, 'f', 1));
}

QString animSlotSummary(const TMemoryStream& record, const QString& loadedFrom)
{
    if (record.size() == 0)
        return kUnset;
    if (record.size() == kSilentRecordSize)
        return QStringLiteral("無し");
    const AnimRecordView view = viewAnimRecord(record);
    if (!view.hasData || view.badKind())
        return kBadRecord;
    if (view.byFileName())
        return named(animRecordName(view));
    // The strip's size from its info header; the pixels are not decoded for this.
    constexpr int64_t kSizeFieldsEnd = 26;
    if (view.payloadSize < kSizeFieldsEnd)
        return loaded(loadedFrom, kBadRecord);
    const int32_t width = readLE32s(view.payload + 18);
    const int32_t height = readLE32s(view.payload + 22);
    return loaded(loadedFrom, QStringLiteral("%1 × %2, %3 × %4 コマ")
                                  .arg(width)
                                  .arg(height < 0 ? -int64_t(height) : int64_t(height))
                                  .arg(view.param.HorzCount)
                                  .arg(view.param.VertCount));
}

} // namespace dw

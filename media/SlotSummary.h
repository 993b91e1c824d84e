#pragma once

// What a media slot holds, in words for the last item of its submenu: "設定なし", "無音" (a
// sound's silent record) or "無し" (an animation's), "ファイル名: chime.wav", or for an embedded
// file "読み込み済み: chime.wav (1.2 秒)" and "読み込み済み: strip.bmp (80 × 20, 4 × 2 コマ)".
// The name of an embedded file is not in the record: the caller passes the one it was loaded
// from when it knows it (empty otherwise, and the summary goes without).

#include <QString>

#include <cstdint>

namespace dw {

class TMemoryStream;

QString soundSlotSummary(const TMemoryStream& record, const QString& loadedFrom);
QString animSlotSummary(const TMemoryStream& record, const QString& loadedFrom);

} // namespace dw

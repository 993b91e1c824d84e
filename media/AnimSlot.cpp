#include "AnimSlot.h"

#include "RecordedName.h"

#include "platform/AnsiText.h"
#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/MemoryStream.h"

#include <cstring>

namespace dw {

AnimRecordView viewAnimRecord(const uint8_t* bytes, int64_t size)
{
    AnimRecordView view;
    if (!bytes || size <= 0)
        return view;
    view.size = size;
    if (size >= 4)
        view.slot = readLE32s(bytes);
    if (size >= 8)
        view.kind = readLE32s(bytes + 4);
    if (size > kAnimRecordHeaderSize) {
        view.hasData = true;
        view.param = pdl::readAnimParams(bytes + 8);
        view.payload = bytes + kAnimRecordHeaderSize;
        view.payloadSize = size - kAnimRecordHeaderSize;
    }
    return view;
}

AnimRecordView viewAnimRecord(const TMemoryStream& record) { return viewAnimRecord(record.Memory(), record.size()); }

AnimSlotItems animSlotItems(int64_t recordSize)
{
    const bool data = recordSize > kAnimRecordHeaderSize;
    return {recordSize > 0, data, data};
}

QByteArray animRecordAnsiName(const AnimRecordView& view)
{
    if (!view.hasData || !view.byFileName())
        return {};
    const void* nul = std::memchr(view.payload, 0, size_t(view.payloadSize));
    const int64_t length = nul ? static_cast<const uint8_t*>(nul) - view.payload : view.payloadSize;
    return QByteArray(reinterpret_cast<const char*>(view.payload), qsizetype(length));
}

QString animRecordName(const AnimRecordView& view)
{
    const QByteArray ansi = animRecordAnsiName(view);
    return unicodeFromAnsi(ansi.constData(), size_t(ansi.size()));
}

namespace {

void writeHeader(TMemoryStream& record, int32_t slot, int32_t kind, const TAnimParam& param)
{
    uint8_t header[kAnimRecordHeaderSize];
    writeLE32s(header, slot);
    writeLE32s(header + 4, kind);
    pdl::writeAnimParams(header + 8, param);
    record.SetPosition(0);
    record.WriteBuffer(header, sizeof header);
}

} // namespace

void makeNamedAnimRecord(TMemoryStream& record, int32_t slot, const TAnimParam& param, const QByteArray& ansiName)
{
    record.Clear();
    writeHeader(record, slot, pdl::kAnimationByName, param);
    record.WriteBuffer(ansiName.constData(), ansiName.size());
    const char nul = 0;
    record.WriteBuffer(&nul, 1);
}

void makeEmbeddedAnimRecord(TMemoryStream& record, int32_t slot, const TAnimParam& param, const TBitmap& strip)
{
    // Whatever the record held, it is cut to its header first and the strip written after it.
    record.SetSize(kAnimRecordHeaderSize);
    writeHeader(record, slot, pdl::kAnimationEmbedded, param);
    strip.SaveToStream(record);
}

bool setAnimRecordParam(TMemoryStream& record, const TAnimParam& param)
{
    if (record.size() <= kAnimRecordHeaderSize)
        return false;
    pdl::writeAnimParams(record.Memory() + 8, param);
    return true;
}

AnimStripStatus loadEmbeddedAnimStrip(const AnimRecordView& view, TBitmap& strip)
{
    if (!view.hasData)
        return AnimStripStatus::NoData;
    if (view.badKind())
        return AnimStripStatus::BadKind;
    if (view.byFileName())
        return AnimStripStatus::FileMissing;
    strip.LoadFromMemory(view.payload, view.payloadSize);
    return AnimStripStatus::Loaded;
}

AnimStripStatus loadAnimStrip(const AnimRecordView& view, TBitmap& strip, const QStringList& folders)
{
    if (view.hasData && view.byFileName()) {
        const QByteArray name = animRecordAnsiName(view);
        const QString path = findRecordedFile(name.toStdString(), folders);
        if (path.isEmpty())
            return AnimStripStatus::FileMissing;
        strip.LoadFromFile(path);
        return AnimStripStatus::Loaded;
    }
    return loadEmbeddedAnimStrip(view, strip);
}

} // namespace dw

#pragma once

// A clock project for the data-file tests, with helpers that build slot records and bitmap
// files the way the editor holds them.

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileLayout.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"

#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/MemoryStream.h"
#include "platform/Region.h"

#include "tests/support/TestFiles.h"

#include <array>
#include <string>

namespace dw::test {

inline void put32(Bytes& b, int32_t v)
{
    uint8_t w[4];
    writeLE32s(w, v);
    b.insert(b.end(), w, w + 4);
}

inline void setBytes(TMemoryStream& s, const Bytes& b)
{
    s.SetSize(int64_t(b.size()));
    if (!b.empty())
        std::memcpy(s.Memory(), b.data(), b.size());
    s.SetPosition(0);
}

// A bitmap file as the bitmap writes it.
inline Bytes bitmapFile(int32_t width, int32_t height, TPixelFormat format = pf24bit)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    bitmap.Canvas().SetPixel(0, 0, 0x0000FF);
    TMemoryStream out;
    bitmap.SaveToStream(out);
    return bytesOf(out);
}

inline Bytes silentRecord(int32_t slot)
{
    Bytes b;
    put32(b, slot);
    return b;
}

inline Bytes soundByName(int32_t slot, const std::string& name)
{
    Bytes b;
    put32(b, slot);
    put32(b, pdl::kSoundByName);
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    return b;
}

inline Bytes soundEmbedded(int32_t slot, const Bytes& wave)
{
    Bytes b;
    put32(b, slot);
    put32(b, pdl::kSoundEmbedded);
    b.insert(b.end(), wave.begin(), wave.end());
    return b;
}

inline Bytes animationRecord(int32_t slot, int32_t kind, pdl::AnimParams p, const Bytes& payload)
{
    Bytes b;
    put32(b, slot);
    put32(b, kind);
    for (int32_t v : {p.OffsetX, p.OffsetY, p.VertCount, p.HorzCount, p.FrameTime})
        put32(b, v);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

inline Bytes animationByName(int32_t slot, const std::string& name, pdl::AnimParams p = {0, 0, 2, 4, 100})
{
    Bytes payload(name.begin(), name.end());
    payload.push_back(0);
    return animationRecord(slot, pdl::kAnimationByName, p, payload);
}

inline Bytes animationEmbedded(int32_t slot, const Bytes& bmp, pdl::AnimParams p = {10, -5, 1, 4, 200})
{
    return animationRecord(slot, pdl::kAnimationEmbedded, p, bmp);
}

// A small RIFF WAVE file (its content is not examined by anything but the description).
inline Bytes waveFile()
{
    Bytes b = bytesOf(std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16));
    b.resize(44, 0);
    return b;
}

// The editor's project as the writer sees it: the streams, the shape, the header and the author.
struct SampleProject {
    TMemoryStream FBkgStream, FHourStream, FMinStream, FSecStream;
    // In member order: FZeroAnim, FHourAnim, FMinAnim, FZeroSound, FHourSound, FMinSound, FSecSound.
    std::array<TMemoryStream, 7> slotRecords;
    TRegion shape = CreateRoundRectRgn(0, 0, 200, 200, 200, 200);
    DataFileHeader header;
    QString author;

    SampleProject()
    {
        header.hourCenter = header.minCenter = header.secCenter = QPoint(100, 100);
        header.hourPivot = QPoint(4, 60);
        header.minPivot = QPoint(3, 80);
        header.secPivot = QPoint(1, 90);
        header.saved = QDateTime(QDate(2024, 3, 9), QTime(7, 5, 3));
    }

    TMemoryStream& slot(int32_t slotNumber) { return slotRecords[size_t(7 - slotNumber)]; }

    // All seven slots set, each in another of its forms.
    void setAllSlots()
    {
        setBytes(slot(7), animationEmbedded(7, bitmapFile(40, 10, pf8bit)));
        setBytes(slot(6), animationByName(6, "hour.bmp"));
        setBytes(slot(5), silentRecord(5));
        setBytes(slot(4), soundEmbedded(4, waveFile()));
        setBytes(slot(3), soundByName(3, "\x83\x60\x83\x83\x83\x43\x83\x80.wav")); // チャイム
        setBytes(slot(2), soundEmbedded(2, {})); // a 0-byte wave file was loaded
        setBytes(slot(1), silentRecord(1));
    }

    DataFileProject project()
    {
        const DataFileTexts texts = dataFileTexts(header, author);
        DataFileProject p;
        p.FBkgStream = &FBkgStream;
        p.FHourStream = &FHourStream;
        p.FMinStream = &FMinStream;
        p.FSecStream = &FSecStream;
        p.shape = shape;
        p.headerText = texts.header;
        p.authorText = texts.author;
        for (size_t i = 0; i < slotRecords.size(); ++i)
            p.slotRecords[i] = &slotRecords[i];
        return p;
    }

    // The file image as writeDataFile would write it.
    Bytes image()
    {
        DataFileProject p = project();
        return bytesOf(*buildFileImage(p));
    }
};

} // namespace dw::test

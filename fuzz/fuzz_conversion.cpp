// Pictures offered for conversion: arbitrary bytes read as a picture the clock cannot show. Each
// input is decoded twice, into memory filled with different bytes before each decoding; both
// must refuse it, or both must give the same pixels and the same converted bitmap, which the
// clock's engine then shows. A pixel the file does not hold would differ between the two.

#include "editor/clock/CompletePicture.h"
#include "editor/clock/PictureConversion.h"
#include "rotateimage/DibDecoder.h"

#include "FuzzSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <cstdlib>

#include <cstring>

using namespace dw;
using dw::fuzz::check;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The image readers of the plugins (JPEG, GIF) are found through the application.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Pictures up to the limits take up to 256 MiB a decoding; the tests cover those limits, and
    // the fuzzer keeps to pictures of a few megapixels, so that its memory stays bounded. A GIF
    // whose first frame its data cannot fill is refused before any decoding, whatever screen it
    // states (the seed short-frame-5126x8704.gif): those are read at every size.
    const bool shortGif = size >= 3 && std::memcmp(data, "GIF", 3) == 0 && !gifFirstFrameFillable(data, int64_t(size));
    if (!shortGif) {
        const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        const QSize stated = QImageReader(&buffer).size();
        const BitmapHeaderFacts facts = bitmapHeaderFacts(data, int64_t(size));
        for (const QSize s : {stated, facts.size})
            if (int64_t(std::abs(s.width())) * std::abs(s.height()) > (int64_t(1) << 22))
                return 0;
    }
    const CompletePicture a = readCompletePicture(data, int64_t(size), 0x5A);
    const CompletePicture b = readCompletePicture(data, int64_t(size), 0xC3);
    check(a.ok() == b.ok());
    check(a.problem == b.problem);
    check(!shortGif || !a.ok());
    if (!a.ok()) {
        check(a.image.isNull() && b.image.isNull());
        return 0;
    }
    check(a.image == b.image);
    check(a.image.width() <= kMaxPictureSide && a.image.height() <= kMaxPictureSide);
    TMemoryStream first, second, decoded;
    convertToClockBitmap(a.image, first);
    convertToClockBitmap(b.image, second);
    check(first.size() == second.size() && std::memcmp(first.Memory(), second.Memory(), size_t(first.size())) == 0);
    first.SetPosition(0);
    check(LoadFromBmpStream(first, decoded).ok);
    return 0;
}

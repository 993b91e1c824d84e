#include "CompletePicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QRgba64>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace dw {

namespace {

const QByteArray kBmp = QByteArrayLiteral("bmp");
const QByteArray kPng = QByteArrayLiteral("png");
const QByteArray kJpeg = QByteArrayLiteral("jpeg");
const QByteArray kGif = QByteArrayLiteral("gif");

// A reader over the bytes, without a copy of them.
struct ByteReader {
    ByteReader(const uint8_t* bytes, int64_t size)
        : data(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size)))
    {
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setAutoTransform(false);
        reader.setAllocationLimit(int(kMaxPictureBytes >> 20));
    }
    QByteArray data;
    QBuffer buffer;
    QImageReader reader;
};

// Decodes into an image of the given size and format filled with `fill`, so that a reader that
// keeps an image of the right size and format writes into it. Returns the decoded image and
// whether the reader wrote into the filled one (it did not when it made an image of its own).
struct Decoding {
    std::optional<QImage> image;
    bool intoFilled = false;
};

Decoding decode(const uint8_t* bytes, int64_t size, QSize imageSize, QImage::Format format, uint8_t fill)
{
    ByteReader r(bytes, size);
    QImage image;
    const uchar* filled = nullptr;
    if (imageSize.isValid() && format != QImage::Format_Invalid) {
        image = QImage(imageSize, format);
        if (!image.isNull()) {
            std::memset(image.bits(), fill, size_t(image.sizeInBytes()));
            filled = image.constBits();
        }
    }
    if (!r.reader.read(&image) || image.isNull())
        return {};
    return {image, filled && image.constBits() == filled};
}

// The bytes of every pixel (padding excluded) and the colour tables are the same.
bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format() || a.colorTable() != b.colorTable())
        return false;
    const int64_t bits = int64_t(a.width()) * a.depth();
    const size_t whole = size_t(bits / 8);
    const int restBits = int(bits % 8);
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        if (std::memcmp(p, q, whole) != 0)
            return false;
        // Formats with pixels narrower than a byte keep them from the top bit down.
        if (restBits && ((p[whole] ^ q[whole]) & uint8_t(0xFF00 >> restBits)))
            return false;
    }
    return true;
}

// Whether the image may hold a pixel the reader left as it was: one whose bytes are all `fill`
// (a 32-bit pixel as one word, narrower ones byte by byte). A reader that wrote every pixel
// leaves none, unless the picture has such pixels of its own (a true-colour reader sets the
// alpha byte, so that a 24-bit picture never has one); only then is a second decoding needed.
bool mayHoldUnwritten(const QImage& image, uint8_t fill)
{
    const size_t used = size_t((int64_t(image.width()) * image.depth() + 7) / 8);
    const uint32_t word = uint32_t(fill) * 0x01010101u;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        if (image.depth() != 32) {
            if (std::memchr(row, fill, used))
                return true;
            continue;
        }
        for (int x = 0; x < image.width(); ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, row + 4 * size_t(x), 4);
            if (pixel == word)
                return true;
        }
    }
    return false;
}

CompletePicture refused(CompletePicture picture, PictureProblem problem)
{
    picture.image = QImage();
    picture.problem = problem;
    return picture;
}

bool tooLarge(QSize size)
{
    // Every picture is held as 32 bits a pixel at most while it is read and converted.
    return size.width() > kMaxPictureSide || size.height() > kMaxPictureSide
           || int64_t(size.width()) * size.height() * 4 > kMaxPictureBytes;
}

uint32_t bigEndian32(const uint8_t* b) { return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]; }

// The toolkit's PNG reader gives a 16-bit RGB picture with a transparent colour (a tRNS chunk) an
// image with an alpha channel but writes only the three colour samples of each pixel into it,
// leaving the rest of every row as the memory held it (the PNG suite's tbbn2c16 and tbgn2c16,
// which the check below then refused as damaged). Such a file is read without its tRNS chunk
// and the colour it names made transparent here. Where the chunk lies and its colour, when the
// file is one of those.
struct RgbTransparency {
    int64_t chunkAt = 0, chunkSize = 0;
    uint16_t red = 0, green = 0, blue = 0;
};

std::optional<RgbTransparency> sixteenBitRgbTransparency(const uint8_t* b, int64_t size)
{
    // IHDR first: width, height, bit depth at 24, colour type at 25.
    constexpr int64_t kHeader = 8;
    if (size < kHeader + 8 + 13 + 4 || std::memcmp(b + kHeader + 4, "IHDR", 4) != 0 || b[kHeader + 16] != 16
        || b[kHeader + 17] != 2)
        return std::nullopt;
    int64_t at = kHeader;
    while (at + 12 <= size) {
        const int64_t length = bigEndian32(b + at);
        if (at + 12 + length > size || std::memcmp(b + at + 4, "IDAT", 4) == 0)
            return std::nullopt;
        if (std::memcmp(b + at + 4, "tRNS", 4) == 0) {
            if (length != 6)
                return std::nullopt;
            const uint8_t* c = b + at + 8;
            return RgbTransparency{at, 12 + length, uint16_t(c[0] << 8 | c[1]), uint16_t(c[2] << 8 | c[3]),
                                   uint16_t(c[4] << 8 | c[5])};
        }
        at += 12 + length;
    }
    return std::nullopt;
}

} // namespace

bool jpegReachesEnd(const uint8_t* b, int64_t size)
{
    if (size < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    int64_t at = 2;
    while (true) {
        // Markers may be padded with any number of 0xFF bytes.
        if (at >= size || b[at] != 0xFF)
            return false;
        while (at < size && b[at] == 0xFF)
            ++at;
        if (at >= size)
            return false;
        const uint8_t marker = b[at++];
        if (marker == 0xD9) // end of image
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) // no length follows
            continue;
        if (at + 2 > size)
            return false;
        const int64_t length = int64_t(b[at]) << 8 | b[at + 1];
        if (length < 2 || at + length > size)
            return false;
        at += length;
        if (marker != 0xDA) // start of scan: entropy-coded data follow the header
            continue;
        // The scan data end at the first marker that is neither a stuffed 0xFF 0x00 nor a
        // restart marker.
        while (true) {
            if (at + 1 >= size)
                return false;
            if (b[at] == 0xFF && b[at + 1] != 0x00 && !(b[at + 1] >= 0xD0 && b[at + 1] <= 0xD7) && b[at + 1] != 0xFF)
                break;
            ++at;
        }
    }
}

namespace {

// A GIF walked block by block: whether it reaches its trailer, and its first frame's size and
// the bytes of its LZW data.
struct GifWalk {
    bool reachesTrailer = false;
    int64_t firstFramePixels = -1; // -1: no frame
    int64_t firstFrameDataBytes = 0;
    int firstFrameCodeSize = 0;
};

GifWalk walkGif(const uint8_t* b, int64_t size)
{
    constexpr int64_t kHeader = 6, kScreen = 7, kImage = 10;
    GifWalk walk;
    if (size < kHeader + kScreen || std::memcmp(b, "GIF", 3) != 0)
        return walk;
    int64_t at = kHeader + kScreen;
    const uint8_t screenFlags = b[kHeader + 4];
    if (screenFlags & 0x80)
        at += 3 * (int64_t(2) << (screenFlags & 7));
    // Data sub-blocks: a length byte and that many bytes, up to a length of 0; counts the bytes
    // they hold.
    const auto skipSubBlocks = [&](int64_t& held) {
        while (at < size) {
            const uint8_t length = b[at++];
            if (length == 0)
                return true;
            at += length;
            held += length;
        }
        return false;
    };
    while (at < size) {
        const uint8_t introducer = b[at++];
        if (introducer == 0x3B) { // trailer
            walk.reachesTrailer = true;
            return walk;
        }
        int64_t held = 0;
        if (introducer == 0x21) { // extension: label, then sub-blocks
            if (++at > size || !skipSubBlocks(held))
                return walk;
        } else if (introducer == 0x2C) { // image: descriptor, colour table, code size, sub-blocks
            if (at + kImage - 1 > size)
                return walk;
            const int64_t width = int64_t(b[at + 4]) | int64_t(b[at + 5]) << 8;
            const int64_t height = int64_t(b[at + 6]) | int64_t(b[at + 7]) << 8;
            const uint8_t flags = b[at + 8];
            at += kImage - 1;
            if (flags & 0x80)
                at += 3 * (int64_t(2) << (flags & 7));
            if (at >= size)
                return walk;
            const int codeSize = b[at++];
            if (!skipSubBlocks(held))
                return walk;
            if (walk.firstFramePixels < 0) {
                walk.firstFramePixels = width * height;
                walk.firstFrameDataBytes = held;
                walk.firstFrameCodeSize = codeSize;
            }
        } else {
            return walk;
        }
    }
    return walk;
}

} // namespace

bool gifReachesTrailer(const uint8_t* bytes, int64_t size) { return walkGif(bytes, size).reachesTrailer; }

int64_t lzwMostPixels(int64_t dataBytes, int minCodeSize)
{
    // Codes are at least minCodeSize + 1 bits wide; the i-th code after a clear gives at most i
    // pixels (each new string is an earlier one and one pixel more), and no string is longer than
    // the 4096 entries of the table.
    constexpr int64_t kLongest = 4096;
    const int64_t codes = dataBytes * 8 / (std::max(minCodeSize, 0) + 1);
    if (codes <= kLongest)
        return codes * (codes + 1) / 2;
    return kLongest * (kLongest + 1) / 2 + (codes - kLongest) * kLongest;
}

bool gifFirstFrameFillable(const uint8_t* bytes, int64_t size)
{
    const GifWalk walk = walkGif(bytes, size);
    return walk.firstFramePixels >= 0
           && walk.firstFramePixels <= lzwMostPixels(walk.firstFrameDataBytes, walk.firstFrameCodeSize);
}

bool pngReachesEnd(const uint8_t* b, int64_t size)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 8 || std::memcmp(b, kSignature, 8) != 0)
        return false;
    int64_t at = 8;
    // Each chunk: a 4-byte length, a 4-byte type, the data, a 4-byte CRC.
    while (at + 12 <= size) {
        const int64_t length = int64_t(b[at]) << 24 | int64_t(b[at + 1]) << 16 | int64_t(b[at + 2]) << 8 | b[at + 3];
        const bool end = std::memcmp(b + at + 4, "IEND", 4) == 0;
        at += 12 + length;
        if (at > size)
            return false;
        if (end)
            return true;
    }
    return false;
}

BitmapHeaderFacts bitmapHeaderFacts(const uint8_t* b, int64_t size)
{
    constexpr int64_t kFileHeader = 14;
    BitmapHeaderFacts facts;
    if (size < kFileHeader + 4 || b[0] != 'B' || b[1] != 'M')
        return facts;
    const auto le16 = [b](int64_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; };
    const auto le32 = [&](int64_t at) { return le16(at) | le16(at + 2) << 16; };
    const uint32_t infoSize = le32(kFileHeader);
    int64_t width = 0, height = 0, bitCount = 0, compression = 0;
    if (infoSize == 12 && size >= kFileHeader + 12) { // the OS/2 core header: 16-bit sizes
        width = le16(18), height = le16(20), bitCount = le16(24);
    } else if (infoSize >= 16 && size >= kFileHeader + 16) {
        width = int32_t(le32(18)), height = int32_t(le32(22)), bitCount = le16(28);
        compression = size >= kFileHeader + 20 ? le32(30) : 0;
    } else {
        return facts;
    }
    facts.size = QSize(int(std::clamp<int64_t>(width, INT_MIN, INT_MAX)),
                       int(std::clamp<int64_t>(height < 0 ? -height : height, 0, INT_MAX)));
    // Uncompressed and bit-field rows must all be in the file; compressed data must start in it.
    const int64_t pixelsAt = le32(10);
    const bool compressed = compression == 1 || compression == 2;
    // Sides beyond 2^24 and more than 64 bits a pixel are no picture's (and keep the products
    // below in 64 bits): such headers never have their rows inside.
    constexpr int64_t kSideBound = int64_t(1) << 24;
    const int64_t rowsHigh = height < 0 ? -height : height;
    if (width <= 0 || width > kSideBound || rowsHigh > kSideBound || bitCount <= 0 || bitCount > 64)
        return facts;
    const int64_t rows = compressed ? 1 : (width * bitCount + 31) / 32 * 4 * rowsHigh;
    facts.rowsInside = pixelsAt >= kFileHeader && pixelsAt + rows <= size;
    return facts;
}

bool fileIsNoPicture(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    char head[2] = {};
    if (file.read(head, 2) == 2 && head[0] == 'B' && head[1] == 'M')
        return false;
    if (!file.seek(0))
        return false;
    // The readers look at the first bytes only, as they do for bytes held in memory; the file's
    // name is not asked.
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    return reader.format().isEmpty();
}

CompletePicture readCompletePicture(const uint8_t* bytes, int64_t size, uint8_t fill)
{
    CompletePicture picture;
    QImage::Format format = QImage::Format_Invalid;
    {
        ByteReader r(bytes, size);
        picture.format = r.reader.format();
        if (picture.format.isEmpty())
            return refused(picture, PictureProblem::NotAPicture);
        picture.statedSize = r.reader.size();
        format = r.reader.imageFormat();
    }
    if (picture.format != kBmp && picture.format != kPng && picture.format != kJpeg && picture.format != kGif)
        return refused(picture, PictureProblem::Unsupported);
    if (picture.format == kPng) {
        if (const std::optional<RgbTransparency> t = sixteenBitRgbTransparency(bytes, size)) {
            QByteArray without(reinterpret_cast<const char*>(bytes), qsizetype(size));
            without.remove(qsizetype(t->chunkAt), qsizetype(t->chunkSize));
            CompletePicture opaque =
                readCompletePicture(reinterpret_cast<const uint8_t*>(without.constData()), without.size(), fill);
            if (!opaque.ok())
                return opaque;
            QImage image = opaque.image.convertToFormat(QImage::Format_RGBA64);
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgba64*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (line[x].red() == t->red && line[x].green() == t->green && line[x].blue() == t->blue)
                        line[x].setAlpha(0);
            }
            opaque.image = image;
            return opaque;
        }
    }
    bool structureWhole = true;
    if (picture.format == kBmp) {
        const BitmapHeaderFacts facts = bitmapHeaderFacts(bytes, size);
        picture.statedSize = facts.size;
        structureWhole = facts.rowsInside;
    } else if (picture.format == kPng) {
        structureWhole = pngReachesEnd(bytes, size);
    } else if (picture.format == kJpeg) {
        structureWhole = jpegReachesEnd(bytes, size);
    } else {
        // A frame whose data cannot give all its pixels is refused before the logical screen,
        // which may be far larger than the file, is decoded.
        structureWhole = gifReachesTrailer(bytes, size) && gifFirstFrameFillable(bytes, size);
    }
    const QSize stated = picture.statedSize;
    if (stated.isValid() && tooLarge(stated))
        return refused(picture, PictureProblem::TooLarge);
    // A header without a size, or with a size of 0 or below (a bitmap's negative width), is no
    // picture's header.
    if (!stated.isValid() || stated.isEmpty())
        return refused(picture, PictureProblem::Damaged);
    if (!structureWhole)
        return refused(picture, PictureProblem::Damaged);
    if (picture.format == kGif) {
        // Its reader clears the image it makes; the walk above found the whole file.
        const Decoding only = decode(bytes, size, QSize(), QImage::Format_Invalid, fill);
        if (!only.image || tooLarge(only.image->size()))
            return refused(picture, only.image ? PictureProblem::TooLarge : PictureProblem::Damaged);
        picture.image = *only.image;
        return picture;
    }

    // Where the reader did not write into the filled image (the format it reads into is not the
    // one its header announced), the decoding is repeated into an image like its own.
    Decoding first = decode(bytes, size, stated, format, fill);
    if (first.image && !first.intoFilled)
        first = decode(bytes, size, first.image->size(), first.image->format(), fill);
    if (!first.image || !first.intoFilled)
        return refused(picture, PictureProblem::Damaged);
    // Every pixel left as the fill is told apart from one decoded so by a second decoding into
    // the opposite fill; a picture without any such pixel needs none.
    if (mayHoldUnwritten(*first.image, fill)) {
        const Decoding second = decode(bytes, size, first.image->size(), first.image->format(), uint8_t(~fill));
        if (!second.image || !second.intoFilled || !samePixels(*first.image, *second.image))
            return refused(picture, PictureProblem::Damaged);
    }
    if (tooLarge(first.image->size()))
        return refused(picture, PictureProblem::TooLarge);
    picture.image = *first.image;
    return picture;
}

} // namespace dw

#pragma once

// Pictures read whole or not at all. The toolkit's image reader hands back a full-size image for
// a file that ends early (a truncated bitmap, a JPEG cut in its scan data), its missing rows
// holding whatever the memory held before or a flat grey; such a picture must never reach the
// project. Here a picture is read only in the formats whose completeness can be told (bitmap,
// PNG, JPEG, GIF), the file's structure is walked to its end where the format has one (a
// bitmap's rows must lie inside the file), and the pixels are decoded twice, into images filled
// with different bytes: a pixel the file does not give differs between the two, and the picture
// is refused. (The GIF reader makes an image of its own and clears it first: its pixels never
// come from earlier memory, the walk to the trailer finds a file cut short, and a first frame
// whose data are too few for its pixels is refused before its logical screen is decoded.)

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

namespace dw {

// Why a picture was refused.
enum class PictureProblem {
    None,
    NotAPicture, // no reader recognises the bytes
    Damaged,     // a header value no picture has, a file that ends early, pixels the file lacks
    TooLarge,    // beyond the limits below
    Unsupported, // a picture format the editor does not convert
};

// Limits of a picture that is read for conversion: what the clock's engine takes (16384 pixels a
// side, 256 MiB as a 24-bit bitmap), and what the reader may allocate for one decoded copy.
constexpr int64_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPictureBytes = int64_t(256) << 20;

struct CompletePicture {
    QImage image;      // the decoded picture; null when refused
    QByteArray format; // the reader's name for the format ("bmp", "png", "jpeg", "gif"); empty for none
    QSize statedSize;  // the size the file's header states (invalid when it states none)
    PictureProblem problem = PictureProblem::None;
    bool ok() const { return problem == PictureProblem::None; }
};

// Reads the picture file held in bytes (not copied; they must stay alive during the call).
// fill is the byte the first decoding's image is filled with before reading; a second decoding,
// into its complement, is made only when a pixel reads as the fill (by default a value no
// true-colour pixel and few others have, so that most pictures are decoded once).
CompletePicture readCompletePicture(const uint8_t* bytes, int64_t size, uint8_t fill = 0xA5);

// Whether the file at path is, by its first bytes alone, in no form any picture reader knows
// (readCompletePicture would say NotAPicture). Such a file is refused before it is read whole: a
// large file of anything else named as a picture would otherwise be held, and copied, only to be
// refused. False for a bitmap, a form some reader claims, or a file that cannot be opened (its
// reading then says why).
bool fileIsNoPicture(const QString& path);

// Whether the JPEG data reaches its end-of-image marker, segment by segment (none: the file ends
// inside a segment or its scan data, or is no JPEG data).
bool jpegReachesEnd(const uint8_t* bytes, int64_t size);
// Whether the GIF data reaches its trailer, block by block.
bool gifReachesTrailer(const uint8_t* bytes, int64_t size);
// Whether the GIF's first frame could be filled by its LZW data: the most pixels that many bytes
// of codes can give (lzwMostPixels) is at least the frame's width × height.
bool gifFirstFrameFillable(const uint8_t* bytes, int64_t size);
int64_t lzwMostPixels(int64_t dataBytes, int minCodeSize);
// Whether the PNG data reaches the end of its IEND chunk, chunk by chunk.
bool pngReachesEnd(const uint8_t* bytes, int64_t size);

// What a bitmap file's headers state, read without the toolkit's reader (which gives no size for
// a header it finds absurd), and whether the rows they promise are inside the file.
struct BitmapHeaderFacts {
    QSize size;           // width and the height's magnitude; invalid when the headers are cut
    bool rowsInside = false; // uncompressed rows (or the start of compressed data) within the file
};
BitmapHeaderFacts bitmapHeaderFacts(const uint8_t* bytes, int64_t size);

} // namespace dw

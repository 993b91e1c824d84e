#pragma once

// A small picture of a saved clock, as file managers show one for each file: the clock at a time
// of day as the desktop shows it (transparent outside its shape), scaled to fit a square. A
// thumbnailer runs unattended on whatever files a folder holds, so the drawing keeps to limits
// that bound its memory and time whatever a file claims; a file beyond them gets no thumbnail.

#include <QImage>
#include <QString>
#include <QTime>

#include <cstdint>
#include <vector>

namespace dw {

// The largest file drawn, and the largest file image a packed file may unpack to: what the
// reader holds (the members) stays below it.
constexpr int64_t kMaxThumbnailFileBytes = int64_t(64) << 20;
// The most pixels the four pictures (dial and hands) may have together, a 4096 × 4096 dial: the
// composition holds several dial-sized pictures of 4 bytes a pixel.
constexpr int64_t kMaxThumbnailPixels = int64_t(4096) * 4096;
// The most pixels pdltool render draws from the four pictures together, a clock larger than any
// screen (an 8192 × 8192 dial): it writes the clock at its own size, holding several pictures of
// that size at 4 bytes a pixel. Beyond it a file is refused before a picture is decoded.
constexpr int64_t kMaxRenderPixels = int64_t(8192) * 8192;
// The largest thumbnail side; file managers ask for 128 to 1024.
constexpr int kMaxThumbnailSide = 1024;

struct ClockThumbnail {
    QImage image;    // ARGB; null when the clock is not drawn
    QString problem; // why not, in one English line; empty when drawn
};

// The clock the members describe (as readFileImage gives them) at `time`, scaled with smoothing
// so that it fits `side` × `side` (1 to kMaxThumbnailSide) keeping its aspect: its longer side
// becomes `side`. Pictures beyond kMaxThumbnailPixels together are refused before they are
// decoded.
ClockThumbnail drawClockThumbnail(const std::vector<std::vector<uint8_t>>& members, const QTime& time, int side);

// The pixels the picture members' headers state, together, read from the headers alone (a
// header that states no size counts nothing: the decoder refuses it).
int64_t statedPicturePixels(const std::vector<std::vector<uint8_t>>& members);

// The picture scaled as a thumbnail is: smoothed, keeping its aspect, its longer side `side`.
QImage scaledToFit(const QImage& picture, int side);

} // namespace dw

#pragma once

#include "Geometry.h"

#include <QRegion>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace dw {

// The kind of a region, as the region functions report it.
enum TRegionKind : int {
    ERROR = 0,         // the call failed; nothing was changed
    NULLREGION = 1,    // no pixel
    SIMPLEREGION = 2,  // exactly one rectangle
    COMPLEXREGION = 3, // more than one rectangle
};
constexpr int RGN_ERROR = ERROR;

// CombineRgn modes.
enum TCombineMode : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

// Every coordinate of a region lies within ±kRegionCoordLimit (the platform's 28-bit device
// space); operations that would leave it fail with ERROR (or give none) instead of wrapping.
constexpr int32_t kRegionCoordLimit = (1 << 27) - 1;

// A set of pixels, the platform's region object. A plain value: copying copies the set,
// destroying it frees it (so DeleteObject has no counterpart here). "No region" is
// std::optional<TRegion> without a value; an empty TRegion is a region without pixels.
// Two regions compare equal when they cover the same pixels, however they were built.
class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const QRegion& region);

    // Builds the region of the union of any rectangles (empty ones are skipped). Input that
    // is already one rectangle per run, rows top to bottom and runs left to right, is taken
    // in one linear pass; anything else is sorted out first.
    static TRegion fromRects(std::span<const TRect> rects);

    const QRegion& qregion() const { return m_region; }
    bool isEmpty() const { return m_region.isEmpty(); }
    bool contains(TPoint p) const { return m_region.contains(QPoint(p.X, p.Y)); }
    // The smallest rectangle holding every pixel; all zero for an empty region.
    TRect boundingBox() const;
    // The region as the platform lays it out: bands of equal height from top to bottom,
    // non-overlapping rectangles within a band from left to right, rectangles touching
    // within a band merged, and vertically touching bands with the same rectangles merged.
    // This form is unique for a set of pixels.
    std::vector<TRect> rects() const;
    TRegionKind kind() const;

    friend bool operator==(const TRegion& a, const TRegion& b);

private:
    QRegion m_region;
};

// The rectangle (left, top, right, bottom), right and bottom outside; swapped corners are
// put in order. Coordinates are clamped to ±kRegionCoordLimit.
TRegion CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
TRegion CreateRectRgnIndirect(const TRect& rect);

// A rectangle whose corners are rounded by the quarters of an ellipse ellipseWidth wide and
// ellipseHeight high (negative sizes count as positive, sizes beyond the rectangle's are cut
// to it, so (width, height) gives the ellipse inscribed in the rectangle). A size below 2
// gives the plain rectangle.
// Exact rule: a pixel (x, y) of the rectangle belongs to the region when its centre
// (x + ½, y + ½) lies inside or on the outline formed by the rectangle's outer edges and the
// four quarter ellipses. The region is symmetric about both centre lines of the rectangle.
TRegion CreateRoundRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t ellipseWidth,
                           int32_t ellipseHeight);

// dest := src1 op src2 (src2 unused for RGN_COPY); dest may be one of the sources. Returns
// the kind of the result, or ERROR for an unknown mode (dest unchanged).
int CombineRgn(TRegion& dest, const TRegion& src1, const TRegion& src2, int mode);
// Moves the region; ERROR (region unchanged) when it would leave the coordinate range.
int OffsetRgn(TRegion& region, int32_t dx, int32_t dy);
// The kind and the bounding box (all zero for an empty region).
int GetRgnBox(const TRegion& region, TRect* box);
bool PtInRegion(const TRegion& region, int32_t x, int32_t y);
bool EqualRgn(const TRegion& a, const TRegion& b);

// --- Region data (RGNDATA) ---------------------------------------------------------------
//
// Layout, all fields 32-bit little-endian: dwSize = 32, iType = 1 (rectangles), nCount,
// nRgnSize (bytes of the rectangles; a hint, 0 allowed on input), rcBound (left, top, right,
// bottom), then nCount rectangles of four signed fields (left, top, right, bottom).

constexpr uint32_t kRgnDataHeaderSize = 32;
constexpr uint32_t RDH_RECTANGLES = 1;

// The platform's world transform: x' = x·eM11 + y·eM21 + eDx, y' = x·eM12 + y·eM22 + eDy.
struct XFORM {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};

// Builds a region from count bytes of region data, optionally transformed. Only
// translations and scalings are accepted (eM12 = eM21 = 0); transformed corners are
// rounded to the nearest integer (ties to even). Gives none when the data are not region
// data: fewer than 32 bytes, a wrong header size or type, count rectangles that do not fit
// in count bytes, a coordinate beyond ±kRegionCoordLimit (also after the transform), a
// transform that turns or shears, or more bytes than the platform accepts in one call (see
// setRegionDataLimit). Empty rectangles in the data are skipped; the bounding rectangle and
// the size hint are not trusted. Overlapping rectangles can make a region of many more
// rectangles than the data hold (n of them up to about n²/4): data whose region would hold more
// than maxRects are refused too, the work stopping there.
std::optional<TRegion> ExtCreateRegion(const XFORM* transform, uint32_t count, const uint8_t* data,
                                       size_t maxRects = SIZE_MAX);

// The most bytes one ExtCreateRegion call accepts; 0 (the default) means no limit. A real
// platform refuses very large region data; tests set a limit to take the callers' fallback.
void setRegionDataLimit(uint32_t maxBytes);
uint32_t regionDataLimit();

// Writes the region's data in the layout above: header (size 32, type 1, count, 16 × count,
// bounding box — all zero for an empty region), then the rectangles of TRegion::rects().
// Returns the number of bytes needed when buffer is null, the bytes written when bufferSize
// is large enough, and 0 when it is too small.
uint32_t GetRegionData(const TRegion& region, uint32_t bufferSize, uint8_t* buffer);
// The whole region data block.
std::vector<uint8_t> regionData(const TRegion& region);

} // namespace dw

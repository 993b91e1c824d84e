#pragma once

// The platform's pixel access for drawing and block transfers; not for use outside
// platform/. Colours inside are 0x00RRGGBB (the low bits of a QRgb); a monochrome
// device-dependent surface holds 0 (black, bit 0) and 0xFFFFFF (white, bit 1), so that the
// bitwise raster operations work on its bits.

#include "Canvas.h"
#include "Color.h"
#include "Geometry.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace dw::px {

inline uint32_t rgbOfColor(TColor color)
{
    const uint32_t v = ColorToRGB(color);
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}
inline TColor colorOfRgb(uint32_t rgb)
{
    return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF));
}
// Nearest of black and white by distance in RGB (the sum decides; 765 is odd, so no ties).
inline bool nearerWhite(uint32_t rgb) { return 2 * ((rgb >> 16 & 0xFF) + (rgb >> 8 & 0xFF) + (rgb & 0xFF)) > 765; }

enum class Kind { Direct, Indexed, MonoDdb };

// Row access to one image. A surface made from a const image only reads.
class Surface {
public:
    Surface(QImage& image, bool monoDdb);
    Surface(const QImage& image, bool monoDdb);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    Kind kind() const { return m_kind; }

    // Colours of pixels x0 .. x0 + n − 1 of row y (all inside the image).
    void fetch(int32_t y, int32_t x0, int32_t n, uint32_t* out) const;
    // Colours of the pixels xs[0 .. n − 1] of row y.
    void fetchAt(int32_t y, const int32_t* xs, int32_t n, uint32_t* out) const;
    // Stores colours: the nearest table entry on indexed images, dropped low bits on 15 and
    // 16 bits, black or white (nearest) on monochrome ones.
    void store(int32_t y, int32_t x0, int32_t n, const uint32_t* in);
    // A colour as this surface would read it back after storing it.
    uint32_t quantize(uint32_t rgb) const;
    // A drawing colour (pen, brush) as a value for this surface's raster operations.
    uint32_t deviceValue(uint32_t rgb) const;

    // Direct row access for the block transfers' row kernels.
    QImage::Format format() const { return m_format; }
    // Indexed and monochrome surfaces: the colour table (at least one entry).
    const std::vector<uint32_t>& table() const { return m_table; }
    const uchar* bits() const { return m_read->constBits(); }
    qsizetype bytesPerLine() const { return m_read->bytesPerLine(); }
    // The pixels for writing; detaches a shared image as every store does. Only on a
    // writable surface.
    uchar* writableBits() { return m_write->bits(); }

private:
    uint8_t nearestIndex(uint32_t rgb) const;

    const QImage* m_read;
    QImage* m_write;
    int32_t m_width, m_height;
    Kind m_kind;
    QImage::Format m_format;
    std::vector<uint32_t> m_table; // indexed: the colour table
    // Indexed: nearest entries found so far, (rgb + 1) << 8 | index; made on first use, so
    // that surfaces that never look up a colour cost no 8 KiB of zeroing.
    mutable std::unique_ptr<std::array<uint64_t, 1024>> m_cache;
};

// The clip area of a surface as bands of rectangles (device coordinates).
class ClipSpans {
public:
    explicit ClipSpans(std::vector<TRect> canonicalRects);
    // Calls fn(x0, x1) for each clipped part [x0, x1) of [left, right) on row y.
    template <typename Fn> void forEach(int32_t y, int32_t left, int32_t right, Fn&& fn) const
    {
        if (m_rects.size() == 1) { // no clip region: the surface
            const TRect& r = m_rects[0];
            const int32_t a = std::max(left, r.Left), b = std::min(right, r.Right);
            if (y >= r.Top && y < r.Bottom && a < b)
                fn(a, b);
            return;
        }
        size_t i = bandOf(y);
        for (; i < m_rects.size() && m_rects[i].Top <= y; ++i) {
            const TRect& r = m_rects[i];
            if (y >= r.Bottom)
                break;
            const int32_t a = std::max(left, r.Left), b = std::min(right, r.Right);
            if (a < b)
                fn(a, b);
        }
    }
    bool contains(int32_t x, int32_t y) const;
    TRect bounds() const { return m_bounds; }
    bool empty() const { return m_rects.empty(); }

private:
    size_t bandOf(int32_t y) const; // first rectangle of the band holding y (or past it)
    std::vector<TRect> m_rects;
    TRect m_bounds;
};

// Ternary raster operation index (bits 16..23 of a raster code) on pattern, source and
// destination words.
uint32_t rop3(uint8_t index, uint32_t p, uint32_t s, uint32_t d);
inline bool ropUsesSource(uint8_t index) { return ((index >> 2) ^ index) & 0x33; }
inline bool ropUsesPattern(uint8_t index) { return ((index >> 4) ^ index) & 0x0F; }
// The ternary index that a pen mode (P = the pen, D = the pixel) amounts to.
uint8_t ropOfPenMode(TPenMode mode);

// Whether the 8 × 8 hatch of a brush style sets device pixel (x, y).
bool hatchBit(TBrushStyle style, int32_t x, int32_t y);

} // namespace dw::px

namespace dw {

// The canvas internals the drawing code needs.
struct CanvasAccess {
    static QImage* image(const TCanvas& c) { return c.surface(); }
    static bool monoDdb(const TCanvas& c) { return c.surfaceIsMonoDdb(); }
    static void changed(TCanvas& c) { c.changed(); }
    static TCanvas::State& state(TCanvas& c) { return c.deviceState(); }
    static TPoint& penPos(TCanvas& c) { return c.m_penPos; }
    static int& penPhase(TCanvas& c) { return c.m_penPhase; }
    // The clip area in device coordinates: the clip region within the surface, or the
    // whole surface.
    static std::vector<TRect> clipRects(const TCanvas& c);
};

} // namespace dw

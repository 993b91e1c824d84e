#pragma once

#include "Color.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace dw {

class TCanvas;
class TStream;

// The framework's pixel formats. pfDevice is the display's own format: 32 bits per pixel.
enum TPixelFormat : int { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// How the bitmap's pixels behave in block transfers. A device-dependent monochrome bitmap
// (bmDDB, made by Monochrome := true or CreateBitmap) takes its colours from the canvas it
// is drawn on (bit 0 → text colour, 1 → background colour); every other bitmap keeps its
// own colours (a 1-bit device-independent bitmap has its two-entry colour table).
enum TBitmapHandleType : int { bmDIB, bmDDB };

enum TTransparentMode : int { tmAuto = 0, tmFixed = 1 };

// The largest bitmap: each side at most kMaxBitmapSide pixels and at most kMaxBitmapPixels
// pixels in all (512 MiB at 32 bits per pixel). Larger sizes, from a file or from SetSize,
// are refused.
constexpr int32_t kMaxBitmapSide = 65535;
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 27;

// The framework's bitmap object: a picture of Width × Height pixels in one pixel format.
// The pixels live in a QImage:
//   pf1bit   Format_Mono (most significant bit first), two colour-table entries
//   pf4bit   Format_Indexed8 with at most 16 colour-table entries (one byte per pixel)
//   pf8bit   Format_Indexed8, at most 256 entries
//   pf15bit  Format_RGB555    pf16bit  Format_RGB16 (5-6-5)
//   pf24bit  Format_BGR888 (bytes blue, green, red, as in a bitmap file)
//   pf32bit, pfDevice  Format_RGB32
// A bitmap with no pixels (width or height 0) is empty and holds a null image; it keeps
// its pixel format for the next SetSize.
//
// Not copyable (it owns its canvas): use Assign.
class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    bool Empty() const { return m_width == 0 || m_height == 0; }

    // Resizes, keeping the old pixels at the top-left; new pixels are white (the nearest
    // table colour to white for indexed formats). Negative sizes count as 0. Raises
    // EFrameworkError (stock::outOfResources) beyond the size limits, leaving the bitmap
    // unchanged.
    void SetSize(int32_t width, int32_t height);
    void SetWidth(int32_t width) { SetSize(width, m_height); }
    void SetHeight(int32_t height) { SetSize(m_width, height); }

    // Switching converts the pixels: to true colour exactly; to pf8bit with the image's own
    // colours when it has at most 256 of them, otherwise Qt's colour cube with diffusion;
    // to pf4bit with its own colours when at most 16, otherwise the nearest of the 16
    // standard colours; to pf1bit (black and white table) by the nearest of black and white;
    // to 15 and 16 bits by dropping low bits. An equal format changes nothing.
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat format);

    // True for both kinds of 1-bit bitmap. Setting true turns a colour bitmap into a
    // monochrome device-dependent bitmap the framework's way: pure white pixels become white
    // (1), every other pixel black (0). Setting false turns a 1-bit bitmap into pfDevice.
    bool Monochrome() const;
    void SetMonochrome(bool monochrome);
    TBitmapHandleType HandleType() const { return m_handleType; }

    // Turns the bitmap into a monochrome mask (device-dependent, 1 bit): pixels exactly of
    // the given colour (system colours resolved; compared at the bitmap's colour
    // resolution) become white, all others black.
    void Mask(TColor transparentColor);

    // Copies everything (pixels, format, kind, transparency settings); nullptr empties the
    // bitmap. Fires OnChange.
    void Assign(const TBitmap& source);
    void Assign(const TBitmap* source);

    // The colour of a pixel (x to the right, y downwards from the top-left), −1 outside.
    TColor pixel(int32_t x, int32_t y) const;

    // The framework's transparency settings, used by TCanvas::Draw. The automatic colour
    // is the bottom-left pixel's, or white for a monochrome bitmap.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    TTransparentMode TransparentMode() const { return m_transparentMode; }
    void SetTransparentMode(TTransparentMode mode);
    TColor TransparentColor() const;
    // Also switches TransparentMode to tmFixed.
    void SetTransparentColor(TColor color);

    // Writes the bitmap as a bitmap file: 14-byte file header, 40-byte info header, the
    // colour table with exactly as many entries as the header states (2 for 1 bit, the
    // image's own count, at most 16 or 256, for 4 and 8 bits; none for more bits), rows
    // bottom-up padded to 4 bytes, uncompressed. pf15bit and pf16bit are written as 16 bits
    // (5-5-5), pf32bit and pfDevice as 32 bits. An empty bitmap writes nothing.
    void SaveToStream(TStream& stream) const;
    void SaveToFile(const QString& path) const;

    // Reads one bitmap file from the stream's current position: info headers of 40 to 124
    // bytes, 1, 4, 8, 16, 24 or 32 bits, uncompressed (16 and 32 bits also with bit-field
    // masks), bottom-up or top-down. Anything else, a truncated file or a picture beyond the
    // size limits raises EFrameworkError(stock::invalidBitmap()) with the bitmap and the
    // stream position unchanged. On success the position is just past the file (the
    // declared file size when it covers the pixels and the stream holds it).
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const QString& path);
    // Reads an in-memory bitmap-file image, as LoadFromStream.
    void LoadFromMemory(const uint8_t* data, int64_t size);
    // LoadFromMemory followed by SetPixelFormat(format), with the same pixels and the same
    // errors, and OnChange fired once. A 24-bit image read into 32 bits or the device format
    // goes straight into it, without a 24-bit picture between.
    void LoadFromMemory(const uint8_t* data, int64_t size, TPixelFormat format);

    // The canvas drawing on this bitmap (created on first use, lives as long as the bitmap).
    // Its drawing is exact on every pixel format: on 1, 4 and 8 bits colours become the
    // nearest colour-table entry (raster operations are worked out on the colours first);
    // on a monochrome device-dependent bitmap they become black or white.
    TCanvas& Canvas();

    // Fired after every change of the picture: Assign, loading, SetSize, a format or kind
    // change, Mask, and every drawing operation on the canvas that writes pixels.
    std::function<void(TBitmap& sender)> OnChange;

    // The pixels (see the table above); a null image when empty.
    const QImage& image() const { return m_image; }
    // Rows as the framework exposes them: row y from the top, in the storage format above.
    uint8_t* ScanLine(int32_t y);
    const uint8_t* ScanLine(int32_t y) const;

    // Takes an image as the new picture. Mono and Indexed8 images keep their colour
    // table (pf1bit / pf4bit when it has at most 16 entries / pf8bit); 16-bit formats stay;
    // 24-bit ones become pf24bit and all others pf32bit. Fires OnChange.
    void setImage(const QImage& image);

private:
    friend class TCanvas;
    friend std::unique_ptr<TBitmap> CreateMonochromeBitmap(int32_t, int32_t);
    friend std::unique_ptr<TBitmap> CreateCompatibleBitmap(const TCanvas&, int32_t, int32_t);
    void changed();
    void replaceImage(QImage image, TPixelFormat format, TBitmapHandleType type);

    QImage m_image;
    int32_t m_width = 0;
    int32_t m_height = 0;
    TPixelFormat m_format = pfDevice;
    TBitmapHandleType m_handleType = bmDIB;
    bool m_transparent = false;
    TTransparentMode m_transparentMode = tmAuto;
    TColor m_transparentColor = 0;
    QList<QRgb> m_keptTable; // colour table of an indexed bitmap while it is empty
    std::unique_ptr<TCanvas> m_canvas;
};

// A monochrome device-dependent bitmap of the given size, all black (0).
std::unique_ptr<TBitmap> CreateMonochromeBitmap(int32_t width, int32_t height);
// A bitmap in the device format (32 bits, black) whose canvas takes the device traits
// (technology, bits per pixel) of the reference canvas: what a memory device context with a
// compatible bitmap gives.
std::unique_ptr<TBitmap> CreateCompatibleBitmap(const TCanvas& reference, int32_t width, int32_t height);

} // namespace dw

#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <vector>

// A picture of at most 16 colours: a palette and one palette index per pixel, written as an
// uncompressed 4-bit BMP file (14-byte file header, 40-byte info header, 16-entry colour
// table, bottom-up rows padded to 4 bytes).
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;   // 16 entries
    std::vector<uint8_t> pixels; // row-major from the top, one index per pixel

    IndexedPicture(int w, int h, std::vector<QRgb> colours);
    uint8_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint8_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }

    QByteArray bmpFile() const;
    QImage image() const;
};

// The palette entry nearest to a colour, judged in CIELAB (so that a dark blend lands on a
// dark entry rather than on a saturated one of similar RGB distance), among the entries whose
// bit is set in `allowed`.
int nearestEntry(const std::vector<QRgb>& palette, QRgb colour, uint32_t allowed);

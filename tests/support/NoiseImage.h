#pragma once

// An opaque picture of pseudo-random colours, the same for the same seed, so that each byte of a
// pixel counts. Header-only: the tests of every folder draw it.

#include <QImage>

#include <cstdint>

namespace dw::test {

inline QImage noise(int width, int height, uint32_t seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, 0xFF000000u | (seed >> 8));
        }
    return image;
}

} // namespace dw::test

#include "IndexedPicture.h"

#include <cmath>
#include <limits>

namespace {

void put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

struct Lab {
    double l, a, b;
};

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double labCurve(double t)
{
    return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
}

Lab labOf(QRgb c)
{
    const double r = linear(qRed(c)), g = linear(qGreen(c)), b = linear(qBlue(c));
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    const double fx = labCurve(x), fy = labCurve(y), fz = labCurve(z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

} // namespace

IndexedPicture::IndexedPicture(int w, int h, std::vector<QRgb> colours)
    : width(w), height(h), palette(std::move(colours)), pixels(size_t(w) * size_t(h), 0)
{
    palette.resize(16, qRgb(0, 0, 0));
}

QByteArray IndexedPicture::bmpFile() const
{
    const uint32_t stride = (uint32_t(width) * 4 + 31) / 32 * 4;
    const uint32_t imageSize = stride * uint32_t(height);
    const uint32_t headers = 14 + 40 + 16 * 4;
    QByteArray out;
    out.append("BM", 2);
    put32(out, headers + imageSize);
    put32(out, 0);
    put32(out, headers);
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, 4);
    put32(out, 0); // BI_RGB
    put32(out, imageSize);
    put32(out, 0);
    put32(out, 0);
    put32(out, 16);
    put32(out, 0);
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(int(stride), '\0');
        for (int x = 0; x < width; ++x) {
            const uint8_t index = at(x, y) & 0x0F;
            char& byte = row[x / 2];
            byte = char(uint8_t(byte) | (x % 2 == 0 ? index << 4 : index));
        }
        out.append(row);
    }
    return out;
}

QImage IndexedPicture::image() const
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, palette[at(x, y)]);
    return img;
}

int nearestEntry(const std::vector<QRgb>& palette, QRgb colour, uint32_t allowed)
{
    const Lab target = labOf(colour);
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (size_t i = 0; i < palette.size(); ++i) {
        if (!(allowed & (1u << i)))
            continue;
        const Lab p = labOf(palette[i]);
        const double d = (p.l - target.l) * (p.l - target.l) + (p.a - target.a) * (p.a - target.a) +
                         (p.b - target.b) * (p.b - target.b);
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

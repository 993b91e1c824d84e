// Region building: a 2048 × 2048 disc mask turned into region data (one rectangle per run
// of each row, as the engine's mask scan lays it out) and built with ExtCreateRegion,
// against Qt's own QRegion(QBitmap) of the same mask. Also a noisy mask with many runs.

#include "BenchTimer.h"

#include "platform/ByteOrder.h"
#include "platform/Region.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Opaque pixels are 0 (black) in the mask, as in the engine's 8-bit masks.
std::vector<uint8_t> discMask(int n)
{
    std::vector<uint8_t> m(size_t(n) * size_t(n), 1);
    const double r = n / 2.0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r;
            if (dx * dx + dy * dy <= r * r)
                m[size_t(y) * size_t(n) + size_t(x)] = 0;
        }
    return m;
}

std::vector<uint8_t> noisyMask(int n)
{
    std::vector<uint8_t> m(size_t(n) * size_t(n));
    uint32_t s = 12345;
    for (uint8_t& v : m) {
        s = s * 1103515245u + 12345u;
        v = (s >> 16) % 7 == 0;
    }
    return m;
}

std::optional<dw::TRegion> ours(const std::vector<uint8_t>& mask, int n)
{
    std::vector<uint8_t> data(32);
    dw::writeLE32(data.data(), 32);
    dw::writeLE32(data.data() + 4, 1);
    dw::writeLE32(data.data() + 24, uint32_t(n));
    dw::writeLE32(data.data() + 28, uint32_t(n));
    uint32_t count = 0;
    const auto add = [&](int l, int t, int r, int b) {
        const size_t at = data.size();
        data.resize(at + 16);
        dw::writeLE32s(data.data() + at, l);
        dw::writeLE32s(data.data() + at + 4, t);
        dw::writeLE32s(data.data() + at + 8, r);
        dw::writeLE32s(data.data() + at + 12, b);
        ++count;
    };
    for (int y = 0; y < n; ++y) {
        const uint8_t* row = mask.data() + size_t(y) * size_t(n);
        int x = 0;
        while (x < n) {
            if (row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < n && !row[x])
                ++x;
            add(start, y, x, y + 1);
        }
    }
    dw::writeLE32(data.data() + 8, count);
    return dw::ExtCreateRegion(nullptr, uint32_t(data.size()), data.data());
}

QRegion peer(const std::vector<uint8_t>& mask, int n)
{
    // QRegion(QBitmap) covers the set (colour 1) pixels; the mask's opaque pixels.
    QImage img(n, n, QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    img.fill(0);
    for (int y = 0; y < n; ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < n; ++x)
            if (!mask[size_t(y) * size_t(n) + size_t(x)])
                line[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return QRegion(QBitmap::fromImage(img));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    for (const auto& [name, mask, n] : {std::tuple{"disc 2048", discMask(2048), 2048},
                                        std::tuple{"noise 512", noisyMask(512), 512}}) {
        std::printf("%s\n", name);
        const auto check = ours(mask, n);
        if (!check || !(check->qregion() ^ peer(mask, n)).isEmpty()) {
            bench::fail("the two regions differ");
            return bench::exitStatus();
        }
        const double a = bench::secondsPerCall([&] { bench::keep(ours(mask, n)); });
        const double b = bench::secondsPerCall([&] { bench::keep(peer(mask, n)); });
        bench::printCase("mask runs → ExtCreateRegion", a, double(n) * n, "Mpx");
        bench::printCase("QRegion(QBitmap)", b, double(n) * n, "Mpx");
        const std::string what = std::string(name) + ": ours / QRegion(QBitmap)";
        bench::printRatio(what.c_str(), a, b, 1.0);
    }
    return bench::exitStatus();
}

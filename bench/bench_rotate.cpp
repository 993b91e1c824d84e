// The rotating image engine against Qt on the same pictures: turning a 2048 × 2048 image
// (RotateDib, nearest neighbour, with its mask) against QImage::transformed with
// Qt::FastTransformation (24 bits as Format_BGR888, the same byte order as the engine's pixels;
// 8 bits as Format_Indexed8 with the same table), each pair timed alternately; the sketch filter
// in pixels per second; the translucent row blend at level 4 beside a memcpy of the same bytes.

#include "BenchTimer.h"

#include "rotateimage/DibFormat.h"
#include "rotateimage/MixRow.h"
#include "rotateimage/RotateDib.h"
#include "rotateimage/RotateKernels.h"
#include "rotateimage/Sketch.h"

#include "platform/ByteOrder.h"

#include <QGuiApplication>
#include <QImage>
#include <QTransform>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using namespace dw;

namespace {

constexpr int kSide = 2048;

// A picture with detail everywhere (smooth gradients plus noise), as the engine image and as
// the identical QImage (Qt counts rows from the top, the engine from the bottom).
struct Picture {
    TMemoryStream dib;
    QImage qt;
};

Picture makePicture(int bits)
{
    std::mt19937 random(1234);
    Picture p;
    const int64_t row = dibRowSize(kSide, bits);
    const int64_t header = bits == 8 ? 1078 : 54;
    p.dib.SetSize(header + row * kSide + (bits == 24 ? 1 : 0));
    uint8_t* m = p.dib.Memory();
    BitmapFileHeader file;
    file.fileSize = uint32_t(header + row * kSide);
    file.pixelOffset = uint32_t(header);
    file.write(m);
    BitmapInfoHeader info;
    info.width = kSide;
    info.height = kSide;
    info.bitCount = uint16_t(bits);
    info.colorsUsed = bits == 8 ? 256 : 0;
    info.write(m + 14);
    p.qt = QImage(kSide, kSide, bits == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (bits == 8) {
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i) {
            const uint32_t c = uint32_t(i) | uint32_t((i * 37) & 0xFF) << 8 | uint32_t((i * 101) & 0xFF) << 16;
            writeLE32(m + 54 + 4 * i, c);
            table.push_back(qRgb(int(c >> 16), int(c >> 8 & 0xFF), int(c & 0xFF)));
        }
        p.qt.setColorTable(table);
    }
    const int bpp = bits / 8;
    for (int y = 0; y < kSide; ++y) {
        uint8_t* d = m + header + y * row;
        uchar* q = p.qt.scanLine(kSide - 1 - y);
        for (int x = 0; x < kSide * bpp; ++x)
            d[x] = uint8_t((x / bpp + y) / 8 + (x % bpp) * 85 + (random() & 15));
        std::memcpy(q, d, size_t(kSide * bpp));
    }
    return p;
}

int widthOfImage(const TMemoryStream& image) { return image.size() >= 54 ? readLE32s(image.Memory() + 18) : 0; }
int heightOfImage(const TMemoryStream& image) { return image.size() >= 54 ? readLE32s(image.Memory() + 22) : 0; }

double rotateCase(const Picture& p, int bits, int degrees, int zoom)
{
    const TRotateMatrix matrix = matrixFromAngle(angleFromTenths(degrees * 10), zoomFromPercent(zoom));
    TMemoryStream image, mask;
    const QTransform t = QTransform().rotate(degrees).scale(zoom / 100.0, zoom / 100.0);
    QImage out;
    const auto [ours, qt] = bench::alternately([&] { RotateDib(p.dib, matrix, {}, image, mask); },
                                               [&] {
                                                   out = p.qt.transformed(t, Qt::FastTransformation);
                                                   bench::keep(out);
                                               });
    char name[96];
    const double pixels = double(widthOfImage(image)) * heightOfImage(image);
    std::snprintf(name, sizeof name, "RotateDib %2d-bit %2d deg %3d%% (%dx%d)", bits, degrees, zoom,
                  widthOfImage(image), heightOfImage(image));
    bench::printCase(name, ours, pixels, "Mpixel");
    std::snprintf(name, sizeof name, "QImage::transformed %s (%dx%d)", bits == 8 ? "Indexed8" : "BGR888", out.width(),
                  out.height());
    bench::printCase(name, qt, double(out.width()) * out.height(), "Mpixel");
    std::snprintf(name, sizeof name, "RotateDib %d-bit %d deg %d%% / QImage", bits, degrees, zoom);
    bench::printRatio(name, ours, qt, 1.5);
    return qt / ours;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    // --scalar: the engine without its vector kernels, as on a processor without AVX2.
    // --case BITS DEGREES ZOOM: that turn alone (for profiling it).
    bool scalar = false;
    int onlyBits = 0, onlyDegrees = 0, onlyZoom = 0;
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--scalar") == 0)
            scalar = true;
        else if (std::strcmp(argv[a], "--case") == 0 && a + 3 < argc) {
            onlyBits = std::atoi(argv[a + 1]);
            onlyDegrees = std::atoi(argv[a + 2]);
            onlyZoom = std::atoi(argv[a + 3]);
            a += 3;
        }
    }
    if (scalar)
        rotate_detail::setVectorKernelsEnabled(false);
    if (onlyBits) {
        const Picture p = makePicture(onlyBits);
        rotateCase(p, onlyBits, onlyDegrees, onlyZoom);
        return bench::exitStatus();
    }

    std::printf("Turning %d x %d pictures (our render includes the mask; output buffers reused,\n"
                "as the control keeps them)%s:\n",
                kSide, kSide, scalar ? ", scalar kernels only" : "");
    for (int bits : {24, 8}) {
        const Picture p = makePicture(bits);
        for (int degrees : {37, 90})
            for (int zoom : {100, 250})
                rotateCase(p, bits, degrees, zoom);
    }

    std::printf("Sketch filter:\n");
    for (int bits : {24, 8}) {
        const Picture p = makePicture(bits);
        TMemoryStream sketch;
        const double s = bench::secondsPerCall([&] { MakeSketch(p.dib, sketch); }, 0.25, 3);
        char name[64];
        std::snprintf(name, sizeof name, "MakeSketch %d-bit %dx%d", bits, kSide, kSide);
        bench::printCase(name, s, double(kSide) * kSide, "Mpixel");
    }

    std::printf("Translucent row blend, level 4, %d rows of %d pixels:\n", kSide, kSide);
    {
        const int64_t rowBytes = mixRowWords(kSide) * 4;
        std::vector<uint8_t> composite(size_t(rowBytes * kSide)), background(composite.size()), copy(composite.size());
        std::mt19937 random(5);
        for (auto& b : composite)
            b = uint8_t(random());
        for (auto& b : background)
            b = uint8_t(random());
        const double mix = bench::secondsPerCall([&] {
            for (int y = 0; y < kSide; ++y)
                mixRow(composite.data() + y * rowBytes, background.data() + y * rowBytes, kSide, 4);
            bench::keep(composite);
        });
        const double copying = bench::secondsPerCall([&] {
            std::memcpy(copy.data(), composite.data(), composite.size());
            bench::keep(copy);
        });
        bench::printCase("mixRow level 4", mix, double(composite.size()), "MB");
        bench::printCase("memcpy of the same bytes", copying, double(composite.size()), "MB");
        // Its goal is set against Qt's own translucent drawing in bench_control.
        bench::printReference("mixRow / memcpy (physical reference)", mix, copying);
    }
    return bench::exitStatus();
}

#include "RotateDib.h"

#include "DibFormat.h"
#include "EngineLimits.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dw {

namespace {

constexpr int kMaskHeaderSize = kDibHeaderSize + 2 * 4; // two colour-table entries: 62

// Fixed-point values are held in 64 bits and saturated far outside every image, so that no
// matrix, however extreme, makes the arithmetic overflow: a rendered row has fewer than 2^29
// pixels (kMaxRenderedBytes), steps are kept within ±2^32 and starts within ±2^60.
constexpr long double kMaxStep = 4294967296.0L;      // 2^32
constexpr long double kMaxStart = 1152921504606846976.0L; // 2^60

int64_t saturated(long double v, long double limit)
{
    v = std::nearbyint(v);
    return static_cast<int64_t>(std::clamp(v, -limit, limit));
}

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) == (b < 0))) ? q + 1 : q;
}

// Narrows the steps k (of [kLo, kHi]) to those where start + k · step lies in [lo, hi].
void limitSteps(int64_t start, int64_t step, int64_t lo, int64_t hi, int64_t& kLo, int64_t& kHi)
{
    if (step == 0) {
        if (start < lo || start > hi)
            kHi = kLo - 1;
        return;
    }
    if (step > 0) {
        kLo = std::max(kLo, ceilDiv(lo - start, step));
        kHi = std::min(kHi, floorDiv(hi - start, step));
    } else {
        kLo = std::max(kLo, ceilDiv(hi - start, step));
        kHi = std::min(kHi, floorDiv(lo - start, step));
    }
}

// The sampled part of one rendered row: pixels first .. last, the first sampling source
// (X, Y) in 16.16 fixed point.
struct RowSamples {
    int64_t first = 0;
    int64_t last = -1;
    int64_t x = 0;
    int64_t y = 0;
};

// A source coordinate from a fixed-point value known to be above −65536: the value divided by
// 65536 truncated toward zero.
inline int64_t sourceIndex(int64_t v) { return std::max<int64_t>(v, 0) >> 16; }

inline uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

enum class Process { Copy, Negate, Effect, EffectNegate };

template <Process P>
inline uint32_t processed(uint32_t v, const ColorEffectTable& effect)
{
    if constexpr (P == Process::Copy)
        return v;
    else if constexpr (P == Process::Negate)
        return v ^ 0xFFFFFFu;
    else if constexpr (P == Process::Effect)
        return effect.apply(v);
    else
        return effect.apply(v) ^ 0xFFFFFFu;
}

struct Source {
    const uint8_t* pixels;
    int64_t rowSize;
};

template <bool Keyed>
void sampleRow8(const Source& src, const RowSamples& s, int64_t dX, int64_t dY, uint8_t key, uint8_t* out,
                uint8_t* mask)
{
    int64_t x = s.x, y = s.y;
    for (int64_t i = s.first; i <= s.last; ++i) {
        const uint8_t v = src.pixels[sourceIndex(y) * src.rowSize + sourceIndex(x)];
        out[i] = v;
        if constexpr (Keyed)
            mask[i] = v == key;
        x += dX;
        y += dY;
    }
}

// 24-bit pixels move as 32-bit words. A word written for a pixel also sets the first byte of
// the next one, which is written right after it; the last pixel of a span is written as three
// bytes so that nothing outside the span changes. WordRead: the source may be read as words at
// every pixel (there is a byte after the last pixel of the last row).
template <bool Keyed, Process P, bool WordRead>
void sampleRow24(const Source& src, const RowSamples& s, int64_t dX, int64_t dY, uint32_t key,
                 const ColorEffectTable& effect, uint8_t* out, uint8_t* mask)
{
    int64_t x = s.x, y = s.y;
    auto pixel = [&](int64_t i) {
        const uint8_t* p = src.pixels + sourceIndex(y) * src.rowSize + 3 * sourceIndex(x);
        const uint32_t v = WordRead ? load32(p) & 0xFFFFFFu : uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        uint32_t o;
        if constexpr (Keyed) {
            const bool isKey = v == key;
            mask[i] = isKey;
            if constexpr (P == Process::Copy)
                o = v;
            else
                o = isKey ? v : processed<P>(v, effect);
        } else {
            o = processed<P>(v, effect);
        }
        x += dX;
        y += dY;
        return o;
    };
    for (int64_t i = s.first; i < s.last; ++i)
        store32(out + 3 * i, pixel(i));
    const uint32_t o = pixel(s.last);
    out[3 * s.last] = uint8_t(o);
    out[3 * s.last + 1] = uint8_t(o >> 8);
    out[3 * s.last + 2] = uint8_t(o >> 16);
}

using Row24Fn = void (*)(const Source&, const RowSamples&, int64_t, int64_t, uint32_t, const ColorEffectTable&,
                         uint8_t*, uint8_t*);

template <bool Keyed, bool WordRead>
Row24Fn pickRow24(Process p)
{
    switch (p) {
    case Process::Copy: return sampleRow24<Keyed, Process::Copy, WordRead>;
    case Process::Negate: return sampleRow24<Keyed, Process::Negate, WordRead>;
    case Process::Effect: return sampleRow24<Keyed, Process::Effect, WordRead>;
    case Process::EffectNegate: break;
    }
    return sampleRow24<Keyed, Process::EffectNegate, WordRead>;
}

void writeMaskHeader(uint8_t* p, int64_t size, int64_t dw, int64_t dh)
{
    std::memset(p, 0, kMaskHeaderSize);
    BitmapFileHeader file;
    file.fileSize = uint32_t(size);
    file.pixelOffset = kMaskHeaderSize;
    file.write(p);
    BitmapInfoHeader info;
    info.width = int32_t(dw);
    info.height = int32_t(dh);
    info.bitCount = 8;
    info.colorsUsed = 2;
    info.write(p + BitmapFileHeader::kSize);
    static const uint8_t blackWhite[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    std::memcpy(p + kDibHeaderSize, blackWhite, sizeof blackWhite);
}

} // namespace

RotateResult RotateDib(const TMemoryStream& input, const TRotateMatrix& matrix, const RotateOptions& options,
                       TMemoryStream& rendered, TMemoryStream& mask)
{
    if (input.size() >= kDibHeaderSize) {
        const int bits = readLE16(input.Memory() + 28);
        if (bits != 8 && bits != 24)
            return RotateResult::UnsupportedDepth;
    }
    const auto view = DibView::of(input);
    if (!view) {
        rendered.Clear();
        mask.Clear();
        return RotateResult::InvalidInput;
    }
    const DibView& v = *view;
    const int64_t W = v.width, H = v.height;
    const bool wide = v.bitCount == 24;

    const RotatedSize size = ComputeRotatedSize(matrix, W, H);
    const int64_t dw = size.width, dh = size.height;
    // Limit: a rendered image and its mask take at most kMaxRenderedBytes together (and neither
    // side may be longer than that, which also keeps every header field in 32 bits).
    if (dw > kMaxRenderedBytes || dh > kMaxRenderedBytes) {
        rendered.Clear();
        mask.Clear();
        return RotateResult::TooLarge;
    }
    const int64_t maskRow = (dw + 3) / 4 * 4;
    const int64_t outRow = dibRowSize(dw, v.bitCount);
    const int64_t hs = v.headerSize;
    const int64_t imageFileSize = hs + outRow * dh;
    const int64_t imageBytes = imageFileSize + (wide ? 1 : 0);
    const int64_t maskBytes = kMaskHeaderSize + maskRow * dh;
    if (imageBytes + maskBytes > kMaxRenderedBytes) {
        rendered.Clear();
        mask.Clear();
        return RotateResult::TooLarge;
    }

    rendered.SetSize(imageBytes);
    mask.SetSize(maskBytes);
    uint8_t* out = rendered.Memory();
    std::memcpy(out, input.Memory(), size_t(hs));
    writeLE32(out + 2, uint32_t(imageFileSize));
    // The rows follow the colour table whatever the input's header said (an input whose stated
    // pixel offset lay beyond its table gave a rendered image that failed the validity test:
    // tests/rotateimage/data/malformed/pixel-offset-beyond-colour-table.bmp).
    writeLE32(out + 10, uint32_t(hs));
    writeLE32s(out + 18, int32_t(dw));
    writeLE32s(out + 22, int32_t(dh));
    writeLE32(out + 34, 0);
    if (wide)
        out[imageBytes - 1] = 0;
    uint8_t* maskOut = mask.Memory();
    writeMaskHeader(maskOut, maskBytes, dw, dh);

    using L = long double;
    const TRotateMatrix& m = matrix;
    // The centre of rendered pixel (0, 0) in the source, so that the image centres coincide.
    const float cx = float(L(W) / 2 - (L(dw) / 2 - 0.5L) * m.m11 - (L(dh) / 2 - 0.5L) * m.m21);
    const float cy = float(L(H) / 2 - (L(dw) / 2 - 0.5L) * m.m12 - (L(dh) / 2 - 0.5L) * m.m22);
    const bool finiteSteps = std::isfinite(m.m11) && std::isfinite(m.m12);
    const int64_t dX = finiteSteps ? saturated(L(m.m11) * 65536, kMaxStep) : 0;
    const int64_t dY = finiteSteps ? saturated(L(m.m12) * 65536, kMaxStep) : 0;

    const RotateKey& key = options.key;
    const bool keyed = key.kind == (wide ? RotateKey::Kind::Pixel : RotateKey::Kind::Index);
    const Process process = options.colorEffect != 0 ? (options.negative ? Process::EffectNegate : Process::Effect)
                                                     : (options.negative ? Process::Negate : Process::Copy);
    const ColorEffectTable effect(options.colorEffect);
    // Word reads stay inside the buffer when a byte follows the last pixel of the last row
    // (the row padding or the spare byte).
    const bool wordRead = v.rowSize + v.bytesAfterPixels >= 3 * W + 1;
    Row24Fn row24 = nullptr;
    if (wide)
        row24 = keyed ? (wordRead ? pickRow24<true, true>(process) : pickRow24<true, false>(process))
                      : (wordRead ? pickRow24<false, true>(process) : pickRow24<false, false>(process));
    const Source src{v.pixels, v.rowSize};
    const int bytesPerPixel = wide ? 3 : 1;
    const uint8_t fill = wide && options.forPrint ? 0xFF : 0;

    for (int64_t j = 0; j < dh; ++j) {
        uint8_t* row = out + hs + j * outRow;
        uint8_t* maskLine = maskOut + kMaskHeaderSize + j * maskRow;
        const float x0 = float(cx + L(m.m21) * j);
        const float y0 = float(cy + L(m.m22) * j);
        RowSamples s;
        const Span span = RowSpan(W, H, x0, y0, m.m11, m.m12, dw);
        if (!span.empty() && finiteSteps) {
            const L fx = (L(x0) + L(span.first) * m.m11) * 65536;
            const L fy = (L(y0) + L(span.first) * m.m12) * 65536;
            if (std::isfinite(fx) && std::isfinite(fy)) {
                const int64_t x = saturated(fx, kMaxStart), y = saturated(fy, kMaxStart);
                // The span's margins are a tenth of a rendered pixel, which is a far smaller
                // distance in the source along an axis the sample point creeps along, and the
                // fixed-point steps drift by up to half a unit per pixel. So a row that runs
                // along a source edge (a small angle at a high zoom: 5000 × 1 at 0.1° and 400 %)
                // would read a row or column outside the source. The ends are cut to the pixels
                // whose samples truncate to a source column 0 .. W−1 and row 0 .. H−1; since the
                // samples move linearly, all pixels between them are inside too.
                int64_t kLo = 0, kHi = span.last - span.first;
                limitSteps(x, dX, -65535, W * 65536 - 1, kLo, kHi);
                limitSteps(y, dY, -65535, H * 65536 - 1, kLo, kHi);
                if (kLo <= kHi)
                    s = RowSamples{span.first + kLo, span.first + kHi, x + kLo * dX, y + kLo * dY};
            }
        }
        if (s.last < s.first) {
            std::memset(row, fill, size_t(outRow));
            std::memset(maskLine, 1, size_t(dw));
            std::memset(maskLine + dw, 0, size_t(maskRow - dw));
            continue;
        }
        std::memset(row, fill, size_t(s.first * bytesPerPixel));
        std::memset(row + (s.last + 1) * bytesPerPixel, fill, size_t(outRow - (s.last + 1) * bytesPerPixel));
        std::memset(maskLine, 1, size_t(s.first));
        std::memset(maskLine + s.last + 1, 1, size_t(dw - s.last - 1));
        std::memset(maskLine + dw, 0, size_t(maskRow - dw));
        if (!keyed)
            std::memset(maskLine + s.first, 0, size_t(s.last - s.first + 1));
        if (wide)
            row24(src, s, dX, dY, key.value, effect, row, maskLine);
        else if (keyed)
            sampleRow8<true>(src, s, dX, dY, uint8_t(key.value), row, maskLine);
        else
            sampleRow8<false>(src, s, dX, dY, 0, row, maskLine);
    }

    if (!wide)
        ApplyPaletteEffect(rendered, options.colorEffect, options.negative);
    return RotateResult::Rendered;
}

} // namespace dw

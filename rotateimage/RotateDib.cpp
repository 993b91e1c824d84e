#include "RotateDib.h"

#include "DibFormat.h"
#include "EngineLimits.h"
#include "RotateKernels.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace dw {

namespace {

constexpr int kMaskHeaderSize = kDibHeaderSize + 2 * 4; // two colour-table entries: 62

// Rendered pixels are sampled in tiles of kTileRows rows and as many columns as take a row
// across about kTileSourceRows source rows.
constexpr int64_t kTileRows = 64;
constexpr int64_t kTileSourceRows = 64;
// A source of at most this many bytes stays in the second-level cache whatever the order of the
// samples (a hand): its rows are sampled whole, in longer vector runs with fewer scalar ends.
constexpr int64_t kUntiledSourceBytes = 256 * 1024;
// Quarter-turn blocks go across the groups of a band this many columns at a time.
constexpr int64_t kQuarterTurnColumns = 64;

// Fixed-point values are held in 64 bits and saturated far outside every image, so that no
// matrix, however extreme, makes the arithmetic overflow: a rendered row has fewer than 2^29
// pixels (kMaxRenderedBytes), steps are kept within ±2^32 and starts within ±2^60.
constexpr long double kMaxStep = 4294967296.0L;      // 2^32
constexpr long double kMaxStart = 1152921504606846976.0L; // 2^60

int64_t saturated(long double v, long double limit)
{
    // Round half to even, as nearbyint does in the default rounding mode, without the cost of
    // saving and restoring the floating-point environment (this runs twice a row); a cast would
    // switch the unit to truncation and back, which took half of a turning hand's row set-up.
    // The limits are whole numbers, so rounding after clamping gives what clamping the rounded
    // value gives.
    return rotate_detail::nearestInteger(std::clamp(v, -limit, limit));
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

// limitSteps where an end lies outside [lo, hi]: the divisions.
[[gnu::noinline]] void narrowSteps(int64_t start, int64_t step, int64_t lo, int64_t hi, int64_t& kLo, int64_t& kHi)
{
    if (step > 0) {
        kLo = std::max(kLo, ceilDiv(lo - start, step));
        kHi = std::min(kHi, floorDiv(hi - start, step));
    } else {
        kLo = std::max(kLo, ceilDiv(hi - start, step));
        kHi = std::min(kHi, floorDiv(lo - start, step));
    }
}

// Narrows the steps k (of [kLo, kHi]) to those where start + k · step lies in [lo, hi]. Inline
// up to the divisions: it runs four times a rendered row, nearly always with both ends inside.
inline void limitSteps(int64_t start, int64_t step, int64_t lo, int64_t hi, int64_t& kLo, int64_t& kHi)
{
    if (step == 0) {
        if (start < lo || start > hi)
            kHi = kLo - 1;
        return;
    }
    // Both ends inside: so is every step between (the positions move linearly), and the
    // divisions would narrow nothing. No product overflows: starts lie within ±2^60 (a few
    // steps more after a first narrowing), steps within ±2^32 and counts below 2^29.
    if (kLo <= kHi) {
        const int64_t a = start + kLo * step, b = start + kHi * step;
        if (a >= lo && a <= hi && b >= lo && b <= hi)
            return;
    }
    narrowSteps(start, step, lo, hi, kLo, kHi);
}

// The sampled part of one rendered row: pixels first .. last, the first sampling the source at
// (X, Y) in 16.16 fixed point. Within fastFirst .. fastLast both are ≥ 0; outside it (at most
// a few pixels at the ends of a span) one of them may lie in −65536 .. −1.
struct RowSamples {
    int64_t first = 0;
    int64_t last = -1;
    int64_t x = 0;
    int64_t y = 0;
    int64_t fastFirst = 0;
    int64_t fastLast = -1;
};

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

// Eight rows of a quarter turn at 100 % (dX = 0, dY = ±65536) that sample eight adjacent source
// columns and start in the same source row: their common columns from .. from + count − 1 are
// transposed 8 × 8 blocks of the source.
struct QuarterTurnGroup {
    int64_t firstRow;  // rendered row of the group's row 0
    int64_t from;      // first common column
    int64_t count;     // common columns, a multiple of 8
    int64_t sourceRow; // source row sampled at column `from`
    int rowStep;       // ±1 source row per rendered column
    int64_t minColumn; // the smallest of the eight source columns
    bool reversed;     // row r samples minColumn + 7 − r (else minColumn + r)
};

std::optional<QuarterTurnGroup> quarterTurnGroup(const RowSamples* rows, const rotate_detail::SegmentSampler& sampler,
                                                 int64_t dY, int64_t firstRow)
{
    const int sign = dY > 0 ? 1 : -1;
    int64_t from = std::numeric_limits<int64_t>::min(), to = std::numeric_limits<int64_t>::max();
    int64_t column[8];
    int64_t startRow = 0;
    for (int r = 0; r < 8; ++r) {
        const RowSamples& s = rows[r];
        if (s.fastFirst > s.fastLast)
            return std::nullopt;
        from = std::max(from, s.fastFirst);
        to = std::min(to, s.fastLast);
        column[r] = s.x >> 16; // the same all along the row, and ≥ 0 where the samples are
        // The source row sampled at rendered column 0, were the row to reach it.
        const int64_t row0 = (s.y >> 16) - s.first * sign;
        if (r > 0 && row0 != startRow)
            return std::nullopt;
        startRow = row0;
    }
    const int64_t step = column[1] - column[0];
    if (step != 1 && step != -1)
        return std::nullopt;
    for (int r = 2; r < 8; ++r)
        if (column[r] != column[0] + r * step)
            return std::nullopt;
    QuarterTurnGroup q{firstRow, from, (to - from + 1) / 8 * 8, startRow + from * sign, sign,
                       step > 0 ? column[0] : column[7], step < 0};
    if (!sampler.quarterTurnFits(q.sourceRow, q.rowStep, q.minColumn, q.count))
        return std::nullopt;
    return q;
}

// Fills the rendered image and the mask, whose headers are written, band by band.
//
// The rendered image goes in bands of kTileRows rows. For each band, first the spans of its rows
// with everything outside them (fill, transparent mask); then the samples, in tiles: a turned
// row walks across many source rows, and a tile keeps the source lines it touches in the cache
// for the next rows. The result is the same in any order (a 24-bit word spills only into the
// next pixel of the same row, which a later segment of that row writes).
class BandRenderer {
public:
    struct Target {
        uint8_t* pixels; // first rendered row
        int64_t rowSize;
        uint8_t* mask;   // first mask row
        int64_t maskRowSize;
        int64_t width;
        int64_t height;
        int bytesPerPixel;
        uint8_t fill; // for pixels outside the spans
    };

    BandRenderer(const rotate_detail::SegmentSampler& sampler, const TRotateMatrix& m,
                 const rotate_detail::Source& source, const Target& target);
    void render();
    // render() for the upright matrix at 100 %, where the sampler copies whole rows
    // (SegmentSampler::uprightPossible): the same bytes, row by row.
    void renderUpright();

private:
    void prepareRow(int64_t j, RowSamples& s) const;
    void sampleColumns(int64_t j, int64_t a, int64_t b) const;
    void quarterTurns(int64_t j1, bool* done) const;
    uint8_t* pixel(int64_t i, int64_t j) const
    {
        return m_target.pixels + j * m_target.rowSize + i * m_target.bytesPerPixel;
    }
    uint8_t* maskByte(int64_t i, int64_t j) const { return m_target.mask + j * m_target.maskRowSize + i; }

    const rotate_detail::SegmentSampler& m_sampler;
    const TRotateMatrix m_m;
    const int64_t m_w, m_h;
    const int64_t m_sourceBytes;
    const Target m_target;
    float m_cx = 0, m_cy = 0;
    bool m_finiteSteps = false;
    int64_t m_dX = 0, m_dY = 0;
    int64_t m_j0 = 0;            // first row of the current band
    RowSamples m_rows[kTileRows]; // its rows
};

BandRenderer::BandRenderer(const rotate_detail::SegmentSampler& sampler, const TRotateMatrix& m,
                           const rotate_detail::Source& source, const Target& target)
    : m_sampler(sampler)
    , m_m(m)
    , m_w(source.width)
    , m_h(source.height)
    , m_sourceBytes(source.rowSize * source.height)
    , m_target(target)
{
    using L = long double;
    const int64_t dw = target.width, dh = target.height;
    // The centre of rendered pixel (0, 0) in the source, so that the image centres coincide.
    m_cx = float(L(m_w) / 2 - (L(dw) / 2 - 0.5L) * m.m11 - (L(dh) / 2 - 0.5L) * m.m21);
    m_cy = float(L(m_h) / 2 - (L(dw) / 2 - 0.5L) * m.m12 - (L(dh) / 2 - 0.5L) * m.m22);
    m_finiteSteps = std::isfinite(m.m11) && std::isfinite(m.m12);
    m_dX = sampler.dX();
    m_dY = sampler.dY();
}

void BandRenderer::render()
{
    const int64_t dw = m_target.width, dh = m_target.height;
    // Wide enough that a segment crosses about kTileSourceRows source rows, and a multiple of the
    // vector kernels' eight pixels.
    const int64_t across = int64_t(kTileSourceRows / std::max(1e-3f, std::fabs(m_m.m12)));
    const int64_t tileColumns = m_sourceBytes <= kUntiledSourceBytes
        ? std::max<int64_t>(dw, 8)
        : std::clamp<int64_t>(across, kTileSourceRows, 4096) / 8 * 8;
    for (m_j0 = 0; m_j0 < dh; m_j0 += kTileRows) {
        const int64_t j1 = std::min(dh, m_j0 + kTileRows);
        for (int64_t j = m_j0; j < j1; ++j)
            prepareRow(j, m_rows[j - m_j0]);
        bool done[kTileRows] = {};
        if (m_sampler.quarterTurnPossible())
            quarterTurns(j1, done);
        for (int64_t i0 = 0; i0 < dw; i0 += tileColumns)
            for (int64_t j = m_j0; j < j1; ++j)
                if (!done[j - m_j0])
                    sampleColumns(j, i0, std::min(dw, i0 + tileColumns) - 1);
    }
}

void BandRenderer::renderUpright()
{
    const int64_t dw = m_target.width;
    const int bpp = m_target.bytesPerPixel;
    for (int64_t j = 0; j < m_target.height; ++j) {
        uint8_t* row = pixel(0, j);
        uint8_t* maskLine = maskByte(0, j);
        m_sampler.uprightRow(j, row, maskLine);
        std::memset(row + dw * bpp, m_target.fill, size_t(m_target.rowSize - dw * bpp));
        if (!m_sampler.keyed())
            std::memset(maskLine, 0, size_t(dw));
        std::memset(maskLine + dw, 0, size_t(m_target.maskRowSize - dw));
    }
}

// The span of row j and its samples, and everything outside the span: the fill, the mask's
// transparent bytes (and, without a key, its opaque ones).
void BandRenderer::prepareRow(int64_t j, RowSamples& s) const
{
    const TRotateMatrix& m = m_m;
    const int64_t dw = m_target.width;
    const int64_t W = m_w, H = m_h;
    s = RowSamples{};
    // float(cx + m21 · j), float(cy + m22 · j) and the fixed-point sample of the span's first
    // pixel, (x0 + first · m11) · 65536 and (y0 + first · m12) · 65536 rounded and saturated: in
    // extended precision, computed in double where that gives the same.
    const float x0 = rotate_detail::stepsToSingle(m_cx, m.m21, j);
    const float y0 = rotate_detail::stepsToSingle(m_cy, m.m22, j);
    const Span span = RowSpan(W, H, x0, y0, m.m11, m.m12, dw);
    int64_t x = 0, y = 0;
    if (!span.empty() && m_finiteSteps) {
        if (rotate_detail::fixedPointSteps(x0, m.m11, span.first, kMaxStart, x)
            && rotate_detail::fixedPointSteps(y0, m.m12, span.first, kMaxStart, y)) {
            // The span's margins are a tenth of a rendered pixel, which is a far smaller distance
            // in the source along an axis the sample point creeps along, and the fixed-point steps
            // drift by up to half a unit per pixel. So a row that runs along a source edge (a small
            // angle at a high zoom: 5000 × 1 at 0.1° and 400 %) would read a row or column outside
            // the source. The ends are cut to the pixels whose samples truncate to a source column
            // 0 .. W−1 and row 0 .. H−1; as the samples move linearly, all between are inside too.
            int64_t kLo = 0, kHi = span.last - span.first;
            limitSteps(x, m_dX, -65535, W * 65536 - 1, kLo, kHi);
            limitSteps(y, m_dY, -65535, H * 65536 - 1, kLo, kHi);
            if (kLo <= kHi) {
                s = RowSamples{span.first + kLo, span.first + kHi, x + kLo * m_dX, y + kLo * m_dY, 0, -1};
                int64_t fLo = 0, fHi = s.last - s.first;
                limitSteps(s.x, m_dX, 0, W * 65536 - 1, fLo, fHi);
                limitSteps(s.y, m_dY, 0, H * 65536 - 1, fLo, fHi);
                s.fastFirst = fLo <= fHi ? s.first + fLo : s.last + 1;
                s.fastLast = fLo <= fHi ? s.first + fHi : s.last;
            }
        }
    }
    uint8_t* row = pixel(0, j);
    uint8_t* maskLine = maskByte(0, j);
    const int bpp = m_target.bytesPerPixel;
    const int64_t maskRow = m_target.maskRowSize;
    if (s.last < s.first) {
        std::memset(row, m_target.fill, size_t(m_target.rowSize));
        std::memset(maskLine, 1, size_t(dw));
        std::memset(maskLine + dw, 0, size_t(maskRow - dw));
        return;
    }
    std::memset(row, m_target.fill, size_t(s.first * bpp));
    std::memset(row + (s.last + 1) * bpp, m_target.fill, size_t(m_target.rowSize - (s.last + 1) * bpp));
    std::memset(maskLine, 1, size_t(s.first));
    std::memset(maskLine + s.last + 1, 1, size_t(dw - s.last - 1));
    std::memset(maskLine + dw, 0, size_t(maskRow - dw));
    if (!m_sampler.keyed())
        std::memset(maskLine + s.first, 0, size_t(s.last - s.first + 1));
}

// The samples of row j from column a to b (within its span), the few ends whose samples may be
// slightly negative apart.
void BandRenderer::sampleColumns(int64_t j, int64_t a, int64_t b) const
{
    const RowSamples& s = m_rows[j - m_j0];
    a = std::max(a, s.first);
    b = std::min(b, s.last);
    if (a > b)
        return;
    uint8_t* row = pixel(0, j);
    uint8_t* maskLine = maskByte(0, j);
    auto run = [&](int64_t from, int64_t to, bool nonNegative) {
        if (from > to)
            return;
        const int64_t k = from - s.first;
        const rotate_detail::Segment segment{from, to, s.x + k * m_dX, s.y + k * m_dY, to == s.last, nonNegative};
        m_sampler.sample(segment, row, maskLine);
    };
    run(a, std::min(b, s.fastFirst - 1), false);
    run(std::max(a, s.fastFirst), std::min(b, s.fastLast), true);
    run(std::max(a, s.fastLast + 1), b, false);
}

// Quarter turns: the band's groups of eight rows that line up, as transposed blocks. Each row up
// to the common columns first (its last word may spill into the first block pixel), then the
// blocks of all groups column by column (so that the source lines stay in the cache for all of
// them), then the rest of each row. The rows done are marked.
void BandRenderer::quarterTurns(int64_t j1, bool* done) const
{
    QuarterTurnGroup groups[kTileRows / 8];
    int groupCount = 0;
    int64_t widest = 0;
    for (int64_t g = m_j0; g + 8 <= j1; g += 8) {
        const auto q = quarterTurnGroup(m_rows + (g - m_j0), m_sampler, m_dY, g);
        if (!q)
            continue;
        groups[groupCount++] = *q;
        widest = std::max(widest, q->count);
        std::fill(done + (g - m_j0), done + (g - m_j0) + 8, true);
        for (int64_t j = g; j < g + 8; ++j)
            sampleColumns(j, 0, q->from - 1);
    }
    for (int64_t c = 0; c < widest; c += kQuarterTurnColumns)
        for (int n = 0; n < groupCount; ++n) {
            const QuarterTurnGroup& q = groups[n];
            if (c >= q.count)
                continue;
            uint8_t* outRows[8];
            uint8_t* maskRows[8];
            for (int r = 0; r < 8; ++r) {
                outRows[r] = pixel(q.from + c, q.firstRow + r);
                maskRows[r] = maskByte(q.from + c, q.firstRow + r);
            }
            m_sampler.sampleQuarterTurn(q.sourceRow + c * q.rowStep, q.rowStep, q.minColumn, q.reversed,
                                        std::min(kQuarterTurnColumns, q.count - c), outRows, maskRows);
        }
    for (int n = 0; n < groupCount; ++n)
        for (int64_t j = groups[n].firstRow; j < groups[n].firstRow + 8; ++j)
            sampleColumns(j, groups[n].from + groups[n].count, m_target.width - 1);
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

    using L = long double;
    const bool finiteSteps = std::isfinite(matrix.m11) && std::isfinite(matrix.m12);
    const int64_t dX = finiteSteps ? saturated(L(matrix.m11) * 65536, kMaxStep) : 0;
    const int64_t dY = finiteSteps ? saturated(L(matrix.m12) * 65536, kMaxStep) : 0;
    const rotate_detail::Source src{v.pixels, v.rowSize, W, H, v.bytesAfterPixels};
    const rotate_detail::SegmentSampler sampler(src, v.bitCount, options.key, options.colorEffect, options.negative,
                                                dX, dY);
    // Upright at 100 %, every rendered pixel samples the source pixel in its own place. Every byte
    // of both outputs is written either way (the headers, each row's span, the fill and the mask
    // around it, the padding), so their memory need not be cleared first: clearing what a
    // turned hand's box grew by took a tenth of its turn.
    const bool upright = matrix.m11 == 1 && matrix.m12 == 0 && matrix.m21 == 0 && matrix.m22 == 1 && dw == W
        && dh == H && sampler.uprightPossible();
    rendered.SetSizeForOverwrite(imageBytes);
    mask.SetSizeForOverwrite(maskBytes);
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

    const BandRenderer::Target target{out + hs, outRow, maskOut + kMaskHeaderSize, maskRow, dw, dh, wide ? 3 : 1,
                                      uint8_t(wide && options.forPrint ? 0xFF : 0)};
    BandRenderer renderer(sampler, matrix, src, target);
    if (upright)
        renderer.renderUpright();
    else
        renderer.render();

    if (!wide)
        ApplyPaletteEffect(rendered, options.colorEffect, options.negative);
    return RotateResult::Rendered;
}

} // namespace dw

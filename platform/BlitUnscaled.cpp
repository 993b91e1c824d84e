// The unscaled block transfer: source and destination pixels pair up by a fixed offset, so
// each clipped span is one run of source pixels, handled by the row kernels in the
// destination's own layout (32-bit words, 24-bit bytes, monochrome bits). What the reference
// loop does per pixel — conversions between monochrome and colour, the transparent colour of
// Draw, hatched brushes, the nearest colour of indexed and 15/16-bit surfaces — is done here
// through the same surface functions, pixel for pixel with the same result.

#include "Blit.h"
#include "BlitSpans.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace dw::blit {

namespace {

constexpr uint8_t kCopy = 0xCC;
constexpr uint32_t kOpaque = 0xFF000000u; // the alpha byte 32-bit stores always write
// Pixels per pass through the work buffers; a multiple of 8, so that monochrome passes after
// the first start on a whole byte.
constexpr int32_t kChunk = 1024;

// How a surface holds its pixels, as far as the row kernels care.
enum class Layout { Words32, Bgr24, Rgb24, MonoMsb, MonoLsb, Other };

Layout layoutOf(const px::Surface& s)
{
    switch (s.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: return Layout::Words32;
    case QImage::Format_BGR888: return Layout::Bgr24;
    case QImage::Format_RGB888: return Layout::Rgb24;
    case QImage::Format_Mono: return s.kind() == px::Kind::MonoDdb ? Layout::MonoMsb : Layout::Other;
    case QImage::Format_MonoLSB: return s.kind() == px::Kind::MonoDdb ? Layout::MonoLsb : Layout::Other;
    default: return Layout::Other;
    }
}

// The colour change between a source and the destination (see Canvas.h).
enum class Conv { None, MonoToColor, ToMonoByKey, ToMonoNearest };

// Reads runs of source pixels as colour words.
class Reader {
public:
    enum class Kind { Words32, Packed24, Bits, Nibbles, Bytes, SurfaceFetch, DibColor };

    // keyed: read the colours as stored, for the transparent-colour test, and convert after
    // it (convertPass()); otherwise table sources give converted colours directly.
    Reader(const Source& src, const Transfer& t, bool keyed) : m_src(src), m_t(t)
    {
        m_conv = src.monoDdb && !t.destMono   ? Conv::MonoToColor
                 : !src.monoDdb && t.destMono ? (src.bkRule ? Conv::ToMonoByKey : Conv::ToMonoNearest)
                                              : Conv::None;
        size_t entries = 0;
        const std::vector<uint32_t>* colors = nullptr;
        if (const px::Surface* s = src.surface) {
            m_bits = s->bits();
            m_rowBytes = size_t(s->bytesPerLine());
            switch (s->format()) {
            case QImage::Format_RGB32:
            case QImage::Format_ARGB32:
            case QImage::Format_ARGB32_Premultiplied: m_kind = Kind::Words32; break;
            case QImage::Format_BGR888: m_kind = Kind::Packed24, m_bgr = true; break;
            case QImage::Format_RGB888: m_kind = Kind::Packed24, m_bgr = false; break;
            case QImage::Format_Mono:
            case QImage::Format_MonoLSB:
                m_kind = Kind::Bits, m_msb = s->format() == QImage::Format_Mono, entries = 2;
                colors = s->kind() == px::Kind::MonoDdb ? nullptr : &s->table();
                break;
            case QImage::Format_Indexed8: m_kind = Kind::Bytes, entries = 256, colors = &s->table(); break;
            default: m_kind = Kind::SurfaceFetch; break;
            }
        } else {
            const TDib& dib = *src.dib;
            const auto masks = dib.masks();
            switch (dib.bitCount()) {
            case 1: m_kind = Kind::Bits, m_msb = true, entries = 2; break;
            case 4: m_kind = Kind::Nibbles, entries = 16; break;
            case 8: m_kind = Kind::Bytes, entries = 256; break;
            case 24: m_kind = Kind::Packed24, m_bgr = true; break;
            default:
                m_kind = dib.bitCount() == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF
                             ? Kind::Words32
                             : Kind::DibColor;
                break;
            }
            colors = &src.dibColors;
        }
        m_tabled = entries > 0;
        uint8_t bitOf[256] = {};
        if (m_tabled) {
            for (size_t i = 0; i < entries; ++i) {
                // A monochrome device-dependent surface holds black and white themselves.
                const uint32_t raw = !colors ? (i ? 0xFFFFFFu : 0u) : i < colors->size() ? (*colors)[i] : 0u;
                m_table[i] = keyed ? raw : convert(raw);
                bitOf[i] = uint8_t(m_table[i] & 1);
            }
            if (m_kind == Kind::Bits) {
                m_bitWords = bitWords(m_table[0], m_table[1], m_msb);
                m_opaqueBitWords = bitWords(m_table[0] | kOpaque, m_table[1] | kOpaque, m_msb);
            }
            if (m_kind == Kind::Bytes && t.destMono)
                m_byteBits = byteBits(bitOf);
        }
        m_convertPass = m_conv != Conv::None && (keyed || !m_tabled);
    }

    Kind kind() const { return m_kind; }
    bool bgr() const { return m_bgr; }
    bool convertPass() const { return m_convertPass; }
    // Colours already as the destination takes them, straight from the rows.
    bool plain() const { return !m_convertPass; }
    // 32-bit words a colour destination can take as they are, from aligned rows (a surface's;
    // the rows of a bitmap file need not be aligned).
    bool alignedWords() const { return m_kind == Kind::Words32 && m_src.surface && plain(); }
    const uint8_t* row(int32_t sy) const
    {
        return m_src.surface ? m_bits + size_t(sy) * m_rowBytes : m_src.dib->rowFromTop(sy);
    }
    // Destination bits of byte-indexed pixels (monochrome destinations).
    const ByteBits& byteBitsOf() const { return m_byteBits; }

    // Source pixels sx .. sx + n − 1 of row sy, ored with orMask (0, or kOpaque for a 32-bit
    // destination); converted unless convertPass(), then convert() follows.
    void read(int32_t sy, int32_t sx, int32_t n, uint32_t* out, uint32_t orMask) const
    {
        const uint8_t* r = row(sy);
        switch (m_kind) {
        case Kind::Words32: maskWords(r + 4 * size_t(sx), out, size_t(n), orMask); return;
        case Kind::Packed24: unpack24(r + 3 * size_t(sx), out, size_t(n), m_bgr, orMask); return;
        case Kind::Bits: lookupBits(r, sx, size_t(n), m_msb, orMask ? m_opaqueBitWords : m_bitWords, out); return;
        case Kind::Nibbles: lookupNibbles(r, sx, size_t(n), m_table.data(), out, orMask); return;
        case Kind::Bytes: lookupBytes(r, sx, size_t(n), m_table.data(), out, orMask); return;
        case Kind::SurfaceFetch: m_src.surface->fetch(sy, sx, n, out); break;
        case Kind::DibColor:
            for (int32_t i = 0; i < n; ++i)
                out[i] = m_src.dib->colorAt(r, sx + i);
            break;
        }
        if (orMask)
            for (int32_t i = 0; i < n; ++i)
                out[i] |= orMask;
    }

    void convert(uint32_t* v, int32_t n) const
    {
        for (int32_t i = 0; i < n; ++i)
            v[i] = convert(v[i]);
    }

private:
    uint32_t convert(uint32_t v) const
    {
        switch (m_conv) {
        case Conv::MonoToColor: return v ? m_t.destBk : m_t.destText;
        case Conv::ToMonoByKey: return v == m_src.bkKey ? 0xFFFFFFu : 0u;
        case Conv::ToMonoNearest: return px::nearerWhite(v) ? 0xFFFFFFu : 0u;
        case Conv::None: break;
        }
        return v;
    }

    const Source& m_src;
    const Transfer& m_t;
    const uint8_t* m_bits = nullptr; // a surface's rows
    size_t m_rowBytes = 0;
    Conv m_conv = Conv::None;
    Kind m_kind = Kind::SurfaceFetch;
    bool m_bgr = true, m_msb = true, m_tabled = false, m_convertPass = false;
    std::array<uint32_t, 256> m_table{};
    BitWords m_bitWords, m_opaqueBitWords; // monochrome sources, without and with kOpaque
    ByteBits m_byteBits;                    // byte-indexed sources onto monochrome
};

// One unscaled transfer: the kernel for each clipped span, chosen from the destination's
// layout, the source's and the operation.
class Rows {
public:
    Rows(const Transfer& t, int64_t dx, int64_t dy) : m_t(t), m_dx(dx), m_dy(dy)
    {
        m_layout = layoutOf(*t.out);
        const bool keyed = t.usesSource && t.src->transparentKey;
        if (t.usesSource)
            m_reader.emplace(*t.src, t, keyed);
        // Hatched and clear brushes vary or skip pixel by pixel; the transparent colour skips
        // pixels; other layouts store through the nearest colour. All of these go pixel by pixel.
        m_perPixel = keyed || (t.usesPattern && t.brushStyle != bsSolid) || m_layout == Layout::Other;
        const uint32_t p = t.usesPattern ? t.patternFg : 0;
        m_pattern = p;
        // The pattern in the byte layouts (read, without effect, also by operations without
        // pattern).
        if (m_layout == Layout::Bgr24 || m_layout == Layout::Rgb24) {
            if (p) {
                std::fill(m_words.begin(), m_words.end(), p);
                pack24(m_words.data(), m_pattern24.data(), size_t(kChunk), m_layout == Layout::Bgr24);
            } else {
                m_pattern24.fill(0);
            }
        }
        m_patternBits.fill(uint8_t((p & 1) ? 0xFF : 0));
        m_rowBytes = size_t(t.out->bytesPerLine());
    }

    bool run()
    {
        const Transfer& t = m_t;
        const Source* src = t.src;
        bool wrote = false;
        int64_t top = t.rowTop, end = t.rowEnd;
        if (t.usesSource) {
            // Source row y + dy must lie in rowMin .. rowMax − 1.
            top = std::max<int64_t>(top, src->rowMin - m_dy);
            end = std::min<int64_t>(end, src->rowMax - m_dy);
        }
        for (int64_t y = top; y < end; ++y) {
            const int64_t sy = y + m_dy;
            uint8_t* row = nullptr;
            t.clip->forEach(int32_t(y), int32_t(t.colLeft), int32_t(t.colRight), [&](int32_t a, int32_t b) {
                int64_t first = a, last = b;
                if (t.usesSource) {
                    // Source column x + dx must lie in 0 .. width − 1.
                    first = std::max<int64_t>(first, -m_dx);
                    last = std::min<int64_t>(last, int64_t(src->width) - m_dx);
                }
                if (last <= first)
                    return;
                if (!row && !m_perPixel) {
                    // Detached once, by the first store (as the surface's store would).
                    if (!m_destBits)
                        m_destBits = t.out->writableBits();
                    row = m_destBits + size_t(y) * m_rowBytes;
                }
                span(int32_t(y), row, int32_t(first), int32_t(last - first), int32_t(sy));
                wrote = true;
            });
        }
        return wrote;
    }

private:
    void span(int32_t y, uint8_t* row, int32_t x, int32_t n, int32_t sy)
    {
        const int32_t sx = int32_t(x + m_dx);
        if (m_perPixel)
            perPixel(y, x, n, sy, sx);
        else if (m_layout == Layout::Words32)
            words32(row, x, n, sy, sx);
        else if (m_layout == Layout::Bgr24 || m_layout == Layout::Rgb24)
            packed24(row, x, n, sy, sx);
        else
            mono(row, x, n, sy, sx);
    }

    // Source pixels into the work buffer, converted.
    const uint32_t* readChunk(int32_t sy, int32_t sx, int32_t m)
    {
        m_reader->read(sy, sx, m, m_words.data(), 0);
        if (m_reader->convertPass())
            m_reader->convert(m_words.data(), m);
        return m_words.data();
    }

    void words32(uint8_t* row, int32_t x, int32_t n, int32_t sy, int32_t sx)
    {
        uint32_t* d = reinterpret_cast<uint32_t*>(row) + x;
        const Reader* r = m_reader ? &*m_reader : nullptr;
        if (!r) {
            ropWords(m_t.rop, m_pattern, d, d, size_t(n), kOpaque);
        } else if (r->alignedWords()) {
            ropWords(m_t.rop, m_pattern, reinterpret_cast<const uint32_t*>(r->row(sy)) + sx, d, size_t(n), kOpaque);
        } else if (m_t.rop == kCopy && r->plain()) {
            r->read(sy, sx, n, d, kOpaque);
        } else {
            for (int32_t o = 0; o < n; o += kChunk) {
                const int32_t m = std::min(kChunk, n - o);
                ropWords(m_t.rop, m_pattern, readChunk(sy, sx + o, m), d + o, size_t(m), kOpaque);
            }
        }
    }

    void packed24(uint8_t* row, int32_t x, int32_t n, int32_t sy, int32_t sx)
    {
        const bool bgr = m_layout == Layout::Bgr24;
        uint8_t* d = row + 3 * size_t(x);
        const Reader* r = m_reader ? &*m_reader : nullptr;
        const bool sameBytes = r && r->kind() == Reader::Kind::Packed24 && r->bgr() == bgr && r->plain();
        if (sameBytes && m_t.rop == kCopy) {
            std::memcpy(d, r->row(sy) + 3 * size_t(sx), 3 * size_t(n));
            return;
        }
        for (int32_t o = 0; o < n; o += kChunk) {
            const int32_t m = std::min(kChunk, n - o);
            uint8_t* dc = d + 3 * size_t(o);
            const uint8_t* s = dc; // operations without source
            if (sameBytes) {
                s = r->row(sy) + 3 * size_t(sx + o);
            } else if (r) {
                const uint32_t* w = r->alignedWords()
                                        ? reinterpret_cast<const uint32_t*>(r->row(sy)) + sx + o
                                        : readChunk(sy, sx + o, m);
                if (m_t.rop == kCopy) {
                    pack24(w, dc, size_t(m), bgr);
                    continue;
                }
                pack24(w, m_bytes.data(), size_t(m), bgr);
                s = m_bytes.data();
            }
            ropBytes(m_t.rop, m_pattern24.data(), s, dc, 3 * size_t(m));
        }
    }

    void mono(uint8_t* row, int32_t x, int32_t n, int32_t sy, int32_t sx)
    {
        const bool msb = m_layout == Layout::MonoMsb;
        const Reader* r = m_reader ? &*m_reader : nullptr;
        for (int32_t cx = x, end = x + n; cx < end;) {
            // Passes end on whole bytes, so that only the span's own ends share a byte.
            const int32_t ce = std::min(end, (cx & ~7) + kChunk);
            const int32_t m = ce - cx, firstBit = cx & 7;
            const size_t bytes = size_t(firstBit + m + 7) / 8;
            uint8_t* d = row + (cx >> 3);
            const uint8_t* s = d;
            if (r) {
                const int32_t scx = sx + (cx - x);
                if (r->kind() == Reader::Kind::Bytes && r->plain())
                    lookupBytesToBits(r->row(sy) + scx, size_t(m), r->byteBitsOf(), firstBit, msb, m_bytes.data());
                else
                    packBits(readChunk(sy, scx, m), size_t(m), firstBit, msb, m_bytes.data());
                s = m_bytes.data();
            }
            const uint8_t head = d[0], tail = d[bytes - 1];
            ropBytes(m_t.rop, m_patternBits.data(), s, d, bytes);
            // Bits of the end bytes outside the run keep their values.
            const int lastBits = firstBit + m - 8 * int(bytes - 1);
            if (bytes == 1) {
                const uint8_t k = bitRunMask(firstBit, lastBits, msb);
                d[0] = uint8_t((d[0] & k) | (head & ~k));
            } else {
                const uint8_t k0 = bitRunMask(firstBit, 8, msb), k1 = bitRunMask(0, lastBits, msb);
                d[0] = uint8_t((d[0] & k0) | (head & ~k0));
                d[bytes - 1] = uint8_t((d[bytes - 1] & k1) | (tail & ~k1));
            }
            cx = ce;
        }
    }

    // Colour by colour through the surface's fetch and store, as the reference loop.
    void perPixel(int32_t y, int32_t x, int32_t n, int32_t sy, int32_t sx)
    {
        const Transfer& t = m_t;
        for (int32_t o = 0; o < n; o += kChunk) {
            const int32_t m = std::min(kChunk, n - o), cx = x + o;
            uint32_t* sv = m_words.data();
            uint8_t* skip = m_bytes.data();
            std::fill_n(skip, m, uint8_t(0));
            if (m_reader) {
                m_reader->read(sy, sx + o, m, sv, 0);
                if (t.src->transparentKey)
                    for (int32_t i = 0; i < m; ++i)
                        skip[i] = sv[i] == *t.src->transparentKey;
                if (m_reader->convertPass())
                    m_reader->convert(sv, m);
            } else {
                std::fill_n(sv, m, 0u);
            }
            t.out->fetch(y, cx, m, m_dest.data());
            for (int32_t i = 0; i < m; ++i) {
                if (skip[i])
                    continue;
                uint32_t p = 0;
                if (t.usesPattern) {
                    if (t.brushStyle == bsClear)
                        continue;
                    if (t.brushStyle == bsSolid || px::hatchBit(t.brushStyle, cx + i, y))
                        p = t.patternFg;
                    else if (t.patternOpaqueBg)
                        p = t.patternBg;
                    else
                        continue;
                }
                m_dest[size_t(i)] = px::rop3(t.rop, p, sv[i], m_dest[size_t(i)]);
            }
            t.out->store(y, cx, m, m_dest.data());
        }
    }

    const Transfer& m_t;
    const int64_t m_dx, m_dy;
    Layout m_layout;
    std::optional<Reader> m_reader;
    bool m_perPixel = false;
    uint8_t* m_destBits = nullptr;
    size_t m_rowBytes = 0;
    uint32_t m_pattern = 0;
    // Work buffers of one pass: source colours, packed source bytes (or skip flags), the
    // destination's colours, and the pattern in the 24-bit and monochrome layouts.
    std::array<uint32_t, kChunk> m_words;
    std::array<uint8_t, 3 * kChunk> m_bytes;
    std::array<uint32_t, kChunk> m_dest;
    std::array<uint8_t, 3 * kChunk> m_pattern24;
    std::array<uint8_t, kChunk / 8 + 2> m_patternBits;
};

} // namespace

bool unscaledRows(const Transfer& t, int64_t dx, int64_t dy)
{
    Rows rows(t, dx, dy);
    return rows.run();
}

} // namespace dw::blit

// Bitmap files from untrusted bytes: the decoder, then everything the rotating image engine does
// with a decoded picture. Each stage takes the decoded source; add new ones to kStages. Any
// broken invariant aborts (a finding), as do the sanitizers.

#include "rotateimage/ColorEffect.h"
#include "rotateimage/DibDecoder.h"
#include "rotateimage/DibFormat.h"
#include "rotateimage/MixRow.h"
#include "rotateimage/RotateDib.h"
#include "rotateimage/Sketch.h"

#include "platform/ByteOrder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace dw;

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_bmp: %s\n", what);
        std::abort();
    }
}

int64_t pixelsOf(const TMemoryStream& image)
{
    return int64_t(readLE32s(image.Memory() + 18)) * readLE32s(image.Memory() + 22);
}

// A rendered image and its mask: both valid unless a side is 0, the mask only 0 and 1.
void checkRendered(RotateResult result, const TMemoryStream& image, const TMemoryStream& mask)
{
    require(result == RotateResult::Rendered || result == RotateResult::TooLarge, "decoded source not rendered");
    if (result != RotateResult::Rendered)
        return;
    require(image.size() >= kDibHeaderSize && mask.size() >= kDibHeaderSize, "rendered headers missing");
    if (pixelsOf(image) == 0)
        return;
    require(IsValidDib(image), "rendered image invalid");
    require(IsValidDib(mask), "mask invalid");
    const auto view = DibView::of(mask);
    require(view.has_value(), "mask rows missing");
    for (int64_t y = 0; y < view->height; ++y)
        for (int64_t x = 0; x < view->width; ++x)
            require(view->pixels[y * view->rowSize + x] <= 1, "mask value other than 0 and 1");
}

struct RenderCase {
    int tenths;
    int zoom;
    bool keyed;
    uint32_t effect;
    bool negative;
    bool forPrint;
};

// A few angles and zooms, with and without key, effect and negative. Big pictures skip the
// enlarging ones to keep each input fast.
void renderStage(const TMemoryStream& source)
{
    static const RenderCase cases[] = {
        {0, 100, false, EffectNone, false, false},     {900, 100, true, EffectNone, false, false},
        {450, 100, true, EffectSepia, true, false},    {1234, 25, false, EffectMonochrome, false, true},
        {370, 250, true, EffectNone, true, false},     {2700, 400, false, 0x7F80FF01u, false, true},
        {1, 400, true, EffectSepia, false, false},
    };
    const int64_t pixels = pixelsOf(source);
    const auto first = firstStoredPixel(source);
    require(first.has_value(), "decoded source has no first pixel");
    const bool indexed = readLE16(source.Memory() + 28) == 8;
    TMemoryStream image, mask;
    for (const RenderCase& c : cases) {
        if (c.zoom > 100 && pixels > (1 << 14))
            continue;
        RotateOptions o;
        if (c.keyed)
            o.key = indexed ? RotateKey::index(uint8_t(*first)) : RotateKey::pixel(*first);
        o.colorEffect = c.effect;
        o.negative = c.negative;
        o.forPrint = c.forPrint;
        const TRotateMatrix m = matrixFromAngle(angleFromTenths(c.tenths), zoomFromPercent(c.zoom));
        checkRendered(RotateDib(source, m, o, image, mask), image, mask);
    }
    // Translucent blending of the last rendered rows over each other.
    if (auto view = DibView::of(image); view && view->bitCount == 24 && view->height >= 2) {
        std::vector<uint8_t> row(view->pixels, view->pixels + view->rowSize);
        mixRow(row.data(), view->pixels + view->rowSize, view->width, 4);
    }
}

void sketchStage(const TMemoryStream& source)
{
    TMemoryStream sketch;
    require(MakeSketch(source, sketch), "decoded source gives no sketch");
    require(IsValidDib(sketch), "sketch invalid");
    TMemoryStream image, mask;
    checkRendered(RotateDib(sketch, matrixFromAngle(angleFromTenths(300), 1), {}, image, mask), image, mask);
}

void paletteStage(const TMemoryStream& source)
{
    TMemoryStream copy;
    copy.SetSize(source.size());
    std::memcpy(copy.Memory(), source.Memory(), size_t(source.size()));
    ApplyPaletteEffect(copy, EffectSepia, true);
    const auto palette = CreateDibPalette(copy);
    require(palette.has_value() == (readLE16(copy.Memory() + 28) == 8), "palette for the wrong depth");
}

using Stage = void (*)(const TMemoryStream& source);
const Stage kStages[] = {renderStage, sketchStage, paletteStage};

// The raw bytes taken as an engine image directly: every routine must cope with any buffer.
void rawImage(const uint8_t* data, size_t size)
{
    TMemoryStream raw;
    if (size > 0)
        raw.WriteBuffer(data, int64_t(size));
    TMemoryStream image, mask, sketch;
    RotateOptions o;
    o.key = RotateKey::index(0);
    const RotateResult r = RotateDib(raw, matrixFromAngle(angleFromTenths(450), zoomFromPercent(100)), o, image, mask);
    if (r == RotateResult::Rendered && pixelsOf(image) > 0) {
        require(IsValidDib(image), "raw render invalid");
        require(IsValidDib(mask), "raw mask invalid");
    }
    if (MakeSketch(raw, sketch))
        require(IsValidDib(sketch), "raw sketch invalid");
    ApplyPaletteEffect(raw, EffectMonochrome, true);
    (void)CreateDibPalette(raw);
    (void)firstStoredPixel(raw);
    (void)findTableEntry(raw, 0x123456);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    if (size > 0)
        stream.WriteBuffer(data, int64_t(size));
    stream.SetPosition(0);

    // Pictures back to back: each load consumes one declared file or leaves the position alone.
    for (int n = 0; n < 3; ++n) {
        const int64_t before = stream.Position();
        TMemoryStream source;
        const DibLoadResult loaded = LoadFromBmpStream(stream, source);
        const int64_t after = stream.Position();
        if (!loaded) {
            require(after == before, "refused picture moved the stream");
            require(source.size() == 0, "refused picture left a source");
            break;
        }
        require(after > before && after <= int64_t(size), "accepted picture left the stream out of place");
        require(IsValidDib(source), "decoded source invalid");
        require(DibView::of(source).has_value(), "decoded source rows missing");
        for (Stage stage : kStages)
            stage(source);
    }
    rawImage(data, size);
    return 0;
}

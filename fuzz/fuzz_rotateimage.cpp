// The rotating image control fed untrusted bitmap files: loading through the control (and
// through the platform's bitmap into AssignBitmap), rendering at a few angles and zooms, drawing
// in both display modes, translucent painting, printing, regions and hit tests. Any broken
// invariant aborts (a finding), as do the sanitizers.

#include "rotateimage/DibFormat.h"
#include "rotateimage/FunctionQuery.h"
#include "rotateimage/RegionFromMask.h"
#include "rotateimage/RotateImage.h"

#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/FrameworkError.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace dw;

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_rotateimage: %s\n", what);
        std::abort();
    }
}

class Host : public TControlHost {
public:
    void InvalidateRect(const TRect& r, bool) override { require(!r.isEmpty(), "empty repaint request"); }
    TRect ClientRect() const override { return {0, 0, 32, 32}; }
};

struct Case {
    int tenths;
    int zoom;
    bool pivot;
    int32_t pivotX, pivotY;
    int trnsIndex;
};

const Case kCases[] = {
    {0, 100, false, 0, 0, 0},      {900, 100, true, 0, 0, 4},     {451, 73, true, 3, -2, 7},
    {2700, 250, false, 0, 0, 0},   {1799, 400, true, INT32_MAX, INT32_MIN, 1},
    {-30, 25, true, -5, 9, 3},
};

// Only pictures whose rendering stays small are drawn, so that every input runs quickly.
constexpr int64_t kMaxDrawnPixels = int64_t(1) << 18;

void checkImages(const TRotateImage& image)
{
    const bool rendered = IsValidDib(image.RotatedDib());
    require(rendered == IsValidDib(image.MaskDib()), "rendered image and mask disagree");
    if (!rendered)
        return;
    require(readLE32s(image.RotatedDib().Memory() + 18) == readLE32s(image.MaskDib().Memory() + 18)
                && readLE32s(image.RotatedDib().Memory() + 22) == readLE32s(image.MaskDib().Memory() + 22),
            "mask size differs");
    const std::optional<TRegion> region = MaskToRegion(nullptr, image.MaskDib(), nullptr);
    require(region.has_value(), "no region of a mask");
    const TRect box = region->boundingBox();
    require(region->isEmpty()
                || (box.Left >= 0 && box.Top >= 0 && box.Right <= readLE32s(image.MaskDib().Memory() + 18)
                    && box.Bottom <= readLE32s(image.MaskDib().Memory() + 22)),
            "region beyond the mask");
    require(ImageRegionAt(nullptr, image, {16, 16}).has_value(), "no image region");
}

void exercise(TRotateImage& image, Host& host)
{
    // The same drawing on 24 bits (the transfers) and on 32 bits (word by word) must agree.
    auto canvas = std::make_unique<TBitmap>();
    canvas->SetPixelFormat(pf24bit);
    canvas->SetSize(32, 32);
    auto words = std::make_unique<TBitmap>();
    words->SetPixelFormat(pf32bit);
    words->SetSize(32, 32);
    const auto sameOnBoth = [&] {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (canvas->pixel(x, y) != words->pixel(x, y))
                    return false;
        return true;
    };
    QImage page(64, 64, QImage::Format_RGB32);
    page.fill(0xFFFFFFFF);
    TCanvas printer(&page, TDeviceCaps{DT_RASPRINTER, 24});
    SetMapMode(printer, MM_ANISOTROPIC);
    SetViewportExtEx(printer, 3, 2, nullptr);

    const int64_t w = image.SourceDib().size() ? readLE32s(image.SourceDib().Memory() + 18) : 0;
    const int64_t h = image.SourceDib().size() ? readLE32s(image.SourceDib().Memory() + 22) : 0;
    for (const Case& c : kCases) {
        const RotatedSize size =
            ComputeRotatedSize(matrixFromAngle(angleFromTenths(c.tenths), zoomFromPercent(c.zoom)), w, h);
        if (size.width * size.height > kMaxDrawnPixels)
            continue;
        image.SetAngleEx(c.tenths);
        image.SetZoom(c.zoom);
        image.SetPivot(c.pivot);
        image.SetPivotX(c.pivotX);
        image.SetPivotY(c.pivotY);
        checkImages(image);
        for (TRotateImageDispMode mode : {ridmMask, ridmRegion}) {
            image.SetDispMode(mode);
            image.DrawAt(canvas->Canvas(), {16, 16});
            image.DrawAt(words->Canvas(), {16, 16});
            require(!GetClipRgn(canvas->Canvas()).has_value(), "clip region left behind");
        }
        require(sameOnBoth(), "drawing on 32 bits differs from the transfers");
        image.SetTrnsIndex(c.trnsIndex);
        host.PaintControls(canvas->Canvas(), {0, 0, 32, 32});
        host.PaintControls(words->Canvas(), {0, 0, 32, 32});
        require(sameOnBoth(), "translucent painting on 32 bits differs from the transfers");
        image.SetTransparentMouse(true);
        const std::optional<TRegion> hits = image.TransparentMouseRegion();
        for (TPoint p : {TPoint{0, 0}, TPoint{16, 16}, TPoint{31, 5}, TPoint{-70000, 16}, TPoint{16 + 65536, 16}}) {
            const bool hit = image.CMHitTest(p);
            if (hits)
                require(hit == hits->contains(p), "hit test and mouse region disagree");
        }
        image.SetTransparentMouse(false);
        const TRotateMatrix before = image.Matrix();
        if (size.width * size.height * 16 <= kMaxDrawnPixels) {
            image.SetPrintQuality(c.trnsIndex + 1);
            image.DrawAt(printer, {5, 5});
            require(image.Matrix() == before, "printing changed the matrix");
            require(image.Visible(), "printing left the control hidden");
        }
        TBitmap copy;
        image.CopyRenderedTo(copy, true, clRed);
        require(copy.Empty() == !IsValidDib(image.RotatedDib()), "copy of the rendered image");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Host host;
    TRotateImage image;
    image.SetBounds(0, 0, 32, 32);
    image.SetParent(&host);
    image.SetTransparent(true);

    TMemoryStream stream;
    if (size > 0)
        stream.WriteBuffer(data, int64_t(size));
    stream.SetPosition(0);
    image.LoadFromBmpStream(stream);
    require(IsValidDib(image.SourceDib()) || image.SourceDib().size() == 0, "half a source");
    exercise(image, host);

    // The same bytes through the platform's bitmap and AssignBitmap (its direct 8- and 24-bit path).
    TBitmap bitmap;
    try {
        bitmap.LoadFromMemory(data, int64_t(size));
    } catch (const EFrameworkError&) {
        return 0;
    }
    if (int64_t(bitmap.Width()) * bitmap.Height() > kMaxDrawnPixels)
        return 0;
    image.SetSketch(true);
    image.SetBitmap(&bitmap);
    require(IsValidDib(image.SourceDib()) || bitmap.Empty(), "assigned bitmap lost");
    exercise(image, host);
    return 0;
}

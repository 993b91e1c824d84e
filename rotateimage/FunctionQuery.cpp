#include "FunctionQuery.h"

#include "DibDecoder.h"
#include "DibFormat.h"
#include "RegionFromMask.h"
#include "RotateImage_20001122.h"
#include "Sketch.h"

#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"

#include <typeinfo>

namespace dw {

namespace {

// The query hands out handles, not addresses (Result has 32 bits): a tag with the identifier,
// resolved through this table to the function and checked against the type asked for.
using AnyFunction = void (*)();

struct QueryEntry {
    int32_t id;
    int32_t handle;
    const std::type_info* type;
    AnyFunction function;
};

constexpr int32_t kHandleTag = 0x52490000;

const QueryEntry kEntries[] = {
    {kQueryImageRegionAt, kHandleTag | kQueryImageRegionAt, &typeid(ImageRegionAtFunction),
     reinterpret_cast<AnyFunction>(&ImageRegionAt)},
    {kQuerySketchGraphic, kHandleTag | kQuerySketchGraphic, &typeid(SketchGraphicFunction),
     reinterpret_cast<AnyFunction>(&SketchGraphic)},
};

template <typename Fn>
Fn resolve(int32_t handle)
{
    for (const QueryEntry& e : kEntries)
        if (e.handle == handle && *e.type == typeid(Fn))
            return reinterpret_cast<Fn>(e.function);
    return nullptr;
}

} // namespace

void QueryFunction(FunctionQuery& record)
{
    record.Result = kNoFunction;
    if (record.Size != int32_t(sizeof(FunctionQuery)))
        return;
    const uint32_t sum = uint32_t(record.Id) + uint32_t(record.Check) + uint32_t(record.Extra);
    if (sum != 0)
        return;
    for (const QueryEntry& e : kEntries)
        if (e.id == record.Id)
            record.Result = e.handle;
}

ImageRegionAtFunction imageRegionAtFunction(int32_t handle) { return resolve<ImageRegionAtFunction>(handle); }

SketchGraphicFunction sketchGraphicFunction(int32_t handle) { return resolve<SketchGraphicFunction>(handle); }

std::optional<TRegion> ImageRegionAt(const XFORM* transform, const TCustomRotateImage& control, TPoint point)
{
    const TMemoryStream& mask = control.MaskDib();
    const std::optional<DibView> view = DibView::of(mask);
    if (!view)
        return std::nullopt;
    std::optional<TRegion> region = MaskToRegion(transform, mask, nullptr);
    if (!region)
        return std::nullopt;
    const TPoint at = control.ApplyPivot(point);
    const int64_t dx = int64_t(at.X) - view->width / 2, dy = int64_t(at.Y) - view->height / 2;
    // A place beyond the region coordinate range holds no pixel of any window.
    if (dx < -kRegionCoordLimit || dx > kRegionCoordLimit || dy < -kRegionCoordLimit || dy > kRegionCoordLimit
        || OffsetRgn(*region, int32_t(dx), int32_t(dy)) == ERROR)
        return TRegion();
    return region;
}

void SketchGraphic(TBitmap& destination, const TBitmap& source)
{
    TMemoryStream file;
    source.SaveToStream(file);
    file.SetPosition(0);
    // Any pixel format of the source: decoded to the 8- or 24-bit form the sketch reads.
    TMemoryStream picture;
    TMemoryStream sketch;
    if (!LoadFromBmpStream(file, picture) || !MakeSketch(picture, sketch)) {
        destination.Assign(nullptr);
        return;
    }
    sketch.SetPosition(0);
    destination.LoadFromStream(sketch);
}

} // namespace dw

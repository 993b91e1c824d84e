#include "ClockThumbnail.h"

#include "CompletePicture.h"
#include "SavedClock.h"

#include "datafile/DataFileLayout.h"

namespace dw {

namespace {

// Qt scales an ARGB32 picture of at least this many pixels as it scales the premultiplied form,
// into which it first converts a copy (a whole picture more to hold and write), and converts the
// result back; a smaller one it draws with its painter, with results of its own. So a large
// clock is rendered premultiplied, which gives the same thumbnail without the copy.
// ClockThumbnail.IsTheRenderedClockScaledToFit holds both sides of the size to scaledToFit.
constexpr int64_t kPremultipliedScalingPixels = int64_t(1) << 20;

} // namespace

// 64 bits: four sides of up to 2^31.
int64_t statedPicturePixels(const std::vector<std::vector<uint8_t>>& members)
{
    int64_t pixels = 0;
    for (int i = pdl::kDialMember; i <= pdl::kSecondHandMember && size_t(i) < members.size(); ++i) {
        const std::vector<uint8_t>& m = members[size_t(i)];
        if (m.empty())
            continue; // a built-in picture
        const QSize size = bitmapHeaderFacts(m.data(), int64_t(m.size())).size;
        if (size.isValid())
            pixels += int64_t(size.width()) * size.height();
    }
    return pixels;
}

QImage scaledToFit(const QImage& picture, int side)
{
    return picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

ClockThumbnail drawClockThumbnail(const std::vector<std::vector<uint8_t>>& members, const QTime& time, int side)
{
    ClockThumbnail out;
    if (side < 1 || side > kMaxThumbnailSide) {
        out.problem = QStringLiteral("a thumbnail is 1 to %1 pixels a side").arg(kMaxThumbnailSide);
        return out;
    }
    if (statedPicturePixels(members) > kMaxThumbnailPixels) {
        out.problem = QStringLiteral("its pictures have more than %1 pixels together, too many for a thumbnail")
                          .arg(kMaxThumbnailPixels);
        return out;
    }
    SavedClock clock;
    if (const QString problem = clock.load(members); !problem.isEmpty()) {
        out.problem = problem;
        return out;
    }
    const bool large = int64_t(clock.size().cx) * clock.size().cy >= kPremultipliedScalingPixels;
    const QImage picture = large ? clock.renderPremultiplied(time) : clock.render(time);
    if (picture.isNull()) {
        out.problem = QStringLiteral("the clock draws as an empty picture");
        return out;
    }
    out.image = large ? scaledToFit(picture, side).convertToFormat(QImage::Format_ARGB32) : scaledToFit(picture, side);
    return out;
}

} // namespace dw

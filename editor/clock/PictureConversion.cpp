#include "PictureConversion.h"

#include "platform/Bitmap.h"
#include "platform/ByteViewStream.h"
#include "platform/FrameworkError.h"
#include "rotateimage/DibDecoder.h"

#include <QRgba64>

#include <climits>

namespace dw {

namespace {

bool anyTranslucent(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return true;
    }
    return false;
}

// A 24-bit bitmap file's two headers, before its rows.
constexpr int64_t kBitmapHeadersSize = 14 + 40;

constexpr QRgb kMagenta = 0xFFFF00FFu;
// Half of full alpha: 128 of 255, the same share of a 16-bit alpha.
constexpr int kKeptAlpha8 = 128;
constexpr int kKeptAlpha16 = 128 * 257;

bool sixteenBitAlpha(const QImage& image)
{
    const QImage::Format f = image.format();
    return f == QImage::Format_RGBA64 || f == QImage::Format_RGBA64_Premultiplied;
}

// Calls visit(x, y, argb, kept) for every pixel: its colour not premultiplied, and whether it
// keeps it (alpha at least the half, measured in the picture's own precision).
template <typename Visit>
void forEachPixel(const QImage& picture, const QImage& argb, Visit visit)
{
    const bool wide = sixteenBitAlpha(picture);
    const int width = argb.width(), height = argb.height();
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        const auto* wideLine = wide ? reinterpret_cast<const QRgba64*>(picture.constScanLine(y)) : nullptr;
        for (int x = 0; x < width; ++x) {
            const bool kept = wide ? wideLine[x].alpha() >= kKeptAlpha16 : qAlpha(line[x]) >= kKeptAlpha8;
            if (!visit(x, y, line[x], kept))
                return;
        }
    }
}

bool engineShows(const uint8_t* bytes, int64_t size)
{
    ByteViewStream view(bytes, size);
    return CheckBmpStream(view).ok;
}

} // namespace

QRgb nearestFreeColour(const std::vector<uint64_t>& taken)
{
    const auto free = [&taken](uint32_t rgb) { return !(taken[rgb >> 6] >> (rgb & 63) & 1); };
    // Outward from magenta by the distance in each channel; a channel's distance beyond the best
    // sum found ends its loop, so a picture with few colours near magenta costs a few steps.
    int64_t bestDistance = INT64_MAX;
    uint32_t best = kMagenta & 0xFFFFFF;
    for (int dr = 0; dr < 256 && int64_t(dr) * dr <= bestDistance; ++dr)
        for (int dg = 0; dg < 256 && int64_t(dr) * dr + dg * dg <= bestDistance; ++dg)
            for (int db = 0; db < 256; ++db) {
                const int64_t distance = int64_t(dr) * dr + dg * dg + db * db;
                if (distance > bestDistance)
                    break;
                const uint32_t rgb = uint32_t(255 - dr) << 16 | uint32_t(dg) << 8 | uint32_t(255 - db);
                if (free(rgb) && (distance < bestDistance || rgb < best))
                    bestDistance = distance, best = rgb;
            }
    // Every colour taken (a picture of 2^24 colours or more): magenta, which then shows through
    // wherever it is drawn as well.
    return 0xFF000000u | best;
}

AlphaKeying planAlphaKeying(const QImage& picture)
{
    AlphaKeying plan;
    if (picture.isNull() || !picture.hasAlphaChannel())
        return plan;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    bool magentaKept = false;
    forEachPixel(picture, argb, [&](int x, int y, QRgb colour, bool kept) {
        if (!kept) {
            plan.anySeeThrough = true;
            if (x == 0 && y == argb.height() - 1)
                plan.cornerSeeThrough = true;
        } else if ((colour & 0xFFFFFF) == (kMagenta & 0xFFFFFF)) {
            magentaKept = true;
        }
        return true;
    });
    if (!plan.anySeeThrough || !magentaKept)
        return plan;
    // One bit for each colour a kept pixel has (2 MiB).
    std::vector<uint64_t> taken(size_t(1) << 18);
    forEachPixel(picture, argb, [&](int, int, QRgb colour, bool kept) {
        if (kept)
            taken[(colour & 0xFFFFFF) >> 6] |= uint64_t(1) << (colour & 63);
        return true;
    });
    plan.key = nearestFreeColour(taken);
    return plan;
}

PictureForm examinePicture(const TMemoryStream& file, PictureUse use)
{
    PictureForm form;
    if (use == PictureUse::Stored) {
        form.clockShows = engineShows(file.Memory(), file.size());
    } else {
        try {
            TBitmap bitmap;
            bitmap.LoadFromMemory(file.Memory(), file.size());
            form.clockShows = true;
        } catch (const EFrameworkError&) {
            form.clockShows = false;
        }
    }
    if (form.clockShows)
        return form;
    form.picture = readCompletePicture(file.Memory(), file.size());
    form.hasAlpha = form.picture.ok() && anyTranslucent(form.picture.image);
    if (form.hasAlpha)
        form.keying = planAlphaKeying(form.picture.image);
    return form;
}

void convertToClockBitmap(const QImage& picture, TMemoryStream& converted, const AlphaKeying* keying)
{
    converted.Clear();
    if (picture.isNull())
        return;
    // Each kept pixel keeps its colour as stored (not mixed with any background); the others
    // take the key colour. The 24-bit rows (blue, green, red, as the file holds them) are
    // written from the picture's colours in one pass.
    const AlphaKeying plan = keying ? *keying : planAlphaKeying(picture);
    // An opaque 32-bit picture's words already read as 0xFFrrggbb: no copy of it is made.
    const QImage argb =
        picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_ARGB32);
    QImage rows(argb.size(), QImage::Format_BGR888);
    if (rows.isNull())
        throw EFrameworkError(stock::outOfResources());
    uchar* const bits = rows.bits();
    const qsizetype stride = rows.bytesPerLine();
    forEachPixel(picture, argb, [&](int x, int y, QRgb colour, bool kept) {
        const QRgb shown = kept || !plan.anySeeThrough ? colour : plan.key;
        uchar* at = bits + y * stride + 3 * x;
        at[0] = uchar(qBlue(shown));
        at[1] = uchar(qGreen(shown));
        at[2] = uchar(qRed(shown));
        return true;
    });
    TBitmap bitmap;
    bitmap.setImage(rows);
    // The stream takes the file's size at once rather than growing row by row (each growth a
    // copy of all before it), without clearing it first: the bitmap writes every byte from the
    // first on, and what it did not reach is cut off below.
    converted.SetSizeForOverwrite(kBitmapHeadersSize + int64_t(rows.width() * 3 + 3) / 4 * 4 * rows.height());
    converted.SetPosition(0);
    bitmap.SaveToStream(converted);
    converted.SetSize(converted.Position());
    converted.SetPosition(0);
}

bool storedPictureComplete(const uint8_t* bytes, int64_t size)
{
    return engineShows(bytes, size) || readCompletePicture(bytes, size).ok();
}

QString pictureRefusalMessage(const QString& fileName, const CompletePicture& picture)
{
    switch (picture.problem) {
    case PictureProblem::None:
        break;
    case PictureProblem::NotAPicture:
        return QStringLiteral("「%1」は画像ではないため、読み込めません。\nビットマップ（*.bmp）のファイルを選んでください。")
            .arg(fileName);
    case PictureProblem::TooLarge:
        return QStringLiteral("「%1」は大きすぎるため、読み込めません（%2 × %3 ピクセル）。\n"
                              "時計に使える画像は、縦横 %4 ピクセル、%5 MB までです。")
            .arg(fileName)
            .arg(picture.statedSize.width())
            .arg(picture.statedSize.height())
            .arg(kMaxPictureSide)
            .arg(kMaxPictureBytes >> 20);
    case PictureProblem::Unsupported:
        return QStringLiteral("「%1」は読み込めない形式（%2）の画像です。\nビットマップ（*.bmp）に変換してから読み込んでください。")
            .arg(fileName, QString::fromLatin1(picture.format).toUpper());
    case PictureProblem::Damaged:
        break;
    }
    return QStringLiteral("「%1」は壊れているため、読み込めません。\n"
                          "ファイルが途中で切れているか、画像の大きさや形式の値が正しくありません。")
        .arg(fileName);
}

} // namespace dw

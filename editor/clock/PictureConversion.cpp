#include "PictureConversion.h"

#include "platform/Bitmap.h"
#include "platform/FrameworkError.h"
#include "rotateimage/DibDecoder.h"

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

bool engineShows(const uint8_t* bytes, int64_t size)
{
    TMemoryStream copy, decoded;
    copy.WriteBuffer(bytes, size);
    copy.SetPosition(0);
    return LoadFromBmpStream(copy, decoded).ok;
}

} // namespace

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
    return form;
}

void convertToClockBitmap(const QImage& picture, TMemoryStream& converted)
{
    converted.Clear();
    if (picture.isNull())
        return;
    // Each pixel keeps its colour as stored (not mixed with any background); alpha is dropped.
    QImage opaque = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < opaque.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    TBitmap bitmap;
    bitmap.setImage(opaque.convertToFormat(QImage::Format_RGB32));
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SaveToStream(converted);
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

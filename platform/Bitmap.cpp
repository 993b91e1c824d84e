#include "Bitmap.h"

#include "BitmapFormats.h"
#include "Canvas.h"
#include "FrameworkError.h"
#include "PixelSurface.h"

#include <cstring>

namespace dw {

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::changed()
{
    if (OnChange)
        OnChange(*this);
}

void TBitmap::replaceImage(QImage image, TPixelFormat format, TBitmapHandleType type)
{
    m_image = std::move(image);
    m_width = m_image.isNull() ? 0 : m_image.width();
    m_height = m_image.isNull() ? 0 : m_image.height();
    m_format = format;
    m_handleType = type;
    if (m_canvas)
        m_canvas->resetDeviceState();
    changed();
}

TPixelFormat TBitmap::PixelFormat() const { return m_handleType == bmDDB ? pf1bit : m_format; }

bool TBitmap::Monochrome() const { return m_handleType == bmDDB || m_format == pf1bit; }

void TBitmap::SetSize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return;
    if (width > kMaxBitmapSide || height > kMaxBitmapSide || int64_t(width) * height > kMaxBitmapPixels)
        throw EFrameworkError(stock::outOfResources());
    if (width == 0 || height == 0) {
        // An empty bitmap keeps only its format (and its colour table for the next size).
        m_keptTable = m_image.isNull() ? m_keptTable : m_image.colorTable();
        m_image = QImage();
        m_width = width;
        m_height = height;
        if (m_canvas)
            m_canvas->resetDeviceState();
        changed();
        return;
    }
    QImage image = formats::blankImage(width, height, m_format, m_handleType == bmDDB,
                                       m_image.isNull() ? m_keptTable : m_image.colorTable());
    if (image.isNull())
        throw EFrameworkError(stock::outOfResources());
    if (!m_image.isNull())
        formats::copyTopLeft(m_image, image);
    replaceImage(std::move(image), m_format, m_handleType);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == PixelFormat() && m_handleType == bmDIB)
        return;
    if (Empty()) {
        m_format = format;
        m_handleType = bmDIB;
        m_keptTable.clear();
        changed();
        return;
    }
    QImage image = formats::convert(m_image, m_handleType == bmDDB, format);
    if (image.isNull())
        throw EFrameworkError(stock::outOfResources());
    replaceImage(std::move(image), format, bmDIB);
}

void TBitmap::SetMonochrome(bool monochrome)
{
    if (monochrome == Monochrome())
        return;
    if (!monochrome) {
        SetPixelFormat(pfDevice);
        return;
    }
    if (Empty()) {
        m_handleType = bmDDB;
        m_format = pf1bit;
        changed();
        return;
    }
    // Only pure white stays white: the platform's colour-to-monochrome rule with a white
    // background colour.
    replaceImage(formats::maskOf(m_image, m_handleType == bmDDB, 0xFFFFFF, false), pf1bit, bmDDB);
}

void TBitmap::Mask(TColor transparentColor)
{
    if (Empty()) {
        m_handleType = bmDDB;
        m_format = pf1bit;
        changed();
        return;
    }
    replaceImage(formats::maskOf(m_image, m_handleType == bmDDB, px::rgbOfColor(transparentColor), true), pf1bit,
                 bmDDB);
}

void TBitmap::Assign(const TBitmap& source)
{
    if (&source == this)
        return;
    m_transparent = source.m_transparent;
    m_transparentMode = source.m_transparentMode;
    m_transparentColor = source.m_transparentColor;
    m_keptTable = source.m_keptTable;
    m_image = source.m_image;
    m_width = source.m_width;
    m_height = source.m_height;
    m_format = source.m_format;
    m_handleType = source.m_handleType;
    if (m_canvas)
        m_canvas->resetDeviceState();
    changed();
}

void TBitmap::Assign(const TBitmap* source)
{
    if (source) {
        Assign(*source);
        return;
    }
    m_keptTable.clear();
    replaceImage(QImage(), pfDevice, bmDIB);
}

TColor TBitmap::pixel(int32_t x, int32_t y) const
{
    if (Empty() || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return -1;
    uint32_t c = 0;
    px::Surface(m_image, m_handleType == bmDDB).fetch(y, x, 1, &c);
    return px::colorOfRgb(c);
}

void TBitmap::SetTransparent(bool transparent)
{
    if (transparent != m_transparent) {
        m_transparent = transparent;
        changed();
    }
}

void TBitmap::SetTransparentMode(TTransparentMode mode)
{
    if (mode != m_transparentMode) {
        m_transparentMode = mode;
        changed();
    }
}

TColor TBitmap::TransparentColor() const
{
    if (m_transparentMode == tmFixed || Empty())
        return m_transparentColor;
    if (Monochrome())
        return clWhite;
    return pixel(0, m_height - 1);
}

void TBitmap::SetTransparentColor(TColor color)
{
    m_transparentColor = color;
    m_transparentMode = tmFixed;
    changed();
}

TCanvas& TBitmap::Canvas()
{
    if (!m_canvas)
        m_canvas.reset(new TCanvas(this));
    return *m_canvas;
}

uint8_t* TBitmap::ScanLine(int32_t y)
{
    return Empty() || y < 0 || y >= m_height ? nullptr : m_image.scanLine(y);
}

const uint8_t* TBitmap::ScanLine(int32_t y) const
{
    return Empty() || y < 0 || y >= m_height ? nullptr : m_image.constScanLine(y);
}

void TBitmap::setImage(const QImage& image)
{
    if (image.isNull()) {
        Assign(nullptr);
        return;
    }
    if (image.width() > kMaxBitmapSide || image.height() > kMaxBitmapSide
        || int64_t(image.width()) * image.height() > kMaxBitmapPixels)
        throw EFrameworkError(stock::outOfResources());
    TPixelFormat format = pf32bit;
    QImage use = image;
    switch (image.format()) {
    case QImage::Format_Mono: format = pf1bit; break;
    case QImage::Format_MonoLSB:
        use = image.convertToFormat(QImage::Format_Mono);
        format = pf1bit;
        break;
    case QImage::Format_Indexed8: format = image.colorCount() <= 16 ? pf4bit : pf8bit; break;
    case QImage::Format_RGB555: format = pf15bit; break;
    case QImage::Format_RGB16: format = pf16bit; break;
    case QImage::Format_BGR888: format = pf24bit; break;
    case QImage::Format_RGB888:
        use = image.convertToFormat(QImage::Format_BGR888);
        format = pf24bit;
        break;
    case QImage::Format_RGB32: break;
    default: use = image.convertToFormat(QImage::Format_RGB32); break;
    }
    if (use.isNull())
        throw EFrameworkError(stock::outOfResources());
    if (format == pf1bit || format == pf4bit || format == pf8bit)
        use = formats::withCoveringTable(use);
    replaceImage(std::move(use), format, bmDIB);
}

std::unique_ptr<TBitmap> CreateMonochromeBitmap(int32_t width, int32_t height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetMonochrome(true);
    bitmap->SetSize(width, height);
    if (!bitmap->Empty())
        bitmap->m_image.fill(0);
    return bitmap;
}

std::unique_ptr<TBitmap> CreateCompatibleBitmap(const TCanvas& reference, int32_t width, int32_t height)
{
    auto bitmap = std::make_unique<TBitmap>();
    if (width > 0 && height > 0) {
        // Made black at once: SetSize would whiten it first (the mask blit makes one per draw).
        if (width > kMaxBitmapSide || height > kMaxBitmapSide || int64_t(width) * height > kMaxBitmapPixels)
            throw EFrameworkError(stock::outOfResources());
        QImage image(width, height, QImage::Format_RGB32);
        if (image.isNull())
            throw EFrameworkError(stock::outOfResources());
        image.fill(0xFF000000u);
        bitmap->replaceImage(std::move(image), pfDevice, bmDIB);
    } else {
        bitmap->SetSize(width, height);
    }
    bitmap->Canvas().setDeviceCaps(reference.deviceCaps());
    return bitmap;
}

} // namespace dw

#include "SavedClock.h"

#include "BuiltinPictures.h"
#include "ClearOutside.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileLimits.h"
#include "platform/AnsiText.h"
#include "platform/Bitmap.h"
#include "platform/ByteViewStream.h"
#include "platform/Dib.h"
#include "platform/MemoryStream.h"
#include "rotateimage/DibFormat.h"
#include "rotateimage/RotateImage.h"

#include <QStringList>

namespace dw {

namespace {

constexpr size_t kDialMember = 0, kHourMember = 1, kMinuteMember = 2, kSecondMember = 3, kShapeMember = 4,
                 kHeaderMember = 5, kFixedMembers = 7;

// Loads a picture member into a renderer: the file bytes, or the built-in picture for none.
void loadPicture(TRotateImage& renderer, const std::vector<uint8_t>& member, BuiltinPicture builtin)
{
    if (member.empty()) {
        const QByteArray bytes = builtinPictureBytes(builtin);
        TBitmap picture;
        picture.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
        renderer.SetBitmap(&picture);
        return;
    }
    ByteViewStream stream(member.data(), int64_t(member.size()));
    renderer.LoadFromBmpStream(stream);
}

} // namespace

SavedClock::SavedClock()
    : m_dial(std::make_unique<TRotateImage>()), m_hour(std::make_unique<TRotateImage>()),
      m_minute(std::make_unique<TRotateImage>()), m_second(std::make_unique<TRotateImage>())
{
    for (TRotateImage* hand : {m_hour.get(), m_minute.get(), m_second.get()})
        setUpHandRenderer(*hand);
}

SavedClock::~SavedClock() = default;

QString SavedClock::load(const std::vector<std::vector<uint8_t>>& members)
{
    if (members.size() < kFixedMembers)
        return QStringLiteral("the file holds %1 members, a clock needs at least 7").arg(members.size());

    const std::vector<uint8_t>& text = members[kHeaderMember];
    const HeaderReading reading = readHeaderText(unicodeFromAnsi(reinterpret_cast<const char*>(text.data()), text.size()));
    if (!reading.ok())
        return QStringLiteral("the header has no whole number for %1=").arg(reading.badKey);
    const DataFileHeader& header = reading.header;
    const TPoint hourPivot{header.hourPivot.x(), header.hourPivot.y()};
    const TPoint minPivot{header.minPivot.x(), header.minPivot.y()};
    const TPoint secPivot{header.secPivot.x(), header.secPivot.y()};
    m_hourCenter = {header.hourCenter.x(), header.hourCenter.y()};
    m_minCenter = {header.minCenter.x(), header.minCenter.y()};
    m_secCenter = {header.secCenter.x(), header.secCenter.y()};
    m_extrudeHand = header.extrudeHand;

    const std::vector<uint8_t>& shapeData = members[kShapeMember];
    const std::optional<TRegion> shape = pdl::shapeRegion(shapeData.data(), int64_t(shapeData.size()));
    if (!shape)
        return QStringLiteral("the window shape is not region data");
    m_shape = *shape;

    loadPicture(*m_dial, members[kDialMember], BuiltinPicture::Dial);
    loadPicture(*m_hour, members[kHourMember], BuiltinPicture::Hour);
    loadPicture(*m_minute, members[kMinuteMember], BuiltinPicture::Minute);
    loadPicture(*m_second, members[kSecondMember], BuiltinPicture::Second);
    // The size the copy of the rendered dial would have, read without making one.
    const TMemoryStream& rendered = m_dial->RotatedDib();
    const std::optional<TDib> dial =
        IsValidDib(rendered) ? TDib::fromFileImage(rendered.Memory(), size_t(rendered.size())) : std::nullopt;
    if (!dial)
        return QStringLiteral("the dial picture cannot be decoded");
    m_size = {dial->width(), dial->height()};

    const struct {
        TRotateImage* hand;
        TPoint pivot;
    } hands[] = {{m_hour.get(), hourPivot}, {m_minute.get(), minPivot}, {m_second.get(), secPivot}};
    for (const auto& h : hands) {
        h.hand->SetPivotX(h.pivot.X);
        h.hand->SetPivotY(h.pivot.Y);
    }
    return {};
}

ClockScene SavedClock::scene() const
{
    ClockScene s;
    s.dial = m_dial.get();
    s.hour = m_hour.get();
    s.minute = m_minute.get();
    s.second = m_second.get();
    s.hourCenter = m_hourCenter;
    s.minCenter = m_minCenter;
    s.secCenter = m_secCenter;
    return s;
}

TRegion SavedClock::windowRegion() const { return clockWindowRegion(scene(), m_shape, m_extrudeHand, m_size); }

QImage SavedClock::render(const QTime& time) { return renderAs(time, QImage::Format_ARGB32); }

QImage SavedClock::renderPremultiplied(const QTime& time)
{
    return renderAs(time, QImage::Format_ARGB32_Premultiplied);
}

QImage SavedClock::renderAs(const QTime& time, QImage::Format format)
{
    const ClockScene s = scene();
    setHandAngles(s, handAnglesAt(time));
    QImage picture;
    {
        TBitmap composed;
        composeClock(s, composed);
        picture = composed.image();
    } // the bitmap and its canvas are gone: the pixels are the picture's alone
    if (picture.isNull())
        return {};
    // The display's format holds 0xffRRGGBB words (every 32-bit store of the platform writes the
    // opaque byte), which both forms of ARGB read as they are, as Qt's conversion would make them:
    // the picture only changes its name. Then the pixels outside the window go, in place.
    if (!picture.reinterpretAsFormat(format))
        picture = picture.convertToFormat(format);
    clearOutside(picture, windowRegion());
    return picture;
}

} // namespace dw

#include "SavedClock.h"

#include "BuiltinPictures.h"

#include "platform/AnsiText.h"
#include "platform/Bitmap.h"
#include "platform/MemoryStream.h"
#include "rotateimage/RotateImage.h"

#include <QHash>
#include <QRegion>
#include <QStringList>

#include <cstring>

namespace dw {

namespace {

constexpr size_t kDialMember = 0, kHourMember = 1, kMinuteMember = 2, kSecondMember = 3, kShapeMember = 4,
                 kHeaderMember = 5, kFixedMembers = 7;

// The key=value lines of the header text; a line without "=" is not a setting and is skipped.
QHash<QString, QString> headerValues(const std::vector<uint8_t>& text)
{
    QHash<QString, QString> values;
    const QString all = unicodeFromAnsi(reinterpret_cast<const char*>(text.data()), text.size());
    for (const QString& line : all.split(QStringLiteral("\r\n"))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !values.contains(line.left(eq)))
            values.insert(line.left(eq), line.mid(eq + 1));
    }
    return values;
}

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
    TMemoryStream stream;
    stream.WriteBuffer(member.data(), int64_t(member.size()));
    stream.SetPosition(0);
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

    const QHash<QString, QString> values = headerValues(members[kHeaderMember]);
    QString missing;
    auto number = [&](const char* key) -> int32_t {
        bool ok = false;
        const int32_t v = values.value(QLatin1String(key)).toInt(&ok, 10);
        if (!ok && missing.isEmpty())
            missing = QStringLiteral("the header has no whole number for %1=").arg(QLatin1String(key));
        return v;
    };
    const TPoint hourPivot{number("HPX"), number("HPY")};
    const TPoint minPivot{number("MPX"), number("MPY")};
    const TPoint secPivot{number("SPX"), number("SPY")};
    m_hourCenter = {number("HCX"), number("HCY")};
    m_minCenter = {number("MCX"), number("MCY")};
    m_secCenter = {number("SCX"), number("SCY")};
    if (!missing.isEmpty())
        return missing;
    m_extrudeHand = values.value(QStringLiteral("ExtrudeHand")) == QLatin1String("1");

    const std::vector<uint8_t>& shapeData = members[kShapeMember];
    // A member holds at most 2 GiB − 1 bytes, so its size fits the call's 32 bits.
    const std::optional<TRegion> shape = ExtCreateRegion(nullptr, uint32_t(shapeData.size()), shapeData.data());
    if (!shape)
        return QStringLiteral("the window shape is not region data");
    m_shape = *shape;

    loadPicture(*m_dial, members[kDialMember], BuiltinPicture::Dial);
    loadPicture(*m_hour, members[kHourMember], BuiltinPicture::Hour);
    loadPicture(*m_minute, members[kMinuteMember], BuiltinPicture::Minute);
    loadPicture(*m_second, members[kSecondMember], BuiltinPicture::Second);
    TBitmap dial;
    m_dial->CopyRenderedTo(dial, false, clBlack);
    if (dial.Empty())
        return QStringLiteral("the dial picture cannot be decoded");
    m_size = {dial.Width(), dial.Height()};

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

TRegion SavedClock::windowRegion() const
{
    if (m_extrudeHand)
        return extrudedShape(scene(), m_shape, m_size);
    return m_shape.isEmpty() ? CreateRectRgn(0, 0, m_size.cx, m_size.cy) : m_shape;
}

QImage SavedClock::render(const QTime& time)
{
    const ClockScene s = scene();
    setHandAngles(s, handAnglesAt(time));
    TBitmap picture;
    composeClock(s, picture);
    if (picture.Empty())
        return {};
    const QImage composed = picture.image().convertToFormat(QImage::Format_ARGB32);
    QImage out(composed.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    for (const QRect& r : windowRegion().qregion().intersected(composed.rect()))
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(out.scanLine(y) + size_t(r.left()) * 4, composed.constScanLine(y) + size_t(r.left()) * 4,
                        size_t(r.width()) * 4);
    return out;
}

} // namespace dw

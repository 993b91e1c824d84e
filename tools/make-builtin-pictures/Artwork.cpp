#include "Artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// The face colour; hands and the second mark are blended against it, since that is what
// they are seen over most of the time.
const QColor kFace(248, 246, 238);
const QColor kInk(22, 22, 30);

QImage canvas(int w, int h, QColor fill)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

// A point at radius r from the dial centre, at the angle of minute m (0 = 12 o'clock).
QPointF polar(QPointF centre, double r, double minute)
{
    const double a = minute / 60.0 * 2.0 * kPi;
    return {centre.x() + r * std::sin(a), centre.y() - r * std::cos(a)};
}

// Over `backdrop`, the colour of an antialiased layer pixel (premultiplied ARGB).
QRgb over(QRgb layer, QColor backdrop)
{
    const int a = qAlpha(layer);
    auto mix = [&](int c, int b) { return std::clamp(c + b * (255 - a) / 255, 0, 255); };
    return qRgb(mix(qRed(layer), backdrop.red()), mix(qGreen(layer), backdrop.green()),
                mix(qBlue(layer), backdrop.blue()));
}

} // namespace

IndexedPicture drawDial()
{
    const std::vector<QRgb> palette = {
        qRgb(0, 0, 255),     // 0 outside the disc (the window is cut here)
        kInk.rgb(),          // 1 numerals and indices
        qRgb(64, 64, 72),    // 2 ink ramp over the face…
        qRgb(108, 108, 114), // 3
        qRgb(152, 151, 152), // 4
        qRgb(194, 193, 190), // 5
        qRgb(226, 224, 216), // 6
        kFace.rgb(),         // 7 face
        qRgb(188, 32, 40),   // 8 red of the twelve o'clock mark
        qRgb(224, 138, 132), // 9 red over the face
        qRgb(36, 40, 52),    // 10 bezel, darkest
        qRgb(78, 84, 100),   // 11
        qRgb(124, 130, 146), // 12
        qRgb(172, 178, 192), // 13
        qRgb(218, 222, 230), // 14 bezel, brightest
        qRgb(240, 237, 226), // 15 face shade next to the bezel
    };
    constexpr int kSize = 200;
    const QPointF c(100.0, 100.0);

    QImage art = canvas(kSize, kSize, QColor(palette[10]));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);

    // Bezel: a ring lit from the top left, with an inner step lit from the bottom right.
    QLinearGradient outer(QPointF(20, 20), QPointF(180, 180));
    outer.setColorAt(0.0, QColor(226, 230, 238));
    outer.setColorAt(0.5, QColor(130, 136, 152));
    outer.setColorAt(1.0, QColor(40, 44, 56));
    p.setBrush(outer);
    p.drawEllipse(c, 100.0, 100.0);
    QLinearGradient inner(QPointF(30, 30), QPointF(170, 170));
    inner.setColorAt(0.0, QColor(60, 64, 80));
    inner.setColorAt(1.0, QColor(210, 214, 224));
    p.setBrush(inner);
    p.drawEllipse(c, 96.0, 96.0);

    // Face, slightly shaded towards the bezel.
    QRadialGradient face(c, 93.0);
    face.setColorAt(0.0, kFace);
    face.setColorAt(0.9, kFace);
    face.setColorAt(1.0, QColor(236, 232, 220));
    p.setBrush(face);
    p.drawEllipse(c, 93.0, 93.0);

    // Minute track: two rings with a tick for every minute between them.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 0.9));
    p.drawEllipse(c, 89.5, 89.5);
    p.setPen(QPen(QColor(70, 70, 78), 0.7));
    p.drawEllipse(c, 84.0, 84.0);
    for (int m = 0; m < 60; ++m) {
        if (m % 5 == 0)
            continue;
        p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(c, 84.0, m), polar(c, 89.5, m));
    }
    // Hour indices: bold bars across the track; a red triangle at twelve.
    for (int h = 1; h < 12; ++h) {
        p.setPen(QPen(kInk, h % 3 == 0 ? 4.0 : 3.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(c, h % 3 == 0 ? 76.0 : 78.5, h * 5), polar(c, 89.5, h * 5));
    }
    QPainterPath triangle;
    triangle.moveTo(polar(c, 75.0, 0));
    triangle.lineTo(polar(c, 90.0, -1.1));
    triangle.lineTo(polar(c, 90.0, 1.1));
    triangle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(palette[8]));
    p.drawPath(triangle);

    // Numerals.
    QFont numerals(QStringLiteral("C059"));
    numerals.setPixelSize(17);
    numerals.setBold(true);
    p.setFont(numerals);
    p.setPen(kInk);
    const QFontMetricsF fm(numerals);
    for (int h = 1; h <= 12; ++h) {
        const QString text = QString::number(h);
        const QPointF at = polar(c, 64.0, h * 5);
        const QRectF box = fm.tightBoundingRect(text);
        p.drawText(QPointF(at.x() - box.width() / 2 - box.left(), at.y() - box.height() / 2 - box.top()),
                   text);
    }

    // The maker's line under twelve.
    QFont brand(QStringLiteral("Nimbus Sans"));
    brand.setPixelSize(7);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    p.setFont(brand);
    p.setPen(QColor(90, 90, 98));
    const QString name = QStringLiteral("DIALWRIGHT");
    const QFontMetricsF bm(brand);
    p.drawText(QPointF(c.x() - bm.horizontalAdvance(name) / 2, 62.0), name);

    // The hub the hands turn on.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(palette[10]));
    p.drawEllipse(c, 4.0, 4.0);
    p.setBrush(QColor(palette[12]));
    p.drawEllipse(c, 1.6, 1.6);
    p.end();

    IndexedPicture dial(kSize, kSize, palette);
    const uint32_t inside = 0xFFFEu; // every entry but the blue
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double dx = x + 0.5 - c.x(), dy = y + 0.5 - c.y();
            // The disc is decided per pixel centre with no blending into the blue, so the
            // cut-out window has a clean edge of bezel colour.
            if (dx * dx + dy * dy > 100.0 * 100.0)
                dial.at(x, y) = 0;
            else
                dial.at(x, y) = uint8_t(nearestEntry(palette, art.pixel(x, y), inside));
        }
    }
    return dial;
}

IndexedPicture drawHand(int height, double widestY, double taperEndY)
{
    const std::vector<QRgb> palette = {
        qRgb(255, 255, 255), // 0 background (the colour key)
        qRgb(24, 26, 36),    // 1 dark facet and shaft
        qRgb(62, 68, 84),    // 2
        qRgb(104, 112, 130), // 3 light facet
        qRgb(150, 156, 170), // 4 edge blends over the face
        qRgb(198, 200, 204), // 5
        qRgb(232, 231, 226), // 6
    };
    constexpr int kWidth = 15;
    const double axis = 7.5; // centre of pixel column 7
    const double half = 6.9;

    QImage art = canvas(kWidth, height, Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // A faceted head: pointed tip, widest at `widestY`, then a long concave taper into the
    // shaft that ends at `taperEndY`. The left half is in shadow, the right half catches the
    // light.
    const double tipY = 0.2;
    auto half_ = [&](double side) {
        QPainterPath path;
        path.moveTo(axis, tipY);
        path.cubicTo(axis + side * half * 0.45, widestY * 0.35, axis + side * half, widestY * 0.7,
                     axis + side * half, widestY);
        path.cubicTo(axis + side * half, widestY + (taperEndY - widestY) * 0.3, axis + side * 1.0,
                     taperEndY - (taperEndY - widestY) * 0.3, axis + side * 0.5, taperEndY);
        path.lineTo(axis, taperEndY);
        path.closeSubpath();
        return path;
    };
    const QPainterPath left = half_(-1.0), right = half_(1.0);
    p.setBrush(QColor(palette[1]));
    p.drawPath(left);
    p.setBrush(QColor(palette[3]));
    p.drawPath(right);
    p.end();

    IndexedPicture hand(kWidth, height, palette);
    const uint32_t artwork = 0x7Eu; // entries 1–6
    const int shaftTop = int(std::floor(taperEndY)) - 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const QRgb px = art.pixel(x, y);
            // Faint edge pixels stay background: over a dark part of the dial a pale fringe
            // would show more than the lost smoothness.
            if (y >= shaftTop || qAlpha(px) < 90)
                hand.at(x, y) = 0;
            else
                hand.at(x, y) = uint8_t(nearestEntry(palette, over(px, kFace), artwork));
        }
    }
    for (int y = shaftTop; y < height; ++y)
        hand.at(7, y) = 1;
    return hand;
}

IndexedPicture drawSecondMark()
{
    const std::vector<QRgb> palette = {
        qRgb(128, 128, 0),   // 0 background (the colour key)
        qRgb(110, 14, 20),   // 1 outline and stem
        qRgb(176, 24, 32),   // 2 body
        qRgb(214, 46, 52),   // 3 lit side
        qRgb(248, 168, 160), // 4 highlight
        qRgb(200, 120, 118), // 5 edge blends over the face
        qRgb(230, 190, 184), // 6
        qRgb(150, 60, 64),   // 7
    };
    constexpr int kWidth = 13, kHeight = 16;
    const QPointF centre(6.5, 6.0);

    QImage art = canvas(kWidth, kHeight, Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(palette[1]));
    p.drawEllipse(centre, 5.7, 5.7);
    QRadialGradient body(centre + QPointF(-1.5, -1.7), 6.0);
    body.setColorAt(0.0, QColor(palette[4]));
    body.setColorAt(0.25, QColor(palette[3]));
    body.setColorAt(0.7, QColor(palette[2]));
    body.setColorAt(1.0, QColor(palette[1]));
    p.setBrush(body);
    p.drawEllipse(centre, 4.7, 4.7);
    p.end();

    IndexedPicture mark(kWidth, kHeight, palette);
    const uint32_t artwork = 0xFEu;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const QRgb px = art.pixel(x, y);
            mark.at(x, y) = qAlpha(px) < 110 ? 0 : uint8_t(nearestEntry(palette, over(px, kFace), artwork));
        }
    // A short stem towards the centre of the dial.
    for (int y = 12; y < kHeight; ++y)
        if (mark.at(6, y) == 0)
            mark.at(6, y) = 1;
    return mark;
}

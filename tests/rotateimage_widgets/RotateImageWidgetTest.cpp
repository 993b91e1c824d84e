#include "rotateimage/widgets/RotateImageWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace dw {
namespace {

constexpr QRgb kUnder = 0xFF20C040; // the sibling below
constexpr QRgb kOpaque = 0xFFC86432;
constexpr QRgb kKey = 0xFFFF00FF;

// A widget below the picture: paints one colour and counts presses.
class Below : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor::fromRgb(kUnder)); }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// A 10 × 6 picture whose left half is the key colour, drawn centred in a 40 × 30 widget at
// (20, 10) of the window: the picture covers window pixels (35, 22) .. (44, 27).
struct Scene {
    QWidget window;
    Below* below = new Below(&window);
    RotateImageWidget* widget = new RotateImageWidget(&window);
    int widgetPresses = 0;

    Scene()
    {
        window.resize(100, 80);
        QPalette p = window.palette();
        p.setColor(QPalette::Window, Qt::darkBlue);
        window.setPalette(p);
        window.setAutoFillBackground(true);
        below->setGeometry(0, 0, 100, 80);
        widget->setGeometry(20, 10, 40, 30);
        QImage picture(10, 6, QImage::Format_RGB32);
        picture.fill(kOpaque);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x)
                picture.setPixel(x, y, kKey);
        TBitmap bitmap;
        bitmap.setImage(picture);
        widget->image().SetTransparent(true);
        widget->image().SetTransparentColor(clFuchsia);
        widget->image().SetBitmap(&bitmap);
        QObject::connect(widget, &RotateImageWidget::pressed, [this] { ++widgetPresses; });
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QRgb shown(int x, int y) { return window.grab().toImage().pixel(x, y) | 0xFF000000; }
    void click(int x, int y) { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(x, y)); }
};

TEST(RotateImageWidget, HasNoNativeWindowOfItsOwn)
{
    Scene s;
    EXPECT_FALSE(s.widget->testAttribute(Qt::WA_NativeWindow));
    EXPECT_EQ(s.widget->internalWinId(), WId(0));
    EXPECT_EQ(s.widget->image().BoundsRect(), (TRect{0, 0, 40, 30}));
}

TEST(RotateImageWidget, PaintsThePictureOverWhatLiesBehindIt)
{
    Scene s;
    EXPECT_EQ(s.shown(42, 24), kOpaque);
    EXPECT_EQ(s.shown(36, 24), kUnder); // a transparent pixel shows the sibling below
    EXPECT_EQ(s.shown(25, 15), kUnder); // outside the picture
    // Half translucent: each channel c − c/2 + b/2.
    s.widget->image().SetTrnsIndex(4);
    const auto mix = [](int c, int b) { return c - c / 2 + b / 2; };
    EXPECT_EQ(s.shown(42, 24), qRgb(mix(0xC8, 0x20), mix(0x64, 0xC0), mix(0x32, 0x40)));
    EXPECT_EQ(s.shown(36, 24), kUnder);
}

TEST(RotateImageWidget, PressesOnRefusedPixelsGoToTheWidgetUnderneath)
{
    Scene s;
    s.click(42, 24);
    EXPECT_EQ(s.widgetPresses, 1); // without TransparentMouse the whole rectangle counts
    s.click(25, 15);
    EXPECT_EQ(s.widgetPresses, 2);
    EXPECT_EQ(s.below->presses, 0);

    s.widget->image().SetTransparentMouse(true);
    s.widget->updateHitMask();
    s.click(42, 24);
    s.click(36, 24); // transparent pixel
    s.click(25, 15); // beside the picture
    EXPECT_EQ(s.widgetPresses, 3);
    EXPECT_EQ(s.below->presses, 2);

    // The mouse area follows the picture when it turns, without being asked.
    s.widget->image().SetAngle(180); // the opaque half is now on the left
    QTest::qWait(1);
    s.click(36, 24);
    s.click(42, 24);
    EXPECT_EQ(s.widgetPresses, 4);
    EXPECT_EQ(s.below->presses, 3);
}

} // namespace
} // namespace dw

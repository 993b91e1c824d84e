#include "ControlFixtures.h"

#include "rotateimage/FormProperties.h"

#include <gtest/gtest.h>

namespace dw::test {
namespace {

QStringList names(const QString& text)
{
    QStringList out;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.contains(QLatin1Char('=')))
            out << line.section(QLatin1Char('='), 0, 0).trimmed();
    return out;
}

TEST(FormProperties, ADefaultControlStoresOnlyItsPlace)
{
    TRotateImage image;
    image.SetBounds(8, 9, 120, 90);
    EXPECT_EQ(writeFormProperties(image), QStringLiteral("Left = 8\nTop = 9\nWidth = 120\nHeight = 90\n"));
    // Equal to the defaults after changes: still nothing more.
    image.SetZoom(50);
    image.SetZoom(100);
    image.SetAngle(360);
    image.SetPrintQuality(4);
    EXPECT_EQ(names(writeFormProperties(image)), (QStringList{"Left", "Top", "Width", "Height"}));
}

TEST(FormProperties, ConditionallyStoredPropertiesFollowTheirCondition)
{
    TRotateImage image;
    image.SetPivotX(0);
    image.SetPivotY(7);
    image.SetAngle(90);
    EXPECT_EQ(names(writeFormProperties(image)), (QStringList{"Left", "Top", "Width", "Height", "AngleEx"}));
    image.SetPivot(true);
    image.SetTransparentColor(clRed);
    const QString text = writeFormProperties(image);
    EXPECT_EQ(names(text), (QStringList{"Left", "Top", "Width", "Height", "TransparentColor", "TransparentMode", "Pivot",
                                        "PivotX", "PivotY", "AngleEx"}));
    EXPECT_TRUE(text.contains(QStringLiteral("TransparentColor = clRed\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("PivotX = 0\nPivotY = 7\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("AngleEx = 900\n")));
    image.SetTransparentMode(tmAuto);
    EXPECT_FALSE(names(writeFormProperties(image)).contains(QStringLiteral("TransparentColor")));
}

// Records whether anything was rendered before the end of reading.
class LoadProbe : public TRotateImage {
public:
    bool renderedWhileLoading = false;
    void Loaded() override
    {
        renderedWhileLoading = RotatedDib().size() != 0;
        TRotateImage::Loaded();
    }
};

TEST(FormProperties, EveryPropertyReadsBackAndRendersOnlyAtTheEnd)
{
    TRotateImage image;
    image.SetBounds(1, 2, 30, 40);
    image.SetAlign(alLeft);
    image.SetVisible(false);
    image.SetSketch(true);
    image.SetTrnsIndex(5);
    image.SetTransparent(true);
    image.SetTransparentColor(TColor(0x00123456));
    image.SetTransparentMouse(true);
    image.SetNegative(true);
    image.SetPivot(true);
    image.SetPivotX(-3);
    image.SetPivotY(4);
    image.SetPrintQuality(9);
    image.SetDispMode(ridmRegion);
    image.SetAngleEx(1234);
    image.SetSepia(true);
    image.SetZoom(250);
    auto picture = filledBitmap(3, 2, clBlue);
    image.SetBitmap(picture.get());
    const QString text = writeFormProperties(image);
    EXPECT_TRUE(text.contains(QStringLiteral("TransparentColor = $00123456\n")));

    LoadProbe copy;
    const FormReadResult result = readFormProperties(copy, text);
    ASSERT_TRUE(result) << result.error.toStdString();
    EXPECT_FALSE(copy.renderedWhileLoading);
    EXPECT_FALSE(copy.ComponentState() & csLoading);
    EXPECT_EQ(writeFormProperties(copy), text);
    EXPECT_EQ(copy.AngleEx(), 1234);
    EXPECT_EQ(copy.PivotX(), -3);
    ASSERT_TRUE(IsValidDib(copy.RotatedDib()));
    EXPECT_EQ(std::vector<uint8_t>(copy.RotatedDib().Memory(), copy.RotatedDib().Memory() + copy.RotatedDib().size()),
              std::vector<uint8_t>(image.RotatedDib().Memory(), image.RotatedDib().Memory() + image.RotatedDib().size()));
}

TEST(FormProperties, AngleIsReadThoughNeverWrittenAndZoomIsClamped)
{
    TRotateImage image;
    ASSERT_TRUE(readFormProperties(image, QStringLiteral("Angle = -90\r\nZoom = 1000\n")));
    EXPECT_EQ(image.AngleEx(), 2700);
    EXPECT_EQ(image.Zoom(), 400);
}

TEST(FormProperties, BadInputNamesItsLineAndChangesNothing)
{
    struct Case {
        const char* text;
        int line;
    };
    for (const Case& c : {Case{"Zoom = 50\nZoom = fifty\n", 2}, Case{"TrnsIndex = 8\n", 1},
                          Case{"Sketch = True\n\nColour = clRed\n", 3}, Case{"PrintQuality = 0\n", 1},
                          Case{"DispMode = ridmCircle\n", 1}, Case{"Bitmap.Data = {\n  424D00\n", 1},
                          Case{"Bitmap.Data = {424D0000}\n", 1}, Case{"Bitmap.Data = {42XY}\n", 1},
                          Case{"Transparent\n", 1}}) {
        TRotateImage image;
        const FormReadResult result = readFormProperties(image, QString::fromLatin1(c.text));
        EXPECT_FALSE(result) << c.text;
        EXPECT_EQ(result.line, c.line) << c.text;
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("line %1: ").arg(c.line))) << result.error.toStdString();
        EXPECT_EQ(image.Zoom(), 100);
        EXPECT_FALSE(image.Sketch());
        EXPECT_FALSE(image.ComponentState() & csLoading);
    }
    TCustomRotateImage engine; // the engine class has no angle
    EXPECT_FALSE(readFormProperties(engine, QStringLiteral("AngleEx = 5\n")));
}

} // namespace
} // namespace dw::test

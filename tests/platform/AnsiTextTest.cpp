#include "platform/AnsiText.h"

#include <gtest/gtest.h>

using namespace dw;

TEST(AnsiText, JapaneseTextUsesTheWindowsCodePage)
{
    // "～" (U+FF5E) exists only in the Windows mapping; plain Shift-JIS lacks it.
    const AnsiResult r = ansiFromUnicode(QStringLiteral("時計～①髙"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.bytes, std::string("\x8E\x9E\x8C\x76\x81\x60\x87\x40\xFB\xFC"));
    EXPECT_EQ(unicodeFromAnsi(r.bytes), QStringLiteral("時計～①髙"));
}

TEST(AnsiText, AsciiAndHalfWidthKanaAreSingleBytes)
{
    const AnsiResult r = ansiFromUnicode(QStringLiteral("Clock ｱｲ\\~"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.bytes, std::string("Clock \xB1\xB2\\~"));
}

TEST(AnsiText, CharactersThatWouldComeBackAsOthersAreNamedAndNothingIsConverted)
{
    // "é" and the emoji have no CP932 code; "¥" would be stored as the byte of "\" and
    // "−" (minus sign) as that of "－": both would read back as other characters.
    const AnsiResult r = ansiFromUnicode(QStringLiteral("café ¥100 −5 😀 é"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.unmappable, QStringLiteral("é¥−😀"));
    EXPECT_TRUE(r.bytes.empty());
}

TEST(AnsiText, InvalidBytesDecodeToReplacementCharacters)
{
    EXPECT_EQ(unicodeFromAnsi(std::string("A\x81")), QStringLiteral("A\uFFFD"));
    EXPECT_EQ(unicodeFromAnsi(std::string("\xA0Z")), QStringLiteral("\uFFFDZ"));
    EXPECT_EQ(unicodeFromAnsi(std::string()), QString());
}

TEST(AnsiText, LineBreaksBecomeCrLf)
{
    EXPECT_EQ(withCrLf(QStringLiteral("a\nb\r\nc\rd\n")), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
    EXPECT_EQ(withCrLf(QStringLiteral("\r\n\n")), QStringLiteral("\r\n\r\n"));
}

#include "platform/AnsiText.h"

#include <gtest/gtest.h>

using namespace dw;

// Japanese text takes the Windows code page ("～", U+FF5E, exists only in its mapping; plain
// Shift-JIS lacks it); ASCII and half-width kana are single bytes. Each reads back as typed.
TEST(AnsiText, TextIsStoredInTheWindowsCodePageAndReadsBack)
{
    const struct {
        QString text;
        std::string bytes;
    } cases[] = {
        {QStringLiteral("時計～①髙"), "\x8E\x9E\x8C\x76\x81\x60\x87\x40\xFB\xFC"},
        {QStringLiteral("Clock ｱｲ\\~"), "Clock \xB1\xB2\\~"},
    };
    for (const auto& c : cases) {
        const AnsiResult r = ansiFromUnicode(c.text);
        ASSERT_TRUE(r.ok()) << qPrintable(c.text);
        EXPECT_EQ(r.bytes, c.bytes);
        EXPECT_EQ(unicodeFromAnsi(r.bytes), c.text);
    }
}

TEST(AnsiText, CharactersThatWouldComeBackAsOthersAreNamedAndNothingIsConverted)
{
    // "é" and the emoji have no CP932 code; "¥" would be stored as the byte of "\" and read
    // back as another glyph.
    const AnsiResult r = ansiFromUnicode(QStringLiteral("café ¥100 −5 😀 é"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.unmappable, QStringLiteral("é¥😀"));
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

TEST(AnsiText, InputMethodVariantsAreStoredAsTheirWindowsCounterparts)
{
    // What input methods here type for ～ － ∥ ￠ ￡ ￢ ―: the same glyphs under other code points.
    const struct {
        char16_t typed;
        char16_t windows;
        const char* bytes;
    } cases[] = {
        {u'\u301C', u'\uFF5E', "\x81\x60"}, {u'\u2212', u'\uFF0D', "\x81\x7C"}, {u'\u2016', u'\u2225', "\x81\x61"},
        {u'\u00A2', u'\uFFE0', "\x81\x91"}, {u'\u00A3', u'\uFFE1', "\x81\x92"}, {u'\u00AC', u'\uFFE2', "\x81\xCA"},
        {u'\u2014', u'\u2015', "\x81\x5C"},
    };
    for (const auto& c : cases) {
        const QString typed = QStringLiteral("A") + QChar(c.typed) + QStringLiteral("時");
        const AnsiResult r = ansiFromUnicode(typed);
        ASSERT_TRUE(r.ok()) << std::hex << int(c.typed);
        EXPECT_EQ(r.bytes, std::string("A") + c.bytes + "\x8E\x9E") << std::hex << int(c.typed);
        EXPECT_EQ(unicodeFromAnsi(r.bytes), QStringLiteral("A") + QChar(c.windows) + QStringLiteral("時"));
        EXPECT_EQ(ansiFromUnicode(QChar(c.windows)).bytes, std::string(c.bytes)) << "the counterpart itself";
    }
    // Mixed with a character that has no counterpart at all, only that one is refused.
    const AnsiResult mixed = ansiFromUnicode(QStringLiteral("\u301C\u00E9\u2212"));
    EXPECT_EQ(mixed.unmappable, QStringLiteral("\u00E9"));
    EXPECT_TRUE(mixed.bytes.empty());
}

// File names in a QString and back without loss, whatever bytes they hold.
#include "platform/FileNames.h"

#include <gtest/gtest.h>

#include <random>

using namespace dw;

TEST(FileNames, EveryByteStringComesBackAsItWas)
{
    const struct {
        QByteArray bytes;
        QString name; // what it reads as; the escapes stand for the bytes that are no UTF-8
    } cases[] = {
        {"clock.pdl", QStringLiteral("clock.pdl")},
        {"\xe6\x99\x82\xe8\xa8\x88.pdl", QStringLiteral("時計.pdl")},
        {"\xf0\x9f\x94\x94", QStringLiteral("\U0001F514")},
        {"\xff\xfe x", QString(QChar(0xDCFF)) + QChar(0xDCFE) + QStringLiteral(" x")},
        {"\xc3", QString(QChar(0xDCC3))},                                          // cut short
        {"\xc0\xaf", QString(QChar(0xDCC0)) + QChar(0xDCAF)},                      // overlong "/"
        {"\xed\xa0\x80", QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},  // a surrogate
        {"\xf4\x90\x80\x80", QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nameFromFileSystem(c.bytes), c.name) << c.bytes.toHex().constData();
        EXPECT_EQ(fileSystemName(c.name), c.bytes) << c.bytes.toHex().constData();
    }
    std::mt19937 random(6);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        for (int i = int(random() % 12); i > 0; --i)
            bytes += char(random() % 4 ? 0x80 + random() % 0x80 : random() % 0x80);
        ASSERT_EQ(fileSystemName(nameFromFileSystem(bytes)), bytes) << bytes.toHex().constData();
    }
}

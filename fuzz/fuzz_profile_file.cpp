// Settings files from outside bytes (a hand-edited or damaged dialwright.ini): reading any key
// never fails, and writing a key changes that key alone.
#include "platform/ProfileFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    dw::ProfileFile ini = dw::ProfileFile::fromContents(QStringLiteral("fuzz.ini"), bytes);
    const char* const keys[] = {"Compress", "Translucent", "WorkWinColor", "Left", "Width"};
    std::optional<int32_t> before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = ini.readInteger(QStringLiteral("Option"), QString::fromLatin1(keys[i]));
    ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Left"), -7);
    const dw::ProfileFile back = dw::ProfileFile::fromContents(QStringLiteral("fuzz.ini"), ini.contents());
    if (back.readInteger(QStringLiteral("Window"), QStringLiteral("Left")) != -7)
        std::abort();
    for (int i = 0; i < 5; ++i)
        if (back.readInteger(QStringLiteral("Option"), QString::fromLatin1(keys[i])) != before[i])
            std::abort();
    return 0;
}

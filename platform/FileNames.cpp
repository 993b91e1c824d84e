#include "FileNames.h"

#include <QFile>

#include <cstdlib>
#include <sys/stat.h>

namespace dw {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i], and its code point; 0 when none starts
// there (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
int utf8Sequence(const QByteArray& bytes, qsizetype i, char32_t& code)
{
    const auto byte = [&](qsizetype k) { return uint8_t(bytes[k]); };
    const uint8_t lead = byte(i);
    int length;
    char32_t least;
    if (lead < 0x80)
        return code = lead, 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString nameFromFileSystem(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = utf8Sequence(bytes, i, code);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + uint8_t(bytes[i])));
            ++i;
            continue;
        }
        const char32_t one[1] = {code};
        name += QString::fromUcs4(one, 1);
        i += length;
    }
    return name;
}

QByteArray fileSystemName(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            bytes += char(c - kEscapeBase);
        } else if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            bytes += name.mid(i, 2).toUtf8();
            ++i;
        } else {
            bytes += QString(QChar(c)).toUtf8();
        }
    }
    return bytes;
}

bool fileExists(const QString& path)
{
    struct stat st {};
    return ::stat(fileSystemName(path).constData(), &st) == 0;
}

QString canonicalName(const QString& path)
{
    char* real = ::realpath(fileSystemName(path).constData(), nullptr);
    if (!real)
        return {};
    const QString name = nameFromFileSystem(QByteArray(real));
    std::free(real);
    return name;
}

bool toolkitReaches(const QString& path) { return QFile::encodeName(path) == fileSystemName(path); }

QByteArray percentName(const QString& name) { return fileSystemName(name).toPercentEncoding(); }

QString nameFromPercent(const QByteArray& word) { return nameFromFileSystem(QByteArray::fromPercentEncoding(word)); }

} // namespace dw

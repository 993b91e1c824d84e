#include "AnsiText.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <vector>

namespace dw {

namespace {

// One iconv conversion; false when the input holds a sequence the target cannot represent.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of input; on an invalid or unconvertible sequence stops and returns false,
    // with *consumed set to the number of input bytes converted so far.
    bool convert(const char* input, size_t length, std::string& out, size_t* consumed = nullptr)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input);
        size_t inLeft = length;
        std::vector<char> buffer(4 * length + 16);
        bool ok = true;
        while (inLeft > 0) {
            char* o = buffer.data();
            size_t outLeft = buffer.size();
            const size_t r = iconv(m_cd, &in, &inLeft, &o, &outLeft);
            out.append(buffer.data(), size_t(o - buffer.data()));
            if (r == size_t(-1) && errno != E2BIG) {
                ok = false;
                break;
            }
        }
        if (consumed)
            *consumed = length - inLeft;
        return ok;
    }

private:
    iconv_t m_cd;
};

std::string utf8Of(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

// Characters that input methods on this desktop produce where Windows produces another code
// point for the same glyph. Code page 932 holds the Windows one; the converter writes the same
// byte pair for both, and the reading program shows the same glyph, so each is stored as its
// Windows counterpart (and reads back as that counterpart).
QChar windowsCounterpart(QChar c)
{
    switch (c.unicode()) {
    case 0x301C: return QChar(0xFF5E); // WAVE DASH → FULLWIDTH TILDE (0x8160)
    case 0x2212: return QChar(0xFF0D); // MINUS SIGN → FULLWIDTH HYPHEN-MINUS (0x817C)
    case 0x2016: return QChar(0x2225); // DOUBLE VERTICAL LINE → PARALLEL TO (0x8161)
    case 0x00A2: return QChar(0xFFE0); // CENT SIGN → FULLWIDTH CENT SIGN (0x8191)
    case 0x00A3: return QChar(0xFFE1); // POUND SIGN → FULLWIDTH POUND SIGN (0x8192)
    case 0x00AC: return QChar(0xFFE2); // NOT SIGN → FULLWIDTH NOT SIGN (0x81CA)
    case 0x2014: return QChar(0x2015); // EM DASH → HORIZONTAL BAR (0x815C)
    default: return c;
    }
}

QString withWindowsCounterparts(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        c = windowsCounterpart(c);
    return out;
}

} // namespace

AnsiResult ansiFromUnicode(const QString& text)
{
    AnsiResult result;
    Converter toAnsi("CP932", "UTF-8");
    Converter fromAnsi("UTF-8", "CP932");

    // Every character must come back as itself (or as its Windows counterpart, above).
    const QString stored = withWindowsCounterparts(text);
    const std::string whole = utf8Of(stored);
    std::string back;
    if (toAnsi.convert(whole.data(), whole.size(), result.bytes)
        && fromAnsi.convert(result.bytes.data(), result.bytes.size(), back) && back == whole)
        return result;
    result.bytes.clear();

    // Character by character (whole code points), so that each one that does not come back
    // unchanged can be named.
    for (qsizetype i = 0; i < stored.size();) {
        const qsizetype n = stored.at(i).isHighSurrogate() && i + 1 < stored.size() ? 2 : 1;
        const QString ch = stored.mid(i, n);
        i += n;
        const std::string utf8 = utf8Of(ch);
        std::string ansi;
        std::string back;
        const bool stored = toAnsi.convert(utf8.data(), utf8.size(), ansi)
                            && fromAnsi.convert(ansi.data(), ansi.size(), back) && back == utf8;
        if (stored)
            result.bytes += ansi;
        else if (!result.unmappable.contains(ch))
            result.unmappable += ch;
    }
    if (!result.ok())
        result.bytes.clear();
    return result;
}

QString unicodeFromAnsi(const char* bytes, size_t length)
{
    Converter fromAnsi("UTF-8", "CP932");
    std::string out;
    size_t pos = 0;
    while (pos < length) {
        size_t consumed = 0;
        if (fromAnsi.convert(bytes + pos, length - pos, out, &consumed))
            break;
        out += "\xEF\xBF\xBD"; // U+FFFD for the byte that is not CP932
        pos += consumed + 1;
    }
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

QString withCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += QStringLiteral("\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace dw

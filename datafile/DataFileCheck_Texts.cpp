// The rules of the two text members: the header's keys and the author text.

#include "CheckLines.h"
#include "DataFileCheck.h"

#include "platform/AnsiText.h"

#include <QDate>
#include <QRegularExpression>

#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace dw {

namespace check {

int64_t firstNonAnsiLine(const char* bytes, int64_t size)
{
    // One conversion of the whole text first; only a text that fails is taken line by line.
    // CP932 cannot hold U+FFFD, so a replacement character can only stand for bad bytes.
    if (!unicodeFromAnsi(bytes, size_t(size)).contains(QChar(0xFFFD)))
        return -1;
    int64_t line = 0, start = 0;
    for (int64_t i = 0; i <= size; ++i) {
        if (i == size || bytes[i] == '\n') {
            if (unicodeFromAnsi(bytes + start, size_t(i - start)).contains(QChar(0xFFFD)))
                return line;
            ++line;
            start = i + 1;
        }
    }
    return line; // a bad sequence that spans a line break (a lead byte before LF)
}

} // namespace check

namespace {

enum class Value { Text, NonEmptyText, Integer, OneOrTwo, One, Date };

struct Key {
    const char* name; // with its "="
    bool required;
    Value value;
};

// The header's keys in the order the file keeps them.
constexpr Key kKeys[] = {
    {"Title=", false, Value::NonEmptyText},
    {"HPX=", true, Value::Integer},
    {"HPY=", true, Value::Integer},
    {"MPX=", true, Value::Integer},
    {"MPY=", true, Value::Integer},
    {"SPX=", true, Value::Integer},
    {"SPY=", true, Value::Integer},
    {"HCX=", true, Value::Integer},
    {"HCY=", true, Value::Integer},
    {"MCX=", true, Value::Integer},
    {"MCY=", true, Value::Integer},
    {"SCX=", true, Value::Integer},
    {"SCY=", true, Value::Integer},
    {"TLH=", false, Value::OneOrTwo},
    {"TE=", false, Value::OneOrTwo},
    {"CHS=", false, Value::OneOrTwo},
    {"CHA=", false, Value::OneOrTwo},
    {"ExtrudeHand=", false, Value::One},
    {"CopyRight=", true, Value::Text},
    {"Date=", true, Value::Date},
};
constexpr int kKeyCount = int(sizeof kKeys / sizeof kKeys[0]);

int keyOf(std::string_view line)
{
    for (int k = 0; k < kKeyCount; ++k) {
        const std::string_view name(kKeys[k].name);
        if (line.substr(0, name.size()) == name)
            return k;
    }
    return -1;
}

// A decimal 32-bit integer as the header writes it: "-" only for negative values, no "+", no
// leading zeros.
bool isHeaderInteger(std::string_view v)
{
    static const QRegularExpression form(QStringLiteral("^(0|-?[1-9][0-9]{0,9})$"));
    const QString text = QString::fromLatin1(v.data(), qsizetype(v.size()));
    if (!form.match(text).hasMatch())
        return false;
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    return ok && n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max();
}

// "yyyy/mm/dd h:mm:ss": the date with slashes, the 24-hour time with one or two hour digits.
bool isHeaderDate(std::string_view v)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})/(\\d{2})/(\\d{2}) (\\d{1,2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(QString::fromLatin1(v.data(), qsizetype(v.size())));
    if (!m.hasMatch())
        return false;
    const auto field = [&m](int i) { return m.captured(i).toInt(); };
    return QDate(field(1), field(2), field(3)).isValid() && field(4) <= 23 && field(5) <= 59 && field(6) <= 59;
}

QString valueRule(Value value)
{
    switch (value) {
    case Value::NonEmptyText: return QStringLiteral("a text that is not empty");
    case Value::Integer: return QStringLiteral("a decimal 32-bit integer");
    case Value::OneOrTwo: return QStringLiteral("1 or 2");
    case Value::One: return QStringLiteral("1");
    case Value::Date: return QStringLiteral("a date and time of the form yyyy/mm/dd h:mm:ss");
    case Value::Text: break;
    }
    return {};
}

bool valueKeeps(Value value, std::string_view v)
{
    switch (value) {
    case Value::Text: return true;
    case Value::NonEmptyText: return !v.empty();
    case Value::Integer: return isHeaderInteger(v);
    case Value::OneOrTwo: return v == "1" || v == "2";
    case Value::One: return v == "1";
    case Value::Date: return isHeaderDate(v);
    }
    return false;
}

QString shown(std::string_view line)
{
    constexpr size_t kShown = 60;
    QString text = unicodeFromAnsi(line.data(), std::min(line.size(), kShown));
    if (line.size() > kShown)
        text += QStringLiteral("…");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// NUL bytes and line breaks that are not CR LF.
void checkBytes(check::Lines& lines, const uint8_t* b, int64_t size)
{
    const void* nul = size > 0 ? std::memchr(b, 0, size_t(size)) : nullptr;
    if (nul)
        lines.add(QStringLiteral("holds a NUL byte at %1").arg(static_cast<const uint8_t*>(nul) - b));
    for (int64_t i = 0; i < size; ++i) {
        if (b[i] == '\r' && (i + 1 == size || b[i + 1] != '\n')) {
            lines.add(QStringLiteral("holds a CR without LF at byte %1").arg(i));
            break;
        }
        if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r')) {
            lines.add(QStringLiteral("holds an LF without CR at byte %1").arg(i));
            break;
        }
    }
    if (const int64_t bad = check::firstNonAnsiLine(reinterpret_cast<const char*>(b), size); bad >= 0)
        lines.add(QStringLiteral("line %1 is not CP932 text").arg(bad + 1));
}

} // namespace

QStringList checkHeaderText(const uint8_t* b, int64_t size)
{
    check::Lines lines(kMaxLinesPerCheck);
    checkBytes(lines, b, size);
    if (size > 0 && (size < 2 || b[size - 2] != '\r' || b[size - 1] != '\n'))
        lines.add(QStringLiteral("its last line is not ended by CR LF"));

    const std::string_view text(reinterpret_cast<const char*>(b), size_t(size));
    int last = -1; // index in kKeys of the last key seen
    int lineNumber = 0;
    const auto missing = [&](int from, int to) { // required keys strictly between
        for (int k = from + 1; k < to; ++k)
            if (kKeys[k].required)
                lines.add(QStringLiteral("has no line %1").arg(QString::fromLatin1(kKeys[k].name)));
    };
    // Lines end at CR LF, and also at a lone CR or LF (reported above), as a reader of the text
    // would take them.
    for (size_t start = 0; start < text.size();) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const std::string_view line = text.substr(start, end - start);
        start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
        ++lineNumber;

        const int k = keyOf(line);
        if (k < 0) {
            lines.add(QStringLiteral("line %1 %2 is not one of the header's keys").arg(lineNumber).arg(shown(line)));
            continue;
        }
        const Key& key = kKeys[k];
        if (k <= last) {
            lines.add(QStringLiteral("line %1 %2 %3").arg(lineNumber).arg(shown(line))
                          .arg(k == last ? QStringLiteral("repeats the key before it")
                                         : QStringLiteral("comes after %1, out of order").arg(QString::fromLatin1(kKeys[last].name))));
            continue;
        }
        missing(last, k);
        last = k;
        const std::string_view value = line.substr(std::strlen(key.name));
        if (!valueKeeps(key.value, value))
            lines.add(QStringLiteral("line %1 %2: the value of %3 must be %4")
                          .arg(lineNumber)
                          .arg(shown(line))
                          .arg(QString::fromLatin1(key.name))
                          .arg(valueRule(key.value)));
    }
    missing(last, kKeyCount);
    return lines.list();
}

QStringList checkAuthorText(const uint8_t* b, int64_t size)
{
    check::Lines lines(kMaxLinesPerCheck);
    checkBytes(lines, b, size);
    return lines.list();
}

} // namespace dw

#include "ProfileFile.h"

#include "FrameworkError.h"
#include "SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>

namespace dw {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmedBlanks(const QByteArray& s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// The name of a "[Section]" line; nothing for any other line.
std::optional<QByteArray> sectionName(const QByteArray& line)
{
    const QByteArray t = trimmedBlanks(line);
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmedBlanks(t.mid(1, close - 1));
}

// The key of a "Key=Value" line; nothing for a line without "=" or a comment.
std::optional<QByteArray> keyName(const QByteArray& line)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    const QByteArray key = trimmedBlanks(line.left(eq));
    if (key.startsWith(';'))
        return std::nullopt;
    return key;
}

// A line as it reads: the lines keep the carriage return of a CR LF line end, so that every line
// the program does not write goes back to the file byte for byte.
QByteArray textOf(const QByteArray& line) { return line.endsWith('\r') ? line.chopped(1) : line; }

bool sameName(const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

ProfileFile::ProfileFile(QString fileName, const QString& readFrom) : m_fileName(std::move(fileName))
{
    QFile file(readFrom.isEmpty() ? m_fileName : readFrom);
    if (!file.exists()) {
        m_readState = ReadState::Missing;
        return;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_readState = ReadState::Unreadable;
        m_readError = file.errorString();
        return;
    }
    if (file.size() > kMaxFileSize) {
        m_readState = ReadState::TooLarge;
        return;
    }
    // Read to its end, whatever the size said: a file that grows meanwhile is read up to the
    // limit and then counts as too large.
    QByteArray bytes;
    char block[65536];
    for (;;) {
        const qint64 n = file.read(block, sizeof block);
        if (n < 0) {
            m_readState = ReadState::Unreadable;
            m_readError = file.errorString();
            return;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > kMaxFileSize) {
            m_readState = ReadState::TooLarge;
            return;
        }
        bytes.append(block, n);
    }
    if (bytes.contains('\0')) {
        m_readState = ReadState::NotText;
        return;
    }
    m_readState = ReadState::Whole;
    parse(bytes);
}

ProfileFile ProfileFile::fromContents(QString fileName, const QByteArray& contents)
{
    ProfileFile ini(std::move(fileName), QStringLiteral("/dev/null"));
    ini.m_readState = contents.contains('\0') ? ReadState::NotText : ReadState::Whole;
    if (ini.m_readState == ReadState::Whole)
        ini.parse(contents);
    return ini;
}

void ProfileFile::parse(const QByteArray& bytes)
{
    m_lines.clear();
    m_lineEnd = "\n";
    m_endsWithLineEnd = true;
    if (bytes.isEmpty())
        return;
    const qsizetype firstBreak = bytes.indexOf('\n');
    if (firstBreak > 0 && bytes[firstBreak - 1] == '\r')
        m_lineEnd = "\r\n";
    m_endsWithLineEnd = bytes.endsWith('\n');
    m_lines = bytes.split('\n');
    if (m_endsWithLineEnd)
        m_lines.removeLast();
}

std::optional<int32_t> ProfileFile::parseInteger(const QByteArray& text)
{
    QByteArray t = trimmedBlanks(text);
    bool negative = false;
    if (t.startsWith('-') || t.startsWith('+')) {
        negative = t.startsWith('-');
        t = t.mid(1);
    }
    bool hex = false;
    if (t.startsWith('$')) {
        hex = true;
        t = t.mid(1);
    } else if (t.startsWith("0x") || t.startsWith("0X")) {
        hex = true;
        t = t.mid(2);
    }
    if (t.isEmpty())
        return std::nullopt;
    // Accumulated in 64 bits and stopped past 32: "99999999999" is not an integer.
    uint64_t v = 0;
    for (const char c : t) {
        const int d = hex ? hexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (d < 0)
            return std::nullopt;
        v = v * (hex ? 16 : 10) + uint64_t(d);
        if (v > 0xFFFFFFFFu)
            return std::nullopt;
    }
    int64_t value = 0;
    if (hex) {
        // A hexadecimal value is a 32-bit pattern: $FFFFFFFF is -1.
        value = int32_t(uint32_t(v));
    } else {
        value = int64_t(v);
        if (value > (negative ? int64_t(1) << 31 : INT32_MAX))
            return std::nullopt;
    }
    return int32_t(negative ? -value : value);
}

qsizetype ProfileFile::sectionLine(const QByteArray& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const std::optional<QByteArray> name = sectionName(textOf(m_lines[i]));
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}

void ProfileFile::keepOnlySection(const QString& section)
{
    const qsizetype start = sectionLine(section.toUtf8());
    if (start < 0) {
        m_lines.clear();
        return;
    }
    qsizetype end = start + 1;
    while (end < m_lines.size() && !sectionName(textOf(m_lines[end])))
        ++end;
    m_lines = m_lines.mid(start, end - start);
    m_endsWithLineEnd = true;
}

qsizetype ProfileFile::keyLine(qsizetype section, const QByteArray& key) const
{
    for (qsizetype i = section + 1; i < m_lines.size() && !sectionName(textOf(m_lines[i])); ++i) {
        const std::optional<QByteArray> name = keyName(textOf(m_lines[i]));
        if (name && sameName(*name, key))
            return i;
    }
    return -1;
}

std::optional<QByteArray> ProfileFile::value(const QString& section, const QString& key) const
{
    const qsizetype s = sectionLine(section.toUtf8());
    if (s < 0)
        return std::nullopt;
    const qsizetype k = keyLine(s, key.toUtf8());
    if (k < 0)
        return std::nullopt;
    const QByteArray line = textOf(m_lines[k]);
    return trimmedBlanks(line.mid(line.indexOf('=') + 1));
}

std::optional<int32_t> ProfileFile::readInteger(const QString& section, const QString& key) const
{
    const std::optional<QByteArray> text = value(section, key);
    return text ? parseInteger(*text) : std::nullopt;
}

int32_t ProfileFile::ReadInteger(const QString& section, const QString& key, int32_t defaultValue) const
{
    return readInteger(section, key).value_or(defaultValue);
}

bool ProfileFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::optional<QString> ProfileFile::readString(const QString& section, const QString& key) const
{
    const std::optional<QByteArray> text = value(section, key);
    return text ? std::optional<QString>(QString::fromUtf8(*text)) : std::nullopt;
}

void ProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    writeValue(section, key, value.toUtf8());
}

void ProfileFile::DeleteKey(const QString& section, const QString& key)
{
    const qsizetype s = sectionLine(section.toUtf8());
    const qsizetype k = s < 0 ? -1 : keyLine(s, key.toUtf8());
    if (k >= 0)
        m_lines.removeAt(k);
}

void ProfileFile::writeValue(const QString& section, const QString& key, const QByteArray& value)
{
    // Lines the program adds end as the file's first line does.
    const QByteArray cr = m_lineEnd == "\r\n" ? QByteArray("\r") : QByteArray();
    const QByteArray sectionBytes = section.toUtf8();
    const QByteArray line = key.toUtf8() + '=' + value;
    auto endLastLine = [&] {
        // The last line had no line end of its own; it gets the file's before more follow.
        if (!m_endsWithLineEnd && !m_lines.isEmpty() && !m_lines.last().endsWith('\r'))
            m_lines.last() += cr;
        m_endsWithLineEnd = true;
    };
    qsizetype s = sectionLine(sectionBytes);
    if (s < 0) {
        // A new section at the end, set off from what comes before by an empty line.
        endLastLine();
        if (!m_lines.isEmpty() && !trimmedBlanks(textOf(m_lines.last())).isEmpty())
            m_lines.append(cr);
        m_lines.append('[' + sectionBytes + ']' + cr);
        m_lines.append(line + cr);
        return;
    }
    const qsizetype k = keyLine(s, key.toUtf8());
    if (k >= 0) {
        m_lines[k] = line + (m_lines[k].endsWith('\r') ? QByteArray("\r") : QByteArray());
        return;
    }
    // After the section's last non-empty line, before the empty lines that part it from the
    // next section.
    qsizetype insertAt = s + 1;
    for (qsizetype i = s + 1; i < m_lines.size() && !sectionName(textOf(m_lines[i])); ++i)
        if (!trimmedBlanks(textOf(m_lines[i])).isEmpty())
            insertAt = i + 1;
    if (insertAt == m_lines.size())
        endLastLine();
    m_lines.insert(insertAt, line + cr);
}

void ProfileFile::WriteInteger(const QString& section, const QString& key, int32_t value)
{
    writeValue(section, key, QByteArray::number(value));
}

void ProfileFile::WriteBool(const QString& section, const QString& key, bool value)
{
    writeValue(section, key, value ? "1" : "0");
}

QByteArray ProfileFile::contents() const
{
    QByteArray out = m_lines.join('\n');
    if (m_endsWithLineEnd && !m_lines.isEmpty())
        out += '\n';
    return out;
}

void ProfileFile::UpdateFile() const
{
    if (!mayBeWritten())
        throw EFrameworkError(stock::fileCreateError(m_fileName));
    const QByteArray bytes = contents();
    writeFileAtomically(m_fileName, bytes.constData(), bytes.size());
}

} // namespace dw

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace dw {

// A settings file in the system's profile text format: "[Section]" lines, then "Key=Value"
// lines. Sections and keys are matched without regard to case, surrounding blanks are ignored,
// and the first occurrence of a section or key counts. Integers are written in decimal and read
// in decimal or, with a leading "0x" or "$", in hexadecimal; booleans are written 1 and 0 and
// read as true when not 0.
//
// The whole file is held in memory as its lines: writing a key replaces only that key's line
// (or adds one at the end of its section, or a new section at the end of the file), so other
// sections, keys, comments and even lines that are not text stay as the user left them.
// Nothing reaches the disk before UpdateFile.
class ProfileFile {
public:
    // Reads fileName, or readFrom when that is given (the file's first content may come from
    // elsewhere, the defaults an administrator put beside the program). A file that is missing,
    // cannot be read or is larger than kMaxFileSize counts as empty.
    explicit ProfileFile(QString fileName, const QString& readFrom = QString());

    // A file whose current content is given (what a read would have found).
    static ProfileFile fromContents(QString fileName, const QByteArray& contents);

    // Protection: a settings file is a few hundred bytes; anything beyond this is not one.
    static constexpr int64_t kMaxFileSize = 1 << 20;

    const QString& fileName() const { return m_fileName; }

    // The key's value when it is present and an integer in 32 bits (hexadecimal values are
    // taken as 32-bit patterns: $8000000F is negative); nothing otherwise.
    std::optional<int32_t> readInteger(const QString& section, const QString& key) const;
    int32_t ReadInteger(const QString& section, const QString& key, int32_t defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);
    // Text values, in UTF-8 (blanks around a value are not kept, as for every value).
    std::optional<QString> readString(const QString& section, const QString& key) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    // Removes the key's line; nothing when there is none.
    void DeleteKey(const QString& section, const QString& key);

    // Writes the file as a whole, so that a failure leaves the previous file as it was. Raises
    // EFrameworkError ("ファイル %s を作成できません" naming the file) when it cannot be written.
    void UpdateFile() const;
    // The bytes UpdateFile writes.
    QByteArray contents() const;

    // The text of an integer value as the format reads it; nothing when it is not an integer.
    static std::optional<int32_t> parseInteger(const QByteArray& text);

private:
    void parse(const QByteArray& bytes);
    // The line index of the section's header, or -1.
    qsizetype sectionLine(const QByteArray& section) const;
    // The line index of the key within the section starting at sectionLine, or -1.
    qsizetype keyLine(qsizetype sectionLine, const QByteArray& key) const;
    std::optional<QByteArray> value(const QString& section, const QString& key) const;
    void writeValue(const QString& section, const QString& key, const QByteArray& value);

    QString m_fileName;
    QList<QByteArray> m_lines;   // without their "\n", a CR LF line's carriage return kept
    QByteArray m_lineEnd = "\n"; // the file's own line end (CR LF when its first line has one)
    bool m_endsWithLineEnd = true;
};

} // namespace dw

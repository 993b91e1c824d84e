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
    // cannot be read whole, is larger than kMaxFileSize or is not text counts as empty, and
    // readState() says which.
    explicit ProfileFile(QString fileName, const QString& readFrom = QString());

    // A file whose current content is given (what a read would have found).
    static ProfileFile fromContents(QString fileName, const QByteArray& contents);

    // Protection: a settings file is a few hundred bytes, but users keep their own sections and
    // notes in it too; a file beyond this is no settings file.
    static constexpr int64_t kMaxFileSize = int64_t(16) << 20;

    // How the file was read. Only a file read whole, or one that is not there yet, may be
    // written: writing any other would replace what it holds by the few keys written here.
    enum class ReadState {
        Whole,      // every line is held
        Missing,    // no file: it starts empty
        TooLarge,   // larger than kMaxFileSize
        Unreadable, // it exists but cannot be read (a folder, no permission, a read error)
        NotText,    // it holds NUL bytes: no text in the format (UTF-16, a binary file)
    };
    ReadState readState() const { return m_readState; }
    // The system's reason when the state is Unreadable.
    const QString& readError() const { return m_readError; }
    bool mayBeWritten() const { return m_readState == ReadState::Whole || m_readState == ReadState::Missing; }

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
    // Keeps the lines of the section alone (its first occurrence), dropping every other section
    // and whatever comes before the first.
    void keepOnlySection(const QString& section);

    // Writes the file as a whole, so that a failure leaves the previous file as it was. Raises
    // EFrameworkError ("ファイル %s を作成できません" naming the file) when it cannot be written,
    // and without touching it when it was not read whole (see mayBeWritten).
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
    ReadState m_readState = ReadState::Missing;
    QString m_readError;
};

} // namespace dw

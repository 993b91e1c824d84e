#pragma once

#include <QString>

#include <string>

namespace dw {

// Conversion between the program's Unicode text and the Windows ANSI code page the saved
// files use (code page 932, Shift-JIS with the Windows extensions).

struct AnsiResult {
    std::string bytes;   // the CP932 bytes; meaningful only when ok()
    QString unmappable;  // each distinct character that CP932 cannot hold, in order of appearance
    bool ok() const { return unmappable.isEmpty(); }
};

// Converts text to CP932. A character that CP932 cannot hold exactly (one that would come back
// as another character, such as "¥" stored as the byte of "\") is never replaced: the result
// lists it in unmappable and the caller must tell the user instead of saving. The characters
// Japanese input methods here produce for glyphs CP932 holds under another code point (U+301C
// WAVE DASH, U+2212 MINUS SIGN, U+2016, U+00A2, U+00A3, U+00AC, U+2014) are stored as the byte
// pairs of their Windows counterparts (～, －, ∥, ￠, ￡, ￢, ―), which read back as those.
AnsiResult ansiFromUnicode(const QString& text);

// Converts CP932 bytes to text; a byte sequence that is not CP932 becomes U+FFFD.
QString unicodeFromAnsi(const char* bytes, size_t length);
inline QString unicodeFromAnsi(const std::string& bytes) { return unicodeFromAnsi(bytes.data(), bytes.size()); }

// Line breaks in the form the saved files use: every CR LF, lone LF or lone CR becomes CR LF.
QString withCrLf(const QString& text);

} // namespace dw

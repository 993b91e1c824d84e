#pragma once

#include "DataFileHeader.h"

#include <QString>

#include <string>

namespace dw {

// The two text members of the custom data file in the ANSI code page (CP932) the file stores.
struct DataFileTexts {
    std::string header; // the header lines, each followed by CR LF (the last one too)
    std::string author; // the author text, lines separated by CR LF, nothing added after the last
    // Each distinct character that cannot be saved as the user sees it, in order of appearance:
    // characters CP932 cannot hold exactly, NUL (neither member may hold one) and, in the title,
    // CR and LF (the title's line would end there and the rest would be read as further keys).
    // When not empty, both byte strings are empty and nothing may be saved.
    QString unstorable;
    bool ok() const { return unstorable.isEmpty(); }
};

// Converts the header (its title included) and the author text as the box holds it. Any line
// break of the author text (CR LF, a lone LF or a lone CR) is written as CR LF.
DataFileTexts dataFileTexts(const DataFileHeader& header, const QString& authorText);

} // namespace dw

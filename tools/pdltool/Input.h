#pragma once

#include "datafile/DataFileSource.h"

#include <QString>

namespace pdltool {

struct InputFile {
    QString error; // why the file could not be read from the disk (one line); empty when it was
    dw::OpenedDataFile data;
};

// Reads the file at path as a custom data file (openDataFile, holding of the members what holding
// says). Files larger than a file image can be (2 GiB − 1 bytes) are refused before they are read.
InputFile readInput(const QString& path, const dw::MemberHolding& holding = {});

} // namespace pdltool

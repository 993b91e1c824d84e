#pragma once

// The fixed fields of a cabinet file, read straight from its bytes so that tests check what was
// written independently of the library that wrote it.

#include "tests/support/TestFiles.h"

#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace dw::test {

struct CabinetMemberEntry {
    uint32_t size = 0;
    uint32_t offsetInFolder = 0;
    uint16_t folder = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = 0;
    std::string name;
};

struct CabinetLayout {
    bool valid = false; // signature present and every field below inside the file
    uint32_t cabinetSize = 0;
    uint32_t filesOffset = 0;
    uint8_t versionMinor = 0, versionMajor = 0;
    uint16_t folderCount = 0, fileCount = 0, flags = 0, setId = 0, cabinetIndex = 0;
    // The first folder entry.
    uint32_t dataOffset = 0;
    uint16_t dataBlocks = 0, compression = 0;
    std::vector<CabinetMemberEntry> members;
};

inline CabinetLayout readCabinetLayout(const Bytes& b)
{
    CabinetLayout c;
    auto u16 = [&](size_t at) { return uint16_t(b[at] | b[at + 1] << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    if (b.size() < 44 || b[0] != 'M' || b[1] != 'S' || b[2] != 'C' || b[3] != 'F')
        return c;
    c.cabinetSize = u32(8);
    c.filesOffset = u32(16);
    c.versionMinor = b[24];
    c.versionMajor = b[25];
    c.folderCount = u16(26);
    c.fileCount = u16(28);
    c.flags = u16(30);
    c.setId = u16(32);
    c.cabinetIndex = u16(34);
    c.dataOffset = u32(36);
    c.dataBlocks = u16(40);
    c.compression = u16(42);
    size_t at = c.filesOffset;
    for (unsigned i = 0; i < c.fileCount; ++i) {
        if (at + 16 > b.size())
            return c;
        CabinetMemberEntry m;
        m.size = u32(at);
        m.offsetInFolder = u32(at + 4);
        m.folder = u16(at + 8);
        m.date = u16(at + 10);
        m.time = u16(at + 12);
        m.attributes = u16(at + 14);
        at += 16;
        while (at < b.size() && b[at] != 0)
            m.name += char(b[at++]);
        if (at >= b.size())
            return c;
        ++at;
        c.members.push_back(m);
    }
    c.valid = true;
    return c;
}

// Unpacks a cabinet with cabextract into folder; exit code 0 when the cabinet was sound.
inline ProcessResult cabextractInto(const QString& cabinet, const QString& folder)
{
    return runProcess(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), folder, cabinet});
}

} // namespace dw::test

#pragma once

// A member's bytes as its folder's data blocks give them, one block at a time: where the member
// lies (the tables read as the cabinet library reads them) and the blocks' decoding (stored, or
// MSZIP with zlib, each block with the one before it as dictionary). Internal to the cabinet
// reader.

#include "CabinetBytes.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace dw::cabinetdata {

// A data block holds at most 32 KiB once decompressed.
constexpr int64_t kMaxBlockBytes = 32768;

// Where a member's bytes are: its folder's first data block, the folder's compression and the
// reserved bytes of every block, and the member's place in the folder's uncompressed bytes.
struct Placement {
    int64_t firstBlock = 0;
    int compression = 0;
    int64_t blockReserve = 0;
    int64_t offset = 0; // in the folder's uncompressed bytes
    int64_t size = 0;
};

// Member `index` in the library's order (folder by folder, in table order), from the folder and
// member tables that follow the header; false when the tables cannot be read.
bool placementOf(const Bytes& bytes, int index, Placement& out);

class BlockDecoder {
public:
    BlockDecoder(const Bytes& bytes, const Placement& placement);
    ~BlockDecoder();
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    // The next block of the folder: its size (at most kMaxBlockBytes), its bytes at bytes(); -1
    // with why() when it cannot be read (data that end early, a bad checksum, damaged data).
    int64_t next();
    // Passes over the blocks of a stored folder that lie wholly within the next `count` bytes, by
    // the sizes their headers state, reading neither their data nor checking them: the bytes
    // passed over (a block that reaches beyond `count` is left to next()); -1 with why() when a
    // header cannot be read or states another size than the block holds. Nothing in a folder
    // that is compressed, whose every block is the dictionary of the next.
    int64_t skipStored(int64_t count);
    const uint8_t* bytes() const;
    const QString& why() const;

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace dw::cabinetdata

#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace dw {

namespace cabinetdata {
class Bytes;
}

// Reads a Microsoft cabinet, held in memory or read from its file as needed: its members and
// their bytes. Damaged cabinets are refused with a reason (English, one sentence); nothing in
// them can make the reader read outside the given bytes or allocate more than the extraction
// limit.
class CabinetReader {
public:
    // Whether the bytes begin with the cabinet signature "MSCF".
    static bool hasSignature(const uint8_t* data, int64_t size);

    // The most bytes one member may hold to be extracted (512 MiB): a cabinet of a few bytes can
    // state, and even decompress to, sizes far beyond the memory of the machine. Members listed
    // with a larger size are still listed, but extract() refuses them.
    static constexpr int64_t kMaxExtractBytes = int64_t(512) << 20;
    // The most bytes of its folder a member may start beyond when the folder is compressed: each
    // MSZIP block is decoded with the one before it as its dictionary, so everything before a
    // member must be decoded to reach it (a few megabytes of blocks can state gigabytes). A stored
    // folder's blocks before a member are passed over by their stated sizes instead.
    static constexpr int64_t kMaxCompressedMemberStart = int64_t(64) << 20;
    // The largest cabinet opened at all: the cabinet format counts its size in 32 bits.
    static constexpr int64_t kMaxCabinetBytes = 0xFFFFFFFFLL;

    struct Member {
        QString name;         // as stored, "\" kept; decoded as UTF-8 when the cabinet says so
        int64_t size = 0;     // uncompressed bytes, as the member table states
        int folder = 0;       // index of the folder that holds it
        int compression = 0;  // the folder's compression: 0 none, 1 MSZIP, 2 Quantum, 3 LZX
    };

    CabinetReader();
    ~CabinetReader();
    CabinetReader(const CabinetReader&) = delete;
    CabinetReader& operator=(const CabinetReader&) = delete;

    // Opens the cabinet in data (size bytes). The bytes are not copied: they must stay unchanged
    // and alive as long as the reader uses them. Returns an empty string on success, else why the
    // bytes are not a readable cabinet (the reader is then closed).
    QString open(const uint8_t* data, int64_t size);
    // The same for the cabinet in the file at path, of which only what is needed is read: the
    // header and the tables, then a member's blocks one at a time as it is extracted.
    QString openFile(const QString& path);

    bool isOpen() const { return m_bytes != nullptr; }
    int folderCount() const { return m_folderCount; }
    // In the order of the cabinet's member table, folder by folder.
    const std::vector<Member>& members() const { return m_members; }

    // Where extractTo hands the member's bytes, in order, a block (at most 32 KiB) at a time.
    // Returning false ends the extraction there: the receiver has what it needs, or refuses.
    using Sink = std::function<bool(const uint8_t* bytes, int64_t count)>;

    // Decompresses member `index` block by block into sink: nothing of the member is held here
    // but the block being decompressed (stored and MSZIP members; an LZX member, which this
    // program never writes, is decompressed whole by the cabinet library first). Returns an empty
    // string when the member was handed over whole or the sink stopped it, else the reason:
    // index out of range, the member larger than limit (at most kMaxExtractBytes counts), a
    // member too far into its compressed folder (kMaxCompressedMemberStart), a
    // compression that cannot be decompressed, damaged compressed data, a bad checksum, or data
    // that end early (the sink may have had part of the member by then).
    QString extractTo(int index, const Sink& sink, int64_t limit = kMaxExtractBytes);

    // Decompresses member `index` into out (replaced); out is empty when it fails, with the
    // reason as for extractTo.
    QString extract(int index, std::vector<uint8_t>& out, int64_t limit = kMaxExtractBytes);

private:
    QString openBytes(std::unique_ptr<cabinetdata::Bytes> bytes);
    QString extractWhole(int index, const Sink& sink);

    std::unique_ptr<cabinetdata::Bytes> m_bytes; // the cabinet's (in memory: not owned)
    std::vector<Member> m_members;
    int m_folderCount = 0;
};

} // namespace dw

#include "CabinetBlocks.h"

#include "ByteOrder.h"

#include <zlib.h>

#include <cstring>
#include <vector>

namespace dw::cabinetdata {

namespace {

// CFHEADER fields (offsets into the cabinet file) and flags.
constexpr int64_t kHeaderSize = 36;
constexpr int kOffsetFolderCount = 26;
constexpr int kOffsetFileCount = 28;
constexpr int kOffsetFlags = 30;
constexpr uint16_t kFlagReservePresent = 0x0004;
// The compression in a folder's type field, and the two types decoded here.
constexpr int kCompressionMask = 0x000F;
constexpr int kStored = 0, kMszip = 1;
// Compressed, a block holds at most what the cabinet library's buffer takes (32 KiB and the
// most an LZX block may grow); a member name at most this many bytes with its NUL.
constexpr int64_t kMaxCompressedBlockBytes = 32768 + 6144;
constexpr int64_t kMaxNameBytes = 1024;

// The cabinet checksum of a data block: its bytes as little-endian words XORed together, the
// last one to three bytes taken most significant first, then the two size fields the same way.
uint32_t blockChecksum(const uint8_t* bytes, int64_t count, uint32_t seed)
{
    uint32_t sum = seed;
    int64_t i = 0;
    for (; i + 4 <= count; i += 4)
        sum ^= readLE32(bytes + i);
    uint32_t rest = 0;
    for (; i < count; ++i)
        rest = (rest << 8) | bytes[i];
    return sum ^ rest;
}

} // namespace

bool placementOf(const Bytes& bytes, int index, Placement& out)
{
    uint8_t header[kHeaderSize + 4];
    if (!bytes.read(0, header, kHeaderSize))
        return false;
    const int folders = readLE16(header + kOffsetFolderCount);
    const int files = readLE16(header + kOffsetFileCount);
    int64_t pos = kHeaderSize;
    int64_t folderReserve = 0;
    if (readLE16(header + kOffsetFlags) & kFlagReservePresent) {
        if (!bytes.read(pos, header + kHeaderSize, 4))
            return false;
        folderReserve = header[kHeaderSize + 2];
        out.blockReserve = header[kHeaderSize + 3];
        pos += 4 + readLE16(header + kHeaderSize);
    }
    struct Folder {
        int64_t firstBlock;
        int compression;
    };
    std::vector<Folder> folderTable;
    for (int f = 0; f < folders; ++f) {
        uint8_t entry[8];
        if (!bytes.read(pos, entry, 8))
            return false;
        folderTable.push_back({int64_t(readLE32(entry)), readLE16(entry + 6) & kCompressionMask});
        pos += 8 + folderReserve;
    }
    // The members' entries follow the folders' (the library reads them from there), each 16
    // bytes and a name up to its NUL.
    int listed = 0;
    struct File {
        int64_t size, offset;
        int folder;
    };
    std::vector<File> fileTable;
    for (int i = 0; i < files; ++i) {
        uint8_t entry[16];
        if (!bytes.read(pos, entry, 16))
            return false;
        fileTable.push_back({int64_t(readLE32(entry)), int64_t(readLE32(entry + 4)), readLE16(entry + 8)});
        pos += 16;
        char name[kMaxNameBytes];
        const int64_t room = std::min<int64_t>(kMaxNameBytes, bytes.size() - pos);
        if (room <= 0 || !bytes.read(pos, name, room))
            return false;
        const void* nul = std::memchr(name, 0, size_t(room));
        if (!nul)
            return false;
        pos += static_cast<const char*>(nul) - name + 1;
    }
    for (int f = 0; f < folders; ++f) {
        for (const File& file : fileTable) {
            if (file.folder != f || listed++ != index)
                continue;
            out.firstBlock = folderTable[size_t(f)].firstBlock;
            out.compression = folderTable[size_t(f)].compression;
            out.offset = file.offset;
            out.size = file.size;
            return true;
        }
    }
    return false;
}

struct BlockDecoder::State {
    const Bytes& bytes;
    int64_t pos;
    int64_t reserve;
    int compression;
    z_stream z{};
    bool inflating = false;
    uint8_t in[kMaxCompressedBlockBytes];
    uint8_t out[kMaxBlockBytes];
    QString why;

    State(const Bytes& b, const Placement& p) : bytes(b), pos(p.firstBlock), reserve(p.blockReserve), compression(p.compression) {}

    int64_t fail(const char* reason)
    {
        why = QString::fromLatin1(reason);
        return -1;
    }
};

BlockDecoder::BlockDecoder(const Bytes& bytes, const Placement& placement) : m(std::make_unique<State>(bytes, placement))
{
    if (m->compression == kMszip)
        m->inflating = inflateInit2(&m->z, -MAX_WBITS) == Z_OK;
}

BlockDecoder::~BlockDecoder()
{
    if (m->inflating)
        inflateEnd(&m->z);
}

const uint8_t* BlockDecoder::bytes() const { return m->out; }
const QString& BlockDecoder::why() const { return m->why; }

int64_t BlockDecoder::skipStored(int64_t count)
{
    State& s = *m;
    int64_t skipped = 0;
    while (s.compression == kStored) {
        uint8_t head[8];
        if (!s.bytes.read(s.pos, head, 8))
            return s.fail("the data end early");
        const int64_t packed = readLE16(head + 4);
        const int64_t unpacked = readLE16(head + 6);
        if (packed != unpacked)
            return s.fail("a stored block states another size than it holds");
        if (unpacked == 0 || skipped + unpacked > count)
            break;
        s.pos += 8 + s.reserve + packed;
        skipped += unpacked;
    }
    return skipped;
}

int64_t BlockDecoder::next()
{
    State& s = *m;
    if (s.compression != kStored && s.compression != kMszip)
        return s.fail("the compression cannot be decoded here");
    if (s.compression == kMszip && !s.inflating)
        return s.fail("the decompressor cannot be started");
    // CFDATA: checksum, compressed size, uncompressed size, reserved bytes, the data.
    uint8_t head[8];
    if (!s.bytes.read(s.pos, head, 8))
        return s.fail("the data end early");
    const uint32_t checksum = readLE32(head);
    const int64_t packed = readLE16(head + 4);
    const int64_t unpacked = readLE16(head + 6);
    s.pos += 8 + s.reserve;
    if (unpacked > kMaxBlockBytes || packed > kMaxCompressedBlockBytes)
        return s.fail("a data block is larger than a block may be");
    if (!s.bytes.read(s.pos, s.in, packed))
        return s.fail("the data end early");
    s.pos += packed;
    if (blockChecksum(head + 4, 4, blockChecksum(s.in, packed, 0)) != checksum)
        return s.fail("incorrect checksum detected");
    if (s.compression == kStored) {
        if (packed != unpacked)
            return s.fail("a stored block states another size than it holds");
        std::memcpy(s.out, s.in, size_t(packed));
        return unpacked;
    }
    if (packed < 2 || s.in[0] != 'C' || s.in[1] != 'K')
        return s.fail("a data block lacks its MSZIP signature");
    s.z.next_in = s.in + 2;
    s.z.avail_in = uInt(packed - 2);
    s.z.next_out = s.out;
    s.z.avail_out = uInt(unpacked);
    int status = Z_OK;
    while (status == Z_OK)
        status = inflate(&s.z, Z_BLOCK);
    if (status != Z_STREAM_END || s.z.avail_in != 0 || s.z.avail_out != 0)
        return s.fail("damaged compressed data");
    // The next block may refer to this one.
    if (inflateReset(&s.z) != Z_OK || inflateSetDictionary(&s.z, s.out, uInt(unpacked)) != Z_OK)
        return s.fail("damaged compressed data");
    return unpacked;
}

} // namespace dw::cabinetdata

// libgcab and GLib stay inside this file, as for the writer. They come before the Qt headers so
// that Qt's keyword macros cannot meet GLib's declarations.
#include <libgcab.h>

#include "CabinetReader.h"

#include "ByteOrder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace dw {

namespace {

// CFHEADER, the fixed part (offsets into the cabinet file).
constexpr int64_t kHeaderSize = 36;
constexpr int kOffsetCabinetSize = 8;  // cbCabinet, u32
constexpr int kOffsetFilesOffset = 16; // coffFiles, u32
constexpr int kOffsetVersionMajor = 25;
constexpr int kOffsetFolderCount = 26; // cFolders, u16
constexpr int kOffsetFileCount = 28;   // cFiles, u16
constexpr int kOffsetFlags = 30;       // flags, u16
constexpr uint16_t kFlagPreviousCabinet = 0x0001;
constexpr uint16_t kFlagNextCabinet = 0x0002;
constexpr uint16_t kFlagReservePresent = 0x0004;
// A data block holds at most 32 KiB once decompressed; compressed, at most what the cabinet
// library's buffer takes (32 KiB and the most an LZX block may grow).
constexpr int64_t kMaxBlockBytes = 32768;
constexpr int64_t kMaxCompressedBlockBytes = 32768 + 6144;

QString glibMessage(const GError* error)
{
    return error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

// Names are UTF-8 when the member says so; otherwise they are in some code page, and Latin-1
// at least shows every byte.
QString memberName(GCabFile* file)
{
    const char* raw = gcab_file_get_name(file);
    if (!raw)
        return {};
    const QString utf8 = QString::fromUtf8(raw);
    if ((gcab_file_get_attributes(file) & GCAB_FILE_ATTRIBUTE_NAME_IS_UTF) || !utf8.contains(QChar(0xFFFD)))
        return utf8;
    return QString::fromLatin1(raw);
}

// The header fields that libgcab would otherwise take on trust, checked first so that the reason
// for a refusal names the field.
QString checkHeader(const uint8_t* data, int64_t size, int64_t& cabinetSize)
{
    if (size < kHeaderSize)
        return QStringLiteral("the cabinet holds %1 bytes, fewer than its 36-byte header").arg(size);
    cabinetSize = readLE32(data + kOffsetCabinetSize);
    if (cabinetSize < kHeaderSize)
        return QStringLiteral("the cabinet header states a size of %1 bytes, less than the header itself").arg(cabinetSize);
    if (cabinetSize > size)
        return QStringLiteral("the cabinet is truncated: its header states %1 bytes, the file holds %2")
            .arg(cabinetSize)
            .arg(size);
    if (data[kOffsetVersionMajor] != 1)
        return QStringLiteral("the cabinet format version %1.%2 is not 1.x")
            .arg(data[kOffsetVersionMajor])
            .arg(data[kOffsetVersionMajor - 1]);
    const uint16_t flags = readLE16(data + kOffsetFlags);
    if (flags & (kFlagPreviousCabinet | kFlagNextCabinet))
        return QStringLiteral("the cabinet is one part of a set of cabinets");
    if (readLE16(data + kOffsetFolderCount) == 0)
        return QStringLiteral("the cabinet holds no folder");
    if (readLE16(data + kOffsetFileCount) == 0)
        return QStringLiteral("the cabinet holds no member");
    if (int64_t(readLE32(data + kOffsetFilesOffset)) >= cabinetSize)
        return QStringLiteral("the cabinet's member table lies outside the cabinet");
    return {};
}

// A loaded cabinet and its members in table order, folder by folder (the cabinet owns them).
struct LoadedCabinet {
    GCabCabinet* cabinet = gcab_cabinet_new();
    std::vector<GCabFile*> files;
    std::vector<CabinetReader::Member> members;
    int folderCount = 0;

    LoadedCabinet() = default;
    ~LoadedCabinet() { g_object_unref(cabinet); }
    LoadedCabinet(const LoadedCabinet&) = delete;
    LoadedCabinet& operator=(const LoadedCabinet&) = delete;

    QString load(const uint8_t* data, int64_t size)
    {
        g_autoptr(GInputStream) in = g_memory_input_stream_new_from_data(data, gssize(size), nullptr);
        g_autoptr(GError) error = nullptr;
        if (!gcab_cabinet_load(cabinet, in, nullptr, &error))
            return QStringLiteral("the cabinet cannot be read: %1").arg(glibMessage(error));
        GPtrArray* folders = gcab_cabinet_get_folders(cabinet);
        folderCount = folders ? int(folders->len) : 0;
        for (int f = 0; f < folderCount; ++f) {
            GCabFolder* folder = GCAB_FOLDER(g_ptr_array_index(folders, guint(f)));
            const int compression = gcab_folder_get_comptype(folder) & GCAB_COMPRESSION_MASK;
            GSList* list = gcab_folder_get_files(folder);
            for (GSList* l = list; l; l = l->next) {
                GCabFile* file = GCAB_FILE(l->data);
                members.push_back({memberName(file), int64_t(gcab_file_get_size(file)), f, compression});
                files.push_back(file);
            }
            g_slist_free(list);
        }
        if (members.empty())
            return QStringLiteral("the cabinet holds no member");
        return {};
    }
};

gboolean selectOnly(GCabFile* file, gpointer wanted) { return file == wanted; }

// Where a member's bytes are: its folder's first data block, the folder's compression and the
// reserved bytes of every block, and the member's place in the folder's uncompressed bytes.
struct Placement {
    int64_t firstBlock = 0;
    int compression = 0;
    int64_t blockReserve = 0;
    int64_t offset = 0; // in the folder's uncompressed bytes
    int64_t size = 0;
};

// The tables read as the cabinet library reads them (folders right after the header, the
// members right after the folders), so that member `index` is the same member it listed: folder
// by folder, in table order. The library has loaded the cabinet already; this only finds the
// positions it keeps to itself.
bool placementOf(const uint8_t* data, int64_t size, int index, Placement& out)
{
    const int folders = readLE16(data + kOffsetFolderCount);
    const int files = readLE16(data + kOffsetFileCount);
    int64_t pos = kHeaderSize;
    int64_t folderReserve = 0;
    if (readLE16(data + kOffsetFlags) & kFlagReservePresent) {
        if (pos + 4 > size)
            return false;
        const int64_t headerReserve = readLE16(data + pos);
        folderReserve = data[pos + 2];
        out.blockReserve = data[pos + 3];
        pos += 4 + headerReserve;
    }
    struct Folder {
        int64_t firstBlock;
        int compression;
    };
    std::vector<Folder> folderTable;
    for (int f = 0; f < folders; ++f) {
        if (pos + 8 + folderReserve > size)
            return false;
        folderTable.push_back({int64_t(readLE32(data + pos)), readLE16(data + pos + 6) & GCAB_COMPRESSION_MASK});
        pos += 8 + folderReserve;
    }
    struct File {
        int64_t size, offset;
        int folder;
    };
    std::vector<File> fileTable;
    for (int i = 0; i < files; ++i) {
        if (pos + 16 > size)
            return false;
        fileTable.push_back({int64_t(readLE32(data + pos)), int64_t(readLE32(data + pos + 4)), readLE16(data + pos + 8)});
        pos += 16;
        const void* nul = std::memchr(data + pos, 0, size_t(size - pos));
        if (!nul)
            return false;
        pos = static_cast<const uint8_t*>(nul) - data + 1;
    }
    int listed = 0;
    for (int f = 0; f < folders; ++f) {
        for (const File& file : fileTable) {
            if (file.folder != f)
                continue;
            if (listed++ == index) {
                out.firstBlock = folderTable[size_t(f)].firstBlock;
                out.compression = folderTable[size_t(f)].compression;
                out.offset = file.offset;
                out.size = file.size;
                return true;
            }
        }
    }
    return false;
}

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

// Decompresses one folder's data blocks in order: stored blocks as they are, MSZIP blocks ("CK"
// and a deflate stream, each with the block before it as its dictionary).
class BlockDecoder {
public:
    BlockDecoder(const uint8_t* data, int64_t size, const Placement& placement)
        : m_data(data), m_size(size), m_pos(placement.firstBlock), m_reserve(placement.blockReserve),
          m_compression(placement.compression)
    {
        if (m_compression == GCAB_COMPRESSION_MSZIP)
            m_inflating = inflateInit2(&m_z, -MAX_WBITS) == Z_OK;
    }
    ~BlockDecoder()
    {
        if (m_inflating)
            inflateEnd(&m_z);
    }
    BlockDecoder(const BlockDecoder&) = delete;
    BlockDecoder& operator=(const BlockDecoder&) = delete;

    const uint8_t* bytes() const { return m_out; }

    // The next block's bytes (at most 32 KiB); -1 with why() when it cannot be read.
    int64_t next()
    {
        if (m_compression == GCAB_COMPRESSION_MSZIP && !m_inflating)
            return fail("the decompressor cannot be started");
        if (m_pos < 0 || m_pos + 8 + m_reserve > m_size)
            return fail("the data end early");
        const uint32_t checksum = readLE32(m_data + m_pos);
        const int64_t packed = readLE16(m_data + m_pos + 4);
        const int64_t unpacked = readLE16(m_data + m_pos + 6);
        const uint8_t* sizes = m_data + m_pos + 4;
        m_pos += 8 + m_reserve;
        if (unpacked > kMaxBlockBytes || packed > kMaxCompressedBlockBytes)
            return fail("a data block is larger than a block may be");
        if (m_pos + packed > m_size)
            return fail("the data end early");
        const uint8_t* in = m_data + m_pos;
        m_pos += packed;
        if (blockChecksum(sizes, 4, blockChecksum(in, packed, 0)) != checksum)
            return fail("incorrect checksum detected");
        if (m_compression == GCAB_COMPRESSION_NONE) {
            if (packed != unpacked)
                return fail("a stored block states another size than it holds");
            std::memcpy(m_out, in, size_t(packed));
            return unpacked;
        }
        if (packed < 2 || in[0] != 'C' || in[1] != 'K')
            return fail("a data block lacks its MSZIP signature");
        m_z.next_in = const_cast<Bytef*>(in + 2);
        m_z.avail_in = uInt(packed - 2);
        m_z.next_out = m_out;
        m_z.avail_out = uInt(unpacked);
        int status = Z_OK;
        while (status == Z_OK)
            status = inflate(&m_z, Z_BLOCK);
        if (status != Z_STREAM_END || m_z.avail_in != 0 || m_z.avail_out != 0)
            return fail("damaged compressed data");
        if (inflateReset(&m_z) != Z_OK || inflateSetDictionary(&m_z, m_out, uInt(unpacked)) != Z_OK)
            return fail("damaged compressed data");
        return unpacked;
    }

    const QString& why() const { return m_why; }

private:
    int64_t fail(const char* why)
    {
        m_why = QString::fromLatin1(why);
        return -1;
    }

    const uint8_t* m_data;
    int64_t m_size;
    int64_t m_pos;
    int64_t m_reserve;
    int m_compression;
    z_stream m_z {};
    bool m_inflating = false;
    uint8_t m_out[kMaxBlockBytes];
    QString m_why;
};

} // namespace

CabinetReader::CabinetReader() = default;
CabinetReader::~CabinetReader() = default;

bool CabinetReader::hasSignature(const uint8_t* data, int64_t size)
{
    return data && size >= 4 && std::memcmp(data, "MSCF", 4) == 0;
}

QString CabinetReader::open(const uint8_t* data, int64_t size)
{
    m_data = nullptr;
    m_size = 0;
    m_members.clear();
    m_folderCount = 0;

    if (!hasSignature(data, size))
        return QStringLiteral("the file does not begin with the cabinet signature MSCF");
    if (size > kMaxCabinetBytes)
        return QStringLiteral("the file is larger than a cabinet can be");
    int64_t cabinetSize = 0;
    if (QString problem = checkHeader(data, size, cabinetSize); !problem.isEmpty())
        return problem;

    // Only the bytes the header counts belong to the cabinet; anything after them is ignored.
    LoadedCabinet loaded;
    if (QString problem = loaded.load(data, cabinetSize); !problem.isEmpty())
        return problem;
    m_members = std::move(loaded.members);
    m_folderCount = loaded.folderCount;
    m_data = data;
    m_size = cabinetSize;
    return {};
}

QString CabinetReader::extractTo(int index, const Sink& sink, int64_t limit)
{
    if (!isOpen())
        return QStringLiteral("no cabinet is open");
    if (index < 0 || index >= int(m_members.size()))
        return QStringLiteral("the cabinet has no member %1").arg(index);
    const Member& member = m_members[size_t(index)];
    const int64_t allowed = std::min(limit, kMaxExtractBytes);
    if (member.size > allowed)
        return QStringLiteral("member %1 holds %2 bytes, more than the %3 bytes extracted at most")
            .arg(member.name)
            .arg(member.size)
            .arg(allowed);
    if (member.compression == GCAB_COMPRESSION_LZX)
        return extractWhole(index, sink);
    if (member.compression != GCAB_COMPRESSION_NONE && member.compression != GCAB_COMPRESSION_MSZIP)
        return QStringLiteral("member %1 uses compression type %2, which cannot be decompressed")
            .arg(member.name)
            .arg(member.compression);

    Placement placement;
    if (!placementOf(m_data, m_size, index, placement) || placement.size != member.size)
        return QStringLiteral("member %1 cannot be located in the cabinet").arg(member.name);
    // The folder's bytes from its first block; the member's part of them goes to the sink.
    auto decoder = std::make_unique<BlockDecoder>(m_data, m_size, placement);
    const int64_t end = placement.offset + placement.size;
    int64_t at = 0; // the folder's uncompressed bytes decoded so far
    int64_t given = 0;
    while (given < placement.size) {
        const int64_t count = decoder->next();
        if (count < 0)
            return QStringLiteral("member %1 cannot be extracted: %2").arg(member.name, decoder->why());
        if (count == 0)
            return QStringLiteral("member %1 ends after %2 of its %3 bytes").arg(member.name).arg(given).arg(member.size);
        const int64_t from = std::max(at, placement.offset), to = std::min(at + count, end);
        if (from < to) {
            if (!sink(decoder->bytes() + (from - at), to - from))
                return {};
            given += to - from;
        }
        at += count;
    }
    return {};
}

// LZX: the cabinet library decompresses the member into memory of its own, which is handed on
// from there.
QString CabinetReader::extractWhole(int index, const Sink& sink)
{
    const Member& member = m_members[size_t(index)];
    // A cabinet of its own for each extraction: the library keeps what it decompressed with the
    // member, and this way it is freed as soon as it has been handed on.
    LoadedCabinet loaded;
    if (QString problem = loaded.load(m_data, m_size); !problem.isEmpty())
        return problem;
    if (loaded.files.size() != m_members.size())
        return QStringLiteral("the cabinet changed since it was opened");
    GCabFile* file = loaded.files[size_t(index)];
    g_autoptr(GError) error = nullptr;
    // Without a folder to extract to, the library decompresses into memory held by the member.
    if (!gcab_cabinet_extract(loaded.cabinet, nullptr, selectOnly, nullptr, file, nullptr, &error))
        return QStringLiteral("member %1 cannot be extracted: %2").arg(member.name, glibMessage(error));
    GBytes* bytes = gcab_file_get_bytes(file);
    gsize got = 0;
    const auto* p = static_cast<const uint8_t*>(bytes ? g_bytes_get_data(bytes, &got) : nullptr);
    if (int64_t(got) != member.size)
        return QStringLiteral("member %1 ends after %2 of its %3 bytes").arg(member.name).arg(got).arg(member.size);
    for (gsize done = 0; done < got;) {
        const gsize count = std::min<gsize>(got - done, gsize(kMaxBlockBytes));
        if (!sink(p + done, int64_t(count)))
            return {};
        done += count;
    }
    return {};
}

QString CabinetReader::extract(int index, std::vector<uint8_t>& out, int64_t limit)
{
    out.clear();
    try {
        if (isOpen() && index >= 0 && index < int(m_members.size()) && m_members[size_t(index)].size <= std::min(limit, kMaxExtractBytes))
            out.reserve(size_t(m_members[size_t(index)].size));
        const QString problem = extractTo(
            index,
            [&out](const uint8_t* bytes, int64_t count) {
                out.insert(out.end(), bytes, bytes + count);
                return true;
            },
            limit);
        if (!problem.isEmpty())
            out = {};
        return problem;
    } catch (const std::bad_alloc&) {
        out = {};
        return QStringLiteral("there is not enough memory to extract member %1").arg(m_members[size_t(index)].name);
    }
}

} // namespace dw

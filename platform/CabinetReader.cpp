// libgcab stays inside this file, as for the writer (GLib in the cabinet files of this folder). It
// comes before the Qt headers so that Qt's keyword macros cannot meet GLib's declarations.
#include <libgcab.h>

#include "CabinetReader.h"

#include "ByteOrder.h"
#include "CabinetBlocks.h"
#include "CabinetBytes.h"

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

    QString load(const cabinetdata::Bytes& bytes)
    {
        g_autoptr(GInputStream) in = bytes.stream();
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

} // namespace

CabinetReader::CabinetReader() = default;
CabinetReader::~CabinetReader() = default;

bool CabinetReader::hasSignature(const uint8_t* data, int64_t size)
{
    return data && size >= 4 && std::memcmp(data, "MSCF", 4) == 0;
}

QString CabinetReader::open(const uint8_t* data, int64_t size)
{
    m_bytes.reset();
    m_members.clear();
    m_folderCount = 0;
    if (!hasSignature(data, size))
        return QStringLiteral("the file does not begin with the cabinet signature MSCF");
    return openBytes(cabinetdata::bytesInMemory(data, size));
}

QString CabinetReader::openFile(const QString& path)
{
    m_bytes.reset();
    m_members.clear();
    m_folderCount = 0;
    QString why;
    std::unique_ptr<cabinetdata::Bytes> bytes = cabinetdata::bytesInFile(path, why);
    if (!bytes)
        return QStringLiteral("the file cannot be read: %1").arg(why);
    uint8_t signature[4] = {};
    if (!bytes->read(0, signature, 4) || !hasSignature(signature, 4))
        return QStringLiteral("the file does not begin with the cabinet signature MSCF");
    return openBytes(std::move(bytes));
}

QString CabinetReader::openBytes(std::unique_ptr<cabinetdata::Bytes> bytes)
{
    if (bytes->size() > kMaxCabinetBytes)
        return QStringLiteral("the file is larger than a cabinet can be");
    uint8_t header[kHeaderSize] = {};
    bytes->read(0, header, std::min<int64_t>(kHeaderSize, bytes->size()));
    int64_t cabinetSize = 0;
    if (QString problem = checkHeader(header, bytes->size(), cabinetSize); !problem.isEmpty())
        return problem;

    // Only the bytes the header counts belong to the cabinet; anything after them is ignored.
    bytes->limitTo(cabinetSize);
    LoadedCabinet loaded;
    if (QString problem = loaded.load(*bytes); !problem.isEmpty())
        return problem;
    m_members = std::move(loaded.members);
    m_folderCount = loaded.folderCount;
    m_bytes = std::move(bytes);
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

    cabinetdata::Placement placement;
    if (!cabinetdata::placementOf(*m_bytes, index, placement) || placement.size != member.size)
        return QStringLiteral("member %1 cannot be located in the cabinet").arg(member.name);
    if (member.compression != GCAB_COMPRESSION_NONE && placement.offset > kMaxCompressedMemberStart)
        return QStringLiteral("member %1 starts %2 bytes into its compressed folder, beyond the %3 bytes decoded to reach a member")
            .arg(member.name)
            .arg(placement.offset)
            .arg(kMaxCompressedMemberStart);
    // The folder's bytes from its first block (stored ones before the member passed over); the
    // member's part of them goes to the sink.
    cabinetdata::BlockDecoder decoder(*m_bytes, placement);
    const int64_t end = placement.offset + placement.size;
    int64_t at = member.compression == GCAB_COMPRESSION_NONE ? decoder.skipStored(placement.offset) : 0; // decoded so far
    if (at < 0)
        return QStringLiteral("member %1 cannot be extracted: %2").arg(member.name, decoder.why());
    int64_t given = 0;
    while (given < placement.size) {
        const int64_t count = decoder.next();
        if (count < 0)
            return QStringLiteral("member %1 cannot be extracted: %2").arg(member.name, decoder.why());
        if (count == 0)
            return QStringLiteral("member %1 ends after %2 of its %3 bytes").arg(member.name).arg(given).arg(member.size);
        const int64_t from = std::max(at, placement.offset), to = std::min(at + count, end);
        if (from < to) {
            if (!sink(decoder.bytes() + (from - at), to - from))
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
    if (QString problem = loaded.load(*m_bytes); !problem.isEmpty())
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
        const gsize count = std::min<gsize>(got - done, gsize(cabinetdata::kMaxBlockBytes));
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

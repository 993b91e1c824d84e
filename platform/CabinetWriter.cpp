// libgcab and GLib stay inside this file: nothing above the platform layer sees them. They come
// before the Qt headers so that Qt's keyword macros cannot meet GLib's declarations.
#include <libgcab.h>

#include "CabinetWriter.h"

#include "ByteOrder.h"
#include "FrameworkError.h"
#include "SafeFileWriter.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace dw {

namespace {

// The fixed CFHEADER fields the writer guarantees (offsets into the cabinet file).
constexpr int kHeaderSize = 36;
constexpr int kOffsetCabinetSize = 8; // cbCabinet, u32
constexpr int kOffsetSetId = 32;      // setID, u16
constexpr int kOffsetCabinetIndex = 34; // iCabinet, u16

struct Source {
    QString path;
    int64_t size = 0;
};

bool fitsField(const QByteArray& bytes) { return bytes.size() <= CabinetWriter::kMaxFieldBytes; }

QString glibMessage(const GError* error)
{
    return error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

// A member's time stamp: the source's modification time as local date and time fields, the
// way cabinets record them. The DOS date holds the years 1980 to 2107 only.
GDateTime* memberDateTime(const QString& sourcePath)
{
    const QDateTime modified = QFileInfo(sourcePath).lastModified().toLocalTime();
    QDate date = modified.date();
    QTime time = modified.time();
    if (!modified.isValid() || date.year() < 1980) {
        date = QDate(1980, 1, 1);
        time = QTime(0, 0, 0);
    } else if (date.year() > 2107) {
        date = QDate(2107, 12, 31);
        time = QTime(23, 59, 58);
    }
    // The fields are taken as they are; UTC only keeps GLib from moving a time that falls into
    // a daylight-saving gap.
    return g_date_time_new_utc(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                               time.second());
}

} // namespace

struct CabinetWriter::Members {
    GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
    std::vector<Source> sources;
    int64_t totalBytes = 0;

    Members() = default;
    ~Members() { g_object_unref(folder); }
    Members(const Members&) = delete;
    Members& operator=(const Members&) = delete;
};

CabinetWriter::CabinetWriter(CabinetParameters parameters)
    : m_parameters(std::move(parameters)), m_members(std::make_unique<Members>())
{
    // The cabinet library's text fields are 256 bytes each; a longer text is refused rather
    // than cut, so that the cabinet is never written under a name the user did not choose.
    if (m_parameters.maxCabinetSize <= 0)
        m_created = CabinetStatus::failure(QStringLiteral("the cabinet size limit must be positive"));
    else if (m_parameters.cabinetName.isEmpty())
        m_created = CabinetStatus::failure(QStringLiteral("the cabinet has no file name"));
    else if (!fitsField(QFile::encodeName(m_parameters.cabinetName)))
        m_created = CabinetStatus::failure(QStringLiteral("the cabinet file name is longer than 255 bytes"));
    else if (!fitsField(QFile::encodeName(m_parameters.cabinetFolder)))
        m_created = CabinetStatus::failure(QStringLiteral("the cabinet folder is longer than 255 bytes"));
    else if (!fitsField(m_parameters.diskName.toUtf8()))
        m_created = CabinetStatus::failure(QStringLiteral("the disk name is longer than 255 bytes"));
}

CabinetWriter::~CabinetWriter() = default;

CabinetStatus CabinetWriter::addFile(const QString& sourcePath, const QString& memberName)
{
    if (!m_created.ok())
        return m_created;
    const QByteArray name = memberName.toUtf8();
    if (name.isEmpty())
        return CabinetStatus::failure(QStringLiteral("a member needs a name"));
    if (name.contains('\0'))
        return CabinetStatus::failure(QStringLiteral("a member name may not hold a NUL character"));
    // CFFILE names are limited like the other text fields.
    if (!fitsField(name))
        return CabinetStatus::failure(QStringLiteral("member name %1 is longer than 255 bytes").arg(memberName));
    if (int(m_members->sources.size()) >= kMaxMembers)
        return CabinetStatus::failure(QStringLiteral("a cabinet holds at most 65535 members"));

    const QFileInfo info(sourcePath);
    if (sourcePath.isEmpty() || !info.exists())
        return CabinetStatus::failure(QStringLiteral("source file %1 does not exist").arg(sourcePath));
    if (!info.isFile())
        return CabinetStatus::failure(QStringLiteral("source %1 is not a regular file").arg(sourcePath));
    QFile probe(sourcePath);
    if (!probe.open(QIODevice::ReadOnly))
        return CabinetStatus::failure(QStringLiteral("source file %1 cannot be read").arg(sourcePath));
    probe.close();
    const int64_t size = info.size();
    if (size > kMaxFolderBytes - m_members->totalBytes)
        return CabinetStatus::failure(QStringLiteral("the members would hold more than %1 bytes").arg(kMaxFolderBytes));

    g_autoptr(GFile) gfile = g_file_new_for_path(QFile::encodeName(sourcePath).constData());
    g_autoptr(GCabFile) member = gcab_file_new_with_file(name.constData(), gfile);
    g_autoptr(GError) error = nullptr;
    if (!gcab_folder_add_file(m_members->folder, member, FALSE, nullptr, &error))
        return CabinetStatus::failure(glibMessage(error));
    // The library stamps its own time (in UTC) and the archive attribute on adding; replace both.
    g_autoptr(GDateTime) stamp = memberDateTime(sourcePath);
    gcab_file_set_date_time(member, stamp);
    gcab_file_set_attributes(member, 0);

    m_members->sources.push_back({sourcePath, size});
    m_members->totalBytes += size;
    return CabinetStatus::success();
}

CabinetStatus CabinetWriter::write()
{
    if (!m_created.ok())
        return m_created;
    if (m_members->sources.empty())
        return CabinetStatus::failure(QStringLiteral("no member was added to the cabinet"));
    // The recorded sizes are what the member table says; a source that changed since it was
    // added would make the table lie about the data.
    for (const Source& source : m_members->sources) {
        if (QFileInfo(source.path).size() != source.size)
            return CabinetStatus::failure(QStringLiteral("source file %1 changed while the cabinet was built").arg(source.path));
    }

    // The cabinet is built in a block one byte larger than the size limit, so an oversized
    // cabinet is noticed without ever being held whole: the memory stream cuts a write that does
    // not fit short (and the library does not notice), which can only happen once the block is
    // full, that is when the cabinet has already grown past the limit.
    const auto capacity = size_t(std::min<int64_t>(m_parameters.maxCabinetSize, 0xFFFFFFFF)) + 1;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[capacity]);
    if (!block)
        return CabinetStatus::failure(stock::memoryStreamError());
    g_autoptr(GOutputStream) out = g_memory_output_stream_new(block.get(), capacity, nullptr, nullptr);
    g_autoptr(GCabCabinet) cabinet = gcab_cabinet_new();
    g_autoptr(GError) error = nullptr;
    if (!gcab_cabinet_add_folder(cabinet, m_members->folder, &error))
        return CabinetStatus::failure(glibMessage(error));
    const bool built = gcab_cabinet_write_simple(cabinet, out, nullptr, nullptr, nullptr, &error);
    const auto size = int64_t(g_memory_output_stream_get_data_size(G_MEMORY_OUTPUT_STREAM(out)));
    if (size > m_parameters.maxCabinetSize || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NO_SPACE))
        return CabinetStatus::failure(QStringLiteral("the cabinet would be larger than %1 bytes").arg(m_parameters.maxCabinetSize));
    if (!built || !g_output_stream_close(out, nullptr, &error))
        return CabinetStatus::failure(glibMessage(error));

    uint8_t* bytes = block.get();
    if (size < kHeaderSize || std::memcmp(bytes, "MSCF", 4) != 0
        || int64_t(readLE32(bytes + kOffsetCabinetSize)) != size)
        return CabinetStatus::failure(QStringLiteral("the cabinet library produced an inconsistent header"));
    // One cabinet, not part of a set: set ID 0 and cabinet number 0, whatever the library's
    // defaults are (the header carries no checksum, so the fields may be set afterwards).
    writeLE16(bytes + kOffsetSetId, 0);
    writeLE16(bytes + kOffsetCabinetIndex, 0);

    try {
        writeFileAtomically(cabinetPath(), bytes, size);
    } catch (const EFrameworkError& e) {
        return CabinetStatus::failure(e.message());
    }
    return CabinetStatus::success();
}

} // namespace dw

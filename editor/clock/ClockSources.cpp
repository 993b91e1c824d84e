// A clock built from its sources, and written as a saved clock.

#include "ClockSources.h"

#include "BuiltinPictures.h"
#include "ClockLayout.h"
#include "ClockShape.h"
#include "PictureConversion.h"

#include "datafile/DataFileInfo.h"
#include "datafile/DataFileLimits.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"
#include "datafile/Dialwright_FCI.h"
#include "media/AnimSlot.h"
#include "media/SoundRecord.h"
#include "platform/AnsiText.h"
#include "platform/Bitmap.h"
#include "platform/ByteViewStream.h"
#include "platform/FileNames.h"
#include "platform/FrameworkError.h"
#include "platform/TempFile.h"
#include "platform/WaveImage.h"
#include "rotateimage/DibDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace dw {

namespace {

using Manifest = ClockManifest;

// An error of a file: its path as the user gave it, made safe to print.
struct Refused {
    QString text;
};

[[noreturn]] void refuseFile(const QString& path, const QString& why) { throw Refused{printable(path) + QStringLiteral(": ") + why}; }

std::vector<uint8_t> bytesOf(const TMemoryStream& stream)
{
    return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.size());
}

// The whole file, or a refusal naming it.
void loadFile(const QString& path, TMemoryStream& into)
{
    const QFileInfo info(path);
    if (!info.exists())
        refuseFile(path, QStringLiteral("no such file"));
    if (!info.isFile())
        refuseFile(path, QStringLiteral("is not a file"));
    try {
        into.LoadFromFile(path);
    } catch (const EFrameworkError& e) {
        refuseFile(path, QStringLiteral("cannot be read (%1)").arg(e.message()));
    }
}

QString problemText(PictureProblem problem)
{
    switch (problem) {
    case PictureProblem::NotAPicture: return QStringLiteral("is no picture (a bitmap, PNG, JPEG or GIF)");
    case PictureProblem::Damaged: return QStringLiteral("is a damaged picture: it does not hold every pixel it states");
    case PictureProblem::TooLarge:
        return QStringLiteral("is too large a picture (at most %1 pixels a side and %2 MiB as a 24-bit bitmap)")
            .arg(kMaxPictureSide)
            .arg(kMaxPictureBytes >> 20);
    case PictureProblem::Unsupported: return QStringLiteral("is a picture in a form that is not converted");
    case PictureProblem::None: break;
    }
    return {};
}

// A picture file's bytes as the editor takes them: refused when it is not whole, converted to a
// 24-bit bitmap (transparency keyed) when the clock cannot show it.
void examineLoaded(const QString& path, TMemoryStream& loaded, PictureUse use)
{
    const PictureForm form = examinePicture(loaded, use);
    if (form.refused())
        refuseFile(path, problemText(form.picture.problem));
    if (form.convertible())
        convertToClockBitmap(form.picture.image, loaded, &form.keying);
    loaded.SetPosition(0);
}

// A file that is no picture by its first bytes is refused before it is read whole.
void refuseNoPicture(const QString& path)
{
    if (fileIsNoPicture(path))
        refuseFile(path, problemText(PictureProblem::NotAPicture));
}

void loadPicture(const QString& path, TMemoryStream& loaded, PictureUse use)
{
    refuseNoPicture(path);
    loadFile(path, loaded);
    examineLoaded(path, loaded, use);
}

// A dial's or hand's file as the clock stores it. One the engine shows (the usual bitmap) is
// read once, straight into the bytes kept (or, when large is Mapped and the system holds a large
// file in large pages, mapped), and judged by its headers. Another is converted, or, unless
// convert, kept as it is when it is a whole picture.
PictureBytes storedPicture(const QString& path, bool convert = true, LargePictures large = LargePictures::Read)
{
    const QFileInfo info(path);
    if (!info.exists())
        refuseFile(path, QStringLiteral("no such file"));
    if (!info.isFile())
        refuseFile(path, QStringLiteral("is not a file"));
    refuseNoPicture(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        refuseFile(path, QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    // The file's bytes go into memory that is not cleared first: a large picture's bytes are
    // written once, by the read. A file that grows meanwhile is read as far as it was; one that
    // shrinks keeps only what was read.
    const qint64 expected = file.size();
    // Nothing longer fits in a clock's file: not read at all rather than read to fail.
    if (expected > TMemoryStream::kMaxSize)
        refuseFile(path, QStringLiteral("is too large a file for a clock (at most %1 bytes)").arg(TMemoryStream::kMaxSize));
    if (large == LargePictures::Mapped) {
        std::unique_ptr<MappedFile> mapped = MappedFile::map(file.handle(), expected, path);
        if (mapped && mapped->heldInLargePages()) {
            ByteViewStream view(mapped->data(), int64_t(mapped->size()));
            if (CheckBmpStream(view))
                return PictureBytes(std::move(mapped));
        }
    }
    ByteBlock bytes;
    bytes.resize(size_t(expected));
    qint64 at = 0;
    while (at < expected) {
        const qint64 got = file.read(reinterpret_cast<char*>(bytes.data() + at), expected - at);
        if (got < 0)
            refuseFile(path, QStringLiteral("cannot be read (%1)").arg(file.errorString()));
        if (got == 0)
            break;
        at += got;
    }
    bytes.resize(size_t(at));
    ByteViewStream view(bytes.data(), int64_t(bytes.size()));
    if (CheckBmpStream(view))
        return PictureBytes(std::move(bytes));
    if (!convert) {
        const CompletePicture whole = readCompletePicture(bytes.data(), int64_t(bytes.size()));
        if (!whole.ok())
            refuseFile(path, problemText(whole.problem));
        return PictureBytes(std::move(bytes));
    }
    TMemoryStream loaded;
    loaded.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    loaded.SetPosition(0);
    examineLoaded(path, loaded, PictureUse::Stored);
    return PictureBytes(bytesOf(loaded));
}

// A recorded name in the file's code page; refused when it cannot be stored as written.
QByteArray recordedName(const QString& name, const QString& where)
{
    const AnsiResult ansi = ansiFromUnicode(name);
    if (!ansi.ok())
        throw Refused{QStringLiteral("%1: the name holds characters a clock cannot store: %2").arg(where, ansi.unmappable)};
    if (ansi.bytes.find('\0') != std::string::npos)
        throw Refused{QStringLiteral("%1: the name holds a NUL character").arg(where)};
    return QByteArray::fromStdString(ansi.bytes);
}

class Builder {
public:
    Builder(const Manifest& manifest, const QString& folder, LargePictures large = LargePictures::Read)
        : m_manifest(manifest), m_folder(folder), m_large(large)
    {
    }

    ClockProjectFile build()
    {
        ClockProjectFile project;
        const std::array<const QString*, 4> pictures = {&m_manifest.dial, &m_manifest.hands[0].file,
                                                        &m_manifest.hands[1].file, &m_manifest.hands[2].file};
        const std::array<bool, 4> convert = {m_manifest.convertDial, m_manifest.hands[0].convert,
                                             m_manifest.hands[1].convert, m_manifest.hands[2].convert};
        for (size_t i = 0; i < pictures.size(); ++i) {
            if (pictures[i]->isEmpty())
                continue;
            project.pictures[i] = storedPicture(pathOf(*pictures[i]), convert[i], m_large);
        }
        project.shape = keptShape(shape(project.pictures[0]));
        project.header = header();
        project.author = m_manifest.author;
        const DataFileTexts texts = dataFileTexts(project.header, project.author);
        if (!texts.ok())
            throw Refused{QStringLiteral("the title or the author text holds characters a clock cannot store: %1")
                              .arg(texts.unstorable)};
        if (int64_t(texts.author.size()) > pdl::kMaxAuthorBytes)
            throw Refused{QStringLiteral("the author text is %1 bytes long; a clock holds at most %2")
                              .arg(texts.author.size())
                              .arg(pdl::kMaxAuthorBytes)};
        for (int number = 1; number <= 7; ++number)
            project.slotRecords[size_t(number - 1)] = record(number);
        return project;
    }

    QString pathOf(const QString& name) const { return QDir(m_folder).filePath(name); }

    std::optional<TRegion> shape(const PictureBytes& dial) const
    {
        switch (m_manifest.shape) {
        case Manifest::ShapeKind::None: return std::nullopt;
        case Manifest::ShapeKind::Dial: {
            // A dial that is no bitmap has nothing to cut out, as in the editor.
            if (dial.size() >= 44)
                return dialCutOutShapeOfFile(dial.data(), int64_t(dial.size()));
            const QByteArray builtin = builtinPictureBytes(BuiltinPicture::Dial);
            return dialCutOutShapeOfFile(reinterpret_cast<const uint8_t*>(builtin.constData()), builtin.size());
        }
        case Manifest::ShapeKind::Mask: {
            TMemoryStream loaded;
            loadPicture(pathOf(m_manifest.mask), loaded, PictureUse::Decoded);
            TBitmap mask;
            try {
                mask.LoadFromStream(loaded);
            } catch (const EFrameworkError& e) {
                refuseFile(pathOf(m_manifest.mask), e.message());
            }
            std::optional<TRegion> shape = maskShape(mask);
            if (shape)
                OffsetRgn(*shape, m_manifest.maskOffset.x(), m_manifest.maskOffset.y());
            return shape;
        }
        case Manifest::ShapeKind::Rounded: {
            const TSize size = dialSize(dial);
            const int32_t rx = roundRectCorner(size.cx, m_manifest.corners.x(), 20);
            const int32_t ry = roundRectCorner(size.cy, m_manifest.corners.y(), 20);
            return roundRectShape(size.cx, size.cy, rx, ry);
        }
        }
        return std::nullopt;
    }

    DataFileHeader header() const
    {
        DataFileHeader h;
        h.title = m_manifest.title;
        h.hourPivot = m_manifest.hands[0].pivot;
        h.minPivot = m_manifest.hands[1].pivot;
        h.secPivot = m_manifest.hands[2].pivot;
        h.hourCenter = m_manifest.hands[0].centre;
        h.minCenter = m_manifest.hands[1].centre;
        h.secCenter = m_manifest.hands[2].centre;
        h.translucent = m_manifest.translucent;
        h.colorEffect = m_manifest.colorEffect;
        h.countHourSound = m_manifest.countHourSound;
        h.countHourAnimation = m_manifest.countHourAnimation;
        h.extrudeHand = m_manifest.extrudeHand;
        if (m_manifest.date)
            h.saved = *m_manifest.date;
        return h;
    }

    std::vector<uint8_t> record(int number) const
    {
        const Manifest::Slot& slot = m_manifest.media[size_t(number - 1)];
        const bool animation = number >= 5;
        const QString where = QStringLiteral("%1.%2").arg(animation ? QStringLiteral("animations") : QStringLiteral("sounds"),
                                                          manifestSlotName(number));
        TMemoryStream record;
        switch (slot.state) {
        case Manifest::SlotState::Nothing: return {};
        case Manifest::SlotState::Silent: writeSilentRecord(record, number); break;
        case Manifest::SlotState::Name: {
            const QByteArray name = recordedName(slot.file, where + QStringLiteral(".name"));
            if (animation)
                makeNamedAnimRecord(record, number, slot.anim, name);
            else
                writeNamedSound(record, number, name.toStdString());
            break;
        }
        case Manifest::SlotState::File: {
            const QString path = pathOf(slot.file);
            TMemoryStream loaded;
            if (animation) {
                loadPicture(path, loaded, PictureUse::Decoded);
                TBitmap strip;
                try {
                    strip.LoadFromStream(loaded);
                } catch (const EFrameworkError& e) {
                    refuseFile(path, e.message());
                }
                strip.SetTransparent(true);
                makeEmbeddedAnimRecord(record, number, slot.anim, strip);
            } else {
                // A file of anything else is refused by its first bytes, before it is read.
                if (const std::optional<QString> problem = waveFileHeadProblem(path))
                    refuseFile(path, QStringLiteral("is no wave sound the clock plays (%1)").arg(*problem));
                loadFile(path, loaded);
                const WaveProbe probe = probeWaveImage(loaded.Memory(), loaded.size());
                if (!probe.playable())
                    refuseFile(path, QStringLiteral("is no wave sound the clock plays (%1)").arg(probe.problem));
                writeEmbeddedSound(record, number, loaded.Memory(), loaded.size());
            }
            break;
        }
        }
        return bytesOf(record);
    }

    // The clock window's size: the dial's, or the built-in dial's.
    static TSize dialSize(const PictureBytes& dial)
    {
        TBitmap builtin;
        const QByteArray bytes = builtinPictureBytes(BuiltinPicture::Dial);
        builtin.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
        TMemoryStream file;
        file.SetSize(int64_t(dial.size()));
        if (!dial.empty())
            std::memcpy(file.Memory(), dial.data(), dial.size());
        return dialPanelSize(file, {builtin.Width(), builtin.Height()});
    }

private:
    const Manifest& m_manifest;
    QString m_folder;
    LargePictures m_large;
};

// The file's time stamp, in local time (the cabinet records its member's time from it).
void setModified(const QString& path, const QDateTime& when)
{
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(when, QFileDevice::FileModificationTime);
}

} // namespace

std::optional<PictureBytes> storedPictureOf(const QString& path, bool convert)
{
    try {
        return storedPicture(path, convert);
    } catch (const Refused&) {
    } catch (const EFrameworkError&) {
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> stripRecordOf(const QString& path, int slotNumber, const pdl::AnimParams& param)
{
    ClockManifest manifest;
    manifest.media[size_t(slotNumber - 1)] = {ClockManifest::SlotState::File, path, param};
    try {
        return Builder(manifest, QString()).record(slotNumber);
    } catch (const Refused&) {
    } catch (const EFrameworkError&) {
    }
    return std::nullopt;
}

std::optional<TRegion> maskShapeOf(const QString& path)
{
    ClockManifest manifest;
    manifest.shape = ClockManifest::ShapeKind::Mask;
    manifest.mask = path;
    try {
        return keptShape(Builder(manifest, QString()).shape({}));
    } catch (const Refused&) {
    } catch (const EFrameworkError&) {
    }
    return std::nullopt;
}

QString manifestPathOf(const QString& dirOrManifest)
{
    if (QFileInfo(dirOrManifest).isDir())
        return QDir(dirOrManifest).filePath(QLatin1String(kManifestFileName));
    return dirOrManifest;
}

ClockSourcesBuild readClockSources(const QString& manifestPath, LargePictures large)
{
    ClockSourcesBuild result;
    QFile file(manifestPath);
    if (!QFileInfo(manifestPath).isFile()) {
        result.error = printable(manifestPath) + QStringLiteral(": no such manifest");
        return result;
    }
    if (file.size() > kMaxManifestBytes) {
        result.error = printable(manifestPath) + QStringLiteral(": longer than a manifest may be (%1 bytes)").arg(kMaxManifestBytes);
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = printable(manifestPath) + QStringLiteral(": cannot be read (%1)").arg(file.errorString());
        return result;
    }
    const ManifestReading reading = readClockManifest(file.read(kMaxManifestBytes + 1));
    if (!reading.manifest) {
        result.error = printable(manifestPath) + QLatin1Char(':') + reading.error;
        return result;
    }
    return clockFromManifest(*reading.manifest, QFileInfo(manifestPath).path(), large);
}

ClockSourcesBuild clockFromManifest(const ClockManifest& manifest, const QString& folder, LargePictures large)
{
    ClockSourcesBuild result;
    result.compress = manifest.compress;
    result.date = manifest.date;
    result.manifest = manifest;
    try {
        result.project = Builder(manifest, folder, large).build();
    } catch (const Refused& r) {
        result.error = r.text;
    } catch (const EFrameworkError& e) {
        result.error = e.message();
    }
    return result;
}

std::optional<QDateTime> buildDate(const std::optional<QDateTime>& manifestDate, QString* error)
{
    if (manifestDate)
        return manifestDate;
    const QByteArray epoch = qgetenv("SOURCE_DATE_EPOCH");
    if (epoch.isEmpty())
        return QDateTime::currentDateTime();
    bool ok = false;
    const qlonglong seconds = epoch.toLongLong(&ok);
    // The header's year has four digits.
    if (!ok || seconds < 0 || seconds > 253402300799LL) {
        if (error)
            *error = QStringLiteral("SOURCE_DATE_EPOCH is no number of seconds from 1970 to 9999: %1")
                         .arg(printable(QString::fromLatin1(epoch)));
        return std::nullopt;
    }
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return QDateTime(utc.date(), utc.time());
}

QString writeClockFile(const QString& path, const ClockProjectFile& clock, bool compress)
{
    DataFileHeader header = clock.header;
    if (!header.saved.isValid())
        header.saved = QDateTime::currentDateTime();
    DataFileTexts texts = dataFileTexts(header, clock.author);
    if (!texts.ok())
        return QStringLiteral("the title or the author text holds characters a clock cannot store: %1").arg(texts.unstorable);

    std::array<std::unique_ptr<ByteViewStream>, 4> pictures;
    for (size_t i = 0; i < pictures.size(); ++i)
        pictures[i] = std::make_unique<ByteViewStream>(clock.pictures[i].data(), int64_t(clock.pictures[i].size()));
    std::array<std::unique_ptr<ByteViewStream>, 7> records;
    for (size_t i = 0; i < records.size(); ++i)
        records[i] = std::make_unique<ByteViewStream>(clock.slotRecords[i].data(), int64_t(clock.slotRecords[i].size()));

    DataFileProject project;
    project.FBkgStream = pictures[0].get();
    project.FHourStream = pictures[1].get();
    project.FMinStream = pictures[2].get();
    project.FSecStream = pictures[3].get();
    project.shape = clock.shape;
    project.headerText = std::move(texts.header);
    project.authorText = std::move(texts.author);
    // Saved in the order 7 6 5 4 3 2 1.
    for (size_t i = 0; i < 7; ++i)
        project.slotRecords[i] = records[6 - i].get();
    project.sliceFromContent = true;
    // Every byte has been read once the file is made: a mapped picture that changed meanwhile
    // may have given the shape, the seed and the file different bytes, and the file is not kept.
    const BeforeChecksHook unchanged = [&clock](KnownListBytes&, KnownListBytes&) {
        for (const PictureBytes& picture : clock.pictures)
            if (const MappedFile* file = picture.mapped(); file && file->changed())
                throw EFrameworkError(printable(file->path()) + QStringLiteral(": changed while the clock was built; build it again"));
    };

    try {
        if (!compress) {
            writeDataFile(path, project, unchanged);
            return {};
        }
        const QString folder = privateTempPath();
        const QString temporary = folder.isEmpty() ? QString() : tempFileName(folder, QStringLiteral("$PD"), 0);
        if (temporary.isEmpty())
            return QStringLiteral("no temporary file for the cabinet could be made");
        struct Remove {
            QString path;
            ~Remove() { QFile::remove(path); }
        } remove{temporary};
        writeDataFile(temporary, project, unchanged);
        setModified(temporary, header.saved);
        QString reason;
        if (!MakeCabinet(path, {QStringLiteral("DATA|") + temporary}, &reason))
            return QStringLiteral("the cabinet could not be written: %1").arg(reason.trimmed());
        return {};
    } catch (const EFrameworkError& e) {
        return e.message();
    }
}

} // namespace dw

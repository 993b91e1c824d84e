// The sources of a saved clock: its manifest and the files it names, written into a folder.

#include "ClockSources.h"

#include "BuiltinPictures.h"
#include "ClockLayout.h"
#include "ClockShape.h"

#include "datafile/DataFileInfo.h"
#include "media/AnimSlot.h"
#include "media/SoundRecord.h"
#include "platform/AnsiText.h"
#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/ByteViewStream.h"
#include "platform/FileNames.h"
#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"
#include "rotateimage/DibDecoder.h"

#include <QDir>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <set>

namespace dw {

namespace {

using Manifest = ClockManifest;

constexpr std::array<const char*, 4> kPictureNames = {"dial", "hour-hand", "minute-hand", "second-hand"};

// The extension a picture file's bytes call for.
QString pictureExtension(const PictureBytes& bytes)
{
    const auto starts = [&](const char* magic, size_t n) { return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0; };
    if (starts("\x89PNG", 4))
        return QStringLiteral(".png");
    if (starts("\xFF\xD8", 2))
        return QStringLiteral(".jpg");
    if (starts("GIF8", 4))
        return QStringLiteral(".gif");
    return QStringLiteral(".bmp");
}

QByteArray byteArray(const uint8_t* bytes, int64_t size)
{
    return QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size));
}

// A one-bit bitmap file of the shape: black where it is, white elsewhere, from (0, 0) to its
// bounding box's right and bottom edges, which the editor reads back as the same region.
QByteArray maskPicture(const TRegion& shape)
{
    TRect box;
    GetRgnBox(shape, &box);
    const int32_t width = box.Right, height = box.Bottom;
    const int64_t stride = ((int64_t(width) + 31) / 32) * 4;
    const int64_t pixels = stride * height;
    const int64_t offset = 14 + 40 + 8;
    QByteArray file(qsizetype(offset + pixels), '\0');
    auto* p = reinterpret_cast<uint8_t*>(file.data());
    p[0] = 'B';
    p[1] = 'M';
    writeLE32s(p + 2, int32_t(offset + pixels));
    writeLE32s(p + 10, int32_t(offset));
    writeLE32s(p + 14, 40);
    writeLE32s(p + 18, width);
    writeLE32s(p + 22, height);
    p[26] = 1; // planes
    p[28] = 1; // bits per pixel
    writeLE32s(p + 34, int32_t(pixels));
    writeLE32s(p + 46, 2); // colours used
    // Colour 0 black, colour 1 white: every pixel white first, the shape's cleared.
    std::memset(p + 58, 0xFF, 3);
    std::memset(p + offset, 0xFF, size_t(pixels));
    for (const TRect& r : shape.rects())
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            uint8_t* row = p + offset + int64_t(height - 1 - y) * stride;
            for (int32_t x = r.Left; x < r.Right; ++x)
                row[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
        }
    return file;
}

class Unpacker {
public:
    explicit Unpacker(const ClockProjectFile& clock) : m_clock(clock) {}

    ClockSourceFiles unpack(bool compressed)
    {
        ClockSourceFiles out;
        Manifest& m = out.manifest;
        const DataFileHeader& h = m_clock.header;
        m.title = h.title;
        m.author = m_clock.author;
        m.compress = compressed;
        if (h.saved.isValid())
            m.date = QDateTime(h.saved.date(), QTime(h.saved.time().hour(), h.saved.time().minute(), h.saved.time().second()));
        const QPoint pivots[3] = {h.hourPivot, h.minPivot, h.secPivot};
        const QPoint centres[3] = {h.hourCenter, h.minCenter, h.secCenter};
        for (size_t i = 0; i < 3; ++i) {
            m.hands[i].pivot = pivots[i];
            m.hands[i].centre = centres[i];
        }
        m.translucent = h.translucent;
        m.colorEffect = h.colorEffect;
        m.countHourSound = h.countHourSound;
        m.countHourAnimation = h.countHourAnimation;
        m.extrudeHand = h.extrudeHand;

        for (size_t i = 0; i < 4; ++i) {
            const PictureBytes& picture = m_clock.pictures[i];
            if (picture.empty())
                continue;
            const QString name = QLatin1String(kPictureNames[i]) + pictureExtension(picture);
            (i == 0 ? m.dial : m.hands[i - 1].file) = name;
            // A picture the clock cannot show was kept as it is: a build keeps it so again.
            ByteViewStream view(picture.data(), int64_t(picture.size()));
            (i == 0 ? m.convertDial : m.hands[i - 1].convert) = bool(CheckBmpStream(view));
            out.files.emplace_back(name, byteArray(picture.data(), int64_t(picture.size())));
        }
        if (const QString why = shape(out); !why.isEmpty()) {
            out.error = why;
            return out;
        }
        for (int number = 1; number <= 7; ++number)
            if (const QString why = slot(number, out); !why.isEmpty()) {
                out.error = why;
                return out;
            }
        return out;
    }

private:
    QString shape(ClockSourceFiles& out) const
    {
        Manifest& m = out.manifest;
        const TRegion& shape = m_clock.shape;
        TRect box;
        if (GetRgnBox(shape, &box) == NULLREGION || box.isEmpty()) {
            m.shape = Manifest::ShapeKind::None;
            return {};
        }
        TBitmap dial;
        const PictureBytes& dialFile = m_clock.pictures[0];
        const QByteArray builtin = builtinPictureBytes(BuiltinPicture::Dial);
        TBitmap builtinDial;
        builtinDial.LoadFromMemory(reinterpret_cast<const uint8_t*>(builtin.constData()), builtin.size());
        try {
            if (dialFile.size() >= 44)
                dial.LoadFromMemory(dialFile.data(), int64_t(dialFile.size()));
            else
                dial.LoadFromMemory(reinterpret_cast<const uint8_t*>(builtin.constData()), builtin.size());
        } catch (const EFrameworkError&) {
            dial.Assign(nullptr);
        }
        if (!dial.Empty()) {
            if (const std::optional<TRegion> cut = dialCutOutShape(dial); cut && EqualRgn(*cut, shape)) {
                m.shape = Manifest::ShapeKind::Dial;
                return {};
            }
        }
        // A rounded rectangle covers its whole window's box.
        TMemoryStream file;
        file.SetSize(int64_t(dialFile.size()));
        if (!dialFile.empty())
            std::memcpy(file.Memory(), dialFile.data(), dialFile.size());
        const TSize size = dialPanelSize(file, {builtinDial.Width(), builtinDial.Height()});
        if (box.Left == 0 && box.Top == 0 && box.Right == size.cx && box.Bottom == size.cy) {
            // Positions that give the same corner are tried once.
            std::set<std::pair<int32_t, int32_t>> tried;
            for (int cx = 0; cx <= 20; ++cx)
                for (int cy = 0; cy <= 20; ++cy) {
                    const int32_t rx = roundRectCorner(size.cx, cx, 20), ry = roundRectCorner(size.cy, cy, 20);
                    if (!tried.insert({rx, ry}).second)
                        continue;
                    const std::optional<TRegion> rounded = roundRectShape(size.cx, size.cy, rx, ry);
                    if (rounded && EqualRgn(*rounded, shape)) {
                        m.shape = Manifest::ShapeKind::Rounded;
                        m.corners = QPoint(cx, cy);
                        return {};
                    }
                }
        }
        // A shape reaching left of or above the dial is drawn from its own corner and placed there.
        const QPoint offset(std::min<int32_t>(box.Left, 0), std::min<int32_t>(box.Top, 0));
        TRegion placed = shape;
        OffsetRgn(placed, -offset.x(), -offset.y());
        const int64_t width = int64_t(box.Right) - offset.x(), height = int64_t(box.Bottom) - offset.y();
        if (width > kMaskSideLimit || height > kMaskSideLimit)
            return QStringLiteral("the shape is %1 × %2 pixels, larger than a mask picture may be (%3 a side)")
                .arg(width)
                .arg(height)
                .arg(kMaskSideLimit);
        m.shape = Manifest::ShapeKind::Mask;
        m.mask = QStringLiteral("mask.bmp");
        m.maskOffset = offset;
        out.files.emplace_back(m.mask, maskPicture(placed));
        return {};
    }

    QString slot(int number, ClockSourceFiles& out) const
    {
        const std::vector<uint8_t>& record = m_clock.slotRecords[size_t(number - 1)];
        Manifest::Slot& s = out.manifest.media[size_t(number - 1)];
        const bool animation = number >= 5;
        const QString where = (animation ? QStringLiteral("the %1 animation") : QStringLiteral("the %1 sound"))
                                  .arg(manifestSlotName(number));
        if (record.empty())
            return {};
        if (record.size() == 4) {
            s.state = Manifest::SlotState::Silent;
            return {};
        }
        const auto bad = [&] { return QStringLiteral("%1's record is of no kind a clock saves").arg(where); };
        if (record.size() < 8)
            return bad();
        const int32_t kind = readLE32s(record.data() + 4);
        QByteArray ansiName;
        const uint8_t* payload = nullptr;
        int64_t payloadSize = 0;
        if (animation) {
            const AnimRecordView view = viewAnimRecord(record.data(), int64_t(record.size()));
            if (!view.hasData || (kind != pdl::kAnimationByName && kind != pdl::kAnimationEmbedded))
                return bad();
            s.anim = view.param;
            if (kind == pdl::kAnimationByName)
                ansiName = animRecordAnsiName(view);
            payload = view.payload;
            payloadSize = view.payloadSize;
        } else {
            TMemoryStream stream;
            stream.SetSize(int64_t(record.size()));
            std::memcpy(stream.Memory(), record.data(), record.size());
            if (kind == pdl::kSoundByName) {
                const std::optional<std::string> name = recordedSoundName(stream);
                if (!name)
                    return bad();
                ansiName = QByteArray::fromStdString(*name);
            } else if (kind == pdl::kSoundEmbedded) {
                payload = record.data() + 8;
                payloadSize = int64_t(record.size()) - 8;
            } else {
                return bad();
            }
        }
        if (payload && (animation ? kind == pdl::kAnimationEmbedded : kind == pdl::kSoundEmbedded)) {
            s.state = Manifest::SlotState::File;
            s.file = manifestSlotName(number) + (animation ? QStringLiteral("-strip.bmp") : QStringLiteral(".wav"));
            out.files.emplace_back(s.file, byteArray(payload, payloadSize));
            return {};
        }
        s.state = Manifest::SlotState::Name;
        s.file = unicodeFromAnsi(ansiName.constData(), size_t(ansiName.size()));
        const AnsiResult back = ansiFromUnicode(s.file);
        if (ansiName.isEmpty() || !back.ok() || back.bytes != ansiName.toStdString())
            return QStringLiteral("%1's recorded name is no text the manifest can hold as it is").arg(where);
        return {};
    }

    static constexpr int32_t kMaskSideLimit = 16384;
    const ClockProjectFile& m_clock;
};

} // namespace

ClockSourceFiles sourcesOfClock(const ClockProjectFile& project, bool compressed)
{
    try {
        return Unpacker(project).unpack(compressed);
    } catch (const EFrameworkError& e) {
        ClockSourceFiles failed;
        failed.error = e.message();
        return failed;
    }
}

QString writeClockSources(const QString& folder, const ClockSourceFiles& sources, bool overwrite, QStringList* written,
                          const QString& manifestName, bool* exists)
{
    if (exists)
        *exists = false;
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        return printable(folder) + QStringLiteral(": is a file, not a folder");
    FolderWriter writer(folder);
    if (!writer.error().isEmpty())
        return printable(folder) + QStringLiteral(": ") + writer.error();
    std::vector<std::pair<QString, QByteArray>> files = sources.files;
    files.emplace_back(manifestName, writeClockManifest(sources.manifest));
    const QDir dir(folder);
    // Every name is looked at before anything is written: a refusal leaves the folder as it was.
    for (const auto& [name, bytes] : files) {
        struct stat st {};
        if (fstatat(writer.descriptor(), fileSystemName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISLNK(st.st_mode))
            return printable(dir.filePath(name)) + QStringLiteral(": is a symbolic link; nothing is written through it");
        if (!overwrite) {
            if (exists)
                *exists = true;
            return printable(dir.filePath(name)) + QStringLiteral(": exists already; nothing is written");
        }
    }
    for (const auto& [name, bytes] : files) {
        if (const QString why = writer.write(name, bytes.constData(), bytes.size()); !why.isEmpty())
            return printable(dir.filePath(name)) + QStringLiteral(": ") + why;
        if (written)
            written->append(dir.filePath(name));
    }
    return {};
}

} // namespace dw

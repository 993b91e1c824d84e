#pragma once

// A clock's sources (datafile/ClockManifest.h): the clock a folder of pictures and sounds with
// its clock.toml describes, built with the editor's checks and conversions, and the sources of a
// saved clock, written into a folder.
//
// Building checks what the editor checks when a file is taken: a picture must be whole (one in a
// form the clock cannot show, PNG or a bit-field bitmap, is converted to a 24-bit bitmap with its
// transparency keyed, as the editor converts it), a sound must be a wave the player plays, a
// strip a bitmap the framework reads. The shape is cut as the editor cuts it.

#include "datafile/ClockManifest.h"
#include "datafile/ClockProjectFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace dw {

struct ClockSourcesBuild {
    std::optional<ClockProjectFile> project; // header.saved left as the manifest's date, or invalid
    std::optional<ClockManifest> manifest;   // the manifest it was built from
    bool compress = false;
    std::optional<QDateTime> date; // the manifest's
    // Why the clock cannot be built, naming the manifest's line and column ("clock.toml:3:9: …")
    // or the file ("hands/hour.png: …"), in English; empty when it can.
    QString error;
};

// How a build takes large picture files: read into memory of its own (what the editor keeps),
// or mapped where they lie (MappedFile), for a build written out at once by writeClockFile,
// which refuses the clock when a mapped file changed meanwhile.
enum class LargePictures { Read, Mapped };

// The manifest a path stands for: the path itself when it is a file, else clock.toml in it.
QString manifestPathOf(const QString& dirOrManifest);

// Reads the manifest at manifestPath and every file it names (relative to its folder).
ClockSourcesBuild readClockSources(const QString& manifestPath, LargePictures large = LargePictures::Read);
// The same for a manifest already read; its relative names are taken from folder, and
// displayFolder is how errors name them (empty: as the manifest writes them).
ClockSourcesBuild clockFromManifest(const ClockManifest& manifest, const QString& folder,
                                    LargePictures large = LargePictures::Read);

// The date a build writes: the manifest's; else SOURCE_DATE_EPOCH (seconds since 1970 UTC,
// written as that time in UTC); else now (local time). A SOURCE_DATE_EPOCH that is no whole
// number of seconds gives none and the reason in error.
std::optional<QDateTime> buildDate(const std::optional<QDateTime>& manifestDate, QString* error);

// Writes the clock to path with the editor's writer, the slicing seeded by the content (the same
// clock gives the same bytes), packed as a cabinet when compress (its member's time is the
// header's date). Returns why it could not be written (English), empty when it was; a picture
// mapped from a file that changed while the clock was made is such a reason, and nothing is
// written then.
QString writeClockFile(const QString& path, const ClockProjectFile& project, bool compress);

// The sources of a saved clock: the manifest and every file it names, with their bytes as the
// clock stores them (pictures, sounds and strips; the shape as a mask picture when it is neither
// the dial's cut-out nor a rounded rectangle of the dial).
struct ClockSourceFiles {
    ClockManifest manifest;
    std::vector<std::pair<QString, QByteArray>> files; // name in the folder, bytes
    QString error; // why the clock has no sources (English); empty when it has
};
ClockSourceFiles sourcesOfClock(const ClockProjectFile& project, bool compressed);

// Writes the manifest (as clock.toml) and the files into folder, made when missing. Nothing is
// written when any name is taken already, unless overwrite; a link at a name is never followed
// nor replaced (FolderWriter). Returns why not (English, naming the file), empty when written;
// written receives the paths written, in order.
// manifestName names the manifest's file (clock.toml); exists is set when a name taken already
// stopped it.
QString writeClockSources(const QString& folder, const ClockSourceFiles& sources, bool overwrite,
                          QStringList* written = nullptr, const QString& manifestName = QLatin1String(kManifestFileName),
                          bool* exists = nullptr);

// What a build takes from one file of the sources, for telling whether a file still holds what
// the project has: a dial's or hand's bytes as stored, a strip's whole slot record, a mask's
// shape. Nothing when the file is refused or cannot be read.
// A picture the clock cannot show is converted, or, unless convert, taken as it is.
std::optional<PictureBytes> storedPictureOf(const QString& path, bool convert = true);
std::optional<std::vector<uint8_t>> stripRecordOf(const QString& path, int slotNumber, const pdl::AnimParams& param);
std::optional<TRegion> maskShapeOf(const QString& path);

} // namespace dw

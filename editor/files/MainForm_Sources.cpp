// A clock's sources: a manifest (clock.toml) opened as the project, its pictures linked to their
// files; the project saved as sources, naming the files its pictures still come from.
#include "editor/mainform/EditorUnit.h"

#include "editor/clock/ClockSources.h"
#include "editor/widgets/CommonDialogs.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileLimits.h"
#include "datafile/DataFileTexts.h"
#include "platform/Screen.h"
#include "platform/Seam.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace dw {

namespace {

std::vector<uint8_t> bytesOf(const TMemoryStream& stream)
{
    return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.size());
}

// How the manifest names a file: relative to its folder when they share more than the root,
// else by its whole path. Nothing for a name the manifest cannot hold (bytes that are no UTF-8).
std::optional<QString> manifestName(const QDir& folder, const QString& file)
{
    if (std::any_of(file.begin(), file.end(), [](QChar c) { return c.isSurrogate(); }))
        return std::nullopt;
    const QString relative = folder.relativeFilePath(file);
    const QString first = QDir::cleanPath(folder.absolutePath()).section(QLatin1Char('/'), 1, 1);
    if (!first.isEmpty() && file.startsWith(QLatin1Char('/') + first + QLatin1Char('/')))
        return relative;
    return file;
}

// The generated file of that name is not written after all.
void leaveOut(ClockSourceFiles& sources, const QString& name)
{
    std::erase_if(sources.files, [&](const auto& file) { return file.first == name; });
}

} // namespace

ClockProjectFile TMainForm::projectFile() const
{
    ClockProjectFile project;
    const TMemoryStream* pictures[] = {&FBkgStream, &FHourStream, &FMinStream, &FSecStream};
    for (size_t i = 0; i < 4; ++i)
        project.pictures[i] = bytesOf(*pictures[i]);
    project.shape = FClockRgn;
    project.header = projectHeader();
    project.author = Memo1->toPlainText();
    const TMemoryStream* records[] = {&FSecSound, &FMinSound, &FHourSound, &FZeroSound, &FMinAnim, &FHourAnim, &FZeroAnim};
    for (size_t i = 0; i < 7; ++i)
        project.slotRecords[i] = bytesOf(*records[i]);
    return project;
}

bool TMainForm::openSourcesFile(const QString& manifestPath)
{
    ClockSourcesBuild built;
    {
        const TWaitCursor wait;
        built = readClockSources(manifestPath);
    }
    if (!built.project) {
        seam::messageBox(QStringLiteral("「%1」を開けません。\n%2").arg(QFileInfo(manifestPath).fileName(), built.error),
                         seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
        return false;
    }
    const ClockManifest& manifest = *built.manifest;
    const QDir folder = QFileInfo(manifestPath).absoluteDir();
    applyClockProject(std::move(*built.project), manifestPath);

    // The pictures follow the files the manifest names, and are converted as a build converts
    // them when they change.
    // A picture the manifest keeps unconverted is taken as it is again.
    const auto link = [&](LinkedPicture which, const QString& name, bool convert = true) {
        if (name.isEmpty())
            return;
        const QString path = QDir::cleanPath(folder.absoluteFilePath(name));
        m_linkedFiles[size_t(which)] = path;
        if (const QString canonical = QFileInfo(path).canonicalFilePath(); !canonical.isEmpty() && convert)
            m_agreedConversions.insert(canonical);
    };
    link(LinkedPicture::Dial, manifest.dial, manifest.convertDial);
    link(LinkedPicture::Hour, manifest.hands[0].file, manifest.hands[0].convert);
    link(LinkedPicture::Minute, manifest.hands[1].file, manifest.hands[1].convert);
    link(LinkedPicture::Second, manifest.hands[2].file, manifest.hands[2].convert);
    // A mask placed away from the dial's corner is not followed: the editor places a mask at it.
    if (manifest.shape == ClockManifest::ShapeKind::Mask && manifest.maskOffset.isNull())
        link(LinkedPicture::Mask, manifest.mask);
    for (size_t i = 0; i < manifest.media.size(); ++i) {
        const ClockManifest::Slot& slot = manifest.media[i];
        if (slot.state != ClockManifest::SlotState::File)
            continue;
        m_slotFileNames[i] = QFileInfo(slot.file).fileName();
        if (i >= 4)
            link(LinkedPicture(int(LinkedPicture::MinuteStrip) + int(i) - 4), slot.file);
    }
    Compress1->setChecked(manifest.compress);
    if (manifest.shape == ClockManifest::ShapeKind::Rounded) {
        const QSignalBlocker width(TrackBar1), height(TrackBar2);
        TrackBar1->setValue(manifest.corners.x());
        TrackBar2->setValue(manifest.corners.y());
    }
    UpdateSlotItems();
    // Saved as a clock file, the sources take a name of their own: Overwrite asks for it.
    m_savedPath.clear();
    SaveDialog1.fileName = folder.filePath(folder.dirName() + QStringLiteral(".pdl"));
    SaveSourcesDialog.fileName = QFileInfo(manifestPath).absoluteFilePath();
    startHistory();
    rememberRecentFile(manifestPath);
    return true;
}

void TMainForm::SaveSources1Click()
{
    const QString unsavable = unsavableCharacters();
    if (!unsavable.isEmpty()) {
        seam::showMessage(QStringLiteral("タイトルまたは作者情報に、データファイルに保存できない文字があります。"));
        return;
    }
    if (int64_t(dataFileTexts({}, Memo1->toPlainText()).author.size()) > pdl::kMaxAuthorBytes) {
        seam::showMessage(QStringLiteral("作者情報が長すぎます。短くしてから、もう一度保存してください。"));
        return;
    }
    const std::optional<QString> chosen = executeFileDialog(SaveSourcesDialog);
    if (!chosen)
        return;
    const TWaitCursor wait;
    const QFileInfo manifestFile(*chosen);
    const QDir folder = manifestFile.absoluteDir();

    ClockProjectFile project = projectFile();
    ClockSourceFiles sources = sourcesOfClock(project, Compress1->isChecked());
    if (!sources.error.isEmpty()) {
        seam::messageBox(QStringLiteral("ソースとして保存できません。\n%1").arg(sources.error), seam::applicationTitle(),
                         seam::MB_OK | seam::MB_ICONWARNING);
        return;
    }
    // A picture taken from a file that still holds it is named; the others go beside.
    ClockManifest& manifest = sources.manifest;
    QString* pictureNames[] = {&manifest.dial, &manifest.hands[0].file, &manifest.hands[1].file, &manifest.hands[2].file};
    const bool convert[] = {manifest.convertDial, manifest.hands[0].convert, manifest.hands[1].convert, manifest.hands[2].convert};
    for (size_t i = 0; i < 4; ++i) {
        const QString& linked = m_linkedFiles[i];
        if (linked.isEmpty() || project.pictures[i].empty() || storedPictureOf(linked, convert[i]) != project.pictures[i])
            continue;
        if (const std::optional<QString> name = manifestName(folder, linked)) {
            leaveOut(sources, *pictureNames[i]);
            *pictureNames[i] = *name;
        }
    }
    if (const QString& linked = m_linkedFiles[size_t(LinkedPicture::Mask)]; !linked.isEmpty()) {
        const std::optional<TRegion> mask = maskShapeOf(linked);
        const std::optional<QString> name = manifestName(folder, linked);
        if (mask && name && EqualRgn(*mask, FClockRgn)) {
            if (manifest.shape == ClockManifest::ShapeKind::Mask)
                leaveOut(sources, manifest.mask);
            manifest.shape = ClockManifest::ShapeKind::Mask;
            manifest.mask = *name;
        }
    }
    for (size_t k = 0; k < 3; ++k) {
        const QString& linked = m_linkedFiles[size_t(LinkedPicture::MinuteStrip) + k];
        ClockManifest::Slot& slot = manifest.media[4 + k];
        if (linked.isEmpty() || slot.state != ClockManifest::SlotState::File
            || stripRecordOf(linked, int(5 + k), slot.anim) != project.slotRecords[4 + k])
            continue;
        if (const std::optional<QString> name = manifestName(folder, linked)) {
            leaveOut(sources, slot.file);
            slot.file = *name;
        }
    }

    bool exists = false;
    QString failed = writeClockSources(folder.absolutePath(), sources, false, nullptr, manifestFile.fileName(), &exists);
    if (exists) {
        const QString question = QStringLiteral("フォルダ「%1」には同じ名前のファイルがあります。\n%2\n上書きしますか？")
                                     .arg(folder.absolutePath(), failed.section(QStringLiteral(": exists"), 0, 0));
        if (seam::messageBox(question, seam::applicationTitle(), seam::MB_OKCANCEL | seam::MB_ICONQUESTION | seam::MB_DEFBUTTON2)
            != seam::IDOK)
            return;
        failed = writeClockSources(folder.absolutePath(), sources, true, nullptr, manifestFile.fileName());
    }
    if (!failed.isEmpty()) {
        seam::messageBox(QStringLiteral("ソースとして保存できません。\n%1").arg(failed), seam::applicationTitle(),
                         seam::MB_OK | seam::MB_ICONWARNING);
        return;
    }

    // The pictures written beside now come from those files, and follow them.
    const auto linkWritten = [&](LinkedPicture which, const QString& name, bool written) {
        if (written)
            m_linkedFiles[size_t(which)] = folder.absoluteFilePath(name);
    };
    const auto writtenHere = [&](const QString& name) {
        return std::any_of(sources.files.begin(), sources.files.end(), [&](const auto& f) { return f.first == name; });
    };
    for (size_t i = 0; i < 4; ++i)
        linkWritten(LinkedPicture(i), *pictureNames[i], !pictureNames[i]->isEmpty() && writtenHere(*pictureNames[i]));
    for (size_t k = 0; k < 3; ++k) {
        const ClockManifest::Slot& slot = manifest.media[4 + k];
        linkWritten(LinkedPicture(int(LinkedPicture::MinuteStrip) + int(k)), slot.file,
                    slot.state == ClockManifest::SlotState::File && writtenHere(slot.file));
    }
    SaveSourcesDialog.fileName = manifestFile.absoluteFilePath();
    seam::showMessage(QStringLiteral("保存しました"));
    SetModified(false);
    rememberRecentFile(manifestFile.absoluteFilePath());
    recordStep(QStringLiteral("変更"));
    m_history.markSaved();
    updateUndoItems();
    updateRecoveryCopy();
    followLinkedFiles();
}

} // namespace dw

// Opening a saved clock again: the file read and checked whole, then made the project in one
// step.
#include "editor/mainform/EditorUnit.h"

#include "editor/Application.h"
#include "editor/files/IncompletePicture.h"
#include "editor/widgets/CommonDialogs.h"
#include "editor/widgets/PictureBox.h"

#include "datafile/ClockProjectFile.h"
#include "platform/MemoryStream.h"
#include "platform/Seam.h"
#include "rotateimage/RotateImage.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace dw {

namespace {

// The bytes go into the stream and are let go at once, so that the project is held about once.
void fill(TMemoryStream& stream, PictureBytes&& bytes)
{
    stream.Clear();
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream.SetPosition(0);
    bytes.release();
}

template <class Bytes, size_t N>
std::array<std::span<const uint8_t>, N> spansOf(const std::array<Bytes, N>& members)
{
    std::array<std::span<const uint8_t>, N> spans;
    for (size_t i = 0; i < N; ++i)
        spans[i] = std::span<const uint8_t>(members[i].data(), members[i].size());
    return spans;
}

void checkOption(QAction* defaultItem, QAction* yes, QAction* no, DataFileHeader::Option option)
{
    QAction* item = option == DataFileHeader::OptionYes ? yes : option == DataFileHeader::OptionNo ? no : defaultItem;
    item->setChecked(true);
}

} // namespace

bool TMainForm::mayReplaceProject()
{
    if (!FModified)
        return true;
    return seam::messageBox(QStringLiteral("データが保存されていません。\n別のファイルを開きますか？"),
                            seam::applicationTitle(), seam::MB_OKCANCEL | seam::MB_DEFBUTTON2) == seam::IDOK;
}

void TMainForm::Open1Click()
{
    if (!mayReplaceProject())
        return;
    const std::optional<QString> path = executeFileDialog(OpenDataDialog);
    if (!path)
        return;
    openClockFile(*path);
}

bool TMainForm::openClockFile(const QString& path)
{
    // A clock's manifest: the clock its sources make.
    if (QFileInfo(path).suffix().toLower() == QLatin1String("toml"))
        return openSourcesFile(path);
    // The whole file is read and checked before anything changes; what is held of it is only
    // the project it becomes, and a member over its limit refuses it before it is read. A file
    // that cannot be read ends the command with the framework's error.
    ClockProjectReading reading = readClockProjectFile(path);
    const QString problem = reading.project ? incompletePicture(spansOf(reading.project->pictures), spansOf(reading.project->slotRecords))
                                           : reading.problem;
    if (!problem.isEmpty()) {
        seam::messageBox(QStringLiteral("「%1」を開けません。\n%2").arg(QFileInfo(path).fileName(), problem),
                         seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
        return false;
    }
    applyClockProject(std::move(*reading.project), path);
    rememberRecentFile(path);
    return true;
}

void TMainForm::applyClockProject(ClockProjectFile&& project, const QString& path)
{
    const DataFileHeader& header = project.header;

    fill(FBkgStream, std::move(project.pictures[0]));
    fill(FHourStream, std::move(project.pictures[1]));
    fill(FMinStream, std::move(project.pictures[2]));
    fill(FSecStream, std::move(project.pictures[3]));
    loadRenderersFromStreams();
    LayoutClock();
    SNeedleImage->SetPivotX(header.hourPivot.x());
    SNeedleImage->SetPivotY(header.hourPivot.y());
    LNeedleImage->SetPivotX(header.minPivot.x());
    LNeedleImage->SetPivotY(header.minPivot.y());
    SecNeedleImage->SetPivotX(header.secPivot.x());
    SecNeedleImage->SetPivotY(header.secPivot.y());
    FHourCenter = header.hourCenter;
    FMinCenter = header.minCenter;
    FSecCenter = header.secCenter;

    {
        // The texts change without counting as edits.
        const QSignalBlocker titleBlocker(Edit1);
        const QSignalBlocker authorBlocker(Memo1);
        Edit1->setText(header.title);
        Memo1->setPlainText(project.author);
    }
    checkOption(Default1, Yes1, No1, header.translucent);
    checkOption(Default2, Yes2, No2, header.colorEffect);
    checkOption(Default3, Yes3, No3, header.countHourSound);
    checkOption(Default4, Yes4, No4, header.countHourAnimation);
    ExtrudeHand1->setChecked(header.extrudeHand);

    TMemoryStream* records[] = {&FSecSound, &FMinSound, &FHourSound, &FZeroSound, &FMinAnim, &FHourAnim, &FZeroAnim};
    for (size_t i = 0; i < project.slotRecords.size(); ++i)
        fill(*records[i], std::move(project.slotRecords[i]));
    m_slotFileNames = {};
    // The file holds no names of the pictures' files: nothing is followed.
    m_linkedFiles = {};
    UpdateSlotItems();

    // The shape as saved; with ExtrudeHand the hands widen it at the next redraw.
    SetClockRgn(project.shape.isEmpty() ? std::nullopt : std::optional<TRegion>(project.shape));
    SaveDialog1.fileName = path;
    m_savedPath = path;
    SetModified(false);
    New1->setEnabled(true);
    Timer1Timer();
    startHistory();
}

} // namespace dw

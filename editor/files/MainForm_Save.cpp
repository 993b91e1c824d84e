// Saving: the project gathered into a custom data file, written directly or packed as a cabinet.
#include "editor/mainform/EditorUnit.h"

#include "editor/files/CharacterNames.h"
#include "editor/files/SaveDate.h"
#include "editor/widgets/CommonDialogs.h"

#include "datafile/DataFileHeader.h"
#include "datafile/DataFileLimits.h"
#include "datafile/DataFileTexts.h"
#include "datafile/DataFileWriter.h"
#include "datafile/Dialwright_FCI.h"
#include "platform/FrameworkError.h"
#include "platform/Screen.h"
#include "platform/TempFile.h"
#include "rotateimage/RotateImage.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace dw {

namespace {

DataFileHeader::Option optionOf(const QAction* yes, const QAction* no)
{
    if (yes->isChecked())
        return DataFileHeader::OptionYes;
    if (no->isChecked())
        return DataFileHeader::OptionNo;
    return DataFileHeader::OptionDefault;
}

QString unsavableMessage(const QString& characters)
{
    return QStringLiteral("タイトルまたは作者情報に、データファイルに保存できない文字があります: %1\n"
                          "これらの文字を取り除くか置き換えてから、もう一度保存してください。")
        .arg(namesOfCharacters(characters));
}

// The program refuses to open a file whose author text is over its limit; such a file is not
// written either.
QString authorTooLongMessage(size_t bytes)
{
    return QStringLiteral("作者情報が長すぎます（%1 バイト。保存できるのは %2 バイトまでです）。\n"
                          "短くしてから、もう一度保存してください。")
        .arg(bytes)
        .arg(pdl::kMaxAuthorBytes);
}

// Removes the file when it goes out of scope, whatever ends the command.
class RemoveOnExit {
public:
    explicit RemoveOnExit(QString path) : m_path(std::move(path)) {}
    ~RemoveOnExit() { QFile::remove(m_path); }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;

private:
    QString m_path;
};

} // namespace

QString TMainForm::unsavableCharacters() const
{
    DataFileHeader header;
    header.title = Edit1->text();
    return dataFileTexts(header, Memo1->toPlainText()).unstorable;
}

DataFileHeader TMainForm::projectHeader() const
{
    DataFileHeader header;
    header.title = Edit1->text();
    header.hourPivot = QPoint(SNeedleImage->PivotX(), SNeedleImage->PivotY());
    header.minPivot = QPoint(LNeedleImage->PivotX(), LNeedleImage->PivotY());
    header.secPivot = QPoint(SecNeedleImage->PivotX(), SecNeedleImage->PivotY());
    header.hourCenter = FHourCenter;
    header.minCenter = FMinCenter;
    header.secCenter = FSecCenter;
    header.translucent = optionOf(Yes1, No1);
    header.colorEffect = optionOf(Yes2, No2);
    header.countHourSound = optionOf(Yes3, No3);
    header.countHourAnimation = optionOf(Yes4, No4);
    header.extrudeHand = ExtrudeHand1->isChecked();
    header.saved = saveDate();
    return header;
}

void TMainForm::WriteDataFile(const QString& fileName)
{
    const DataFileHeader header = projectHeader();
    DataFileTexts texts = dataFileTexts(header, Memo1->toPlainText());
    // Never save a text as something other than what the user typed.
    if (!texts.ok())
        throw EFrameworkError(unsavableMessage(texts.unstorable));
    if (int64_t(texts.author.size()) > pdl::kMaxAuthorBytes)
        throw EFrameworkError(authorTooLongMessage(texts.author.size()));

    DataFileProject project;
    project.FBkgStream = &FBkgStream;
    project.FHourStream = &FHourStream;
    project.FMinStream = &FMinStream;
    project.FSecStream = &FSecStream;
    project.shape = FClockRgn;
    project.headerText = std::move(texts.header);
    project.authorText = std::move(texts.author);
    project.slotRecords = {&FZeroAnim, &FHourAnim, &FMinAnim, &FZeroSound, &FHourSound, &FMinSound, &FSecSound};
    writeDataFile(fileName, project);
}

void TMainForm::Save1Click() { saveProject(std::nullopt); }

void TMainForm::Overwrite1Click()
{
    saveProject(m_savedPath.isEmpty() ? std::nullopt : std::optional<QString>(m_savedPath));
}

void TMainForm::saveProject(std::optional<QString> fileName)
{
    // Text the file cannot hold, and an author text longer than a file may carry, are refused
    // before a file name is asked for: nothing would be written with them.
    const QString unsavable = unsavableCharacters();
    if (!unsavable.isEmpty()) {
        seam::showMessage(unsavableMessage(unsavable));
        return;
    }
    if (const size_t author = dataFileTexts({}, Memo1->toPlainText()).author.size(); int64_t(author) > pdl::kMaxAuthorBytes) {
        seam::showMessage(authorTooLongMessage(author));
        return;
    }
    if (!fileName)
        fileName = executeFileDialog(SaveDialog1);
    if (!fileName)
        return;
    const TWaitCursor wait;
    if (Compress1->isChecked()) {
        saveCompressed(*fileName);
        return;
    }
    WriteDataFile(*fileName);
    seam::showMessage(QStringLiteral("保存しました"));
    SetModified(false);
    noteSaved(*fileName);
}

void TMainForm::saveCompressed(const QString& fileName)
{
    bool packed = false;
    // The whole project passes through this file: it goes where no other user can see it, make
    // its name first or take every name away.
    const QString folder = privateTempPath();
    const QString temporary = folder.isEmpty() ? QString() : tempFileName(folder, QStringLiteral("$PD"), 0);
    if (temporary.isEmpty()) {
        seam::showMessage(QStringLiteral("ERROR: GetTempFileName"));
    } else {
        // The temporary file goes on every path, also when writing it ends the command.
        const RemoveOnExit removeTemporary(temporary);
        try {
            WriteDataFile(temporary);
            packed = MakeCabinet(fileName, {QStringLiteral("DATA|") + temporary});
        } catch (const EFrameworkError&) {
            // The temporary file could not be written (its private folder may be a small one
            // in memory, and full): the plain file then, as when packing fails. An error of the
            // plain file ends the command naming the user's file, not the temporary one.
            packed = false;
        }
    }
    if (packed) {
        SetModified(false);
        noteSaved(fileName);
        seam::beep();
        seam::showMessage(QStringLiteral("保存しました"));
        return;
    }
    WriteDataFile(fileName);
    SetModified(false);
    noteSaved(fileName);
    seam::beep();
    seam::showMessage(QStringLiteral("ファイルの圧縮に失敗しました。"));
}

} // namespace dw

// The sound slots' own commands: embed a wave file, record a wave's name, hear the sound.
// Silent and No Data are shared with the animation slots (MainForm_SlotItems.cpp).
#include "EditorUnit.h"

#include "CharacterNames.h"
#include "CommonDialogs.h"

#include "media/RecordedName.h"
#include "media/SoundRecord.h"
#include "media/widgets/ByFileNameUnit.h"
#include "platform/AnsiText.h"
#include "platform/FrameworkError.h"
#include "platform/WavePlayer.h"

#include <QFileInfo>
#include <QLineEdit>

namespace dw {

namespace {

const QString kSoundNamePrompt = QStringLiteral("サウンドファイル名(*.wav)を入力してください");

// A wave file named by a record is played only up to this size; anything larger is not a chime
// and would hold the window while it is read.
constexpr int64_t kMaxNamedWaveSize = 256 * 1024 * 1024;

} // namespace

void TMainForm::Load1Click(QObject* Sender)
{
    MediaSlot* slot = soundSlotOfItem(Sender, &MediaSlot::load);
    if (!slot)
        return;
    const std::optional<QString> path = chooseFile(OpenDialog1);
    if (!path)
        return;
    // The whole file is read before the record is touched: a file that cannot be opened or
    // read ends the command with the framework's error and leaves the slot as it was.
    TMemoryStream wave;
    wave.LoadFromFile(*path);
    writeEmbeddedSound(*slot->record, slot->number, wave.Memory(), wave.size());
    SetModified(true);
    UpdateSlotItems();
}

void TMainForm::byFileName1Click(QObject* Sender)
{
    MediaSlot* slot = soundSlotOfItem(Sender, &MediaSlot::byFileName);
    Q_ASSERT(StringDlg); // created at start-up, after the main window
    if (!slot || !StringDlg)
        return;
    const std::optional<std::string> name = recordedSoundName(*slot->record);
    StringDlg->Edit1->setText(name ? unicodeFromAnsi(*name) : QString());
    StringDlg->setWindowTitle(kSoundNamePrompt);
    if (seam::showModal(*StringDlg) != seam::mrOk)
        return;
    const AnsiResult ansi = ansiFromUnicode(StringDlg->Edit1->text());
    // A name the file cannot hold would be recorded as another name: refused, slot unchanged.
    if (!ansi.ok()) {
        seam::beep();
        seam::showMessage(unstorableNameMessage(ansi.unmappable));
        return;
    }
    SetModified(true);
    writeNamedSound(*slot->record, slot->number, ansi.bytes);
    UpdateSlotItems();
}

QStringList TMainForm::recordedNameFolders() const
{
    // Where the clock's own files are: beside the data file saved last, then beside the wave
    // chosen last.
    QStringList folders;
    for (const QString& file : {SaveDialog1.fileName, OpenDialog1.fileName})
        if (!file.isEmpty())
            folders << QFileInfo(file).absolutePath();
    return folders;
}

void TMainForm::Play1Click(QObject* Sender)
{
    MediaSlot* slot = soundSlotOfItem(Sender, &MediaSlot::play);
    if (!slot)
        return;
    const TMemoryStream& record = *slot->record;
    if (record.size() <= kSlotHeaderSize)
        return;
    // A slot recorded by name plays the named file when it can be found; nothing is said when
    // it cannot.
    if (const std::optional<std::string> name = recordedSoundName(record)) {
        const QString path = findRecordedFile(*name, recordedNameFolders());
        if (path.isEmpty() || QFileInfo(path).size() > kMaxNamedWaveSize) {
            wavePlayer().stopWave();
            return;
        }
        TMemoryStream wave;
        try {
            wave.LoadFromFile(path);
        } catch (const EFrameworkError&) {
            wavePlayer().stopWave();
            return;
        }
        wavePlayer().playWave(wave.Memory(), wave.size());
        return;
    }
    wavePlayer().playWave(record.Memory() + kSlotHeaderSize, record.size() - kSlotHeaderSize);
}

} // namespace dw

// The sound slots' own commands: embed a wave file, record a wave's name, hear the sound.
// Silent and No Data are shared with the animation slots (MainForm_SlotItems.cpp).
#include "editor/mainform/EditorUnit.h"

#include "editor/files/CharacterNames.h"
#include "editor/widgets/CommonDialogs.h"

#include "media/RecordedName.h"
#include "media/SoundRecord.h"
#include "media/widgets/ByFileNameUnit.h"
#include "platform/AnsiText.h"
#include "platform/FrameworkError.h"
#include "platform/RiffWave.h"
#include "platform/WaveImage.h"
#include "platform/WavePlayer.h"

#include <QFileInfo>

#include <QLineEdit>

namespace dw {

namespace {

const QString kSoundNamePrompt = QStringLiteral("サウンドファイル名(*.wav)を入力してください");

// A wave file named by a record is played only up to this size; anything larger is not a chime
// and would hold the window while it is read.
constexpr int64_t kMaxNamedWaveSize = 256 * 1024 * 1024;

// Says, with a beep, why a file was not taken as a sound: not a wave file at all, or one the
// player cannot play.
void refuseSound(const QString& path, bool riffWave)
{
    const QString fileName = QFileInfo(path).fileName();
    seam::beep();
    seam::showMessage(riffWave ? QStringLiteral("「%1」は壊れているか、再生できない形式の WAVE ファイルのため、読み込めません。").arg(fileName)
                               : QStringLiteral("「%1」はサウンド（WAVE 形式）のファイルではないため、読み込めません。").arg(fileName));
}

} // namespace

void TMainForm::Load1Click(QObject* Sender)
{
    MediaSlot* slot = soundSlotOfItem(Sender, &MediaSlot::load);
    if (!slot)
        return;
    const std::optional<QString> path = chooseFile(OpenDialog1);
    if (!path)
        return;
    // The whole file is read and checked before the record is touched: a file that cannot be
    // opened or read ends the command with the framework's error, one that is no sound the
    // player plays with a message; the slot stays as it was. A file that is no wave file by its
    // first bytes is refused before it is read.
    if (waveFileHeadProblem(*path)) {
        refuseSound(*path, false);
        return;
    }
    TMemoryStream wave;
    wave.LoadFromFile(*path);
    // Only a sound the player plays is taken: anything else would be saved as a sound that is
    // never heard.
    const WaveProbe probe = probeWaveImage(wave.Memory(), wave.size());
    if (!probe.playable()) {
        refuseSound(*path, isRiffWaveHead(wave.Memory(), wave.size()));
        return;
    }
    writeEmbeddedSound(*slot->record, slot->number, wave.Memory(), wave.size());
    SetModified(true);
    m_slotFileNames[size_t(slot->number - 1)] = QFileInfo(*path).fileName();
    UpdateSlotItems(*slot);
}

void TMainForm::byFileName1Click(QObject* Sender)
{
    MediaSlot* slot = soundSlotOfItem(Sender, &MediaSlot::byFileName);
    if (!slot)
        return;
    const std::optional<std::string> recorded = recordedSoundName(*slot->record);
    const std::optional<RecordedNameEntry> name =
        askRecordedName(kSoundNamePrompt, recorded ? unicodeFromAnsi(*recorded) : QString());
    if (!name)
        return;
    SetModified(true);
    writeNamedSound(*slot->record, slot->number, name->ansi);
    UpdateSlotItems(*slot);
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

// The media slots: which menu items belong to which slot, the handlers the sound and animation
// slots share, and the one place that enables the slot items from the records.
#include "editor/mainform/EditorUnit.h"

#include "editor/files/CharacterNames.h"

#include "media/AnimSlot.h"
#include "media/SlotRecord.h"
#include "media/SlotSummary.h"
#include "media/SoundRecord.h"
#include "media/widgets/ByFileNameUnit.h"
#include "platform/AnsiText.h"
#include "platform/CommandRunner.h"
#include "platform/Seam.h"

#include <QAction>
#include <QMenu>
#include <QLineEdit>

namespace dw {

namespace {

// A menu item's caption for a text shown as it is: a file name's "&" is doubled, or the menu
// would take it for the mark of an access key and show the next character underlined instead.
QString literalCaption(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

} // namespace

void TMainForm::createSlots()
{
    m_slots = {{
        {kSecondSoundSlot, &FSecSound, Load1, byFileName1, Silent1, NoData1, Play1, nullptr},
        {kMinuteSoundSlot, &FMinSound, Load2, byFileName2, Silent2, NoData2, Play2, nullptr},
        {kHourSoundSlot, &FHourSound, Load3, byFileName3, Silent3, NoData3, Play3, nullptr},
        {kZeroSoundSlot, &FZeroSound, Load4, byFileName4, Silent4, NoData4, Play4, nullptr},
        {kMinuteAnimSlot, &FMinAnim, Load5, byFileName5, Silent5, NoData5, Play5, AnimParam1},
        {kHourAnimSlot, &FHourAnim, Load6, byFileName6, Silent6, NoData6, Play6, AnimParam2},
        {kZeroAnimSlot, &FZeroAnim, Load7, byFileName7, Silent7, NoData7, Play7, AnimParam3},
    }};
    // Each submenu ends with what its slot holds, after a separator.
    for (MediaSlot& slot : m_slots) {
        QMenu* menu = nullptr;
        for (QObject* holder : slot.load->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(holder))
                menu = m;
        Q_ASSERT(menu);
        if (!menu)
            continue;
        menu->addSeparator();
        slot.state = menu->addAction(QString());
        slot.state->setObjectName(QStringLiteral("SlotState%1").arg(slot.number));
        slot.state->setEnabled(false);
    }
}

QAction* TMainForm::slotStateItem(int32_t slot) const
{
    for (const MediaSlot& s : m_slots)
        if (s.number == slot)
            return s.state;
    return nullptr;
}

void TMainForm::connectSlotCommands()
{
    static const char* const kSlotNames[] = {"秒", "分", "時", "零時", "分", "時", "零時"};
    auto command = [this](QAction* item, void (TMainForm::*handler)(QObject*), const QString& step) {
        connect(item, &QAction::triggered, this, [this, item, handler, step] {
            runCommand([=, this] { (this->*handler)(item); });
            if (!step.isEmpty())
                recordStep(step);
        });
    };
    for (const MediaSlot& slot : m_slots) {
        const bool sound = slot.number <= kZeroSoundSlot;
        const QString what = QString::fromUtf8(kSlotNames[slot.number - 1])
                             + (sound ? QStringLiteral("のサウンド") : QStringLiteral("のアニメーション"));
        command(slot.silent, &TMainForm::Silent1Click, what + (sound ? QStringLiteral("を無音に") : QStringLiteral("を無しに")));
        command(slot.noData, &TMainForm::NoData1Click, what + QStringLiteral("の設定解除"));
        if (sound) {
            command(slot.load, &TMainForm::Load1Click, what + QStringLiteral("の読み込み"));
            command(slot.byFileName, &TMainForm::byFileName1Click, what + QStringLiteral("のファイル名"));
            command(slot.play, &TMainForm::Play1Click, QString());
        } else {
            command(slot.load, &TMainForm::AnimationItemClick, what + QStringLiteral("の読み込み"));
            command(slot.byFileName, &TMainForm::AnimbyFileName, what + QStringLiteral("のファイル名"));
            command(slot.params, &TMainForm::AnimParam1Click, what + QStringLiteral("のパラメータ"));
            command(slot.play, &TMainForm::AnimTestPlay, QString());
        }
    }
}

TMainForm::MediaSlot* TMainForm::slotOfItem(const QObject* sender, QAction* MediaSlot::*which)
{
    if (!sender)
        return nullptr;
    for (MediaSlot& slot : m_slots)
        if (slot.*which == sender)
            return &slot;
    return nullptr;
}

TMainForm::MediaSlot* TMainForm::soundSlotOfItem(const QObject* sender, QAction* MediaSlot::*which)
{
    MediaSlot* slot = slotOfItem(sender, which);
    return slot && slot->number <= kZeroSoundSlot ? slot : nullptr;
}

const TMemoryStream& TMainForm::slotRecord(int32_t slot) const
{
    static const TMemoryStream kNone;
    for (const MediaSlot& s : m_slots)
        if (s.number == slot)
            return *s.record;
    return kNone;
}

TMemoryStream* TMainForm::editableSlotRecord(int slotNumber)
{
    for (MediaSlot& s : m_slots)
        if (s.number == slotNumber)
            return s.record;
    return nullptr;
}

void TMainForm::UpdateSlotItems()
{
    for (const MediaSlot& slot : m_slots)
        UpdateSlotItems(slot);
}

void TMainForm::UpdateSlotItems(const MediaSlot& slot)
{
    const QString& loadedFrom = m_slotFileNames[size_t(slot.number - 1)];
    if (slot.number > kZeroSoundSlot) {
        // No Data when the record is not empty; Parameters and Test Play when it holds
        // parameters and a strip (longer than 28 bytes).
        const AnimSlotItems states = animSlotItems(slot.record->size());
        slot.noData->setEnabled(states.noData);
        slot.params->setEnabled(states.params);
        slot.play->setEnabled(states.play);
        slot.state->setText(literalCaption(animSlotSummary(*slot.record, loadedFrom)));
        return;
    }
    const SoundItemStates states = soundItemStates(*slot.record);
    slot.noData->setEnabled(states.noData);
    slot.play->setEnabled(states.play);
    slot.state->setText(literalCaption(soundSlotSummary(*slot.record, loadedFrom)));
}

std::optional<TMainForm::RecordedNameEntry> TMainForm::askRecordedName(const QString& prompt, QString name)
{
    Q_ASSERT(StringDlg); // created at start-up, after the main window
    if (!StringDlg)
        return std::nullopt;
    while (true) {
        StringDlg->Edit1->setText(name);
        StringDlg->setWindowTitle(prompt);
        if (seam::showModal(*StringDlg) != seam::mrOk)
            return std::nullopt;
        name = StringDlg->Edit1->text();
        AnsiResult ansi = ansiFromUnicode(name);
        if (ansi.ok())
            return RecordedNameEntry{name, std::move(ansi.bytes)};
        // A name the file cannot hold would be recorded as another name.
        seam::beep();
        seam::showMessage(unstorableNameMessage(ansi.unmappable));
    }
}

void TMainForm::Silent1Click(QObject* Sender)
{
    MediaSlot* slot = slotOfItem(Sender, &MediaSlot::silent);
    if (!slot)
        return;
    SetModified(true);
    writeSilentRecord(*slot->record, slot->number);
    UpdateSlotItems(*slot);
}

void TMainForm::NoData1Click(QObject* Sender)
{
    MediaSlot* slot = slotOfItem(Sender, &MediaSlot::noData);
    if (!slot)
        return;
    slot->record->Clear();
    SetModified(true);
    UpdateSlotItems(*slot);
}

} // namespace dw

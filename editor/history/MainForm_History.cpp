// Undo and redo: the project as one snapshot after every step of the user's, and put back whole.
#include "editor/mainform/EditorUnit.h"

#include "media/SlotRecord.h"
#include "rotateimage/RotateImage.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>

namespace dw {

namespace {

const QString kUndoCaption = QStringLiteral("元に戻す(&U)");
const QString kRedoCaption = QStringLiteral("やり直し(&R)");

QPoint pivotOf(const TRotateImage& renderer) { return {renderer.PivotX(), renderer.PivotY()}; }

} // namespace

ProjectSnapshot TMainForm::takeSnapshot()
{
    // Bytes equal to the current snapshot's are shared with it, not copied; a stream that has not
    // changed since it was last read or filled is not even compared.
    const ProjectSnapshot* previous = m_history.stepCount() ? &m_history.current() : nullptr;
    ProjectSnapshot s;
    TMemoryStream* pictures[] = {&FBkgStream, &FHourStream, &FMinStream, &FSecStream};
    for (size_t i = 0; i < s.pictures.size(); ++i)
        s.pictures[i] = shareBytes(*pictures[i], previous ? previous->pictures[i] : SharedBytes(), m_knownBytes[i]);
    for (const MediaSlot& slot : m_slots) {
        const auto i = size_t(slot.number - 1);
        s.records[i] = shareBytes(*slot.record, previous ? previous->records[i] : SharedBytes(),
                                  m_knownBytes[s.pictures.size() + i]);
    }
    s.centres = {FHourCenter, FMinCenter, FSecCenter};
    s.pivots = {pivotOf(*SNeedleImage), pivotOf(*LNeedleImage), pivotOf(*SecNeedleImage)};
    s.shape = FClockRgn;
    s.title = Edit1->text();
    s.author = Memo1->toPlainText();
    const auto groups = optionGroups();
    for (size_t g = 0; g < groups.size(); ++g) {
        s.options[g] = -1;
        for (int v = 0; v < 3; ++v)
            if (groups[g][size_t(v)]->isChecked())
                s.options[g] = v;
    }
    s.extrudeHand = ExtrudeHand1->isChecked();
    s.cornerWidth = TrackBar1->value();
    s.cornerHeight = TrackBar2->value();
    s.newEnabled = New1->isEnabled();
    for (size_t i = 0; i < s.paramsEnabled.size(); ++i)
        s.paramsEnabled[i] = m_slots[size_t(kMinuteAnimSlot - 1) + i].params->isEnabled();
    s.slotFileNames = m_slotFileNames;
    s.linkedFiles = m_linkedFiles;
    return s;
}

void TMainForm::restoreSnapshot(const ProjectSnapshot& s)
{
    // What the preview shows: laid out and drawn again only when it changes (a step of typing
    // is put back as fast as it was made).
    const ProjectSnapshot now = takeSnapshot();
    bool shown = false;
    for (size_t i = 0; i < s.pictures.size(); ++i)
        shown = shown || !sameBytes(s.pictures[i], now.pictures[i]);
    shown = shown || s.centres != now.centres || s.pivots != now.pivots || !(s.shape == now.shape)
            || s.extrudeHand != now.extrudeHand;
    const QSignalBlocker blockTitle(Edit1);
    const QSignalBlocker blockAuthor(Memo1);
    const QSignalBlocker blockWidth(TrackBar1);
    const QSignalBlocker blockHeight(TrackBar2);

    // The pictures: a renderer is loaded again only when its picture changed.
    TMemoryStream* streams[] = {&FBkgStream, &FHourStream, &FMinStream, &FSecStream};
    std::array<bool, 4> changed{};
    for (size_t i = 0; i < s.pictures.size(); ++i) {
        // `now` holds the stream's bytes: the same bytes are not compared again.
        changed[i] = !sameBytes(s.pictures[i], now.pictures[i]) && putBytes(*streams[i], s.pictures[i], m_knownBytes[i]);
    }
    loadRenderersFromStreams(changed);
    // The panel follows the dial; the holes are the snapshot's, not the layout's defaults.
    if (shown)
        LayoutClock();
    TRotateImage* hands[] = {SNeedleImage, LNeedleImage, SecNeedleImage};
    for (size_t i = 0; i < 3; ++i) {
        hands[i]->SetPivotX(s.pivots[i].x());
        hands[i]->SetPivotY(s.pivots[i].y());
    }
    FHourCenter = s.centres[0];
    FMinCenter = s.centres[1];
    FSecCenter = s.centres[2];

    // A slot's items are described again only when the slot changed.
    for (const MediaSlot& slot : m_slots) {
        const auto i = size_t(slot.number - 1);
        const bool recordChanged = !sameBytes(s.records[i], now.records[i]);
        if (!recordChanged && m_slotFileNames[i] == s.slotFileNames[i])
            continue;
        if (recordChanged)
            putBytes(*slot.record, s.records[i], m_knownBytes[s.pictures.size() + i]);
        m_slotFileNames[i] = s.slotFileNames[i];
        UpdateSlotItems(slot);
    }
    for (size_t i = 0; i < s.paramsEnabled.size(); ++i)
        m_slots[size_t(kMinuteAnimSlot - 1) + i].params->setEnabled(s.paramsEnabled[i]);

    if (Edit1->text() != s.title)
        Edit1->setText(s.title);
    if (Memo1->toPlainText() != s.author)
        Memo1->setPlainText(s.author);
    const auto groups = optionGroups();
    for (size_t g = 0; g < groups.size(); ++g)
        for (int v = 0; v < 3; ++v)
            groups[g][size_t(v)]->setChecked(s.options[g] == v);
    ExtrudeHand1->setChecked(s.extrudeHand);
    TrackBar1->setValue(s.cornerWidth);
    TrackBar2->setValue(s.cornerHeight);
    New1->setEnabled(s.newEnabled);
    // The files follow the pictures: a reload undone keeps its file's link, a load undone gives
    // the one before back.
    m_linkedFiles = s.linkedFiles;
    followLinkedFiles();
    if (!shown)
        return;
    SetClockRgn(s.shape.isEmpty() ? std::nullopt : std::optional<TRegion>(s.shape));
    Timer1Timer();
}

void TMainForm::recordStep(const QString& name, bool typing)
{
    if (m_history.stepCount() == 0)
        return; // before the history starts (while the window is being made)
    if (!typing)
        m_history.closeRun();
    const bool marked = m_markedModified;
    m_markedModified = false;
    if (m_history.record(takeSnapshot(), name, typing, marked))
        updateUndoItems();
    updateRecoveryCopy();
    followLinkedFiles();
}

void TMainForm::startHistory()
{
    m_markedModified = false;
    m_history.reset(takeSnapshot());
    updateUndoItems();
    updateRecoveryCopy();
    followLinkedFiles();
}

void TMainForm::noteSaved(const QString& path)
{
    m_savedPath = path;
    rememberRecentFile(path);
    // A change the history has not seen yet (one made outside the commands) is its last step;
    // a save of the project as the history holds it adds none, so what can be redone stays.
    recordStep(QStringLiteral("変更"));
    m_history.markSaved();
    updateUndoItems();
    updateRecoveryCopy();
}

void TMainForm::updateUndoItems()
{
    const QString undo = m_history.undoName(), redo = m_history.redoName();
    Undo1->setText(undo.isEmpty() ? kUndoCaption : kUndoCaption + QStringLiteral(": ") + undo);
    Redo1->setText(redo.isEmpty() ? kRedoCaption : kRedoCaption + QStringLiteral(": ") + redo);
    Undo1->setEnabled(m_history.canUndo());
    Redo1->setEnabled(m_history.canRedo());
}

void TMainForm::Undo1Click()
{
    if (const std::optional<ProjectSnapshot> back = m_history.undo()) {
        restoreSnapshot(*back);
        SetModified(m_history.modified());
        m_markedModified = false;
    }
    updateUndoItems();
    updateRecoveryCopy();
}

void TMainForm::Redo1Click()
{
    if (const std::optional<ProjectSnapshot> forward = m_history.redo()) {
        restoreSnapshot(*forward);
        SetModified(m_history.modified());
        m_markedModified = false;
    }
    updateUndoItems();
    updateRecoveryCopy();
}

} // namespace dw

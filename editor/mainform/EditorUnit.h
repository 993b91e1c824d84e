#pragma once

#include "media/AnimParam.h"
#include "platform/Geometry.h"
#include "platform/MemoryStream.h"
#include "platform/Region.h"
#include "platform/Seam.h"

#include "editor/history/ProjectHistory.h"
#include "editor/history/RecoveryStore.h"
#include "editor/files/SettingsLocation.h"
#include "editor/mainform/ClockProjectFields.h"
#include "editor/mainform/MainFormControls.h"
#include "editor/mainform/MainMenuItems.h"
#include "editor/mainform/PictureLinks.h"
#include "editor/slots/MediaSlot.h"
#include "editor/clock/ZoomLevel.h"
#include "editor/widgets/WheelZoom.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QTime>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QCloseEvent;
class QMenu;
class QTimer;
class QWheelEvent;

namespace dw {

class ProfileFile;
class PictureBox;
class ClockView;
class TBitmap;
struct ClockProjectFile;
struct DataFileHeader;
class TRotateImage;
class ClockComposer;
class TRecoveryListDlg;
struct ClockScene;
class TShownTimeDlg;

// Where a picture file goes: the dial, a hand, the window's mask or an animation slot's strip.
enum class PictureSlot { Dial, HourHand, MinuteHand, SecondHand, Mask, MinuteStrip, HourStrip, ZeroStrip };

// The editor's main window. It holds the clock project for the whole run: the private F…
// fields (ClockProjectFields.h) plus the state of its controls (title in Edit1, author text in
// Memo1, options in checked menu items). Controls (MainFormControls.h) and menu items
// (MainMenuItems.h) keep their generated names, which are also their object names.
//
// Menu items are checkable where the menu shows a check (Compress1, ExtrudeHand1 and the
// twelve load-time option items). The toolkit toggles such an item itself before `triggered`
// arrives: a handler finds Compress1 already toggled, and a radio item toggled too (a radio
// group lets its checked item be unchecked, so that Default1Click can tell a new choice from
// the one already made and checks it again). Radio groups are per submenu.
class TMainForm : public QMainWindow, public MainFormControls, public MainMenuItems, private ClockProjectFields {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The menu item (or submenu's item) of that name; nullptr when there is none.
    QAction* menuItem(const QString& name) const;
    // The submenu opened by the item of that name; nullptr when the item has none.
    QMenu* submenu(const QString& name) const;

    // The only writer of FModified; true also enables New1.
    void SetModified(bool value);
    bool modified() const { return FModified; }

    // The workbench colour (ScrollBox1's): the framework's colour number, 0x00BBGGRR or a system
    // colour with the top bit set (the button face at first), and the colour actually shown.
    uint32_t workbenchColor() const;
    QColor workbenchQColor() const;

    // The record of slot 1 to 7 (1 second, 2 minute, 3 hour, 4 zero-hour sound; 5 minute,
    // 6 hour, 7 zero-hour animation) to change in place, as tests fake a record; nullptr for any
    // other number. Call UpdateSlotItems afterwards.
    TMemoryStream* editableSlotRecord(int slotNumber);

    // --- Settings (MainForm_Settings.cpp) --------------------------------------------------
    // The settings file in use (read at start, written at exit).
    const SettingsLocation& settingsFile() const { return m_settings; }
    // Reads the options and the window's placement from the settings file; writes them. The
    // writing raises EFrameworkError when the file cannot be written; the file as it was stays.
    void readSettings();
    void writeSettings();

    // --- Close guard (MainForm_Close.cpp) --------------------------------------------------
    // Whether the window may close: asks when the project has unsaved changes. The preview
    // timer runs exactly when the window stays.
    bool FormCloseQuery();
    // The desktop session is ending (log-off, shutdown): asks as FormCloseQuery does when the
    // session manager lets the program interact, and keeps the settings when it may end.
    // Returns whether the session may end.
    bool sessionEnding(bool interactionAllowed);

    // --- The project as others read it (dialogs, the save, tests) -------------------------
    const TMemoryStream& bkgStream() const { return FBkgStream; }
    const TMemoryStream& hourStream() const { return FHourStream; }
    const TMemoryStream& minStream() const { return FMinStream; }
    const TMemoryStream& secStream() const { return FSecStream; }
    QPoint hourCenter() const { return FHourCenter; }
    QPoint minCenter() const { return FMinCenter; }
    QPoint secCenter() const { return FSecCenter; }
    // A copy of the clock window's shape; empty for no shape.
    const TRegion& clockRgn() const { return FClockRgn; }

    // Where the preview takes the time of day from; the local clock unless set (tests set a
    // fixed time). An empty function restores the local clock.
    using TimeSource = std::function<QTime()>;
    void setTimeSource(TimeSource source);

    // --- Clock layout and pictures (MainForm_Pictures.cpp) ---------------------------------
    // Fits the clock panel, the renderers and the preview canvas to the current dial and puts
    // the default hand holes in (PivotX half the built-in hand's width, PivotY by the dial).
    void LayoutClock();

    // --- Preview (MainForm_Preview.cpp) ----------------------------------------------------
    // Redraws the preview for the current time; the timer's tick, also called directly to
    // redraw at once.
    void Timer1Timer();
    // The renderers and centres as the composition needs them.
    ClockScene clockScene() const;
    // The clock as the preview shows it at 100 %, whole (for the dialogs that show the clock,
    // the exported picture); null when the dial has no rendered picture.
    QImage previewPicture() const;
    // The clock's size in its own pixels (the dial's), whatever the view's zoom.
    TSize clockSize() const { return m_clockSize; }

    // --- The view (MainForm_View.cpp) ------------------------------------------------------
    // The zoom of the work area: the clock panel, the preview and the window shape are shown at
    // it; the clock itself, every command and what is saved stay in the clock's own pixels. A
    // new dial leaves it as it is. Kept in the settings file ([View] Zoom).
    ZoomLevel viewZoom() const { return m_viewZoom; }
    void setViewZoom(ZoomLevel zoom);
    // View > 拡大, 縮小, 等倍 and 全体を表示 (the zoom at which the whole clock fits in the
    // work area, up to 800 %).
    void ZoomIn1Click();
    void ZoomOut1Click();
    void ZoomReset1Click();
    void ZoomFit1Click();
    // The status line's text for the zoom.
    QString viewZoomText() const;

    // --- The time shown and the clock as a picture (MainForm_ShownTime.cpp) ---------------
    // A time of day the preview keeps to (and with it everything that shows the preview: the
    // positioning dialog's background, the animation settings dialog), or none for the clock's
    // own time. Nothing saved depends on it and it is not kept after exit; the status line says
    // when one is set.
    void setShownTime(std::optional<QTime> time);
    std::optional<QTime> shownTime() const { return m_shownTime; }
    // The time the preview shows at its next redraw.
    QTime previewTime() const;
    // ShownTime1: asks for the time to show, or the live clock.
    void ShownTime1Click();
    // The clock as the preview shows it now (redrawn first), ARGB32 and transparent outside the
    // clock window's shape.
    QImage clockPicture();
    // ExportImage1: writes clockPicture() as a PNG file chosen in ExportImageDialog.
    void ExportImage1Click();

    // --- Window shape (MainForm_Shape.cpp) -------------------------------------------------
    // Keeps a copy of the region as the shape and makes it the window region of ClockPanel;
    // none (or an empty region) means no shape: FClockRgn empty and no window region.
    bool SetClockRgn(const std::optional<TRegion>& region);
    void SetRoundRectRgn();
    void SetRgnFromBkg();

    // --- Hand positioning (MainForm_Position.cpp) ------------------------------------------
    // The positioning dialog for the hour, minute and second hand.
    void GoTo1Click();
    void GoTo2Click();
    void GoTo3Click();
    // One centre for all three hands.
    void N19Click();

    // --- Undo and redo (MainForm_History.cpp) ----------------------------------------------
    // The project as one value, and put back from one: every stream, centre, pivot, the shape,
    // the texts, the options, the track bars and the items that follow them. Restoring redraws
    // the preview and counts as no change of its own.
    ProjectSnapshot takeSnapshot();
    void restoreSnapshot(const ProjectSnapshot& snapshot);
    const ProjectHistory& history() const { return m_history; }
    // Back to the project before the last step, and forward again; the modified flag follows
    // (clear exactly at the project last saved, opened or made by New).
    void Undo1Click();
    void Redo1Click();

    // --- Crash recovery (MainForm_Recovery.cpp) -------------------------------------------
    // While the project is modified, a copy of it is kept in the user's state folder, written
    // kRecoveryDelayMs after a change; it goes after a save, after New and when the program ends
    // normally. At start-up, each copy left by a run that did not end normally is offered, newest
    // first, naming its clock: OK brings the project back, modified, and sets the copies not yet
    // offered aside; Cancel sets the copy aside, to be restored later (Recover1Click). A copy
    // that cannot be read, or holds what Open would refuse, is set aside and the user told where.
    // When the state folder cannot be used, says so once. Returns whether one was restored.
    bool offerRecovery();
    // Recover1: the copies set aside, in a list to choose one from and restore.
    void Recover1Click();
    // This run's copy (whether written yet or not), and writing it at once.
    QString recoveryCopyPath() const;
    void writeRecoveryNow();

    // --- Picture files (MainForm_PictureFiles.cpp) ------------------------------------------
    // The one way a picture file becomes part of the project, for the menu commands, dropped
    // files and whoever takes a file again: reads it whole, offers a picture the clock cannot
    // show for conversion (unless the user agreed to convert this file before in this run),
    // and puts it in the slot as the slot's load command does. Without ask nothing modal is
    // shown: a refused file's reason goes to refusal, a conversion is made only when agreed to
    // before, a strip keeps its slot's placement. Returns whether the project took the file; a
    // file that cannot be read raises the framework's error.
    bool takePictureFile(PictureSlot slot, const QString& path, bool ask, QString* refusal = nullptr);
    // The folder of the picture file taken last (kept in the settings file); empty for none.
    const QString& pictureFolder() const { return m_pictureFolder; }

    // --- Recent files (MainForm_Recent.cpp) ------------------------------------------------
    // The clocks saved or opened last, newest first (at most kMaxRecentFiles), shown under
    // "最近使ったファイル(&R)" and kept in the settings file's [Recent] section.
    static constexpr int kMaxRecentFiles = 8;
    const QStringList& recentFiles() const { return m_recentFiles; }
    // The item that opens the n-th file (from 0); nullptr beyond the list.
    QAction* recentItem(int n) const;

    // --- Pictures followed on the disk (MainForm_Reload.cpp) --------------------------------
    // The file each picture was taken from in this run (part of the project, so undo and the
    // recovery copy keep it); empty for a picture from no file. A saved clock opens without
    // any: the file holds no names.
    const LinkedFiles& linkedFiles() const { return m_linkedFiles; }
    const PictureLinks& pictureLinks() const { return *m_links; }
    // Reads the picture's file again and puts it in the project as one step of its own. A file
    // that is no whole picture (caught half written) is not taken: the status line says the
    // editor waits for the next change. A dial or hand of the size it had keeps every centre
    // and pivot; one of another size is laid out as when it is loaded.
    void reloadPicture(LinkedPicture which, const QString& path);

    // --- Opening a saved clock (MainForm_Open.cpp) -----------------------------------------
    // Asks before a modified project is replaced, then opens the chosen file.
    void Open1Click();
    // Whether the project may be replaced: unmodified, or the user says so.
    bool mayReplaceProject();
    // Makes the saved clock at path the project. A file that cannot be read or is no custom
    // data file shows why and leaves the project as it was; returns whether it opened.
    bool openClockFile(const QString& path);

    // --- A clock's sources (MainForm_Sources.cpp) ------------------------------------------
    // Makes the clock a manifest (clock.toml) describes the project, its pictures linked to
    // their files; a manifest or a file it names that cannot be taken shows why and leaves the
    // project as it was.
    bool openSourcesFile(const QString& manifestPath);
    // SaveSources1: writes the project as sources into the folder of the manifest chosen in
    // SaveSourcesDialog; pictures linked to a file that still holds them are named, the others
    // written beside.
    void SaveSources1Click();

    // --- Saving (MainForm_Save.cpp) --------------------------------------------------------
    // Writes the project as a custom data file at fileName (created or replaced; a failure
    // leaves a file that was there as it was and raises EFrameworkError). Leaves FModified.
    void WriteDataFile(const QString& fileName);
    // The characters of the title and the author text that the file cannot hold, each once in
    // order of appearance; empty when the project can be saved.
    QString unsavableCharacters() const;
    // Where Overwrite1 saves; empty when it asks.
    const QString& savedPath() const { return m_savedPath; }

    // --- Media slots (MainForm_SlotItems.cpp, MainForm_Sounds.cpp) -------------------------
    // The record of a slot (1 to 4 sounds, 5 to 7 animations); an empty stream for any other
    // number.
    const TMemoryStream& slotRecord(int32_t slot) const;
    // The one place that sets the slot items from the records: the enabled states and the last
    // item, which says what the slot holds. Every command that changes a record ends with it,
    // for its own slot only; start-up, opening a file and New, for all seven.
    void UpdateSlotItems();
    // The item of a slot's submenu that says what the slot holds (disabled); nullptr for a
    // number that is no slot.
    QAction* slotStateItem(int32_t slot) const;
    // Whether the preview timer's handler runs on its ticks; detached while an animation plays
    // over the preview.
    bool timerHandlerAttached() const { return m_timerDetached == 0; }

public slots:
    // Shared change handler of Edit1 and Memo1.
    void Memo1Change();
    // The status line follows the application's current hint.
    void AppHint(const QString& hint);
    void Exit1Click();

    // Menu commands (each runs through runCommand when the menu triggers it).
    void Background1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N10Click();
    void N12Click();
    void N14Click();
    void N16Click();
    void M1Click();
    void Save1Click();
    // Saves to the file last saved or opened (packed or not as Compress1 says) without asking
    // for a name; with no such file it asks as Save1Click does.
    void Overwrite1Click();
    // Shared by Compress1 and ExtrudeHand1; the toolkit has toggled the item already.
    void Compress1Click(QAction* sender);
    // Shared by the twelve load-time option items; the toolkit has toggled the item already.
    void Default1Click(QAction* sender);
    // The workbench colour.
    void N17Click();
    void New1Click();
    // The user's guide installed with the program, in the user's browser (F1).
    void Manual1Click();
    void About1Click();

    // Media slots. Each kind of item shares one handler, which finds its slot by comparing
    // Sender with the slots' items; a sender that is no such item changes nothing.
    void Load1Click(QObject* Sender);       // Load1 to Load4: embed a wave file
    void byFileName1Click(QObject* Sender); // byFileName1 to byFileName4: record a wave's name
    void Silent1Click(QObject* Sender);     // Silent1 to Silent7, sounds and animations
    void NoData1Click(QObject* Sender);     // NoData1 to NoData7, sounds and animations
    void Play1Click(QObject* Sender);       // Play1 to Play4: hear the sound
    // The animation slots' own commands (MainForm_Animations.cpp), for Load5-7, byFileName5-7,
    // AnimParam1-3 and Play5-7.
    void AnimationItemClick(QObject* Sender); // embed a strip, placed in the settings dialog
    void AnimbyFileName(QObject* Sender);     // record a strip's file name, placed likewise
    void AnimParam1Click(QObject* Sender);    // change the placement, split and frame time
    void AnimTestPlay(QObject* Sender);       // play the animation over the preview

    // Side panel.
    void TrackBar1Change();
    void TrackBar2Change();
    void ResetRgnBtnClick();

protected:
    // Hints (status tips) of the controls and menu items under the mouse arrive here.
    bool event(QEvent* event) override;
    // Files dropped on the window (MainForm_Drop.cpp): a saved clock, a picture or a sound.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The title and author boxes take dropped text themselves; dropped files go to the window.
    // Ctrl with the wheel over the work area zooms the view.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The close button, Exit1 and the system's requests to close pass FormCloseQuery.
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenu();
    void createControls();
    void createRenderers();
    void connectCommands();
    void FormCreate();
    // Writes the settings; a failure is shown in the framework's error box.
    void FormDestroy();
    // Connects the end of the desktop session to sessionEnding.
    void watchSessionEnd();
    // The four load-time option groups: the Default, Yes and No item of each, in tag order.
    std::array<std::array<QAction*, 3>, 4> optionGroups() const;
    // The window's placement from the settings file, checked against the screens.
    void restorePlacement(const ProfileFile& ini);
    // The positioning dialog's size and zoom from the settings file, into m_positioning.
    void readPositioning(const ProfileFile& ini);

    // Replaces the project by a saved one in one step (MainForm_Open.cpp).
    void applyClockProject(ClockProjectFile&& project, const QString& path);
    // The header a save writes, dated now.
    DataFileHeader projectHeader() const;
    // The project as a saved clock holds it (the streams copied).
    ClockProjectFile projectFile() const;

    // The positioning command shared by GoTo1Click, GoTo2Click and GoTo3Click.
    void positionHand(const TMemoryStream& handStream, const PictureBox& builtinHand, TRotateImage& renderer,
                      QPoint& centre, const QString& handName, const QString& caption);
    // The dial as the positioning dialog shows it: FBkgStream decoded when it holds a file,
    // else the built-in dial. Raises EFrameworkError for bytes that are not a picture.
    void decodeForPositioning(const TMemoryStream& stream, const PictureBox& builtin, TBitmap& picture) const;
    // Gives the positioning dialog the size and zoom the settings file kept, the first time it
    // is used in a run (MainForm_Settings.cpp).
    void applyPositioningSettings();
    // The positioning dialog's size for the showing about to come, once it shows its pictures.
    void sizePositioningDialog();
    // After a showing: the dialog's zoom and the user's size, as the settings will keep them
    // (the dialog is gone by the time the main window writes its settings).
    void keepPositioningSettings();

    // The file a command works on: the one dropped on the window for it, else the one chosen in
    // its file dialog (nothing when the user cancels).
    std::optional<QString> chooseFile(seam::FileDialogRequest& dialog);
    // The same with the picture dialog, which opens in the folder of the picture taken last.
    std::optional<QString> choosePictureFile();
    // Reads a picture file for the project. A file that is no picture, or one that lacks pixels
    // its header promises, is refused: false, with a message naming it and why when asking, and
    // the reason in refusal. A picture the clock cannot show but that can be read whole is
    // converted to a 24-bit bitmap when the user agrees (asked unless this file was agreed to
    // before in this run; without asking, only such a file is converted); else it is kept as it
    // is. A file that cannot be read raises the framework's error.
    // A mask or a strip (decodedOnly) is checked against the framework's bitmap reader, which
    // takes more forms than the clock shows as stored.
    [[nodiscard]] bool readPictureFile(const QString& path, TMemoryStream& loaded, bool decodedOnly, bool ask,
                                       QString* refusal);
    // Whether the user agreed in this run to convert the file at path (by its canonical path).
    bool conversionAgreed(const QString& path) const;

    // What each slot's load command does with the picture read: the dial (fresh centres, pivots
    // and shape), a hand (its pivot's x), the mask, a strip (placed in the animation settings
    // dialog when asking, else with the slot's own placement; false when the dialog is
    // cancelled).
    void putDial(TMemoryStream& loaded);
    void putHand(TMemoryStream& loaded, TMemoryStream& stream, TRotateImage& renderer, int32_t tenths);
    void putMask(TMemoryStream& loaded);
    using MediaSlot = dw::MediaSlot;
    bool putStrip(MediaSlot& slot, TMemoryStream& loaded, const QString& path, bool ask);
    // The hand-loading command shared by N2Click, N3Click and N4Click.
    void loadHand(PictureSlot hand);
    // Puts a built-in picture back into a renderer.
    void assignBuiltin(TRotateImage& renderer, const PictureBox& holder);
    // Loads every renderer whose flag is set from its picture stream (dial, hour, minute, second),
    // or from its built-in picture when the stream is empty; the streams are left at their start.
    void loadRenderersFromStreams(std::array<bool, 4> which = {true, true, true, true});
    // All three centres at the middle of the clock panel.
    void centreHands();
    TSize panelSize() const;
    // Places and sizes the clock panel and the preview at the view's zoom, the work area's
    // ranges with them, and shows the window region at it; the preview is drawn anew.
    void placeClockPanel();
    // Sets the window region (clock pixels; none for no shape) on the clock panel at the zoom.
    void showWindowRegion(const std::optional<TRegion>& region);
    // Ctrl with the wheel over the work area zooms (a notch a level); false for other wheels.
    bool wheelZoom(QWheelEvent* event);
    WheelZoom m_wheelZoom; // Ctrl with the wheel
    // Shows the shape as ClockPanel's window region: FClockRgn, widened by the hands when
    // ExtrudeHand1 is checked; no window region for no shape.
    void showClockRgn();
    // The compressed way of saving: a temporary file packed into a cabinet at fileName, or
    // the uncompressed file when packing fails.
    void saveCompressed(const QString& fileName);
    // The project's texts checked, then saved to the file named (by the dialog when none is).
    void saveProject(std::optional<QString> fileName);

    // One slot's items (see UpdateSlotItems()).
    void UpdateSlotItems(const MediaSlot& slot);
    // Fills m_slots from the menu items; once, after the menu is built.
    void createSlots();
    // Connects the slot items to their shared handlers.
    void connectSlotCommands();
    // The slot whose item (the member named by which) is sender; nullptr for none.
    MediaSlot* slotOfItem(const QObject* sender, QAction* MediaSlot::*which);
    // The same among the four sound slots only.
    MediaSlot* soundSlotOfItem(const QObject* sender, QAction* MediaSlot::*which);
    // Asks for a file name to record in the file-name dialog, starting from `name`. A name with
    // characters the file cannot hold is refused with a message, and the dialog comes back with
    // it, selected, until the user enters a name that can be stored or cancels. The name as
    // typed and in ANSI; nothing when cancelled.
    struct RecordedNameEntry {
        QString text;
        std::string ansi;
    };
    std::optional<RecordedNameEntry> askRecordedName(const QString& prompt, QString name);
    // The folders in which a sound recorded by a relative name is looked for.
    QStringList recordedNameFolders() const;
    // The same for an animation strip.
    QStringList animationFolders() const;
    // The slot whose item is sender, among the three animation slots only.
    MediaSlot* animSlotOfItem(const QObject* sender, QAction* MediaSlot::*which);
    // Puts the preview picture into the settings dialog at (10, 10), shows its strip picture and
    // sets the parameters; the strip is already in it.
    void prepareAnimationDlg(const TAnimParam& param);
    // The settings dialog's stand-in strip for a named file that does not exist: 200 × 100,
    // cross-hatched, not transparent. Never stored.
    void setAnimPlaceholder();
    // Detaches the preview timer's handler for its lifetime; nests (a play started inside
    // another one's wait), the handler coming back when the outermost one ends.
    class TimerHandlerDetached;

    // A step of the user's has ended: the project as it is now joins the history (nothing when
    // it did not change). Typing joins the run of typing before it in the same field.
    void recordStep(const QString& name, bool typing = false);
    // A fresh history from the project as it is (start-up, New, opening a file).
    void startHistory();
    // The undo and redo items' names and states from the history.
    void updateUndoItems();
    // A save wrote the project to path: the history's saved state.
    void noteSaved(const QString& path);
    // The file the project was last saved to, opened from or restored for; empty for none
    // (start-up, New). Overwrite1 saves there.
    QString m_savedPath;

    ProjectHistory m_history;
    // The watch follows m_linkedFiles (after every step and every undo).
    void followLinkedFiles();
    // Whether a reload must wait: a modal interaction or a test play is running.
    bool reloadHeld() const;
    // The dial's cut-out, for the bytes FBkgStream holds (computed once per dial).
    const std::optional<TRegion>& dialCutOut();
    struct {
        uint64_t stamp = 0;
        std::optional<TRegion> shape;
    } m_dialCutOut;
    LinkedFiles m_linkedFiles;
    PictureLinks* m_links = nullptr; // owned as a child
    // The command running now has set the modified flag (its step then marks the project
    // modified on redo; else the flag stays as it was).
    bool m_markedModified = false;

    // Recent files (MainForm_Recent.cpp): a file saved or opened goes to the top.
    void rememberRecentFile(const QString& path);
    void readRecentFiles(const ProfileFile& ini);
    void writeRecentFiles(ProfileFile& ini) const;
    void updateRecentItems();
    void openRecentFile(const QString& path);
    QStringList m_recentFiles;
    QList<QAction*> m_recentItems;
    // After a change: the recovery copy is written soon while the project is modified, and
    // removed when it is not.
    void updateRecoveryCopy();
    // Whether copies are kept (a state folder that is the user's).
    bool recoveryOn() const;
    // One claimed copy offered at start-up; whether it was restored.
    bool offerRecoveryCopy(RecoveryStore::Copy& copy);
    // The copy read whole and checked as Open checks a saved clock, then made the project;
    // false (and the user told, the copy kept) when it cannot be.
    bool restoreRecoveryCopy(RecoveryStore::Copy& copy);
    // Tells the user a copy cannot be read and where it is kept (set aside when a run left it).
    void refuseRecoveryCopy(RecoveryStore::Copy& copy, const QString& problem);
    std::unique_ptr<RecoveryStore> m_recovery;
    TRecoveryListDlg* m_recoveryListDlg = nullptr; // made at its first showing, owned as a child
    QTimer* m_recoveryTimer = nullptr;
    bool m_recoveryFailed = false; // told once in the status line


    // Runs the command a dropped file asks for (MainForm_Drop.cpp).
    void dropFile(const QString& path, QPoint globalPosition);
    // Lets the title and author boxes pass dropped files on to the window.
    void acceptDroppedFiles();
    // A file dropped on the window for the command that runs next.
    std::optional<QString> m_droppedFile;
    // The picture files the user agreed to convert in this run, by canonical path.
    QSet<QString> m_agreedConversions;
    QString m_pictureFolder; // see pictureFolder()


    // The seven media slots: sounds (second, minute, hour, zero hour), then animations
    // (minute, hour, zero hour).
    std::array<MediaSlot, 7> m_slots;
    // The file each slot's embedded sound or strip was loaded from in this run, by slot number
    // − 1, for its state item; empty when not known (a record from an opened file).
    std::array<QString, 7> m_slotFileNames;
    // What each picture stream and slot record held when last read into a snapshot or filled from
    // one (pictures first, then the records by slot number − 1).
    mutable std::array<KnownBytes, 11> m_knownBytes;
    int m_timerDetached = 0; // how many plays have the timer's handler detached
    std::unique_ptr<TRotateImage> m_renderers[4]; // own RotateImage1 … SecNeedleImage
    TimeSource m_timeSource = [] { return QTime::currentTime(); };
    std::optional<QTime> m_shownTime;        // see setShownTime
    TShownTimeDlg* m_shownTimeDlg = nullptr; // made at its first showing, owned as a child
    std::unique_ptr<ClockView> m_view; // the preview's composition at the view's zoom, and its ticks
    ZoomLevel m_viewZoom;              // see viewZoom()
    TSize m_clockSize{200, 200};       // see clockSize()
    SettingsLocation m_settings;
    // The positioning dialog's size and zoom as read from the settings file (the dialog is made
    // after the settings are read); `applied` once the dialog has them, from when on they are
    // the dialog's own as it last closed, and written.
    struct PositioningSettings {
        std::optional<QSize> size;
        std::optional<int> zoom;
        bool applied = false;
    } m_positioning;
    // The user agreed to end the session although the project was modified; the next change
    // withdraws the agreement.
    bool m_discardAgreed = false;
    QHash<QString, QAction*> m_items;
    QHash<QString, QMenu*> m_submenus;
};

// The main window, created first at start-up.
extern TMainForm* MainForm;

} // namespace dw

#pragma once

#include "platform/MemoryStream.h"
#include "platform/Seam.h"

#include <QHash>
#include <QMainWindow>
#include <QPoint>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTimer;

namespace dw {

class PictureBox;
class ScrollBox;

// The editor's main window. It holds the clock project for the whole run: the private F…
// fields below plus the state of its controls (title in Edit1, author text in Memo1, options
// in checked menu items). Controls and menu items keep their generated names, which are also
// their object names.
//
// Menu items are checkable where the menu shows a check (Compress1, ExtrudeHand1 and the
// twelve load-time option items). The toolkit checks such an item itself before `triggered`
// arrives: a handler finds Compress1 already toggled, and a radio item already checked (its
// `toggled` signal tells whether the choice changed). Radio groups are per submenu.
class TMainForm : public QMainWindow {
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

    // --- Controls -------------------------------------------------------------------------
    ScrollBox* ScrollBox1 = nullptr;  // the work area
    QWidget* ClockPanel = nullptr;    // the clock window as it will look, on the work area
    PictureBox* ClockImage = nullptr; // the preview, filling ClockPanel
    QFrame* Panel1 = nullptr;         // the side panel
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr; // the title
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr; // the author text
    QGroupBox* GroupBox1 = nullptr;
    QSlider* TrackBar1 = nullptr; // corner width of the rounded-rectangle shape
    QSlider* TrackBar2 = nullptr; // corner height
    QPushButton* ResetRgnBtn = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr; // the preview timer, 1000 ms
    // Hidden holders of the built-in pictures (their BMP bytes and decoded images).
    PictureBox* Image1 = nullptr;
    PictureBox* HourImage = nullptr;
    PictureBox* MinImage = nullptr;
    PictureBox* SecImage = nullptr;

    // The common dialogs, filled once; a command passes one to executeFileDialog, which
    // keeps the name chosen last for the next showing.
    seam::FileDialogRequest OpenPictureDialog1;
    seam::FileDialogRequest OpenDialog1;
    seam::FileDialogRequest SaveDialog1;

    // --- Main menu (MainMenu1), in menu order ---------------------------------------------
    QMenuBar* MainMenu1 = nullptr;
    QAction *File1 = nullptr, *New1 = nullptr, *Save1 = nullptr, *N1 = nullptr, *Exit1 = nullptr;
    QAction *B1 = nullptr, *N5 = nullptr, *Background1 = nullptr, *M1 = nullptr, *N9 = nullptr, *N10 = nullptr;
    QAction *N19 = nullptr, *N21 = nullptr;
    QAction *N6 = nullptr, *N2 = nullptr, *GoTo1 = nullptr, *N11 = nullptr, *N12 = nullptr;
    QAction *N7 = nullptr, *N3 = nullptr, *GoTo2 = nullptr, *N13 = nullptr, *N14 = nullptr;
    QAction *N8 = nullptr, *N4 = nullptr, *GoTo3 = nullptr, *N15 = nullptr, *N16 = nullptr;
    QAction *N31 = nullptr, *ExtrudeHand1 = nullptr;
    // Sound slots: second, minute, hour, zero hour.
    QAction *S1 = nullptr, *Second1 = nullptr, *Minute1 = nullptr, *Hour1 = nullptr, *N01 = nullptr;
    QAction *Load1 = nullptr, *Load2 = nullptr, *Load3 = nullptr, *Load4 = nullptr;
    QAction *byFileName1 = nullptr, *byFileName2 = nullptr, *byFileName3 = nullptr, *byFileName4 = nullptr;
    QAction *Silent1 = nullptr, *Silent2 = nullptr, *Silent3 = nullptr, *Silent4 = nullptr;
    QAction *NoData1 = nullptr, *NoData2 = nullptr, *NoData3 = nullptr, *NoData4 = nullptr;
    QAction *N24 = nullptr, *N25 = nullptr, *N26 = nullptr, *N27 = nullptr;
    QAction *Play1 = nullptr, *Play2 = nullptr, *Play3 = nullptr, *Play4 = nullptr;
    // Animation slots: minute, hour, zero hour.
    QAction *Animation1 = nullptr, *Minute2 = nullptr, *Hour2 = nullptr, *N02 = nullptr;
    QAction *Load5 = nullptr, *Load6 = nullptr, *Load7 = nullptr;
    QAction *byFileName5 = nullptr, *byFileName6 = nullptr, *byFileName7 = nullptr;
    QAction *Silent5 = nullptr, *Silent6 = nullptr, *Silent7 = nullptr;
    QAction *NoData5 = nullptr, *NoData6 = nullptr, *NoData7 = nullptr;
    QAction *N28 = nullptr, *N29 = nullptr, *N30 = nullptr;
    QAction *AnimParam1 = nullptr, *AnimParam2 = nullptr, *AnimParam3 = nullptr;
    QAction *Play5 = nullptr, *Play6 = nullptr, *Play7 = nullptr;
    // Options.
    QAction *O2 = nullptr, *N17 = nullptr, *Compress1 = nullptr, *O1 = nullptr;
    QAction *N18 = nullptr, *Default1 = nullptr, *Yes1 = nullptr, *No1 = nullptr;
    QAction *N22 = nullptr, *Default2 = nullptr, *Yes2 = nullptr, *No2 = nullptr;
    QAction *N20 = nullptr, *Default3 = nullptr, *Yes3 = nullptr, *No3 = nullptr;
    QAction *N23 = nullptr, *Default4 = nullptr, *Yes4 = nullptr, *No4 = nullptr;
    QAction *Help1 = nullptr, *About1 = nullptr;

public slots:
    // Shared change handler of Edit1 and Memo1.
    void Memo1Change();
    // The status line follows the application's current hint.
    void AppHint(const QString& hint);
    void Exit1Click();

protected:
    // Hints (status tips) of the controls and menu items under the mouse arrive here.
    bool event(QEvent* event) override;

private:
    void createMenu();
    void createControls();
    void FormCreate();

    // --- The clock project ----------------------------------------------------------------
    bool FModified = false;
    TMemoryStream FBkgStream;  // the dial file's bytes; empty = the built-in dial
    TMemoryStream FHourStream; // hand file bytes; empty = the built-in hand
    TMemoryStream FMinStream;
    TMemoryStream FSecStream;
    QPoint FHourCenter; // where each hand's rotation hole sits on the dial
    QPoint FMinCenter;
    QPoint FSecCenter;
    // TODO(shape): FClockRgn, the copy of the clock window's shape, arrives with the regions.
    TMemoryStream FSecSound; // sound slots: second, minute, hour, zero hour
    TMemoryStream FMinSound;
    TMemoryStream FHourSound;
    TMemoryStream FZeroSound;
    TMemoryStream FMinAnim; // animation slots: minute, hour, zero hour
    TMemoryStream FHourAnim;
    TMemoryStream FZeroAnim;

    QHash<QString, QAction*> m_items;
    QHash<QString, QMenu*> m_submenus;
};

} // namespace dw

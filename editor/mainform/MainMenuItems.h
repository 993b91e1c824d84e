#pragma once

class QAction;
class QMenuBar;

namespace dw {

// The main menu's items (MainMenu1), in menu order, by their generated names (also their object
// names); the menu table (MainMenuTable.cpp) says where each hangs and TMainForm builds them.
struct MainMenuItems {
    QMenuBar* MainMenu1 = nullptr;
    QAction *File1 = nullptr, *New1 = nullptr, *Open1 = nullptr, *Recent1 = nullptr, *RecentClear1 = nullptr,
            *Recover1 = nullptr, *Overwrite1 = nullptr, *Save1 = nullptr, *SaveSources1 = nullptr, *N1 = nullptr, *Exit1 = nullptr;
    QAction *B1 = nullptr, *Undo1 = nullptr, *Redo1 = nullptr, *UndoSeparator = nullptr, *N5 = nullptr, *Background1 = nullptr, *M1 = nullptr, *N9 = nullptr, *N10 = nullptr;
    QAction *N19 = nullptr, *N21 = nullptr;
    QAction *N6 = nullptr, *N2 = nullptr, *GoTo1 = nullptr, *N11 = nullptr, *N12 = nullptr;
    QAction *N7 = nullptr, *N3 = nullptr, *GoTo2 = nullptr, *N13 = nullptr, *N14 = nullptr;
    QAction *N8 = nullptr, *N4 = nullptr, *GoTo3 = nullptr, *N15 = nullptr, *N16 = nullptr;
    QAction *N31 = nullptr, *ExtrudeHand1 = nullptr;
    // View.
    QAction *View1 = nullptr, *ZoomIn1 = nullptr, *ZoomOut1 = nullptr, *ZoomReset1 = nullptr, *N32 = nullptr,
            *ZoomFit1 = nullptr;
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
    QAction *Help1 = nullptr, *Manual1 = nullptr, *About1 = nullptr;
    // Beyond the window description: the clock as a picture (File), the time shown and pictures
    // read again when their files change (Options; kept in the settings file).
    QAction *ExportImage1 = nullptr, *ShownTime1 = nullptr, *AutoReload1 = nullptr;
};

} // namespace dw

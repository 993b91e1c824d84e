#pragma once

#include "platform/Seam.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTimer;

namespace dw {

class ControlHostPanel;
class PictureBox;
class PreviewBox;
class ScrollBox;
class TRotateImage;

// The main window's controls, renderers, hidden picture holders and common dialogs, by their
// generated names (also their object names). TMainForm creates them (MainForm_Controls.cpp) and
// owns them as its children; this holds the pointers only.
struct MainFormControls {
    ScrollBox* ScrollBox1 = nullptr;        // the work area
    ControlHostPanel* ClockPanel = nullptr; // the clock window as it will look, on the work area
    PreviewBox* ClockImage = nullptr;       // the preview, filling ClockPanel
    QFrame* Panel1 = nullptr;               // the side panel
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
    // The renderers, windowless controls on ClockPanel, never shown themselves: the dial and
    // the hour, minute and second hands. Each hand renderer holds its hand's pivot.
    TRotateImage* RotateImage1 = nullptr;
    TRotateImage* SNeedleImage = nullptr;
    TRotateImage* LNeedleImage = nullptr;
    TRotateImage* SecNeedleImage = nullptr;
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
    seam::FileDialogRequest OpenDataDialog;
    seam::FileDialogRequest ExportImageDialog;
    seam::FileDialogRequest SaveSourcesDialog;
    // In the status line.
    QLabel* ShownTimeLabel = nullptr; // in the status line while a time is set
    QLabel* ZoomLabel = nullptr;      // the view's zoom, in the status line
};

} // namespace dw

#pragma once

#include <QDialog>

#include <cstdint>

class QFrame;
class QLineEdit;
class QPushButton;

namespace dw {

// The file-name entry dialog: one line of text under a caption its caller sets. It knows nothing
// about file names; the by File Name commands of the sound and animation slots fill Edit1 and
// the caption before each showing and read Edit1 back, exactly as typed, when it closes with OK.
// Created once at start-up and reused: what it shows stays until a caller changes it.
class TStringDlg : public QDialog {
    Q_OBJECT
public:
    explicit TStringDlg(QWidget* parent = nullptr);
    ~TStringDlg() override;

    QPushButton* OKBtn = nullptr;     // default button, closes with mrOk
    QPushButton* CancelBtn = nullptr; // closes with mrCancel
    QFrame* Bevel1 = nullptr;         // the frame around the field
    QLineEdit* Edit1 = nullptr;       // the text, without a length limit of its own

    // Gives Edit1 the focus with all of its text selected, so that typing replaces it.
    void FormShow();
    // Enter (13) clicks OKBtn and Escape (27) clicks CancelBtn; both set Key to 0 (consumed).
    // Every other key is left to the field.
    void Edit1KeyDown(uint16_t& Key);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The one file-name dialog of the program: the first TStringDlg created makes itself this, and
// clears it when it goes.
extern TStringDlg* StringDlg;

} // namespace dw

#pragma once

// The list of clocks that can be restored (the copies set aside), each with its title and when
// it was last changed, newest first. Created by the main window at its first use and reused; the
// caller fills the list before each showing and reads the choice after OK.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace dw {

class TRecoveryListDlg : public QDialog {
    Q_OBJECT
public:
    explicit TRecoveryListDlg(QWidget* parent = nullptr);

    QListWidget* ClockList = nullptr; // a double-click chooses as OK does
    QPushButton* OKBtn = nullptr;     // enabled while a clock is chosen
    QPushButton* CancelBtn = nullptr;

    // The clocks to show; the first is chosen.
    void setClocks(const QStringList& clocks);
    // After OK: the index of the clock chosen (−1 for none).
    int chosen() const;
};

} // namespace dw

#pragma once

// The dialog that sets the time of day the preview shows: a time field with seconds, and a
// button that goes back to the live clock. Created by the main window at its first use and
// reused; the caller fills it before each showing and reads it back after OK.

#include <QDialog>
#include <QTime>

#include <optional>

class QLineEdit;
class QPushButton;

namespace dw {

class TShownTimeDlg : public QDialog {
    Q_OBJECT
public:
    explicit TShownTimeDlg(QWidget* parent = nullptr);

    // HH:MM:SS, typed as it reads ("10:08:36", or the digits alone); a time that is no time of
    // day is refused with a message when OK is pressed, and stays in the field to be mended.
    QLineEdit* TimeEdit = nullptr;
    QPushButton* NowBtn = nullptr; // "現在の時刻": closes with OK for the live clock
    QPushButton* OKBtn = nullptr;  // default button: closes with OK for the time in the field
    QPushButton* CancelBtn = nullptr;

    // The field shows `time`: the time the preview shows now.
    void setShownTime(const QTime& time);
    // After OK: the time to fix, or none for the live clock.
    std::optional<QTime> chosenTime() const { return m_chosen; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OKBtnClick();

    std::optional<QTime> m_chosen;
};

} // namespace dw

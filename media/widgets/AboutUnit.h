#pragma once

#include <QDialog>
#include <QEvent>

class QFrame;
class QLabel;
class QPushButton;

namespace dw {

// The version dialog: product name, version and date, a short description, the credits, and
// two link labels, one that writes a mail about the program and one that opens its
// documentation. Created once at start-up and shown modally by the main window's About1.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    QFrame* Panel1 = nullptr;      // holds everything but the button
    QLabel* ProgramIcon = nullptr; // the application's icon, stretched to 65 × 57
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;
    QLabel* Label1 = nullptr; // the date
    QLabel* Image1 = nullptr; // the decorative picture
    QLabel* Label2 = nullptr; // the place credit
    QLabel* Copyright = nullptr; // the mail link
    QLabel* Homepage = nullptr;  // the documentation link

    // Mouse-enter makes a link label pure blue and underlined, mouse-leave plain black. The
    // keyboard's focus on a link lights it up the same way and frames it.
    void HighlightLink(QLabel* label, QEvent::Type message);

public slots:
    // The mail program with a new message about the program.
    void CopyrightClick();
    // The program's documentation.
    void HomepageClick();

protected:
    // The link labels' events pass through here (MailLinkWndProc, WebLinkWndProc).
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Each showing starts with the focus on OK; Tab reaches the two links, Enter or Space opens one.
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    // Whether the event was taken (mouse enter and leave, the keys that open the link);
    // everything else goes on to the label.
    bool MailLinkWndProc(QEvent* event);
    bool WebLinkWndProc(QEvent* event);
    bool linkEvent(QLabel* label, QEvent* event, void (TAboutBox::*open)());
};

// The one about box of the program; set by its constructor when none is set yet, cleared by its
// destructor.
extern TAboutBox* AboutBox;

// The links the about box opens: a new, unaddressed mail whose subject names the program and
// its version, and the user's guide installed with the program (the file below the
// program's own prefix, never elsewhere; the Help menu's guide item opens it too).
// documentationPath is that file, whether it exists or not; documentationPathFor the one of a
// program in programFolder.
QString aboutMailUrl();
QString documentationPath();
QString documentationPathFor(const QString& programFolder);
QString documentationUrl();

} // namespace dw

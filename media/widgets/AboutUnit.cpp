#include "AboutUnit.h"

#include "platform/Seam.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QUrlQuery>

// The picture lives in a static library: without a reference from code that is linked anyway,
// the linker would drop its registration.
static void registerAboutPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(AboutUnit);
        return true;
    }();
    (void)registered;
}

namespace dw {

TAboutBox* AboutBox = nullptr;

namespace {

constexpr int kClientWidth = 298;
constexpr int kClientHeight = 238;

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& bounds)
{
    auto* l = named(new QLabel(text, parent), name);
    l->setGeometry(bounds);
    return l;
}

void setLinkColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

QString aboutMailUrl()
{
    QUrl url(QStringLiteral("mailto:"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Dialwright Version 2.25a"));
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

QString documentationPathFor(const QString& programFolder)
{
    // <prefix>/bin/dialwright and <prefix>/share/doc/dialwright/, installed or in the build tree.
    // Only there: a program whose guide was left out names the file it lacks, never a path
    // elsewhere on the machine.
    return QDir::cleanPath(QDir(programFolder).absoluteFilePath(QStringLiteral("../share/doc/dialwright/dialwright.html")));
}

QString documentationPath() { return documentationPathFor(QCoreApplication::applicationDirPath()); }

QString documentationUrl() { return QUrl::fromLocalFile(documentationPath()).toString(QUrl::FullyEncoded); }

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    registerAboutPictures();
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    // A dialog border: fixed size, no resizing grip, no help button.
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    // Raised inside, lowered outside.
    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setGeometry(8, 8, 282, 186);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(1);

    // Behind the texts: stretched, with its transparent parts showing the panel.
    Image1 = label(Panel1, "Image1", QString(), QRect(108, 8, 169, 169));
    Image1->setPixmap(QPixmap(QStringLiteral(":/about/pendulum.png")));
    Image1->setScaledContents(true);
    Image1->setAttribute(Qt::WA_TranslucentBackground);

    ProgramIcon = label(Panel1, "ProgramIcon", QString(), QRect(8, 8, 65, 57));
    ProgramIcon->setScaledContents(true);

    ProductName = label(Panel1, "ProductName", QStringLiteral("Dialwright"), QRect(88, 12, 180, 22));
    QFont big = ProductName->font();
    big.setPixelSize(16);
    big.setBold(true);
    ProductName->setFont(big);
    Version = label(Panel1, "Version", QStringLiteral("Version 2.25a"), QRect(88, 38, 180, 16));
    Label1 = label(Panel1, "Label1", QStringLiteral("Date: 2001/06/25"), QRect(88, 56, 180, 16));

    Comments = label(Panel1, "Comments",
                     QStringLiteral("　デスクトップ時計 ‘Pendulet’ 用のカスタムデータを作成するソフトウェアです。"),
                     QRect(8, 78, 265, 41));
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Copyright = label(Panel1, "Copyright", QStringLiteral("Copyright (C) 2001 作者へのメール"),
                      QRect(8, 124, 265, 16));
    Copyright->setCursor(Qt::PointingHandCursor);
    Copyright->setToolTip(QStringLiteral("作者にメールを出す"));
    Copyright->setStatusTip(Copyright->toolTip());
    Homepage = label(Panel1, "Homepage", QStringLiteral("（付属の説明書を開く）"), QRect(8, 142, 265, 16));
    Homepage->setCursor(Qt::PointingHandCursor);
    // The hint names the file, so that a user without a browser knows where to find it.
    Homepage->setToolTip(QStringLiteral("付属の説明書を開く\n") + QDir::toNativeSeparators(documentationPath()));
    Homepage->setStatusTip(QStringLiteral("付属の説明書を開く"));

    Label2 = label(Panel1, "Label2", QStringLiteral("Debian GNU/Linux 版"), QRect(8, 164, 265, 16));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setLinkColour(Label2, QColor(0, 255, 255));

    OKButton = named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
    OKButton->setGeometry(111, 203, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
    if (!AboutBox)
        AboutBox = this;
}

TAboutBox::~TAboutBox()
{
    if (AboutBox == this)
        AboutBox = nullptr;
}

void TAboutBox::FormCreate()
{
    ProgramIcon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    // Every widget paints double-buffered here; the labels' events go through eventFilter
    // first, the way their window procedures were replaced.
    Copyright->installEventFilter(this);
    Homepage->installEventFilter(this);
    HighlightLink(Copyright, QEvent::Leave);
    HighlightLink(Homepage, QEvent::Leave);
    // Reachable without the mouse: in the order they stand, before OK.
    for (QLabel* link : {Copyright, Homepage}) {
        link->setFocusPolicy(Qt::StrongFocus);
        link->setAccessibleName(link->text());
        link->setAccessibleDescription(link->toolTip());
    }
    setTabOrder(Copyright, Homepage);
    setTabOrder(Homepage, OKButton);
    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
}

void TAboutBox::HighlightLink(QLabel* label, QEvent::Type message)
{
    QFont font = label->font();
    if (message == QEvent::Enter) {
        setLinkColour(label, QColor(0, 0, 255));
        font.setUnderline(true);
    } else if (message == QEvent::Leave) {
        setLinkColour(label, QColor(0, 0, 0));
        font.setUnderline(false);
        font.setBold(false);
        font.setItalic(false);
        font.setStrikeOut(false);
    } else {
        return;
    }
    label->setFont(font);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Copyright)
        return MailLinkWndProc(event);
    if (watched == Homepage)
        return WebLinkWndProc(event);
    return QDialog::eventFilter(watched, event);
}

namespace {

bool isLeftClick(QEvent* event, const QLabel* label)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint());
}

bool isOpeningKey(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

bool TAboutBox::linkEvent(QLabel* label, QEvent* event, void (TAboutBox::*open)())
{
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
        HighlightLink(label, event->type());
        return true;
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        // The focus lights the link as the mouse does and frames it, so that it still shows
        // after the mouse has passed over it.
        const bool focused = event->type() == QEvent::FocusIn;
        label->setFrameStyle(focused ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        HighlightLink(label, focused || label->underMouse() ? QEvent::Enter : QEvent::Leave);
        return false;
    }
    default:
        break;
    }
    if (isLeftClick(event, label)) {
        (this->*open)();
        return false;
    }
    // Taken here, so that Enter opens the link rather than pressing the default button.
    if (isOpeningKey(event)) {
        (this->*open)();
        return true;
    }
    return false;
}

bool TAboutBox::MailLinkWndProc(QEvent* event) { return linkEvent(Copyright, event, &TAboutBox::CopyrightClick); }

bool TAboutBox::WebLinkWndProc(QEvent* event) { return linkEvent(Homepage, event, &TAboutBox::HomepageClick); }

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    OKButton->setFocus(Qt::OtherFocusReason);
}

// The dialog stays open; whether the link opened is not examined.
void TAboutBox::CopyrightClick() { seam::openUrl(aboutMailUrl()); }

void TAboutBox::HomepageClick() { seam::openUrl(documentationUrl()); }

} // namespace dw

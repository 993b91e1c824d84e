#include "AnimDlgUnit.h"

#include "BitmapImage.h"
#include "WindowCanvas.h"

#include "media/AnimPlacement.h"
#include "media/BmpAnimUnit.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <utility>
#include <optional>

namespace dw {

TAnimationDlg* AnimationDlg = nullptr;

namespace {

constexpr int kClientWidth = 465;
constexpr int kClientHeight = 380;
constexpr int kPanelWidth = 171;
// Offsets beyond this many pixels are brought back to it before AnimImage is placed: a widget
// cannot sit further out, and the sums below stay far from the 32-bit limits.
constexpr int64_t kMaxPlacement = 1000000;

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

QSpinBox* spinEdit(const char* name, int minimum, int maximum, int value, QWidget* parent)
{
    auto* spin = named(new QSpinBox(parent), name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

int clampPlacement(int64_t v) { return int(std::clamp<int64_t>(v, -kMaxPlacement, kMaxPlacement)); }

std::optional<ArrowKey> arrowOf(int key)
{
    switch (key) {
    case Qt::Key_Left: return ArrowKey::Left;
    case Qt::Key_Up: return ArrowKey::Up;
    case Qt::Key_Right: return ArrowKey::Right;
    case Qt::Key_Down: return ArrowKey::Down;
    default: return std::nullopt;
    }
}

} // namespace

TAnimationDlg::TAnimationDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AnimationDlg"));
    setWindowTitle(QStringLiteral("アニメーションの設定"));
    setFixedSize(kClientWidth, kClientHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    outer->addLayout(top, 1);

    ScrollBox1 = named(new QScrollArea(this), "ScrollBox1");
    ScrollBox1->setFocusPolicy(Qt::StrongFocus);
    // The arrow keys move the animation while the working area has the focus: its frame shows
    // it (the same width either way, so that nothing on it moves).
    ScrollBox1->setStyleSheet(QStringLiteral("QScrollArea#ScrollBox1 { border: 2px solid palette(mid); }"
                                             "QScrollArea#ScrollBox1:focus { border: 2px solid palette(highlight); }"));
    m_content = named(new QWidget, "ScrollBox1Content");
    ScrollBox1->setWidget(m_content);
    ClockImage = named(new BitmapImage(m_content), "ClockImage");
    ClockImage->setAutoSize(true);
    ClockImage->move(10, 10);
    AnimImage = named(new BitmapImage(m_content), "AnimImage");
    AnimImage->setCursor(Qt::PointingHandCursor);
    AnimImage->setToolTip(QStringLiteral("アニメーションのイメージ"));
    AnimImage->Picture().SetTransparent(true);
    top->addWidget(ScrollBox1, 1);

    Panel1 = named(new QWidget(this), "Panel1");
    Panel1->setFixedWidth(kPanelWidth);
    auto* side = new QVBoxLayout(Panel1);
    side->setContentsMargins(12, 12, 12, 8);
    OKBtn = named(new QPushButton(QStringLiteral("OK"), Panel1), "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = named(new QPushButton(QStringLiteral("キャンセル"), Panel1), "CancelBtn");
    side->addWidget(OKBtn);
    side->addWidget(CancelBtn);
    side->addSpacing(12);
    GroupBox3 = named(new QGroupBox(QStringLiteral("動作オプション"), Panel1), "GroupBox3");
    auto* group = new QVBoxLayout(GroupBox3);
    Label1 = named(new QLabel(QStringLiteral("横の分割数："), GroupBox3), "Label1");
    SpinEdit1 = spinEdit("SpinEdit1", pdl::kMinSplit, pdl::kMaxSplit, 4, GroupBox3);
    Label2 = named(new QLabel(QStringLiteral("縦の分割数："), GroupBox3), "Label2");
    SpinEdit2 = spinEdit("SpinEdit2", pdl::kMinSplit, pdl::kMaxSplit, 4, GroupBox3);
    Label3 = named(new QLabel(QStringLiteral("１コマの時間  (msec)："), GroupBox3), "Label3");
    SpinEdit3 = spinEdit("SpinEdit3", pdl::kMinFrameTime, pdl::kMaxFrameTime, 200, GroupBox3);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(SpinEdit1), static_cast<QWidget*>(Label2),
                       static_cast<QWidget*>(SpinEdit2), static_cast<QWidget*>(Label3), static_cast<QWidget*>(SpinEdit3)})
        group->addWidget(w);
    Label1->setBuddy(SpinEdit1);
    Label2->setBuddy(SpinEdit2);
    Label3->setBuddy(SpinEdit3);
    side->addWidget(GroupBox3);
    side->addStretch(1);
    TestPlayBtn = named(new QPushButton(QStringLiteral("テスト"), Panel1), "TestPlayBtn");
    side->addWidget(TestPlayBtn);
    top->addWidget(Panel1);

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    outer->addWidget(StatusBar1);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TAnimationDlg::SpinEdit1Change);
    connect(SpinEdit2, &QSpinBox::valueChanged, this, &TAnimationDlg::SpinEdit1Change);
    connect(TestPlayBtn, &QPushButton::clicked, this, &TAnimationDlg::TestPlayBtnClick);

    FormCreate();
    if (!AnimationDlg)
        AnimationDlg = this;
}

TAnimationDlg::~TAnimationDlg()
{
    if (AnimationDlg == this)
        AnimationDlg = nullptr;
}

void TAnimationDlg::FormCreate()
{
    // Arrow keys reach the scroll box (its key handling replaces the scrolling by keys), and a
    // new strip in AnimImage resizes AnimImage at once.
    ScrollBox1->installEventFilter(this);
    AnimImage->installEventFilter(this);
    m_content->installEventFilter(this);
    ClockImage->installEventFilter(this);
    AnimImage->onPictureChange = [this] { SpinEdit1Change(); };
    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TAnimationDlg::SetParam(const TAnimParam& P)
{
    moveAnimImage(QPoint(clampPlacement(int64_t(ClockImage->x()) + P.OffsetX),
                         clampPlacement(int64_t(ClockImage->y()) + P.OffsetY)));
    SpinEdit1->setValue(P.HorzCount);
    SpinEdit2->setValue(P.VertCount);
    SpinEdit3->setValue(P.FrameTime);
    SpinEdit1Change();
}

TAnimParam TAnimationDlg::GetParam() const
{
    TAnimParam p;
    p.OffsetX = AnimImage->x() - ClockImage->x();
    p.OffsetY = AnimImage->y() - ClockImage->y();
    p.VertCount = SpinEdit2->value();
    p.HorzCount = SpinEdit1->value();
    p.FrameTime = SpinEdit3->value();
    return p;
}

void TAnimationDlg::SpinEdit1Change()
{
    // A spin field never holds a count below its minimum, and frameExtent gives 0 for one
    // anyway: a half-typed field never divides by zero.
    const TBitmap& strip = AnimImage->Picture();
    AnimImage->resize(frameExtent(strip.Width(), SpinEdit1->value()), frameExtent(strip.Height(), SpinEdit2->value()));
    fitContent();
}

void TAnimationDlg::moveAnimImage(QPoint topLeft)
{
    AnimImage->move(topLeft);
    fitContent();
}

void TAnimationDlg::fitContent()
{
    // The plane covers the viewport and every picture on it, with the margin the clock has.
    QSize size = ScrollBox1->viewport()->size();
    for (const QWidget* w : {static_cast<const QWidget*>(ClockImage), static_cast<const QWidget*>(AnimImage)})
        size = size.expandedTo(QSize(w->x() + w->width() + 10, w->y() + w->height() + 10));
    if (m_content->size() != size)
        m_content->resize(size);
}

QPoint TAnimationDlg::inScrollBox(const QWidget* child) const { return child->mapTo(ScrollBox1->viewport(), QPoint(0, 0)); }

void TAnimationDlg::AnimImageMouseDown(QPoint p)
{
    FDragging = true;
    FDragStart = p;
    ScrollBox1->setFocus(Qt::MouseFocusReason);
}

void TAnimationDlg::AnimImageMouseMove(QPoint p, Qt::KeyboardModifiers modifiers)
{
    if (!FDragging)
        return;
    const TPoint d = animDragMove({p.x(), p.y()}, {FDragStart.x(), FDragStart.y()}, modifiers & Qt::ControlModifier,
                                  modifiers & Qt::ShiftModifier);
    AnimImage->move(AnimImage->pos() + QPoint(d.X, d.Y));
    const QPoint at = inScrollBox(AnimImage);
    StatusBar1->showMessage(animPlaceText({at.x(), at.y()}));
}

void TAnimationDlg::AnimImageMouseUp()
{
    FDragging = false;
    fitContent();
}

bool TAnimationDlg::ScrollBoxWndProc(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const std::optional<ArrowKey> arrow = arrowOf(key->key());
    if (!arrow) {
        // The dialog's own keys pass (the focus moves on with Tab, Escape cancels, Enter presses
        // OK); any other key does nothing here, the scroll box's paging keys included.
        switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return false;
        default:
            return true;
        }
    }
    const TPoint d = animKeyMove(*arrow, key->modifiers() & Qt::ControlModifier);
    moveAnimImage(AnimImage->pos() + QPoint(d.X, d.Y));
    return true;
}

bool TAnimationDlg::stopsPlay(QObject* watched, QEvent* event)
{
    if (!m_play || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick))
        return false;
    if (watched != m_content && watched != ClockImage && watched != AnimImage)
        return false;
    m_play->request();
    return true;
}

bool TAnimationDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (stopsPlay(watched, event))
        return true;
    if (watched == ScrollBox1)
        return ScrollBoxWndProc(event);
    if (watched == AnimImage) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            AnimImageMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            AnimImageMouseMove(mouse->position().toPoint(), mouse->modifiers());
            return true;
        }
        case QEvent::MouseButtonRelease:
            AnimImageMouseUp();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAnimationDlg::done(int result)
{
    if (m_play) {
        m_closeAfterPlay = result;
        m_play->request();
        return;
    }
    QDialog::done(result);
}

void TAnimationDlg::TestPlayBtnClick()
{
    // Pressed again while it plays: the play stops.
    if (m_play) {
        m_play->request();
        return;
    }
    QWidget* view = ScrollBox1->viewport();
    // The background: the scroll box as it looks without the animation, the clock at its place.
    const QPoint clockAt = inScrollBox(ClockImage);
    TBitmap background;
    QImage face(view->size(), QImage::Format_RGB32);
    face.fill(view->palette().color(view->backgroundRole()));
    background.setImage(face); // 32 bits, the window's own format
    background.Canvas().Draw(clockAt.x(), clockAt.y(), ClockImage->Picture());

    TAnimParam p = GetParam();
    p.OffsetX += clockAt.x();
    p.OffsetY += clockAt.y();
    {
        AnimPlayStop stop;
        m_play = &stop;
        const std::unique_ptr<AnimPlayStop*, void (*)(AnimPlayStop**)> played(&m_play, [](AnimPlayStop** p) { *p = nullptr; });
        WindowCanvas target(view);
        BmpAnimPlay(target.canvas(), AnimImage->Picture(), p, background, &stop);
    } // releasing the canvas repaints the scroll box
    if (const std::optional<int> result = std::exchange(m_closeAfterPlay, std::nullopt))
        QDialog::done(*result);
}

} // namespace dw

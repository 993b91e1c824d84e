// The main window's controls: the work area with the clock panel, the side panel, the status
// line, the timer and the hidden holders of the built-in pictures.
#include "editor/mainform/EditorUnit.h"

#include "editor/Application.h"
#include "editor/widgets/ControlHostPanel.h"
#include "editor/widgets/PictureBox.h"
#include "editor/widgets/PreviewBox.h"
#include "editor/widgets/ScrollBox.h"

#include "editor/clock/BuiltinPictures.h"
#include "editor/clock/ClockComposer.h"
#include "editor/clock/ClockView.h"
#include "platform/CommandRunner.h"
#include "platform/FrameworkError.h"
#include "rotateimage/RotateImage.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <new>

namespace dw {

namespace {

constexpr int kSidePanelWidth = 200;

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

// A hint shows in the status line while the mouse is over the control, and as its tool tip.
void setHint(QWidget* widget, const QString& hint)
{
    widget->setStatusTip(hint);
    widget->setToolTip(hint);
}

QSlider* shapeTrackBar(const char* name)
{
    auto* bar = named(new QSlider(Qt::Horizontal), name);
    bar->setRange(0, 20);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(2);
    bar->setSingleStep(1);
    bar->setPageStep(2);
    bar->setValue(20);
    setHint(bar, QStringLiteral("時計を丸四角に変形します。"));
    return bar;
}

} // namespace

void TMainForm::createControls()
{
    auto* client = named(new QWidget(this), "ClientArea");
    auto* clientLayout = new QHBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    setCentralWidget(client);

    // The work area, filling the window left of the side panel.
    ScrollBox1 = named(new ScrollBox(client), "ScrollBox1");
    setHint(ScrollBox1, QStringLiteral("作業台"));
    clientLayout->addWidget(ScrollBox1, 1);

    // The clock window as it will look. Qt paints every widget double-buffered; the panel
    // has no frame and no caption of its own. LayoutClock sizes it and the preview in it.
    ClockPanel = named(new ControlHostPanel(ScrollBox1->content()), "ClockPanel");
    ClockPanel->setGeometry(10, 10, 200, 200);
    ScrollBox1->setRanges(ClockPanel->width() + 20, ClockPanel->height() + 20);
    ClockImage = named(new PreviewBox(ClockPanel), "ClockImage");
    setHint(ClockImage, QStringLiteral("完成予想図"));
    ClockImage->setGeometry(0, 0, ClockPanel->width(), ClockPanel->height());
    ClockImage->setDrawer([this](const QRect& part, QImage& out) { return m_view->draw(clockScene(), part, out); });
    ScrollBox1->viewport()->installEventFilter(this);

    // The side panel.
    Panel1 = named(new QFrame(client), "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedWidth(kSidePanelWidth);
    clientLayout->addWidget(Panel1);
    auto* side = new QVBoxLayout(Panel1);
    side->setContentsMargins(8, 8, 8, 8);
    side->setSpacing(4);

    Label1 = named(new QLabel(QStringLiteral("タイトル(&Title)"), Panel1), "Label1");
    Edit1 = named(new QLineEdit(Panel1), "Edit1");
    setHint(Edit1, QStringLiteral("タスクバーのタイトル、または、タスクトレイに出るヒントに表示されます。"));
    Label1->setBuddy(Edit1);
    side->addWidget(Label1);
    side->addWidget(Edit1);
    side->addSpacing(6);

    Label2 = named(new QLabel(QStringLiteral("作者情報(&Information)"), Panel1), "Label2");
    Memo1 = named(new QPlainTextEdit(Panel1), "Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    setHint(Memo1, QStringLiteral("右クリックメニューの[About]で出るダイアログボックスに表示される文です。"));
    Label2->setBuddy(Memo1);
    side->addWidget(Label2);
    side->addWidget(Memo1, 1);
    side->addSpacing(6);

    GroupBox1 = named(new QGroupBox(QStringLiteral("Window の簡易変形"), Panel1), "GroupBox1");
    auto* shape = new QVBoxLayout(GroupBox1);
    TrackBar1 = shapeTrackBar("TrackBar1");
    TrackBar2 = shapeTrackBar("TrackBar2");
    ResetRgnBtn = named(new QPushButton(QStringLiteral("リセット（Bitmap Mask）"), GroupBox1), "ResetRgnBtn");
    setHint(ResetRgnBtn, QStringLiteral("文字盤の左下隅の色を透過色として Window をくり貫きます。"));
    shape->addWidget(TrackBar1);
    shape->addWidget(TrackBar2);
    shape->addWidget(ResetRgnBtn);
    side->addWidget(GroupBox1);
    // The keyboard walks the side panel as it is laid out: title, author text, the two track
    // bars, the reset button (the bars join the panel after the button was made). The work area
    // has nothing the keys act on.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    setTabOrder(Edit1, Memo1);
    setTabOrder(Memo1, TrackBar1);
    setTabOrder(TrackBar1, TrackBar2);
    setTabOrder(TrackBar2, ResetRgnBtn);

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    setStatusBar(StatusBar1);

    // The preview's tick; FormCreate starts it. A redraw never shows a message: a picture
    // too large to compose this second is simply not shown.
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (!timerHandlerAttached())
            return; // an animation plays over the preview
        try {
            Timer1Timer();
        } catch (const EFrameworkError&) {
        } catch (const std::bad_alloc&) {
        }
    });

    // The built-in pictures, carried by hidden picture controls.
    auto holder = [&](const char* name, BuiltinPicture picture) {
        auto* box = named(new PictureBox(client), name);
        box->hide();
        box->loadFromBmp(builtinPictureBytes(picture));
        return box;
    };
    Image1 = holder("Image1", BuiltinPicture::Dial);
    HourImage = holder("HourImage", BuiltinPicture::Hour);
    MinImage = holder("MinImage", BuiltinPicture::Minute);
    SecImage = holder("SecImage", BuiltinPicture::Second);

    connect(Edit1, &QLineEdit::textChanged, this, &TMainForm::Memo1Change);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TMainForm::Memo1Change);
    // A drag of a track bar is one step, however many positions it passes.
    const QString shapeStep = QStringLiteral("Window の簡易変形");
    for (QSlider* bar : {TrackBar1, TrackBar2}) {
        connect(bar, &QSlider::valueChanged, this, [this, bar, shapeStep] {
            runCommand([this, bar] { bar == TrackBar1 ? TrackBar1Change() : TrackBar2Change(); });
            if (!bar->isSliderDown())
                recordStep(shapeStep);
        });
        connect(bar, &QSlider::sliderReleased, this, [this, shapeStep] { recordStep(shapeStep); });
    }
    connect(ResetRgnBtn, &QPushButton::clicked, this, [this] {
        runCommand([this] { ResetRgnBtnClick(); });
        recordStep(QStringLiteral("Window のリセット"));
    });
    // Leaving a text field ends its run of typing.
    connect(Edit1, &QLineEdit::editingFinished, this, [this] { m_history.closeRun(); });

    createRenderers();
}

void TMainForm::createRenderers()
{
    // As the window description declares them: invisible, filling the clock panel; the hand
    // renderers set up as setUpHandRenderer says.
    auto renderer = [&](std::unique_ptr<TRotateImage>& owner, bool hand) {
        owner = std::make_unique<TRotateImage>();
        TRotateImage* r = owner.get();
        r->BeginLoading();
        r->SetVisible(false);
        r->SetParent(ClockPanel);
        r->SetAlign(alClient);
        if (hand)
            setUpHandRenderer(*r);
        r->Loaded();
        return r;
    };
    RotateImage1 = renderer(m_renderers[0], false);
    SNeedleImage = renderer(m_renderers[1], true);
    LNeedleImage = renderer(m_renderers[2], true);
    SecNeedleImage = renderer(m_renderers[3], true);
    ClockPanel->AlignControls();
}

} // namespace dw

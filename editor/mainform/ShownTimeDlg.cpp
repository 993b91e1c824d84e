#include "editor/mainform/ShownTimeDlg.h"

#include "editor/Application.h"

#include "platform/Seam.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace dw {

TShownTimeDlg::TShownTimeDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ShownTimeDlg"));
    setWindowTitle(QStringLiteral("表示する時刻"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(formFont());

    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("時計に表示する時刻(&T):"), this);
    TimeEdit = new QLineEdit(this);
    TimeEdit->setObjectName(QStringLiteral("TimeEdit"));
    // Two digits each, the colons in place: a colon typed where one stands steps over it.
    TimeEdit->setInputMask(QStringLiteral("99:99:99"));
    TimeEdit->setToolTip(QStringLiteral("プレビューに表示する時刻（時:分:秒）。保存するデータは変わりません。"));
    label->setBuddy(TimeEdit);
    NowBtn = new QPushButton(QStringLiteral("現在の時刻"), this);
    NowBtn->setObjectName(QStringLiteral("NowBtn"));
    NowBtn->setAutoDefault(false);
    NowBtn->setToolTip(QStringLiteral("プレビューを現在の時刻に戻します。"));
    layout->addWidget(label, 0, 0);
    layout->addWidget(TimeEdit, 0, 1);
    layout->addWidget(NowBtn, 0, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons, 1, 0, 1, 3);

    connect(OKBtn, &QPushButton::clicked, this, &TShownTimeDlg::OKBtnClick);
    connect(NowBtn, &QPushButton::clicked, this, [this] {
        m_chosen.reset();
        done(seam::mrOk);
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(seam::mrCancel); });
}

void TShownTimeDlg::setShownTime(const QTime& time) { TimeEdit->setText(time.toString(QStringLiteral("HH:mm:ss"))); }

void TShownTimeDlg::OKBtnClick()
{
    const QTime time = QTime::fromString(TimeEdit->text(), QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) {
        seam::showMessage(QStringLiteral("「%1」は時刻ではありません。\n"
                                         "00:00:00 から 23:59:59 までの時刻を「時:分:秒」で入力してください。")
                              .arg(TimeEdit->text()));
        TimeEdit->setFocus();
        return;
    }
    m_chosen = time;
    done(seam::mrOk);
}

void TShownTimeDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // Typing replaces the time at once.
        TimeEdit->setFocus();
        TimeEdit->selectAll();
    }
}

} // namespace dw

#include "editor/history/RecoveryListDlg.h"

#include "editor/Application.h"
#include "editor/history/RecoveryStore.h"

#include "platform/Seam.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dw {

TRecoveryListDlg::TRecoveryListDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RecoveryListDlg"));
    setWindowTitle(QStringLiteral("復元できる時計"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(formFont());

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("保存されずに終了した時計(&C):"), this);
    ClockList = new QListWidget(this);
    ClockList->setObjectName(QStringLiteral("ClockList"));
    ClockList->setMinimumSize(360, 160);
    ClockList->setToolTip(QStringLiteral("時計のタイトルと、最後に変更した日時です。%1 日の間、ここから復元できます。").arg(kAsideDays));
    label->setBuddy(ClockList);
    layout->addWidget(label);
    layout->addWidget(ClockList, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OKBtn = new QPushButton(QStringLiteral("復元"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, [this] { done(seam::mrOk); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(seam::mrCancel); });
    connect(ClockList, &QListWidget::itemActivated, this, [this] { done(seam::mrOk); });
    connect(ClockList, &QListWidget::currentRowChanged, this, [this](int row) { OKBtn->setEnabled(row >= 0); });
}

void TRecoveryListDlg::setClocks(const QStringList& clocks)
{
    ClockList->clear();
    ClockList->addItems(clocks);
    ClockList->setCurrentRow(clocks.isEmpty() ? -1 : 0);
    OKBtn->setEnabled(!clocks.isEmpty());
    ClockList->setFocus();
}

int TRecoveryListDlg::chosen() const { return ClockList->currentRow(); }

} // namespace dw

#include "shell/kvrDlgQuitHint.h"

#include "shell/kvrTitleBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

kvrDlgQuitHint::kvrDlgQuitHint(QWidget *parent)
    : kvrShadowDlg(parent)
{
    auto *titleBar = new kvrTitleBar;
    connect(titleBar->m_pBtnClose, &QToolButton::clicked, this, &QDialog::reject);
    titleBar->m_pLabelTitle->setText(tr("关闭提示"));
    setWindowTitle(tr("关闭提示"));

    auto *label = new QLabel(tr("您点击了关闭按钮，您是想："));
    label->setObjectName(QStringLiteral("quithintdlg_label"));

    m_prbQuit = new QRadioButton(tr("退出程序"));
    m_prbQuit->setObjectName(QStringLiteral("quithintdlg_rbquit"));
    m_prbQuit->setFocusPolicy(Qt::NoFocus);
    m_prbIcon = new QRadioButton(tr("最小化到托盘，不退出程序"));
    m_prbIcon->setObjectName(QStringLiteral("quithintdlg_rbicon"));
    m_prbIcon->setFocusPolicy(Qt::NoFocus);

    m_pcbNoMoreAsk = new QCheckBox(tr("不再询问"));
    m_pcbNoMoreAsk->setObjectName(QStringLiteral("quithintdlg_cb"));

    auto *ok = new QToolButton;
    ok->setText(tr("确定"));
    ok->setObjectName(QStringLiteral("quithintdlg_toolButton_ok"));
    connect(ok, &QToolButton::clicked, this, &kvrDlgQuitHint::dealWithOk);
    auto *cancel = new QToolButton;
    cancel->setText(tr("取消"));
    cancel->setObjectName(QStringLiteral("quithintdlg_toolButton_cancle"));
    connect(cancel, &QToolButton::clicked, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(m_pcbNoMoreAsk);
    row->addWidget(ok);
    row->addWidget(cancel);

    auto *layout = new QVBoxLayout;
    layout->addWidget(titleBar);
    layout->addWidget(label);
    layout->addWidget(m_prbIcon);
    layout->addWidget(m_prbQuit);
    layout->addLayout(row);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(0);
    setLayout(layout);

    m_prbIcon->setChecked(true);

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setObjectName(QStringLiteral("quithintdlg"));
}

kvrDlgQuitHint::~kvrDlgQuitHint() = default;

void kvrDlgQuitHint::showEvent(QShowEvent *)
{
    centreOn(this, parentWidget());
}

void kvrDlgQuitHint::dealWithOk()
{
    m_bNoMoreAsk = m_pcbNoMoreAsk->isChecked();
    m_bQuit = m_prbQuit->isChecked();
    accept();
}

#include "online/WebAdDlg.h"

#include "online/KvrWebView.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

WebAdDlg::WebAdDlg(QWidget *parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("rbwebaddlg"));
    setWindowTitle(tr(""));

    auto *title = new QFrame(this);
    auto *titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(0);
    titleLayout->addStretch();
    auto *close = new QToolButton(title);
    close->setObjectName(QStringLiteral("btncloseRBAD"));
    close->setToolTip(tr("关闭"));
    titleLayout->addWidget(close, 0, Qt::AlignCenter);
    connect(close, &QToolButton::clicked, this, &QWidget::close);

    m_pWebView = new KvrWebView(this);
    connect(m_pWebView, &KvrWebView::loadFinished, this, &WebAdDlg::pageLoadFinished);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(m_pWebView);
}

void WebAdDlg::pageLoadFinished(bool bSuc)
{
    m_bLoadOk = bSuc;
}

#include "device/UsbDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

UsbDialog::UsbDialog(QWidget *parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_pText(new QLabel(tr("检测到{设备}已连接，可以把歌曲传到{设备}中"), this))
    , m_pPicture(new QLabel(this))
{
    setObjectName(QStringLiteral("UsbDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(328, 195);
    m_pText->setWordWrap(true);
    auto *close = new QToolButton(this);
    close->setObjectName(QStringLiteral("btncloseUsbDlg"));
    close->setToolTip(tr("关闭"));
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    auto *top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(close);
    auto *body = new QHBoxLayout;
    body->addWidget(m_pPicture);
    body->addWidget(m_pText, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
}

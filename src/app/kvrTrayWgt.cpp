#include "app/kvrTrayWgt.h"

#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

kvrTrayWgt *g_pTrayWgt = nullptr;

kvrTrayWgt::kvrTrayWgt(QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_slider(new QSlider(Qt::Horizontal, this))
    , m_tbSwitchMini(new QToolButton(this))
    , m_tbSwitchtoNormal(new QToolButton(this))
    , m_pTitle(new QLabel(this))
{
    setObjectName(QStringLiteral("kvrTrayWgt"));
    m_slider->setRange(0, 10000);
    m_tbSwitchMini->setText(tr("迷你模式"));
    m_tbSwitchtoNormal->setText(tr("普通模式"));
    m_tbSwitchtoNormal->hide();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pTitle);
    layout->addWidget(m_slider);
    layout->addWidget(m_tbSwitchMini);
    layout->addWidget(m_tbSwitchtoNormal);
}

void kvrTrayWgt::setTitle(const QString &text)
{
    m_pTitle->setText(text);
}

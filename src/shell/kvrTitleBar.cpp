#include "shell/kvrTitleBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

kvrTitleBar::kvrTitleBar(QWidget *parent)
    : QFrame(parent)
{
    m_pBtnClose = new QToolButton(this);
    m_pBtnClose->setObjectName(QStringLiteral("kvrTitleBar_btnclose"));
    m_pBtnClose->setToolTip(tr("关闭"));

    m_pLabelTitle = new QLabel(this);

    auto *layout = new QHBoxLayout;
    layout->addWidget(m_pLabelTitle);
    layout->addStretch();
    layout->addWidget(m_pBtnClose, 0, Qt::AlignVCenter);
    layout->setContentsMargins(0, 0, 0, 0);
    setLayout(layout);

    setObjectName(QStringLiteral("kvrTitleBar"));
}

kvrTitleBar::~kvrTitleBar() = default;

void kvrTitleBar::mousePressEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    m_bPressed = true;
    // The title bar sits 16 pixels right of and below the dialog's corner, or at the corner when
    // the dialog has no shadow margin; adding its offset keeps the dialog under the cursor exactly
    // where it was grabbed.
    m_ptPress = global + pos();
    m_ptOrigin = global - event->position().toPoint();
}

void kvrTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_bPressed || !parentWidget())
        return;
    parentWidget()->move(m_ptOrigin + (event->globalPosition().toPoint() - m_ptPress));
}

void kvrTitleBar::mouseReleaseEvent(QMouseEvent *)
{
    m_bPressed = false;
}

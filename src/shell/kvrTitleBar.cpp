#include "shell/kvrTitleBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace {
// The title bar sits this far right of and below the dialog's corner; adding it to the press
// point keeps the dialog under the cursor exactly where it was grabbed.
const QPoint kShadowOffset(16, 16);
} // namespace

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
    m_ptPress = global + kShadowOffset;
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

#include "shell/kvrMessageBox.h"

#include "platform/TimeScale.h"
#include "shell/kvrPixmap.h"
#include "shell/kvrTextWrap.h"
#include "shell/kvrTitleBar.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kFadeDelayMs = 1000;
constexpr int kFadeMs = 600;
} // namespace

kvrMessageBox::kvrMessageBox(QWidget *parent, QString title, QString text, int type)
    : kvrShadowDlg(parent)
    , m_nType(type)
{
    if (title.isEmpty())
        title = tr("提示");

    auto *titleBar = new kvrTitleBar;
    connect(titleBar->m_pBtnClose, &QToolButton::clicked, this, &QWidget::close);
    titleBar->m_pLabelTitle->setText(title);

    auto *picture = new QLabel;
    picture->setObjectName(QStringLiteral("kvrMessageBox_labelPic"));
    picture->setPixmap(kvrPixmap(QStringLiteral(":/qss/debug/images/btnimage/tp/noticeTips.png")));

    // A file path in the text would be one unbreakable word, clipped at the label's width.
    auto *label = new QLabel(kvrWrapAnywhere(text));
    label->setObjectName(QStringLiteral("kvrMessageBox_label"));
    label->setWordWrap(true);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    if (type == 0) {
        m_ppbYes = new QPushButton(tr("是"));
        m_ppbYes->setObjectName(QStringLiteral("kvrMessageBoxm_ppbYes"));
        connect(m_ppbYes, &QPushButton::clicked, this, &QDialog::accept);
        buttonRow->addWidget(m_ppbYes, 0, Qt::AlignRight | Qt::AlignVCenter);
        buttonRow->addSpacing(8);
        m_ppbNo = new QPushButton(tr("否"));
        m_ppbNo->setObjectName(QStringLiteral("kvrMessageBoxm_ppbNo"));
        connect(m_ppbNo, &QPushButton::clicked, this, &QDialog::reject);
        buttonRow->addWidget(m_ppbNo, 0, Qt::AlignRight | Qt::AlignVCenter);
        buttonRow->addSpacing(14);
    } else if (type == 1) {
        m_ppbOk = new QPushButton(tr("关闭"));
        m_ppbOk->setObjectName(QStringLiteral("kvrMessageBoxm_ppbOk"));
        connect(m_ppbOk, &QPushButton::clicked, this, &QWidget::close);
        buttonRow->addWidget(m_ppbOk, 0, Qt::AlignRight | Qt::AlignVCenter);
        buttonRow->addSpacing(14);
    }
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(9);

    auto *contentRow = new QHBoxLayout;
    contentRow->addWidget(picture, 0, Qt::AlignLeft | Qt::AlignVCenter);
    contentRow->addWidget(label, 0, Qt::AlignLeft | Qt::AlignVCenter);
    contentRow->addStretch();
    contentRow->setContentsMargins(0, 0, 0, 0);
    contentRow->setSpacing(0);
    auto *container = new QFrame;
    container->setObjectName(QStringLiteral("kvrMessageBox_container"));
    container->setLayout(contentRow);

    auto *mainLayout = new QVBoxLayout;
    mainLayout->addWidget(titleBar);
    mainLayout->addWidget(container);
    if (type < 2) {
        // The row only exists for the types with buttons; the others end with a little space.
        auto *buttonBar = new QFrame;
        buttonBar->setObjectName(QStringLiteral("kvrMessageBox_btnBar"));
        buttonBar->setLayout(buttonRow);
        mainLayout->addWidget(buttonBar);
    } else {
        delete buttonRow;
        mainLayout->addSpacing(10);
    }
    mainLayout->setContentsMargins(16, 16, 16, 16);
    mainLayout->setSpacing(0);
    setLayout(mainLayout);

    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setObjectName(QStringLiteral("kvrMessageBox"));
}

kvrMessageBox::~kvrMessageBox() = default;

void kvrMessageBox::showEvent(QShowEvent *)
{
    // Qt sizes a new window to at most two thirds of the screen, which a long text wrapped into
    // many lines can need more than (on a small screen at twice the scale, soon): the text
    // decides the height, so that no line is cut off.
    const int needed = heightForWidth(width());
    if (needed > height())
        resize(width(), needed);
    centreOnParentOrDesktop(this);
    if (m_nType == 2)
        QTimer::singleShot(kvrScaledMs(kFadeDelayMs), this, &kvrMessageBox::closeAnimatOpacity);
}

void kvrMessageBox::closeAnimatOpacity()
{
    auto *fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(kvrScaledMs(kFadeMs));
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, &QWidget::close);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

#include "shell/PlayModeWgt.h"

#include "shell/ShellGlobals.h"
#include "shell/kvrPopup.h"

#include <QButtonGroup>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Above the play-mode button of the play panel, relative to the main window's corner.
const QPoint kPlace(901, 565);

QToolButton *makeModeButton(QWidget *parent, const QString &text, const QString &tip, const char *name)
{
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setObjectName(QLatin1String(name));
    button->setCursor(Qt::PointingHandCursor);
    button->setCheckable(true);
    return button;
}
// The dark panel; the rest of the window stays clear.
const QRect kPanel(0, 0, 78, 101);
} // namespace

PlayModeWgt::PlayModeWgt(QWidget *parent)
    : QFrame(parent)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    kvrPreparePopupPanel(this, kPanel);

    m_btnModeAC =
        makeModeButton(this, QStringLiteral("顺序播放"), tr("循环播放所有歌曲"), "PlayModeWgtm_btnModeAC");
    m_btnModeSC =
        makeModeButton(this, QStringLiteral("单曲循环"), tr("循环播放这首歌曲"), "PlayModeWgtm_btnModeSC");
    m_btnModeR =
        makeModeButton(this, QStringLiteral("随机播放"), tr("随机播放所有歌曲"), "PlayModeWgtm_btnModeR");

    auto *layout = new QVBoxLayout;
    layout->addStretch();
    layout->addWidget(m_btnModeR, 0, Qt::AlignTop);
    layout->addWidget(m_btnModeAC, 0, Qt::AlignTop);
    layout->addWidget(m_btnModeSC, 0, Qt::AlignTop);
    layout->addStretch();
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setLayout(layout);

    m_pGroup = new QButtonGroup(this);
    m_pGroup->setExclusive(true);
    m_pGroup->addButton(m_btnModeAC);
    m_pGroup->addButton(m_btnModeSC);
    m_pGroup->addButton(m_btnModeR);
    m_btnModeAC->setChecked(true);
    connect(m_pGroup, &QButtonGroup::buttonClicked, this, &PlayModeWgt::changePlayMode);

    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::ActiveWindowFocusReason);
}

PlayModeWgt::~PlayModeWgt() = default;

void PlayModeWgt::setCheckedMode(int mode)
{
    switch (mode) {
    case 0:
        m_btnModeSC->setChecked(true);
        break;
    case 2:
        m_btnModeAC->setChecked(true);
        break;
    case 3:
        m_btnModeR->setChecked(true);
        break;
    default:
        break;
    }
}

void PlayModeWgt::showPlayModeWgt()
{
    const QPoint corner = parentWidget() ? parentWidget()->pos() : QPoint();
    move(corner + kPlace);
    if (m_bJustClosed) {
        m_bJustClosed = false;
        return;
    }
    kvrShowPopup(this, this);
}

void PlayModeWgt::changePlayMode(QAbstractButton *button)
{
    if (button == m_btnModeAC)
        g_nPlayMode = 2;
    else if (button == m_btnModeSC)
        g_nPlayMode = 0;
    else if (button == m_btnModeR)
        g_nPlayMode = 3;
    else
        return;
    hide();
    emit playmodeChanged(g_nPlayMode);
}

void PlayModeWgt::focusOutEvent(QFocusEvent *)
{
    if (QWidget *mainWindow = parentWidget()) {
        for (const char *name : {"btnModeAC", "btnModeSC", "btnModeR"}) {
            if (kvrIsMouseOver(mainWindow->findChild<QWidget *>(QLatin1String(name)))) {
                m_bJustClosed = true;
                break;
            }
        }
    }
    hide();
}

void PlayModeWgt::paintEvent(QPaintEvent *)
{
    kvrPaintPopupPanel(this, kPanel);
}

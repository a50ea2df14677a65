#include "app/miniWgt.h"

#include "shell/GlobalMainWgtUIRelated.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

miniWgt *g_pMiniWgt = nullptr;

miniWgt::miniWgt(QWidget *parent, QToolButton *lrcButton, QToolButton *backButton)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("miniWgt"));
    const auto button = [this](const QString &name) {
        auto *b = new QToolButton(this);
        b->setObjectName(name);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    m_pTbPrev = button(QStringLiteral("miniTBPrevSong"));
    m_pTbPlay = button(QStringLiteral("miniTBPlaySong"));
    m_pTbPause = button(QStringLiteral("miniTBPauseSong"));
    m_pTbPause->hide();
    m_pTbNext = button(QStringLiteral("miniTBNextSong"));
    m_pLabelLrc = new QLabel(this);
    m_pLabelLrc->setObjectName(QStringLiteral("miniWgtm_labelLrc"));
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("miniWgtm_plabelMiniAlbumPic"));
    if (g_pUIRelated)
        g_pUIRelated->m_pLabelMiniAlbumPic = picture;
    m_pMenu = new QMenu(this);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(picture);
    row->addWidget(m_pTbPrev);
    row->addWidget(m_pTbPlay);
    row->addWidget(m_pTbPause);
    row->addWidget(m_pTbNext);
    row->addWidget(m_pLabelLrc, 1);
    if (lrcButton)
        row->addWidget(lrcButton);
    if (backButton) {
        row->addWidget(backButton);
        backButton->show();
    }
}

void miniWgt::changeLrcLine(const QString &sLine)
{
    m_pLabelLrc->setText(sLine);
}

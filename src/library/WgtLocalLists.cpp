#include "library/WgtLocalLists.h"

#include "library/LibraryLog.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

WgtLocalLists::WgtLocalLists(QWidget *parent)
    : QWidget(parent)
{
    auto *tabs = new QHBoxLayout;
    tabs->setContentsMargins(0, 0, 0, 0);
    m_pTbDownloads = new QToolButton(this);
    m_pTbDownloads->setObjectName(QStringLiteral("localListsm_tbDownloads"));
    m_pTbDownloads->setText(tr("下载"));
    m_pTbDownloads->setCheckable(true);
    tabs->addWidget(m_pTbDownloads);
    tabs->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(tabs);
    layout->addStretch();
}

void WgtLocalLists::loadLocalListFile()
{
    qCDebug(lcLibrary) << "no local library file is read yet";
}

bool WgtLocalLists::saveLocalList()
{
    qCDebug(lcLibrary) << "no local library file is written yet";
    return true;
}

void WgtLocalLists::allStopDown()
{
    qCDebug(lcLibrary) << "no downloads to stop yet";
}

int WgtLocalLists::downloadRowCount() const
{
    return 0; // the download queue comes with the download page
}

bool WgtLocalLists::allDownloadsFinished() const
{
    return false;
}

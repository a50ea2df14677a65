#include "library/WgtLocalLists.h"

#include "library/LibraryLog.h"
#include "library/LocalListFile.h"
#include "playlists/downloadWgt.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "settings/CDManager.h"

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
    // The downloads tab's page; the album lists join it with the library.
    m_pDownload = new downloadWgt(this);
    m_pDownload->setObjectName(QStringLiteral("localListsm_wDownload"));
    g_pDownloadWgt = m_pDownload;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(tabs);
    layout->addWidget(m_pDownload, 1);
}

WgtLocalLists::~WgtLocalLists() = default;

void WgtLocalLists::loadLocalListFile()
{
    try {
        m_pFile = std::make_unique<LocalListFile>(g_sDataDir);
        LocalListLoadResult loaded = m_pFile->load(CD_MANAGER ? CD_MANAGER->getCacheDir() : QString());
        if (loaded.outcome != LocalListLoad::Loaded && loaded.outcome != LocalListLoad::Missing)
            qCWarning(lcLibrary).noquote()
                << "the library file" << m_pFile->path() << "was not read whole (" << int(loaded.outcome)
                << loaded.errorText << "); it is kept aside before the next save";
        // The library's songs stay with this page until the library pages take them; the
        // download page links its finished rows to them by path.
        m_importSongs = std::move(loaded.songs);
        QHash<QString, _tag_localsonginfo_ *> &table = m_pDownload->downloadedTable();
        table.clear();
        for (const auto &song : m_importSongs)
            table.insert(song->filepathname, song.get());
        for (const auto &row : loaded.downloads)
            m_pDownload->addLocalSongRecord(*row);
        m_pDownload->showEmptyPage(loaded.downloads.empty());
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtLocalLists::loadLocalListFile(void)");
    }
}

bool WgtLocalLists::saveLocalList()
{
    try {
        if (!m_pFile)
            m_pFile = std::make_unique<LocalListFile>(g_sDataDir);
        QList<const _tag_localsonginfo_ *> songs;
        for (const auto &song : m_importSongs)
            songs.append(song.get());
        QList<const _tag_downloadsonginfo_ *> downloads;
        for (int row = 0; row < m_pDownload->getRecordCount(); ++row)
            downloads.append(m_pDownload->recordOf(row));
        QString error;
        if (m_pFile->save(songs, downloads, CD_MANAGER ? CD_MANAGER->getCacheDir() : QString(), &error))
            return true;
        qCWarning(lcLibrary).noquote() << "cannot write the library file" << m_pFile->path() << error;
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtLocalLists::saveLocalList(void)");
    }
    return false;
}

void WgtLocalLists::allStopDown()
{
    // The quit's stop: never dropped by the page's action lock.
    m_pDownload->stopAllForQuit();
}

int WgtLocalLists::downloadRowCount() const
{
    return m_pDownload->getRecordCount();
}

bool WgtLocalLists::allDownloadsFinished() const
{
    const int rows = m_pDownload->getRecordCount();
    for (int row = 0; row < rows; ++row) {
        const _tag_downloadDelegate_ *record = m_pDownload->recordOf(row);
        if (record && !record->fin)
            return false;
    }
    return rows > 0;
}

#include "playlists/WgtPlaylistBase.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/PlaylistsLog.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/seams/MainWindowSeam.h"

#include <QListView>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

// The catch-all log entry of a page's load or save.
void writeExceptionLog(const QObject *page, const char *function)
{
    const QByteArray signature =
        QByteArray("void __thiscall ") + page->metaObject()->className() + "::" + function + "(void)";
    g_writeExceptionLog(signature.constData());
}

} // namespace

WgtPlaylistBase::WgtPlaylistBase(const PlayListVariant &variant, QWidget *parent)
    : QWidget(parent)
    , m_pModel(new QStandardItemModel(this))
    , m_pListView(new QListView(this))
    , m_file(g_sDataDir, variant)
{
    m_pListView->setModel(m_pModel);
    m_pListView->setFrameShape(QFrame::NoFrame);
    m_pListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pListView);
}

WgtPlaylistBase::~WgtPlaylistBase()
{
    g_clearSongRows(m_pModel);
}

int WgtPlaylistBase::rowCount() const
{
    return m_pModel->rowCount();
}

void WgtPlaylistBase::loadPlayList()
{
    try {
        PlayListLoadResult loaded = m_file.load();
        if (loaded.outcome == PlayListLoad::Unreadable) {
            g_mainWindowSeam()->execMessageBox(
                QString(), PlayListFile::readErrorText(m_file.path(), loaded.errorText), 1);
            return;
        }
        QList<QStandardItem *> items;
        items.reserve(qsizetype(loaded.rows.size()));
        for (auto &row : loaded.rows)
            items.append(g_newSongItem(row.release()));
        // In one insertion: the view lays out once, not once per row.
        m_pModel->invisibleRootItem()->appendRows(items);
    } catch (...) {
        writeExceptionLog(this, "loadPlayList");
    }
}

bool WgtPlaylistBase::savePlayList()
{
    try {
        QString error;
        if (m_file.save(g_songInfos(m_pModel, PlayListFile::kMaxSavedRows), &error))
            return true;
        g_mainWindowSeam()->execMessageBox(QString(), PlayListFile::writeErrorText(m_file.path(), error), 1);
    } catch (...) {
        writeExceptionLog(this, "savePlayList");
    }
    return false;
}

void WgtPlaylistBase::onGeQuSHu(const QString &sCount)
{
    qCDebug(lcPlaylists) << objectName() << "count" << sCount;
}

void WgtPlaylistBase::appendRows(const QStringList &entries)
{
    for (const QString &entry : entries) {
        auto *item = new QStandardItem(entry);
        item->setToolTip(entry);
        m_pModel->appendRow(item);
    }
    emit rowCountChanged(m_pModel->rowCount());
}

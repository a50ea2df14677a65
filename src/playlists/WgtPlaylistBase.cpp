#include "playlists/WgtPlaylistBase.h"

#include "playlists/PlaylistsLog.h"

#include <QListView>
#include <QStandardItemModel>
#include <QVBoxLayout>

WgtPlaylistBase::WgtPlaylistBase(QWidget *parent)
    : QWidget(parent)
    , m_pModel(new QStandardItemModel(this))
    , m_pListView(new QListView(this))
{
    m_pListView->setModel(m_pModel);
    m_pListView->setFrameShape(QFrame::NoFrame);
    m_pListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pListView);
}

int WgtPlaylistBase::rowCount() const
{
    return m_pModel->rowCount();
}

bool WgtPlaylistBase::savePlayList()
{
    qCDebug(lcPlaylists) << objectName() << "has no list file yet;" << rowCount() << "rows not saved";
    return true;
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

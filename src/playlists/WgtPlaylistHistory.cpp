#include "playlists/WgtPlaylistHistory.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/kvrListView.h"
#include "services/core/DailyLog.h"
#include "services/core/SongConstants.h"
#include "services/playback/PlaybackGlobals.h"

#include <QAction>
#include <QCursor>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProgressDialog>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVariant>

#include <memory>

WgtPlaylistHistory::WgtPlaylistHistory(const PageTraits &traits, QWidget *parent)
    : WgtPlaylistBase(traits, parent)
{
    const struct
    {
        const char *css;
        void (WgtPlaylistBase::*slot)();
    } buttons[] = {{"BoFangQuanBu", &WgtPlaylistBase::onPlayAll},
                   {"XiaZai", &WgtPlaylistBase::onXiaZai},
                   {"ShouCang", &WgtPlaylistBase::onSHouCang},
                   {"QingKong", &WgtPlaylistBase::onQIngKong}};
    for (const auto &button : buttons) {
        auto *tool = new QToolButton(this);
        tool->setProperty("css", QLatin1String(button.css));
        tool->setCursor(Qt::PointingHandCursor);
        connect(tool, &QToolButton::clicked, this, button.slot);
        addTopBarButton(tool);
    }

    m_pContextMenu = new QMenu(this);
    m_pMenuPlayMode = m_pContextMenu->addMenu(tr("循环模式"));
    m_pContextMenu->addSeparator();
    m_pContextMenu->addAction(tr("下载所选歌曲"), this, &WgtPlaylistBase::downtheSelectedSongs);
    m_pActDel = m_pContextMenu->addAction(tr("删除所选歌曲"), this, &WgtPlaylistBase::delSong);
    m_pContextMenu->addAction(tr("删除重复歌曲"), this, &WgtPlaylistBase::delRedundantSong);
    m_pContextMenu->addAction(tr("删除错误歌曲"), this, &WgtPlaylistHistory::delErrSong);
    m_pContextMenu->addAction(tr("清空列表"), this, &WgtPlaylistHistory::clearTheList);
    m_pActBrowse = m_pContextMenu->addAction(tr("浏览本地文件"), this, &WgtPlaylistBase::openSongDir);
    m_pContextMenu->addSeparator();
    connect(listView(), &QWidget::customContextMenuRequested, this, &WgtPlaylistHistory::playListContextMenu);
}

void WgtPlaylistHistory::setPlayModeActions(const QList<QAction *> &actions)
{
    m_pMenuPlayMode->clear();
    m_pMenuPlayMode->addActions(actions);
}

void WgtPlaylistHistory::prepareContextMenu()
{
    const bool selected = listView()->selectionModel()->hasSelection();
    m_pActDel->setEnabled(selected);
    m_pActBrowse->setEnabled(selected);
}

void WgtPlaylistHistory::playListContextMenu(const QPoint &)
{
    prepareContextMenu();
    m_pContextMenu->exec(QCursor::pos());
}

void WgtPlaylistHistory::delErrSong()
{
    try {
        QList<int> missing;
        for (int row = rowCount() - 1; row >= 0; --row) {
            const _tag_playlistsonginfo_ *info = g_songInfo(model()->item(row));
            if (info && info->type == SongType::kLocal && !QFileInfo(info->filePath).isFile())
                missing.append(row);
        }
        listView()->clearSelection();
        removeRows(missing);
    } catch (...) {
        g_writeExceptionLog(
            (QByteArray("void __thiscall ") + metaObject()->className() + "::delErrSong(void)").constData());
    }
}

void WgtPlaylistHistory::recordPlayedSong(const QStandardItem *queueItem)
{
    if (g_nPlayingListId == PlayingListId::kRecentlyPlayed || g_nPlayingListId == PlayingListId::kMostPlayed)
        return;
    const _tag_playlistsonginfo_ *played = g_songInfo(queueItem);
    if (!played)
        return;
    const int n = rowCount();
    int found = -1;
    for (int row = n - 1; row >= 0; --row) {
        const _tag_playlistsonginfo_ *info = g_songInfo(model()->item(row));
        if (info && sameSong(*info, *played)) {
            found = row;
            break;
        }
    }
    if (found >= 0 && recordKnownRow(found))
        return;
    auto copy = std::make_unique<_tag_playlistsonginfo_>(*played);
    prepareCopy(*copy);
    insertSongRow(copy.release(), false);
    listView()->clearSelection();
    if (found >= 0)
        removeRows({found + 1});
    else if (n >= kMaxRows) {
        // The oldest rows beyond the limit go (one, unless the file held more).
        QList<int> beyond;
        for (int row = kMaxRows; row <= n; ++row)
            beyond.append(row);
        removeRows(beyond);
    } else
        updateRowCount();
}

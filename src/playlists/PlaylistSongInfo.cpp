#include "playlists/PlaylistSongInfo.h"

#include <QModelIndex>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QVariant>

#include <algorithm>
#include <vector>

static_assert(sizeof(qulonglong) >= sizeof(_tag_playlistsonginfo_ *), "a record's address must fit the role");

namespace {

_tag_playlistsonginfo_ *fromRole(const QVariant &value)
{
    return reinterpret_cast<_tag_playlistsonginfo_ *>(quintptr(value.toULongLong()));
}

} // namespace

QStandardItem *g_newSongItem(_tag_playlistsonginfo_ *info)
{
    auto *item = new QStandardItem;
    g_setSongInfo(item, info);
    return item;
}

void g_setSongInfo(QStandardItem *item, _tag_playlistsonginfo_ *info)
{
    item->setData(QVariant::fromValue(qulonglong(reinterpret_cast<quintptr>(info))), kSongInfoRole);
}

_tag_playlistsonginfo_ *g_songInfo(const QStandardItem *item)
{
    return item ? fromRole(item->data(kSongInfoRole)) : nullptr;
}

_tag_playlistsonginfo_ *g_songInfo(const QModelIndex &index)
{
    return fromRole(index.data(kSongInfoRole));
}

_tag_playlistsonginfo_ *g_takeSongInfo(QStandardItem *item)
{
    _tag_playlistsonginfo_ *info = g_songInfo(item);
    if (info)
        g_setSongInfo(item, nullptr);
    return info;
}

QList<const _tag_playlistsonginfo_ *> g_songInfos(const QStandardItemModel *model, int maxRows)
{
    QList<const _tag_playlistsonginfo_ *> infos;
    const int rows = std::min(model->rowCount(), std::max(maxRows, 0));
    infos.reserve(rows);
    for (int row = 0; row < rows; ++row)
        infos.append(g_songInfo(model->item(row)));
    return infos;
}

void g_clearSongRows(QStandardItemModel *model)
{
    // The rows leave the model before their records go, so no view or delegate can reach a
    // freed record while the rows are removed.
    std::vector<_tag_playlistsonginfo_ *> infos;
    infos.reserve(size_t(model->rowCount()));
    for (int row = 0; row < model->rowCount(); ++row) {
        if (_tag_playlistsonginfo_ *info = g_songInfo(model->item(row)))
            infos.push_back(info);
    }
    model->removeRows(0, model->rowCount());
    for (_tag_playlistsonginfo_ *info : infos)
        delete info;
}

#pragma once

#include "playlists/PlaylistSongInfo.h"

#include <QModelIndex>
#include <QStandardItem>
#include <QVariant>

// Any list row's record, held the way every song and download model holds it: the record's
// address as a 64-bit unsigned value in role kSongInfoRole (0: no record). The caller names the
// record type the model keeps; nothing checks it. The play-list rows have typed helpers of their
// own (PlaylistSongInfo.h).

template <typename Record> Record *g_rowRecord(const QModelIndex &index)
{
    return reinterpret_cast<Record *>(quintptr(index.data(kSongInfoRole).toULongLong()));
}

template <typename Record> Record *g_rowRecord(const QStandardItem *item)
{
    return item ? reinterpret_cast<Record *>(quintptr(item->data(kSongInfoRole).toULongLong())) : nullptr;
}

template <typename Record> void g_setRowRecord(QStandardItem *item, Record *record)
{
    item->setData(QVariant::fromValue(qulonglong(reinterpret_cast<quintptr>(record))), kSongInfoRole);
}

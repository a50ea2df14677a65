#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

class QModelIndex;
class QStandardItem;
class QStandardItemModel;

// One row of the play queue, the recently played or the most played list. A plain heap record:
// the page that owns the model owns its rows' records.
struct _tag_playlistsonginfo_
{
    // "mm:ss"; empty for a network song until its information is known.
    QString Duartion;
    // Local song: the file's full path. Network song: its id until the information is known,
    // then the song's path on the service.
    QString filePath;
    QString sAlbumName;
    // 3 local file, 2 network song.
    qint32 type = 0;
    QString title;
    // Local song "0"; network song "idvalid" until its information is fetched, then its size.
    QString bytesize;
    QString artist;
    // Network song id in decimal; empty for a local song.
    QString id;
    // Address of the album picture; empty until known.
    QString albumpic;
    // Play count: the most played list's; 0 in the other lists.
    qint32 count = 0;

    friend bool operator==(const _tag_playlistsonginfo_ &, const _tag_playlistsonginfo_ &) = default;
};

// How a model row holds its record, the same for every song-list page. The record's address sits
// in the item's role Qt::UserRole + 1 as a 64-bit unsigned value, so no address is cut on a 64-bit
// system; 0 means the row has no record. The item's text and other roles stay unset: the row
// delegate paints from the record.
//
// Threads: GUI thread, as the models are.

inline constexpr int kSongInfoRole = Qt::UserRole + 1;

// A new item holding info (which may be null).
QStandardItem *g_newSongItem(_tag_playlistsonginfo_ *info);
void g_setSongInfo(QStandardItem *item, _tag_playlistsonginfo_ *info);
// The row's record, or null (no item, no record).
_tag_playlistsonginfo_ *g_songInfo(const QStandardItem *item);
_tag_playlistsonginfo_ *g_songInfo(const QModelIndex &index);
// Unbinds the row's record and hands it to the caller (null when there is none).
_tag_playlistsonginfo_ *g_takeSongInfo(QStandardItem *item);

// The records of the model's first maxRows rows, top first; a row without record gives a null
// entry, so the list has one entry per row.
QList<const _tag_playlistsonginfo_ *> g_songInfos(const QStandardItemModel *model, int maxRows);
// Removes every row of the model and frees their records.
void g_clearSongRows(QStandardItemModel *model);

#pragma once

// The two 10,000-row play queues the save-kill test alternates between, built the same way by
// the test and by its saving child (cheaply: the child is started 200 times).

#include "playlists/PlaylistSongInfo.h"

#include <QList>
#include <QString>

namespace killlists {

inline QList<_tag_playlistsonginfo_> queue(QChar which)
{
    const QString artists[] = {QStringLiteral("王菲"), QStringLiteral("刘若英"), QStringLiteral("陈奕迅"),
                               QStringLiteral("孙燕姿")};
    const QString local = QStringLiteral("/home/user/音乐/歌手 - 歌曲.mp3");
    const QString prefix = QStringLiteral("歌曲 ") + which;
    QList<_tag_playlistsonginfo_> rows(10000);
    for (int i = 0; i < rows.size(); ++i) {
        _tag_playlistsonginfo_ &row = rows[i];
        row.title = prefix + QString::number(i);
        row.artist = artists[i % 4];
        row.Duartion = QStringLiteral("03:07");
        if (i % 3 == 0) {
            row.type = 2;
            row.id = QString::number(100000 + i);
            row.filePath = row.id;
            row.bytesize = QStringLiteral("idvalid");
        } else {
            row.type = 3;
            row.filePath = local;
            row.bytesize = QStringLiteral("0");
        }
    }
    return rows;
}

inline QList<const _tag_playlistsonginfo_ *> pointers(const QList<_tag_playlistsonginfo_> &rows)
{
    QList<const _tag_playlistsonginfo_ *> list;
    list.reserve(rows.size());
    for (const _tag_playlistsonginfo_ &row : rows)
        list.append(&row);
    return list;
}

} // namespace killlists

#pragma once

#include <QString>
#include <QtGlobal>

// The song handed to the playback controller, and one entry of the radio queue. A plain record
// of values, copied field by field; whoever fills it writes nType and id (they start at 0 here
// only so that an unfilled record is never read as garbage).
struct spis
{
    int nType = 0;    // SongType: 3 local file, 2 network song; every value but 2 plays as a local file
    QString filePath; // local: the full path; network: the path on the stream server, or the
                      // song id as decimal text while its information is still to be fetched
    QString duration; // "mm:ss"
    QString title;
    QString bytesize; // network: size in bytes as decimal text, "idvalid" while unknown
    QString artist;
    QString albumpic; // album-picture URL
    QString albumName;
    quint32 id = 0; // the song's id on the web service
};

// The display name of a song: artist " - " title, or the title alone without an artist.
inline QString g_songDisplayName(const QString &artist, const QString &title)
{
    return artist.isEmpty() ? title : artist + QLatin1String(" - ") + title;
}

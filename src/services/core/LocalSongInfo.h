#pragma once

#include <QList>
#include <QString>

// One song of the local library: a heap record that the local-library pages own once they have
// taken it from the hand-over list.
struct _tag_localsonginfo_
{
    QString filepathname; // full path of the audio file
    QString title;
    QString artist;
    QString album;
    QString sDur; // "mm:ss"
    QString sExtra1;
    QString sExtra2;
    bool bDeleted = false; // set by the library pages when they drop the song
};

// The hand-over list: a producer (the import, the download page, the streamed-song cache)
// appends new records, calls MainWindow::refreshLocalWgts, whereupon the local-library pages take
// the records over, and then empties the list without freeing them. It owns nothing and is empty
// between two hand-overs. GUI thread only.
extern QList<_tag_localsonginfo_ *> g_listLocalSongs;

// "mm:ss" of a length in seconds, truncated to whole seconds; minutes may exceed two digits.
QString g_formatSongDuration(double seconds);

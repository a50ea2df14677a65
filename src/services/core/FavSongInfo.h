#pragma once

#include <QString>

// One song of a favourite song list on the web service. A heap record copied by value: the row
// of its list owns it (the favourite lists and favourite singers pages), and the song views and
// the all-favourite-songs page only point at it. Also the scratch record the list pages fill
// before they show the favourite-list menu (g_songRecordEdit).
struct _tag_favsonginfo_
{
    QString mid;     // song id, decimal text
    QString mname;   // song name
    QString gsname;  // singer
    QString gsid;    // singer id
    QString zjname;  // album name
    QString zjid;    // album id
    QString mp3time; // duration "mm:ss"
    QString time;
    QString mp3size; // size in MiB with one decimal and "M": "3.5M"
    // 1 once a confirmed delete, move or delete-list answer has taken the song out of its list;
    // the record stays in memory (others may still point at it) and readers skip it.
    quint8 bDeleted = 0;
    // Unused by the favourites; the device page shows its transfer state here.
    QString sExtra;
    QString sGedanName; // name of the favourite list the record belongs to
    QString sGedanId;   // id of that list
};

// A one-song favourite edit waiting for its answer: the song and the list it is added to or
// deleted from. Made with new by the sender, carried as the request's user value and freed by
// the answer handling of the favourite lists page.
struct _tag_favopinfo_ : _tag_favsonginfo_
{
    QString sListId;
};

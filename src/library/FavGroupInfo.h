#pragma once

#include "services/core/FavSongInfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One row of the favourite lists page (a song list) or of the favourite singers page (a singer),
// and a song-list row of the device page. A heap record: the row's item holds its address in
// role Qt::UserRole + 1. It owns the song records in songs; the page that frees a row frees its
// songs first (nothing here does it for the page).
struct _tag_favgroupinfo_
{
    QString sName;      // list or singer name
    QString sCountText; // "%1首" with the song count, the row's second line
    // Picture file relative to g_sDataDir: the singer's picture on the singers page; empty for
    // song lists.
    QString sPicPath;
    // A song list's cover bytes, owned by the song-list cover cache (g_pGedanPicHandler); the
    // group-list painter of the device page keeps the cache's pointer here. Null otherwise.
    QByteArray *pPicData = nullptr;
    // List id (the default list's id contains the member id) or singer id.
    QString sId;
    int nCount = 0;
    QList<_tag_favsonginfo_ *> songs; // in answer order
};

using FavGroupRecord = _tag_favgroupinfo_;

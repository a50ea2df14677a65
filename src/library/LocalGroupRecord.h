#pragma once

#include "services/core/LocalSongInfo.h"

#include <QList>
#include <QString>

// One album, singer or folder row of the local library pages, and a folder row of the device
// page. A heap record: the page that made it keeps it for its lifetime; the row's item holds
// its address in role Qt::UserRole + 1. The songs belong to the library, not to the group.
struct LocalGroupRecord
{
    // The group's key and title: album name, singer name or folder path; unique on its page.
    QString sName;
    // The second line of the row: "0首" when made, then "%1首" with nCount.
    QString sCountText;
    // Picture file relative to g_sDataDir; empty on the folder page, and on the album and singer
    // pages until the group-list painter finds one through the picture caches and stores it.
    QString sPicFile;
    // Songs of the group without the removed flag.
    int nCount = 0;
    // In arrival order until the group is first shown, then sorted by title. Removed songs
    // stay and are skipped when counting, showing and looking for a picture.
    QList<_tag_localsonginfo_ *> listSongs;
};

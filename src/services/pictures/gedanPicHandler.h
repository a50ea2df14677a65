#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>

// One song list's cover: the list's title as requested (kept, not read) and the cover's bytes,
// owned; a null array until the answer arrives.
struct _tag_gedanpicinfo_
{
    QString title;
    QByteArray *data = nullptr;
};

// The covers of the user's favourite song lists, in memory only: each list id is asked for once
// per run (request type 19) and the raw bytes are handed to the list painter, which decodes them.
// An answer that is no picture counts as a failed request, so a later list-of-lists answer asks
// again instead of the painter failing on the same bytes for the rest of the run.
//
// Created by the web-service client's constructor (g_pGedanPicHandler), which owns it.
//
// Threads: GUI thread only. m_mutex (non-recursive, a leaf) is taken by every public operation
// except dealRequestErrPrivate, which runs under the lock of dealRequestErr or savePic.
class gedanPicHandler
{
public:
    gedanPicHandler();
    ~gedanPicHandler();
    gedanPicHandler(const gedanPicHandler &) = delete;
    gedanPicHandler &operator=(const gedanPicHandler &) = delete;

    void requestPic(uint nListId, const QString &sTitle, const QString &sPicUrl);
    void savePic(uint nListId, QByteArray *pData);
    void dealRequestErr(uint nListId);
    void dealRequestErrPrivate(uint nListId);
    // The cover bytes of the list (id as text; not a number gives 0), or null while none have
    // arrived. The array stays owned by the cache and valid for the rest of the run.
    QByteArray *getGedanPicfromId(const QString &sListId);

private:
    QHash<uint, _tag_gedanpicinfo_ *> m_hashId2Pic;
    QMutex m_mutex;
};

extern gedanPicHandler *g_pGedanPicHandler;

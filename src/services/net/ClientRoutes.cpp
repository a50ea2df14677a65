#include "services/net/ClientRoutes.h"

#include "services/downloads/httpDown.h"
#include "services/net/RequestTypes.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/UserpicHandler.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/gedanPicHandler.h"
#include "services/pictures/singerHandler.h"

namespace {

// The numeric user values of the picture requests (song, singer, member and list ids).
uint idOf(const HttpAnswer &a)
{
    return uint(a.uUserData);
}

} // namespace

void g_registerClientRoutes(httpRequestHandler *client)
{
    client->setRoute(
        HTTPREQUEST_TYPE_MAINURL, client,
        [](const HttpAnswer &a) {
            if (auto *down = qobject_cast<httpDown *>(a.waiter))
                down->dealwithMainResponse();
        },
        [](const HttpAnswer &a) {
            if (auto *down = qobject_cast<httpDown *>(a.waiter))
                down->dealwithNetReponseErr();
        });

    client->setRoute(
        HTTPREQUEST_TYPE_ALBUMPIC, client,
        [](const HttpAnswer &a) {
            QByteArray data = a.data;
            if (g_pAlbumPicHandler)
                g_pAlbumPicHandler->loadAlbumPic(2, a.sPicUrl, &data);
        },
        [](const HttpAnswer &a) {
            // A failure for a song that is no longer current must not wipe the current one's
            // picture.
            if (g_pAlbumPicHandler && idOf(a) == g_pAlbumPicHandler->m_nCurSongId)
                g_pAlbumPicHandler->loadAlbumPic(0, QString(), nullptr);
        },
        [](const HttpAnswer &a) {
            return g_pAlbumPicHandler && idOf(a) == g_pAlbumPicHandler->m_nCurSongId;
        });

    client->setRoute(
        HTTPREQUEST_TYPE_SINGERPIC, client,
        [](const HttpAnswer &a) {
            QByteArray data = a.data;
            if (g_pSingerHandler)
                g_pSingerHandler->saveSingerPic(idOf(a), &data);
        },
        [](const HttpAnswer &a) {
            if (g_pSingerHandler)
                g_pSingerHandler->dealRequestErr(idOf(a));
        });

    client->setRoute(
        HTTPREQUEST_TYPE_USERPIC, client,
        [](const HttpAnswer &a) {
            QByteArray data = a.data;
            if (g_pUserpicHandler)
                g_pUserpicHandler->dealwithUserPicResponse(idOf(a), &data);
        },
        [](const HttpAnswer &a) {
            if (g_pUserpicHandler)
                g_pUserpicHandler->dealRequestErr(idOf(a));
        });

    client->setRoute(
        HTTPREQUEST_TYPE_GEDANPIC, client,
        [](const HttpAnswer &a) {
            QByteArray data = a.data;
            if (g_pGedanPicHandler)
                g_pGedanPicHandler->savePic(idOf(a), &data);
        },
        [](const HttpAnswer &a) {
            if (g_pGedanPicHandler)
                g_pGedanPicHandler->dealRequestErr(idOf(a));
        });

    client->setRoute(HTTPREQUEST_TYPE_SINGERBIGIMAGES, client, [](const HttpAnswer &a) {
        if (g_pSingerHandler)
            g_pSingerHandler->dealWithBigSingerImages(a.text, idOf(a));
    });

    client->setRoute(
        HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA, client,
        [](const HttpAnswer &a) {
            QByteArray data = a.data;
            if (g_pSingerHandler)
                g_pSingerHandler->dealWithBigSingerImageData(idOf(a), a.sPicUrl, &data);
        },
        [](const HttpAnswer &a) {
            if (g_pSingerHandler)
                g_pSingerHandler->dealWithBigSingerImageData(idOf(a), a.sPicUrl, nullptr);
        });
}

#include "services/pictures/gedanPicHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/LogCategories.h"
#include "services/net/RequestTypes.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/PictureFiles.h"

#include <QDebug>
#include <QMutexLocker>
#include <QUrl>

gedanPicHandler *g_pGedanPicHandler = nullptr;

gedanPicHandler::gedanPicHandler() = default;

gedanPicHandler::~gedanPicHandler()
{
    for (_tag_gedanpicinfo_ *entry : std::as_const(m_hashId2Pic)) {
        delete entry->data;
        delete entry;
    }
    if (g_pGedanPicHandler == this)
        g_pGedanPicHandler = nullptr;
}

void gedanPicHandler::requestPic(uint nListId, const QString &sTitle, const QString &sPicUrl)
{
    try {
        QMutexLocker locker(&m_mutex);
        if (m_hashId2Pic.contains(nListId))
            return;
        m_hashId2Pic.insert(nListId, new _tag_gedanpicinfo_{sTitle, new QByteArray});
        if (g_phttpHandler)
            g_phttpHandler->startHttpRequest(QUrl(sPicUrl), HTTPREQUEST_TYPE_GEDANPIC, nListId);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void gedanPicHandler::savePic(uint nListId, QByteArray *pData)
{
    try {
        QMutexLocker locker(&m_mutex);
        _tag_gedanpicinfo_ *entry = m_hashId2Pic.value(nListId);
        if (!entry || !pData)
            return;
        if (g_decodePicture(*pData).isNull()) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "song-list cover is not a picture:" << nListId;
            dealRequestErrPrivate(nListId);
            return;
        }
        entry->data->append(*pData);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void gedanPicHandler::dealRequestErr(uint nListId)
{
    QMutexLocker locker(&m_mutex);
    dealRequestErrPrivate(nListId);
}

void gedanPicHandler::dealRequestErrPrivate(uint nListId)
{
    _tag_gedanpicinfo_ *entry = m_hashId2Pic.take(nListId);
    if (!entry)
        return;
    delete entry->data;
    delete entry;
}

QByteArray *gedanPicHandler::getGedanPicfromId(const QString &sListId)
{
    QMutexLocker locker(&m_mutex);
    const _tag_gedanpicinfo_ *entry = m_hashId2Pic.value(sListId.toUInt());
    if (!entry || entry->data->isNull())
        return nullptr;
    return entry->data;
}

#include "services/pictures/singerHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/EncipheredFile.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/PictureFiles.h"

#include <QDebug>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <cmath>

singerHandler *g_pSingerHandler = nullptr;

namespace {

const QString kRoot = QStringLiteral("kvrroot");
const QString kSingerRoot = QStringLiteral("singerRoot");
const QString kSinger = QStringLiteral("singer");

// The large pictures kept of one singer. They only take turns behind the lyrics, a singer has a
// few dozen at most, and each one listed is a request and its bytes stay in memory for the run:
// a damaged or hostile list answer must not send thousands of requests or fill the memory.
constexpr qsizetype kMaxBigPictures = 1000;

void send(const QString &url, int nType, uint nSingerId)
{
    if (g_phttpHandler)
        g_phttpHandler->startHttpRequest(QUrl(url), nType, nSingerId);
}

} // namespace

singerHandler::singerHandler()
{
    try {
        establishSingerData();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

singerHandler::~singerHandler()
{
    qDeleteAll(m_hashId2Singer);
    if (g_pSingerHandler == this)
        g_pSingerHandler = nullptr;
}

QString singerHandler::singerFilePath()
{
    return g_sDataDir + QStringLiteral("/s");
}

QString singerHandler::thumbnailUrl(uint nSingerId)
{
    const qint64 folder = qint64(std::ceil(double(nSingerId) / 10000.0));
    return g_endpoints().singerThumbBase + QString::number(folder) + QLatin1Char('/') +
           QString::number(nSingerId) + QStringLiteral(".jpg");
}

QString singerHandler::nameKey(const QString &sSingerName)
{
    static const QRegularExpression parenthesised(QStringLiteral("\\((.*)\\)$"));
    QString key = sSingerName;
    return key.remove(parenthesised);
}

void singerHandler::establishSingerData()
{
    try {
        m_bStoring = g_openEncipheredXml(singerFilePath(), kRoot, kSingerRoot, &m_doc);
        QMutexLocker locker(&m_mutex);
        const QDomElement singers = m_doc.documentElement().firstChildElement(kSingerRoot);
        for (QDomElement e = singers.firstChildElement(kSinger); !e.isNull();
             e = e.nextSiblingElement(kSinger)) {
            const QString file = e.attribute(QStringLiteral("file"));
            if (!g_isPlainFileName(file))
                continue;
            const QString idText = e.attribute(QStringLiteral("id"));
            const uint id = idText.toUInt();
            const QString name = e.attribute(QStringLiteral("name"));
            auto *record = new _tag_singerpicinfo_;
            record->name = name;
            record->file = file;
            delete m_hashId2Singer.value(id);
            m_hashId2Singer.insert(id, record);
            m_hashName2Id.insert(nameKey(name), idText);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void singerHandler::sendBigImagesRequest(uint nSingerId)
{
    send(g_endpoints().singerBigImages + QString::number(nSingerId), HTTPREQUEST_TYPE_SINGERBIGIMAGES,
         nSingerId);
}

void singerHandler::requestSingerPic(uint nSingerId, const QString &sSingerName)
{
    try {
        QMutexLocker locker(&m_mutex);
        _tag_singerpicinfo_ *record = m_hashId2Singer.value(nSingerId);
        if (!record) {
            record = new _tag_singerpicinfo_;
            record->name = sSingerName;
            m_hashId2Singer.insert(nSingerId, record);
            send(thumbnailUrl(nSingerId), HTTPREQUEST_TYPE_SINGERPIC, nSingerId);
            sendBigImagesRequest(nSingerId);
        } else if (record->bigUrls.isEmpty()) {
            sendBigImagesRequest(nSingerId);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void singerHandler::requestSingerBigImagesFromName(const QString &sSingerName)
{
    try {
        QMutexLocker locker(&m_mutex);
        const auto found = m_hashName2Id.constFind(sSingerName);
        if (found == m_hashName2Id.constEnd())
            return;
        const uint id = found.value().toUInt();
        const _tag_singerpicinfo_ *record = m_hashId2Singer.value(id);
        if (record && record->bigUrls.isEmpty())
            sendBigImagesRequest(id);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void singerHandler::saveSingerPic(uint nSingerId, QByteArray *pData)
{
    try {
        QMutexLocker locker(&m_mutex);
        _tag_singerpicinfo_ *record = m_hashId2Singer.value(nSingerId);
        if (!record)
            return;
        if (!pData || g_decodePicture(*pData).isNull()) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "singer thumbnail is not a picture:" << nSingerId;
            dealRequestErrPrivate(nSingerId);
            return;
        }
        if (!m_bStoring) {
            // Known for the run, so it is not asked for again; nothing reaches the disk.
            qCDebug(lcPictures).noquote()
                << Q_FUNC_INFO << "the singer file cannot be kept; not stored:" << nSingerId;
            return;
        }
        QString name;
        QString error;
        if (!g_storePictureFile(g_sDataDir, *pData, &name, &error)) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << g_writeErrorText(g_sDataDir, error);
            dealRequestErrPrivate(nSingerId);
            return;
        }
        record->file = name;

        QDomElement root = m_doc.documentElement();
        QDomElement singers = root.firstChildElement(kSingerRoot);
        if (singers.isNull()) {
            singers = m_doc.createElement(kSingerRoot);
            root.insertBefore(singers, root.firstChild());
        }
        QDomElement e = m_doc.createElement(kSinger);
        e.setAttribute(QStringLiteral("name"), record->name);
        e.setAttribute(QStringLiteral("id"), QString::number(nSingerId));
        e.setAttribute(QStringLiteral("file"), name);
        singers.appendChild(e);
        m_hashName2Id.insert(nameKey(record->name), QString::number(nSingerId));
        // A failed save (logged there) keeps the document in memory: the next save writes it all.
        (void)g_saveEncipheredXml(singerFilePath(), m_doc);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void singerHandler::dealRequestErr(uint nSingerId)
{
    QMutexLocker locker(&m_mutex);
    dealRequestErrPrivate(nSingerId);
}

void singerHandler::dealRequestErrPrivate(uint nSingerId)
{
    delete m_hashId2Singer.take(nSingerId);
}

void singerHandler::dealWithBigSingerImages(const QString &sAnswer, uint nSingerId)
{
    try {
        QMutexLocker locker(&m_mutex);
        _tag_singerpicinfo_ *record = m_hashId2Singer.value(nSingerId);
        if (!record)
            return;
        const QStringList parts = sAnswer.split(QLatin1Char('|'), Qt::SkipEmptyParts);
        // A second list request may be answered before the first one's pictures arrived: a
        // picture already listed is not asked for twice. A set, because a long answer checked
        // against the list would take seconds on the GUI thread.
        QSet<QString> listed(record->bigUrls.cbegin(), record->bigUrls.cend());
        for (const QString &part : parts) {
            if (record->bigUrls.size() >= kMaxBigPictures) {
                qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "singer" << nSingerId << "has more than"
                                              << kMaxBigPictures << "large pictures; the rest are left out";
                break;
            }
            const QString url = g_endpoints().imageBase + part;
            if (listed.contains(url))
                continue;
            listed.insert(url);
            record->bigUrls.append(url);
            record->bigData.append(nullptr);
            send(url, HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA, nSingerId);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void singerHandler::dealWithBigSingerImageData(uint nSingerId, const QString &sUrl, QByteArray *pData)
{
    try {
        QMutexLocker locker(&m_mutex);
        _tag_singerpicinfo_ *record = m_hashId2Singer.value(nSingerId);
        if (!record)
            return;
        const qsizetype index = record->bigUrls.indexOf(sUrl);
        if (index < 0 || record->bigData.at(index)) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "big singer data returned unsended.";
            return;
        }
        if (!pData || g_decodePicture(*pData).isNull()) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "singerbigimage return null: " + sUrl;
            record->bigUrls.removeAt(index);
            record->bigData.removeAt(index);
            return;
        }
        record->bigData[index] = new QByteArray(*pData);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

QString singerHandler::getSingerFilefromId(const QString &sSingerId)
{
    QMutexLocker locker(&m_mutex);
    const _tag_singerpicinfo_ *record = m_hashId2Singer.value(sSingerId.toUInt());
    return record ? record->file : QString();
}

QString singerHandler::getSingerIdfromName(const QString &sSingerName)
{
    QMutexLocker locker(&m_mutex);
    return m_hashName2Id.value(sSingerName);
}

bool singerHandler::loadTheBigSingerImage(uint nSingerId, int n, QPixmap &picture)
{
    try {
        QMutexLocker locker(&m_mutex);
        const _tag_singerpicinfo_ *record = m_hashId2Singer.value(nSingerId);
        if (!record || record->bigUrls.isEmpty() || n < 0)
            return false;
        const QByteArray *data = record->bigData.value(n % record->bigUrls.size());
        if (!data)
            return false;
        const QImage image = g_decodePicture(*data);
        if (image.isNull())
            return false;
        picture = QPixmap::fromImage(image);
        return true;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    return false;
}

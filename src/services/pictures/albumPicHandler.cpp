#include "services/pictures/albumPicHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/EncipheredFile.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/net/RequestTypes.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/PictureFiles.h"
#include "services/seams/MainWindowSeam.h"

#include <QDebug>
#include <QMutexLocker>
#include <QUrl>

albumPicHandler *g_pAlbumPicHandler = nullptr;

namespace {

const QString kRoot = QStringLiteral("kvrroot");
const QString kFileAssRoot = QStringLiteral("fileassroot");
const QString kFileAss = QStringLiteral("fileass");
const QString kAlbumPic = QStringLiteral("albumpic");

} // namespace

albumPicHandler::albumPicHandler()
{
    try {
        const QImage picture(g_sAppDir + QStringLiteral("/images/DefaultArtistrImg.png"));
        if (picture.isNull()) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "oo load failed";
        } else {
            m_pixDefault50 = picture.scaled(50, 50, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_pixDefault70 = picture.scaled(70, 70, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        establishAlbumPicDict();
        m_nCurSongId = 0;
        m_sCurSongName.clear();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

albumPicHandler::~albumPicHandler()
{
    if (g_pAlbumPicHandler == this)
        g_pAlbumPicHandler = nullptr;
}

QString albumPicHandler::assoPath()
{
    return g_sDataDir + QStringLiteral("/asso");
}

void albumPicHandler::establishAlbumPicDict()
{
    try {
        m_bStoring = g_openEncipheredXml(assoPath(), kRoot, kFileAssRoot, &m_doc);
        const QDomElement root = m_doc.documentElement();
        const QDomElement assRoot = root.firstChildElement(kFileAssRoot);
        for (QDomElement e = assRoot.firstChildElement(kFileAss); !e.isNull();
             e = e.nextSiblingElement(kFileAss)) {
            const QString file = e.attribute(QStringLiteral("file"));
            if (g_isPlainFileName(file))
                m_hashSong2File.insert(e.attribute(QStringLiteral("filename")), file);
        }
        for (QDomElement e = root.firstChildElement(kAlbumPic); !e.isNull(); e = e.nextSiblingElement()) {
            const QString url = e.attribute(QStringLiteral("url"));
            const QString file = e.attribute(QStringLiteral("file"));
            if (!g_isPlainFileName(file))
                continue;
            m_hashUrl2File.insert(url, file);
            m_hashFile2Url.insert(file, url);
            m_hashAlbum2Info.insert(e.attribute(QStringLiteral("name")),
                                    _tag_albumpicinfo_{e.attribute(QStringLiteral("id")), file,
                                                       e.attribute(QStringLiteral("singer"))});
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void albumPicHandler::saveAlbumInfo(uint nSongId, const QString &sAlbumName, const QString &sAlbumId,
                                    const QString &sSinger)
{
    Q_UNUSED(nSongId);
    QMutexLocker locker(&m_mutex);
    m_sAlbumName = sAlbumName;
    m_sAlbumId = sAlbumId;
    m_sSinger = sSinger;
}

void albumPicHandler::loadAlbumPicfromURL(const QString &sUrl, uint nSongId, const QString &sSongName)
{
    try {
        QMutexLocker locker(&m_mutex);
        const auto found = m_hashUrl2File.constFind(sUrl);
        if (found == m_hashUrl2File.constEnd()) {
            if (g_phttpHandler)
                g_phttpHandler->startHttpRequest(QUrl(sUrl), HTTPREQUEST_TYPE_ALBUMPIC, nSongId);
            return;
        }
        const QString file = found.value();
        if (!m_hashSong2File.contains(sSongName))
            saveAlbumPicwithSongAsso(file, nSongId, sSongName);
        loadAlbumPic(AlbumPicSource::kStoredFile, file, nullptr);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void albumPicHandler::showPictures(const QImage &picture)
{
    g_mainWindowSeam()->showAlbumPictures(
        picture.scaled(50, 50, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        picture.scaled(70, 70, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void albumPicHandler::loadAlbumPic(int nType, const QString &sText, QByteArray *pData)
{
    try {
        QImage picture;
        switch (nType) {
        case AlbumPicSource::kDefault:
            g_mainWindowSeam()->showAlbumPictures(m_pixDefault50, m_pixDefault70);
            return;
        case AlbumPicSource::kStoredFile:
            if (g_isPlainFileName(sText))
                picture.load(g_sDataDir + QLatin1Char('/') + sText);
            break;
        case AlbumPicSource::kDownloaded:
            if (pData)
                picture = g_decodePicture(*pData);
            break;
        default:
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "nType wrong";
            return;
        }
        if (picture.isNull()) {
            // The labels keep what they show; bytes that are no picture are not kept either.
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "oo load failed";
            return;
        }
        showPictures(picture);
        if (nType == AlbumPicSource::kDownloaded)
            saveAlbumPic(sText, pData);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void albumPicHandler::saveAlbumPic(const QString &sUrl, QByteArray *pData)
{
    try {
        QMutexLocker locker(&m_mutex);
        if (!pData || m_hashUrl2File.contains(sUrl))
            return;
        if (g_decodePicture(*pData).isNull()) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << "not a picture, not stored:" << sUrl;
            return;
        }
        if (!m_bStoring) {
            qCDebug(lcPictures).noquote()
                << Q_FUNC_INFO << "the association file cannot be kept; not stored:" << sUrl;
            return;
        }
        QString name;
        QString error;
        if (!g_storePictureFile(g_sDataDir, *pData, &name, &error)) {
            qCDebug(lcPictures).noquote() << Q_FUNC_INFO << g_writeErrorText(g_sDataDir, error);
            return;
        }

        QDomElement root = m_doc.documentElement();
        QDomElement pic = m_doc.createElement(kAlbumPic);
        pic.setAttribute(QStringLiteral("url"), sUrl);
        pic.setAttribute(QStringLiteral("file"), name);
        pic.setAttribute(QStringLiteral("name"), m_sAlbumName);
        pic.setAttribute(QStringLiteral("id"), m_sAlbumId);
        pic.setAttribute(QStringLiteral("singer"), m_sSinger);
        root.appendChild(pic);

        m_hashUrl2File.insert(sUrl, name);
        m_hashFile2Url.insert(name, sUrl);
        m_hashSong2File.insert(m_sCurSongName, name);
        m_hashAlbum2Info.insert(m_sAlbumName, _tag_albumpicinfo_{m_sAlbumId, name, m_sSinger});

        QDomElement assRoot = root.firstChildElement(kFileAssRoot);
        if (assRoot.isNull()) {
            assRoot = m_doc.createElement(kFileAssRoot);
            root.insertBefore(assRoot, root.firstChild());
        }
        QDomElement ass = m_doc.createElement(kFileAss);
        ass.setAttribute(QStringLiteral("filename"), m_sCurSongName);
        ass.setAttribute(QStringLiteral("id"), QString::number(m_nCurSongId));
        ass.setAttribute(QStringLiteral("file"), name);
        assRoot.appendChild(ass);
        // A failed save (logged there) keeps the document in memory: the next save writes it all.
        (void)g_saveEncipheredXml(assoPath(), m_doc);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void albumPicHandler::saveAlbumPicwithSongAsso(const QString &sFile, uint nSongId, const QString &sSongName)
{
    try {
        m_hashSong2File.insert(sSongName, sFile);
        if (!m_bStoring)
            return;
        QDomElement root = m_doc.documentElement();
        QDomElement assRoot = root.firstChildElement(kFileAssRoot);
        if (assRoot.isNull()) {
            assRoot = m_doc.createElement(kFileAssRoot);
            root.insertBefore(assRoot, root.firstChild());
        }
        QDomElement ass = m_doc.createElement(kFileAss);
        ass.setAttribute(QStringLiteral("filename"), sSongName);
        ass.setAttribute(QStringLiteral("id"), QString::number(nSongId));
        ass.setAttribute(QStringLiteral("file"), sFile);
        assRoot.appendChild(ass);
        (void)g_saveEncipheredXml(assoPath(), m_doc); // as in saveAlbumPic
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void albumPicHandler::loadTheAlbumPic(const QString &sSongName)
{
    try {
        QMutexLocker locker(&m_mutex);
        const auto found = m_hashSong2File.constFind(sSongName);
        if (found != m_hashSong2File.constEnd())
            loadAlbumPic(AlbumPicSource::kStoredFile, found.value(), nullptr);
        else
            loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

QString albumPicHandler::getFilefromName(const QString &sAlbumName)
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_hashAlbum2Info.constFind(sAlbumName);
    return found == m_hashAlbum2Info.constEnd() ? QString() : found->sFile;
}

QString albumPicHandler::getFilefromSongName(const QString &sSongName)
{
    QMutexLocker locker(&m_mutex);
    return m_hashSong2File.value(sSongName);
}

QString albumPicHandler::getAlbumPicUrlfromFileName(const QString &sSongName, QString &sFile)
{
    sFile.clear();
    QMutexLocker locker(&m_mutex);
    const auto found = m_hashSong2File.constFind(sSongName);
    if (found == m_hashSong2File.constEnd())
        return QString();
    sFile = found.value();
    return m_hashFile2Url.value(sFile);
}

#include "services/playback/SongInfoAnswer.h"

#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/ProgramHelpers.h"
#include "services/downloads/httpDown.h"
#include "services/net/HttpObject.h"
#include "services/net/RequestTypes.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/singerHandler.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/RadioPlayHandler.h"
#include "services/playback/SongCachePaths.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/FolderSeam.h"
#include "services/seams/LyricDisplaySeam.h"
#include "services/seams/MainWindowSeam.h"
#include "services/seams/PlayListSeam.h"

#include <QDebug>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <vector>

namespace {

// The text of a child element of the root whose first child is a CDATA section.
QString cdataOf(const QDomElement &root, const QString &name)
{
    const QDomNode first = root.firstChildElement(name).firstChild();
    return first.isCDATASection() ? first.toCDATASection().data() : QString();
}

// The text of a child element of the root whose first child is a text node.
QString textOf(const QDomElement &root, const QString &name)
{
    const QDomNode first = root.firstChildElement(name).firstChild();
    return first.nodeName() == QLatin1String("#text") ? first.toText().data() : QString();
}

QString songNameOf(const spis &song)
{
    return g_songDisplayName(song.artist, song.title);
}

} // namespace

SongInfoAnswer::SongInfoAnswer(QObject *parent)
    : QObject(parent)
{
}

QString SongInfoAnswer::durationText(const QString &seconds)
{
    bool ok = false;
    const double value = seconds.trimmed().toDouble(&ok);
    const qint64 whole = (ok && std::isfinite(value) && value > 0) ? qint64(value) : 0;
    return QStringLiteral("%1:%2")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

bool SongInfoAnswer::storeLyric(const QString &path, const QString &lyric, bool asUtf8)
{
    std::vector<char> buffer(size_t(kLyricBufferSize), '\0');
    const int length = g_crypt.encryptToString(lyric, buffer.data(), kLyricBufferSize);
    if (length <= 0) {
        // Too large for the buffer (or the cipher failed): no lyric file rather than a cut one.
        qDebug().noquote() << Q_FUNC_INFO << "lyric not stored, its cipher text does not fit:" << path;
        return false;
    }
    const QString cipherText = QString::fromLatin1(buffer.data(), length);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug().noquote() << tr("不能写入文件 %1:\n%2.").arg(path, file.errorString());
        return false;
    }
    file.write(asUtf8 ? cipherText.toUtf8() : cipherText.toLocal8Bit());
    if (!file.commit()) {
        qDebug().noquote() << tr("不能写入文件 %1:\n%2.").arg(path, file.errorString());
        return false;
    }
    return true;
}

void SongInfoAnswer::dealwithIDResponse(const QString &xml, quintptr uUserData, const QString &sId,
                                        QObject *waiter)
{
    try {
        qDebug().noquote() << "--------HTTP请求成功:-----uUserData:" << uUserData << "----sId:" << sId;
        songplayHandler *player = g_pSongPlayHandler;
        MainWindowSeam *seam = g_mainWindowSeam();
        const quint32 songId = sId.toUInt();
        // A late answer for a song that is no longer wanted changes nothing.
        if (uUserData == SongInfoAsker::kPlayback && (!player || !player->isAwaitingSongInfo(songId))) {
            qDebug().noquote() << Q_FUNC_INFO << "answer for a song that is no longer current:" << sId;
            return;
        }
        if (uUserData == SongInfoAsker::kLyricLookup && sId != g_sPendingLrcId) {
            qDebug().noquote() << Q_FUNC_INFO << "answer for a lyric no longer wanted:" << sId;
            return;
        }

        QDomDocument doc;
        QString errMsg;
        int errLine = 0;
        if (!doc.setContent(xml, &errMsg, &errLine)) {
            qDebug().noquote() << "----------------HTTPREQUEST_TYPE_ID response parse XML failed: " + xml +
                                      "-------------------errMsg:" + errMsg +
                                      "-------------errLine:" + QString::number(errLine);
            dealwithIDResponseError(uUserData, waiter);
            return;
        }
        const QDomElement root = doc.documentElement();
        const QString wma = cdataOf(root, QStringLiteral("wma"));
        if (wma.isEmpty()) {
            qDebug().noquote() << "HTTPREQUEST_TYPE_ID response parse failed: " + xml;
            dealwithIDResponseError(uUserData, waiter);
            return;
        }

        const QString playstate = textOf(root, QStringLiteral("playstate")).trimmed();
        qDebug().noquote() << QStringLiteral("--------------------歌曲playstate：") << playstate;
        if (!g_presenceState().m_slPlayableStates.contains(playstate)) {
            if (uUserData == SongInfoAsker::kLyricLookup) {
                // A lyric lookup for the song that plays: the refusal concerns nothing playing.
                qDebug().noquote() << Q_FUNC_INFO << "lyric lookup of a song that may not be played:" << sId;
                return;
            }
            seam->showHint(QStringLiteral("由于版权原因，暂无法播放，请谅解"));
            if (uUserData == SongInfoAsker::kPlayback) {
                g_waitMs(m_nRefusalWaitMs);
                // Only the refused song is skipped: not one the user started during the wait.
                songplayHandler *now = g_pSongPlayHandler;
                if (now && now->isAwaitingSongInfo(songId))
                    g_mainWindowSeam()->clickNextButton();
            } else {
                // A download of it ends as failed; whatever plays goes on.
                dealwithIDResponseError(uUserData, waiter);
            }
            return;
        }

        const QString duration = durationText(textOf(root, QStringLiteral("mp3time")));
        const QString size = textOf(root, QStringLiteral("mp3size"));
        const QString singerId = textOf(root, QStringLiteral("gsid"));
        const QString singer = cdataOf(root, QStringLiteral("geshou"));
        const QString albumId = textOf(root, QStringLiteral("zjid"));
        const QString albumName = cdataOf(root, QStringLiteral("zjname"));

        PlayListSeam *lists = g_playListSeam();
        try {
            const int rows = lists->playQueueRowCount();
            qDebug().noquote() << QStringLiteral("---------在线请求的专辑名称:") + albumName +
                                      "----sId:" + sId + "---iCount:" + QString::number(rows);
            for (int row = 0; row < qMin(rows, 10); ++row) {
                if (lists->playQueueRowId(row) != sId)
                    continue;
                const QString current = lists->playQueueRowAlbum(row);
                if (current == QStringLiteral("未知专辑") || current.trimmed().isEmpty())
                    lists->setPlayQueueRowAlbum(row, albumName);
                break;
            }
        } catch (...) {
            g_writeExceptionLog(Q_FUNC_INFO, QStringLiteral("---get ZhuanJiName"));
        }

        const QString picture = cdataOf(root, QStringLiteral("zjpic"));

        QString lyricPath;
        bool haveLyric = false;
        if (uUserData == SongInfoAsker::kLyricLookup || uUserData == SongInfoAsker::kPlayback) {
            QString lyric = cdataOf(root, QStringLiteral("tqrcword"));
            QString extension = QStringLiteral(".qrc");
            if (lyric.isEmpty()) {
                lyric = cdataOf(root, QStringLiteral("tlrcword"));
                extension = QStringLiteral(".lrc");
            }
            haveLyric = !lyric.isEmpty();
            const QString songName =
                uUserData == SongInfoAsker::kPlayback ? songNameOf(player->m_curSong) : g_sPendingLrcName;
            const QString lrcDir = g_folderSeam()->getLrcDir();
            lyricPath = g_lyricFilePath(lrcDir, songName, extension);
            if (haveLyric && !lyricPath.isEmpty() && !QFileInfo::exists(lyricPath)) {
                QDir().mkpath(lrcDir);
                // A lyric that cannot be stored costs the lyric only, never the song.
                storeLyric(lyricPath, lyric, extension == QLatin1String(".qrc"));
            }
        }

        if (uUserData == SongInfoAsker::kPlayback) {
            qDebug().noquote() << "HTTPREQUEST_TYPE_ID response for netplay: " + xml;
            player->m_curSong.albumName = albumName;
            QString returnedId;
            switch (g_nPlayingListId) {
            case PlayingListId::kPlayQueue:
            case PlayingListId::kRecentlyPlayed:
            case PlayingListId::kMostPlayed:
                returnedId =
                    lists->changePLCurPlayingNetSong(g_nPlayingListId, sId, wma, duration, size, picture);
                break;
            case PlayingListId::kRadio:
                if (g_pRadioPlayHandler)
                    returnedId =
                        g_pRadioPlayHandler->changePLCurPlayingNetSong(sId, wma, duration, size, picture);
                break;
            default:
                break;
            }
            qDebug().noquote() << "net song has got";
            if (returnedId != sId)
                qDebug().noquote() << "netsong info got not equal, ReturnedId:" + sId +
                                          " curId:" + returnedId;
            const QString songName = songNameOf(player->m_curSong);
            if (g_pAlbumPicHandler) {
                g_pAlbumPicHandler->m_nCurSongId = songId;
                g_pAlbumPicHandler->m_sCurSongName = songName;
                g_pAlbumPicHandler->saveAlbumInfo(songId, albumName, albumId, singer);
                if (!picture.isEmpty())
                    g_pAlbumPicHandler->loadAlbumPicfromURL(picture, songId, songName);
                else
                    g_pAlbumPicHandler->loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
            }
            player->m_curSong.id = songId;
            player->playTheSong(player->m_curSong.nType, wma, duration, songName, size, false);
            qDebug().noquote() << Q_FUNC_INFO << "singer:" << singerId << singer;
            if (g_pSingerHandler)
                g_pSingerHandler->requestSingerPic(singerId.toUInt(), singer);
        } else if (uUserData == SongInfoAsker::kLyricLookup) {
            if (haveLyric) {
                qDebug().noquote() << "HTTPREQUEST_TYPE_ID response for LRC request: " + xml
                                   << g_sPendingLrcName;
                g_lyricDisplaySeam()->loadLrcFile(lyricPath);
                g_lyricDisplaySeam()->StartLrcDisplay();
            }
        } else {
            qDebug().noquote() << "HTTPREQUEST_TYPE_ID response for download: " + xml;
            if (auto *down = qobject_cast<httpDown *>(waiter))
                down->dealwithIDResponse(wma);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void SongInfoAnswer::dealwithIDResponseError(quintptr uUserData, QObject *waiter)
{
    try {
        if (uUserData == SongInfoAsker::kPlayback) {
            if (g_pSongPlayHandler)
                g_pSongPlayHandler->StartPlayNextSong(555);
        } else if (uUserData == SongInfoAsker::kLyricLookup) {
            qDebug().noquote() << "lrc's id response error";
        } else if (auto *down = qobject_cast<httpDown *>(waiter)) {
            down->dealwithNetReponseErr();
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void SongInfoAnswer::registerRoutes(httpRequestHandler *client)
{
    if (!client)
        return;
    client->setRoute(
        HTTPREQUEST_TYPE_ID, this,
        [this](const HttpAnswer &a) { dealwithIDResponse(a.text, a.uUserData, a.sId, a.waiter); },
        [this](const HttpAnswer &a) { dealwithIDResponseError(a.uUserData, a.waiter); },
        // Consulted for failures of the playback engine's requests: only the awaited song's
        // failure moves playback on.
        [](const HttpAnswer &a) {
            return a.uUserData != SongInfoAsker::kPlayback ||
                   (g_pSongPlayHandler && g_pSongPlayHandler->isAwaitingSongInfo(a.sId.toUInt()));
        });
}

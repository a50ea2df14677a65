#include "services/playback/SongInfoAnswer.h"

#include "kvrutil/AtomicSave.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
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
#include "services/playback/SongInfoDocument.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/FolderSeam.h"
#include "services/seams/LyricDisplaySeam.h"
#include "services/seams/MainWindowSeam.h"
#include "services/seams/PlayListSeam.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace {

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
    return SongInfoDocument::durationText(seconds);
}

bool SongInfoAnswer::storeLyric(const QString &path, const QString &lyric, bool asUtf8)
{
    std::vector<char> buffer(size_t(kLyricBufferSize), '\0');
    const int length = g_crypt.encryptToString(lyric, buffer.data(), kLyricBufferSize);
    if (length <= 0) {
        // Too large for the buffer (or the cipher failed): no lyric file rather than a cut one.
        qCDebug(lcPlayback).noquote()
            << Q_FUNC_INFO << "lyric not stored, its cipher text does not fit:" << path;
        return false;
    }
    const QString cipherText = QString::fromLatin1(buffer.data(), length);
    QString error;
    if (!g_saveFileAtomically(path, asUtf8 ? cipherText.toUtf8() : cipherText.toLocal8Bit(), &error)) {
        qCDebug(lcPlayback).noquote() << tr("不能写入文件 %1:\n%2.").arg(path, error);
        return false;
    }
    return true;
}

void SongInfoAnswer::dealwithIDResponse(const QString &xml, quintptr uUserData, const QString &sId,
                                        QObject *waiter)
{
    try {
        qCDebug(lcPlayback).noquote()
            << "--------HTTP请求成功:-----uUserData:" << uUserData << "----sId:" << sId;
        songplayHandler *player = g_pSongPlayHandler;
        const quint32 songId = sId.toUInt();
        // A late answer for a song that is no longer wanted changes nothing.
        if (uUserData == SongInfoAsker::kPlayback && (!player || !player->isAwaitingSongInfo(songId))) {
            qCDebug(lcPlayback).noquote()
                << Q_FUNC_INFO << "answer for a song that is no longer current:" << sId;
            return;
        }
        if (uUserData == SongInfoAsker::kLyricLookup && sId != g_sPendingLrcId) {
            qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "answer for a lyric no longer wanted:" << sId;
            return;
        }

        const SongInfoDocument info = SongInfoDocument::parse(xml);
        if (info.status == SongInfoDocument::Status::NotXml) {
            qCDebug(lcPlayback).noquote()
                << "----------------HTTPREQUEST_TYPE_ID response parse XML failed: " + xml +
                       "-------------------errMsg:" + info.error;
            dealwithIDResponseError(uUserData, waiter);
            return;
        }
        if (info.status == SongInfoDocument::Status::NoStreamPath) {
            qCDebug(lcPlayback).noquote() << "HTTPREQUEST_TYPE_ID response parse failed: " + xml;
            dealwithIDResponseError(uUserData, waiter);
            return;
        }
        qCDebug(lcPlayback).noquote()
            << QStringLiteral("--------------------歌曲playstate：") << info.playState;
        if (!g_presenceState().m_slPlayableStates.contains(info.playState)) {
            refusePlayState(uUserData, songId, waiter);
            return;
        }

        fillInAlbumName(sId, info.albumName);
        if (uUserData == SongInfoAsker::kPlayback) {
            qCDebug(lcPlayback).noquote() << "HTTPREQUEST_TYPE_ID response for netplay: " + xml;
            answerPlayback(info, sId);
        } else if (uUserData == SongInfoAsker::kLyricLookup) {
            answerLyricLookup(info, xml);
        } else {
            qCDebug(lcPlayback).noquote() << "HTTPREQUEST_TYPE_ID response for download: " + xml;
            if (auto *down = qobject_cast<httpDown *>(waiter))
                down->dealwithIDResponse(info.streamPath);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void SongInfoAnswer::refusePlayState(quintptr uUserData, quint32 songId, QObject *waiter)
{
    if (uUserData == SongInfoAsker::kLyricLookup) {
        // A lyric lookup for the song that plays: the refusal concerns nothing playing.
        qCDebug(lcPlayback).noquote()
            << Q_FUNC_INFO << "lyric lookup of a song that may not be played:" << songId;
        return;
    }
    g_mainWindowSeam()->showHint(QStringLiteral("由于版权原因，暂无法播放，请谅解"));
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
}

void SongInfoAnswer::fillInAlbumName(const QString &sId, const QString &albumName)
{
    PlayListSeam *lists = g_playListSeam();
    try {
        const int rows = lists->playQueueRowCount();
        qCDebug(lcPlayback).noquote() << QStringLiteral("---------在线请求的专辑名称:") + albumName +
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
}

QString SongInfoAnswer::keepLyric(const SongInfoDocument &info, const QString &songName)
{
    const QString extension = info.lyricWordTimed ? QStringLiteral(".qrc") : QStringLiteral(".lrc");
    const QString lrcDir = g_folderSeam()->getLrcDir();
    const QString lyricPath = g_lyricFilePath(lrcDir, songName, extension);
    if (!info.lyric.isEmpty() && !lyricPath.isEmpty() && !QFileInfo::exists(lyricPath)) {
        QDir().mkpath(lrcDir);
        // A lyric that cannot be stored costs the lyric only, never the song.
        storeLyric(lyricPath, info.lyric, info.lyricWordTimed);
    }
    return lyricPath;
}

void SongInfoAnswer::answerPlayback(const SongInfoDocument &info, const QString &sId)
{
    songplayHandler *player = g_pSongPlayHandler;
    const quint32 songId = sId.toUInt();
    keepLyric(info, songNameOf(player->m_curSong));
    player->m_curSong.albumName = info.albumName;
    QString returnedId;
    switch (g_nPlayingListId) {
    case PlayingListId::kPlayQueue:
    case PlayingListId::kRecentlyPlayed:
    case PlayingListId::kMostPlayed:
        returnedId = g_playListSeam()->changePLCurPlayingNetSong(g_nPlayingListId, sId, info.streamPath,
                                                                 info.duration, info.size, info.albumPicture);
        break;
    case PlayingListId::kRadio:
        if (g_pRadioPlayHandler)
            returnedId = g_pRadioPlayHandler->changePLCurPlayingNetSong(sId, info.streamPath, info.duration,
                                                                        info.size, info.albumPicture);
        break;
    default:
        break;
    }
    qCDebug(lcPlayback).noquote() << "net song has got";
    if (returnedId != sId)
        qCDebug(lcPlayback).noquote()
            << "netsong info got not equal, ReturnedId:" + sId + " curId:" + returnedId;
    const QString songName = songNameOf(player->m_curSong);
    if (g_pAlbumPicHandler) {
        g_pAlbumPicHandler->m_nCurSongId = songId;
        g_pAlbumPicHandler->m_sCurSongName = songName;
        g_pAlbumPicHandler->saveAlbumInfo(songId, info.albumName, info.albumId, info.singer);
        if (!info.albumPicture.isEmpty())
            g_pAlbumPicHandler->loadAlbumPicfromURL(info.albumPicture, songId, songName);
        else
            g_pAlbumPicHandler->loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
    }
    player->m_curSong.id = songId;
    player->playTheSong(player->m_curSong.nType, info.streamPath, info.duration, songName, info.size, false);
    qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "singer:" << info.singerId << info.singer;
    if (g_pSingerHandler)
        g_pSingerHandler->requestSingerPic(info.singerId.toUInt(), info.singer);
}

void SongInfoAnswer::answerLyricLookup(const SongInfoDocument &info, const QString &xml)
{
    const QString lyricPath = keepLyric(info, g_sPendingLrcName);
    if (info.lyric.isEmpty())
        return;
    qCDebug(lcPlayback).noquote() << "HTTPREQUEST_TYPE_ID response for LRC request: " + xml
                                  << g_sPendingLrcName;
    g_lyricDisplaySeam()->loadLrcFile(lyricPath);
    g_lyricDisplaySeam()->StartLrcDisplay();
}

void SongInfoAnswer::dealwithIDResponseError(quintptr uUserData, QObject *waiter)
{
    try {
        if (uUserData == SongInfoAsker::kPlayback) {
            if (g_pSongPlayHandler)
                g_pSongPlayHandler->StartPlayNextSong(555);
        } else if (uUserData == SongInfoAsker::kLyricLookup) {
            qCDebug(lcPlayback).noquote() << "lrc's id response error";
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

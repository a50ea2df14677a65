#include "services/playback/RadioPlayHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/LogCategories.h"
#include "services/core/SongFileInfo.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/ServiceUrl.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/PlayListSeam.h"

#include <QDebug>

RadioPlayHandler *g_pRadioPlayHandler = nullptr;

RadioPlayHandler::RadioPlayHandler(QObject *owner)
    : QObject(owner)
{
    if (!g_pRadioPlayHandler)
        g_pRadioPlayHandler = this;
}

RadioPlayHandler::~RadioPlayHandler()
{
    if (g_pRadioPlayHandler == this)
        g_pRadioPlayHandler = nullptr;
}

const spis *RadioPlayHandler::entry(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_queue[size_t(index)].get();
}

void RadioPlayHandler::setSongData(QStringList &items, bool bReplace)
{
    try {
        m_queue.clear();
        const QString separator = QStringLiteral("[]");
        for (const QString &item : std::as_const(items)) {
            const int at = item.indexOf(separator);
            if (at < 0) {
                qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "entry without a song skipped:" << item;
                continue;
            }
            const QStringList parts = item.split(separator);
            const QString idText = parts.at(0);
            const QString display = parts.value(1);
            auto song = std::make_unique<spis>();
            const int dash = display.indexOf(QLatin1Char('-'));
            if (dash >= 0) {
                song->artist = display.left(dash).trimmed();
                song->title = display.mid(dash + 1).trimmed();
            } else {
                song->title = display.trimmed();
            }
            song->nType = 2;
            song->filePath = idText;
            song->id = idText.toUInt();
            song->bytesize = QStringLiteral("idvalid");
            m_queue.push_back(std::move(song));
        }
        if (bReplace) {
            m_nCurIndex = -1;
            m_nWrongCount = 0;
            playTheRadioSong(0);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void RadioPlayHandler::dealwithMoreRadioSongResponse(const QString &answer)
{
    try {
        qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << answer;
        if (answer.isEmpty())
            return;
        const int colon = answer.indexOf(QLatin1Char(':'), 6);
        if (colon < 0)
            return;
        QString text = answer.mid(colon + 3);
        for (const QChar ch : {QLatin1Char('/'), QLatin1Char(':'), QLatin1Char('*'), QLatin1Char('?'),
                               QLatin1Char('"'), QLatin1Char('<'), QLatin1Char('>')})
            text.replace(ch, QLatin1Char('_'));
        QStringList parts = text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
        // An answer without a single song is treated like a failed refill: the queue goes round
        // again instead of being emptied.
        bool anySong = false;
        for (const QString &part : std::as_const(parts))
            anySong = anySong || part.contains(QLatin1String("[]"));
        if (!anySong) {
            qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "no song in the answer; the queue stays";
            return;
        }
        qCDebug(lcPlayback).noquote() << "radio play update start";
        setSongData(parts, false);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void RadioPlayHandler::playTheRadioSong(int index)
{
    try {
        if (index == m_nCurIndex)
            return;
        switch (g_nPlayingListId) {
        case PlayingListId::kPlayQueue:
            g_playListSeam()->closeCurDisplayingEditor();
            break;
        case PlayingListId::kRecentlyPlayed:
        case PlayingListId::kMostPlayed:
            g_playListSeam()->clearCurPlayingRow(g_nPlayingListId);
            break;
        default:
            break;
        }
        g_nPlayingListId = PlayingListId::kRadio;
        if (index < 0 || index >= count())
            return;
        const spis &song = *m_queue[size_t(index)];
        m_nCurIndex = index;
        songplayHandler *player = g_pSongPlayHandler;
        if (!player)
            return;
        player->m_curSong.artist = song.artist;
        player->m_curSong.duration = song.duration;
        player->m_curSong.id = song.id;
        player->m_curSong.title = song.title;
        player->m_curSong.albumName = song.albumName;
        player->m_curSong.nType = song.nType;
        // A copy: the call may refill (and so replace) the queue before it returns.
        const spis copy = song;
        player->beforePlayTheSong(copy.nType, copy.filePath, copy.duration,
                                  g_songDisplayName(copy.artist, copy.title), copy.bytesize, copy.albumpic,
                                  copy.id);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

int RadioPlayHandler::followingIndex(const char *debugText)
{
    int next = m_nCurIndex + 1;
    if (next == count() - 1) {
        const QString url = ServiceUrl(g_endpoints().moreRadioSongs).value(m_sCurFmId).toString();
        qCDebug(lcPlayback).noquote() << QString::fromUtf8(debugText) << url;
        if (g_phttpHandler)
            g_phttpHandler->startHttpRequest(QUrl(url), HTTPREQUEST_TYPE_RADIO, 0);
    }
    if (next >= count())
        next = 0;
    return next;
}

void RadioPlayHandler::getNextSong(spis &s)
{
    try {
        if (m_queue.empty()) {
            s.filePath.clear();
            return;
        }
        if (m_nWrongCount >= count()) {
            qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "every song of the queue failed; the radio stops";
            s.filePath.clear();
            return;
        }
        if (m_nCurIndex == -1) {
            cloneSongInfo(m_queue[0].get(), s);
            m_nCurIndex = 0;
            return;
        }
        const int next = followingIndex("------------电台地址再次请求1 sUrl:");
        cloneSongInfo(m_queue[size_t(next)].get(), s);
        m_nCurIndex = next;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

bool RadioPlayHandler::getRealNextSong(spis &s)
{
    try {
        if (m_queue.empty() || m_nCurIndex == -1)
            return false;
        const int next = followingIndex("------------电台地址再次请求0 sUrl:");
        cloneSongInfo(m_queue[size_t(next)].get(), s);
        m_nCurIndex = next;
        return true;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    return false;
}

bool RadioPlayHandler::getRealPrevSong(spis &s)
{
    try {
        // A refill may leave the index beyond a shorter queue: nothing lies before it then.
        const int previous = m_nCurIndex - 1;
        if (m_queue.empty() || m_nCurIndex <= 0 || previous >= count())
            return false;
        cloneSongInfo(m_queue[size_t(previous)].get(), s);
        m_nCurIndex = previous;
        return true;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    return false;
}

void RadioPlayHandler::dealWithWrong(int nReason)
{
    ++m_nWrongCount;
    qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << nReason << m_nWrongCount;
}

void RadioPlayHandler::cloneSongInfo(const spis *source, spis &target)
{
    if (!source)
        return;
    target.nType = source->nType;
    target.filePath = source->filePath;
    target.duration = source->duration;
    target.title = source->title;
    target.bytesize = source->bytesize;
    target.artist = source->artist;
    target.albumpic = source->albumpic;
    target.albumName = source->albumName;
    target.id = source->id;
}

QString RadioPlayHandler::changePLCurPlayingNetSong(const QString &id, const QString &path,
                                                    const QString &duration, const QString &size,
                                                    const QString &picture)
{
    spis *current =
        (m_nCurIndex >= 0 && m_nCurIndex < count()) ? m_queue[size_t(m_nCurIndex)].get() : nullptr;
    if (!current)
        return QString();
    if (QString::number(current->id) == id) {
        current->filePath = path;
        current->duration = duration;
        current->bytesize = size;
        current->albumpic = picture;
    }
    return QString::number(current->id);
}

void RadioPlayHandler::changePLCurPlayingNetSongDur(QString &sDur, const QString &path)
{
    try {
        sDur = g_formatSongDuration(g_getSongDuration(path));
        if (m_nCurIndex >= 0 && m_nCurIndex < count())
            m_queue[size_t(m_nCurIndex)]->duration = sDur;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void RadioPlayHandler::registerRoutes(httpRequestHandler *client)
{
    if (!client)
        return;
    // A failure arrives here too, with an empty text.
    client->setRoute(HTTPREQUEST_TYPE_RADIO, this,
                     [this](const HttpAnswer &answer) { dealwithMoreRadioSongResponse(answer.text); });
}

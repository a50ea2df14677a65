#include "services/playback/songplayHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/LogCategories.h"
#include "services/core/ProgramHelpers.h"
#include "services/core/SongFileInfo.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/singerHandler.h"
#include "services/playback/FreeStreamThread.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/RadioPlayHandler.h"
#include "services/playback/SongCachePaths.h"
#include "services/playback/kvrNetPlayWork.h"
#include "services/seams/FolderSeam.h"
#include "services/seams/LyricDisplaySeam.h"
#include "services/seams/MainWindowSeam.h"
#include "services/seams/PlayListSeam.h"

#include "audio/kvraudio.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <QTime>
#include <QTimer>
#include <QUrl>

songplayHandler *g_pSongPlayHandler = nullptr;

namespace {

const QString &idValid()
{
    static const QString text = QStringLiteral("idvalid");
    return text;
}

void requestSingerBigImages(const QString &artist)
{
    if (g_pSingerHandler)
        g_pSingerHandler->requestSingerBigImagesFromName(artist);
}

void loadTheAlbumPic(const QString &songName)
{
    if (g_pAlbumPicHandler)
        g_pAlbumPicHandler->loadTheAlbumPic(songName);
}

void loadDefaultAlbumPic()
{
    if (g_pAlbumPicHandler)
        g_pAlbumPicHandler->loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
}

} // namespace

songplayHandler::songplayHandler(QObject *parent)
    : QObject(parent)
{
    g_hStream = 0;
    m_pFreeStreamThread = new FreeStreamThread(this);
    m_pFreeStreamThread->start();
    m_pConnectTimer = new QTimer(this);
    connect(m_pConnectTimer, &QTimer::timeout, this, &songplayHandler::updateElapsedMp3ConnectTimer);
    // The tag and length helpers open streams only to read them; they are freed here too.
    FreeStreamThread *freeThread = m_pFreeStreamThread;
    g_setStreamFreeQueue([freeThread](quint32 handle) { freeThread->addStream(handle); });
    if (!g_pSongPlayHandler)
        g_pSongPlayHandler = this;
}

songplayHandler::~songplayHandler()
{
    try {
        m_pConnectTimer->stop();
        stopPlay();
        // Workers still opening their stream cannot be stopped; each ends when the layer opens or
        // gives up (its time-outs bound that), and its stale stream is freed at once (setHandle).
        for (;;) {
            bool opening = false;
            {
                std::lock_guard locker(m_mutexPRPI);
                for (const PRPI *record : std::as_const(m_quPRPI))
                    opening = opening || (record->pWork && !record->pWork->runDone());
            }
            if (!opening)
                break;
            QThread::msleep(5);
        }
        stopPlay();
        g_setStreamFreeQueue(nullptr);
        // Frees what is queued; each free returns after the stream's final download call.
        m_pFreeStreamThread->stop();
        std::lock_guard locker(m_mutexPRPI);
        for (kvrNetPlayWork *work : std::as_const(m_listNPWork)) {
            if (work->deletable())
                delete work;
            else
                qCDebug(lcPlayback).noquote()
                    << Q_FUNC_INFO << "worker" << work->id() << "still in use, left alive";
        }
        m_listNPWork.clear();
        qDeleteAll(m_quPRPI);
        m_quPRPI.clear();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    if (g_pSongPlayHandler == this)
        g_pSongPlayHandler = nullptr;
}

QString songplayHandler::curDisplayName() const
{
    return g_songDisplayName(m_curSong.artist, m_curSong.title);
}

void songplayHandler::beforePlayTheSong(int nSongType, const QString &strFile, const QString &sDur,
                                        const QString &sFilename, const QString &sSize, const QString &sPic,
                                        uint id)
{
    Q_UNUSED(sPic);
    Q_UNUSED(id);
    try {
        MainWindowSeam *seam = g_mainWindowSeam();
        m_pCurWork = nullptr;
        seam->hideSliderTimeHint();
        stopPlay();
        // After the stop: an end or failure of the song just stopped carries the old serial.
        ++m_nPlaySerial;

        if (nSongType == SongType::kNetwork && !strFile.isEmpty()) {
            seam->setLoveBtnState(m_curSong.id);
            const QString sLocalSong = g_cachedSongPath(g_folderSeam()->getCacheDir(), sFilename);
            const QString sMp3 = g_downloadedSongPath(g_folderSeam()->getDownDir(), sFilename);
            // A downloaded copy becomes the cached copy; the download stays.
            if (!sLocalSong.isEmpty() && !QFile::exists(sLocalSong) && !sMp3.isEmpty() &&
                QFile::exists(sMp3)) {
                if (!QFile::copy(sMp3, sLocalSong))
                    qCDebug(lcPlayback).noquote()
                        << Q_FUNC_INFO << "cannot copy" << sMp3 << "to" << sLocalSong;
            }
            if (!sLocalSong.isEmpty() && QFile::exists(sLocalSong)) {
                m_pConnectTimer->stop();
                requestSingerBigImages(m_curSong.artist);
                g_nSongSourceKind = SongSourceKind::kFile;
                seam->changeNetplayStatus(NetplayStatus::kPlaying, sFilename);
                QString duration = sDur;
                seam->changeCurPlayingNetSongDur(duration, sLocalSong);
                loadTheAlbumPic(sFilename);
                playTheSong(SongType::kNetwork, strFile, duration, sFilename, sSize, true);
                return;
            }
            g_nSongSourceKind = SongSourceKind::kNetwork;
            seam->changeNetplayStatus(NetplayStatus::kPreparing, sFilename);
            if (sSize != idValid()) {
                requestSingerBigImages(m_curSong.artist);
                loadDefaultAlbumPic();
                playTheSong(SongType::kNetwork, strFile, sDur, sFilename, sSize, false);
            } else {
                m_curSong.nType = SongType::kNetwork;
                m_curSong.duration = sDur;
                m_curSong.filePath = strFile;
                m_curSong.bytesize = sSize;
                m_curSong.id = strFile.toUInt();
                m_nConnectTicks = 0;
                m_pConnectTimer->start(200);
                m_eFetch = Fetch::SongInfo;
                if (g_phttpHandler)
                    g_phttpHandler->startHttpRequest(QUrl(g_getSongInfoUrl(strFile)), HTTPREQUEST_TYPE_ID,
                                                     SongInfoAsker::kPlayback);
                else
                    failCurrentSong(555);
            }
            return;
        }

        seam->setLoveBtnState(0);
        g_nSongSourceKind = SongSourceKind::kFile;
        requestSingerBigImages(m_curSong.artist);
        seam->changeNetplayStatus(NetplayStatus::kPlaying, sFilename);
        loadTheAlbumPic(sFilename);
        playTheSong(nSongType, strFile, sDur, sFilename, sSize, false);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::playTheSong(int nSongType, const QString &strFile, const QString &sDur,
                                  const QString &sFilename, const QString &sSize, bool bLocal)
{
    try {
        MainWindowSeam *seam = g_mainWindowSeam();
        m_eFetch = Fetch::None;
        QString sLocalSong = strFile;
        if (nSongType == SongType::kNetwork && !strFile.isEmpty()) {
            const QString cacheDir = g_folderSeam()->getCacheDir();
            // The partial file carries the plain display name; the complete copy its Base64.
            m_sCacheSongName = sFilename;
            m_sCacheFilePath = g_partialSongPath(cacheDir, sFilename);
            sLocalSong = g_cachedSongPath(cacheDir, sFilename);
        }
        g_lyricDisplaySeam()->loadLrcFile(sLocalSong);
        if (strFile.isEmpty())
            return;

        m_sSongDuration = sDur;
        // By position, not by the colon: "03:07" is 3 x 60 + 7.
        m_session.m_nSongSeconds = sDur.left(2).toInt() * 60 + sDur.right(2).toInt();

        if (nSongType == SongType::kNetwork && !bLocal) {
            m_session.m_llStreamEnd = qint64(sSize.toULongLong());
            m_pConnectTimer->stop();
            if (g_bMainUrlOk) {
                realPlayNetSong(strFile, sFilename);
            } else {
                m_curSong.filePath = strFile;
                seam->changeNetplayStatus(NetplayStatus::kAskingAddress, sFilename);
                m_eFetch = Fetch::StreamAddress;
                if (g_phttpHandler)
                    g_phttpHandler->startHttpRequest(QUrl(g_endpoints().urlIndex),
                                                     HTTPREQUEST_TYPE_PLAYMAINURL, m_curSong.id);
                else
                    failCurrentSong(666);
            }
            return;
        }

        const QByteArray file = sLocalSong.toLocal8Bit();
        const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.constData(), 0, 0, 0);
        if (stream == 0) {
            const int code = BASS_ErrorGetCode();
            qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "cannot open" << sLocalSong << "error" << code;
            failCurrentSong(code);
            return;
        }
        {
            std::lock_guard locker(m_mutexPRPI);
            auto *record = new PRPI;
            record->nKind = SongType::kLocal;
            record->hStream = stream;
            m_quPRPI.append(record);
        }
        g_hStream = stream;
        seam->dealWithPlayStarted();
        startPlayTheSong();
        g_playListSeam()->increaseChartCount(strFile);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::realPlayNetSong(const QString &sUrl, const QString &sName)
{
    Q_UNUSED(sName);
    try {
        MainWindowSeam *seam = g_mainWindowSeam();
        m_eFetch = Fetch::None;
        const QString sFull = g_sMainUrl + sUrl;
        m_session.m_llStreamStart = 0;
        g_bNetSongComplete = false;
        m_bCacheFinished = false;
        m_nPromoteWorkerId = 0;

        {
            // A worker of an earlier play of this song may still be receiving: it must not write
            // into the file that is about to be truncated for the new stream.
            std::lock_guard locker(m_mutexPRPI);
            for (PRPI *record : std::as_const(m_quPRPI)) {
                if (record->pWork && record->pWork->partialPath() == m_sCacheFilePath)
                    record->pWork->detachFile();
            }
            for (kvrNetPlayWork *work : std::as_const(m_listNPWork)) {
                if (work->partialPath() == m_sCacheFilePath)
                    work->detachFile();
            }
        }

        const QString cacheDir = g_folderSeam()->getCacheDir();
        if (!cacheDir.isEmpty())
            QDir().mkpath(cacheDir);
        auto *file = new QFile(m_sCacheFilePath);
        if (m_sCacheFilePath.isEmpty() || !file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << file->errorString();
            delete file;
            failCurrentSong(222);
            return;
        }

        auto *work = new kvrNetPlayWork(this, m_sCacheSongName);
        work->setJob(file, sFull, m_sCacheFilePath, g_cachedSongPath(cacheDir, m_sCacheSongName));
        const quint64 workId = work->id();
        // The worker reports from its pool thread; whether it is still current is decided here on
        // the GUI thread, by its id (an address may be reused by a later worker).
        connect(work, &kvrNetPlayWork::netPlayFailed, this, [this, workId](int nRetCode) {
            kvrNetPlayWork *current = m_pCurWork.load();
            if (current && current->id() == workId)
                StartPlayNextSong(nRetCode);
        });
        connect(work, &kvrNetPlayWork::netPlaySucceed, this, [this, workId](ulong hStream, kvrNetPlayWork *) {
            kvrNetPlayWork *current = m_pCurWork.load();
            if (current && current->id() == workId)
                startPlay(hStream, current);
            else
                qCDebug(lcPlayback).noquote() << "startPlay: a worker that is no longer current:" << workId;
        });

        seam->changeNetplayStatus(NetplayStatus::kBuffering, curDisplayName());
        m_nConnectTicks = 0;
        m_pConnectTimer->start(200);

        // Recorded and made current before it starts: its setHandle may come at once.
        {
            std::lock_guard locker(m_mutexPRPI);
            auto *record = new PRPI;
            record->nKind = SongType::kNetwork;
            record->pWork = work;
            m_quPRPI.append(record);
        }
        m_pCurWork = work;
        QThreadPool::globalInstance()->start(work, 0);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::setHandle(ulong hStream, kvrNetPlayWork *pWork)
{
    try {
        std::lock_guard locker(m_mutexPRPI);
        for (PRPI *record : std::as_const(m_quPRPI)) {
            if (record->nKind != SongType::kNetwork || record->pWork != pWork || record->hStream != 0 ||
                record->bHandedOver)
                continue;
            record->hStream = quint32(hStream);
            // A worker whose song was left meanwhile: its stream is never played, so it goes now
            // instead of downloading until the next stop.
            if (!isCurrentWork(pWork))
                stopStreamLocked(record);
            return;
        }
        // No record waits for it (cannot happen while records are made before the start).
        m_pFreeStreamThread->addStream(quint32(hStream));
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::startPlay(ulong hStream, kvrNetPlayWork *pWork)
{
    try {
        if (!pWork || pWork != m_pCurWork.load())
            return;
        m_pConnectTimer->stop();
        g_hStream = quint32(hStream);
        g_mainWindowSeam()->changeNetplayStatus(NetplayStatus::kPlaying,
                                                g_parseBufferingText(curDisplayName()));
        g_mainWindowSeam()->dealWithPlayStarted();
        startPlayTheSong();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::startPlayTheSong()
{
    try {
        const quint32 stream = g_hStream;
        if (stream == 0)
            return;
        m_hSync = BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &songplayHandler::SyncProc, this);
        // The user's volume is the global stream volume; every channel plays at 1.
        BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 1.0f);
        if (!BASS_ChannelPlay(stream, FALSE)) {
            const int code = BASS_ErrorGetCode();
            handOverStream(stream);
            g_hStream = 0;
            m_hSync = 0;
            failCurrentSong(code);
            return;
        }
        if (g_nPlayingListId == PlayingListId::kRadio && g_pRadioPlayHandler)
            g_pRadioPlayHandler->songStarted();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::stopStreamLocked(PRPI *record)
{
    if (record->hStream == 0 || record->bHandedOver)
        return;
    BASS_ChannelStop(record->hStream);
    m_pFreeStreamThread->addStream(record->hStream);
    record->bHandedOver = true;
}

void songplayHandler::handOverStream(quint32 hStream)
{
    std::lock_guard locker(m_mutexPRPI);
    for (PRPI *record : std::as_const(m_quPRPI)) {
        if (record->hStream == hStream && !record->bHandedOver) {
            stopStreamLocked(record);
            return;
        }
    }
}

void songplayHandler::deleteFinishedWorkersLocked()
{
    for (int i = m_listNPWork.size() - 1; i >= 0; --i) {
        kvrNetPlayWork *work = m_listNPWork.at(i);
        if (work->deletable()) {
            delete work;
            m_listNPWork.removeAt(i);
        }
    }
}

void songplayHandler::stopPlay()
{
    try {
        g_mainWindowSeam()->changeNetplayStatus(NetplayStatus::kStopped, QString());
        // Whatever was being fetched or opened is left: late answers and workers are stale.
        m_pCurWork = nullptr;
        m_eFetch = Fetch::None;
        m_nPromoteWorkerId = 0;
        {
            std::lock_guard locker(m_mutexPRPI);
            QList<PRPI *> kept;
            for (PRPI *record : std::as_const(m_quPRPI)) {
                if (record->pWork)
                    record->pWork->detachFile();
                stopStreamLocked(record);
                if (record->pWork) {
                    if (!record->bHandedOver && !record->pWork->runDone()) {
                        // Still opening: its setHandle frees the stream it reports.
                        kept.append(record);
                        continue;
                    }
                    m_listNPWork.append(record->pWork);
                }
                delete record;
            }
            m_quPRPI = kept;
            deleteFinishedWorkersLocked();
        }
        m_hSync = 0;
        g_hStream = 0;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::updateElapsedMp3ConnectTimer()
{
    try {
        ++m_nConnectTicks;
        const int d = m_nConnectTicks % 10;
        const QString prefix =
            d <= 8 ? QStringLiteral("缓冲中") + QString(d + 1, QLatin1Char('.')) : QString();
        g_mainWindowSeam()->changeNetplayStatus(NetplayStatus::kBuffering, prefix + curDisplayName());
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

int songplayHandler::currentTimeofSong()
{
    try {
        const quint32 stream = g_hStream;
        if (stream == 0)
            return 0;
        const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
        return int(BASS_ChannelBytes2Seconds(stream, position) * 1000.0);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    return 0;
}

void songplayHandler::failCurrentSong(int nReason)
{
    const quint64 serial = m_nPlaySerial.load();
    QTimer::singleShot(0, this, [this, serial, nReason]() {
        if (serial == m_nPlaySerial.load())
            StartPlayNextSong(nReason);
        else
            qCDebug(lcPlayback).noquote() << "a failure of a song that was left already:" << nReason;
    });
}

void songplayHandler::StartPlayNextSong(int nReason)
{
    try {
        MainWindowSeam *seam = g_mainWindowSeam();
        m_pConnectTimer->stop();
        seam->stopElapsedTimer();
        if (nReason != 0 && PlayingListId::isPage(g_nPlayingListId))
            g_playListSeam()->dealWithWrong(g_nPlayingListId, nReason);
        else if (nReason != 0 && g_nPlayingListId == PlayingListId::kRadio && g_pRadioPlayHandler)
            g_pRadioPlayHandler->dealWithWrong(nReason);
        seam->DisableSth(true);

        spis s;
        if (PlayingListId::isPage(g_nPlayingListId))
            g_playListSeam()->getNextSongandSelIt(g_nPlayingListId, s);
        else if (g_nPlayingListId == PlayingListId::kRadio && g_pRadioPlayHandler)
            g_pRadioPlayHandler->getNextSong(s);

        if (s.filePath.isEmpty()) {
            stopListPlayback();
            return;
        }
        playListedSong(s);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::playListedSong(const spis &s)
{
    m_curSong.artist = s.artist;
    m_curSong.duration = s.duration;
    m_curSong.id = s.id;
    m_curSong.title = s.title;
    m_curSong.albumName = s.albumName;
    m_curSong.nType = s.nType;
    beforePlayTheSong(s.nType, s.filePath, s.duration, g_songDisplayName(s.artist, s.title), s.bytesize,
                      s.albumpic, s.id);
}

void songplayHandler::stopListPlayback()
{
    stopPlay();
    g_mainWindowSeam()->resetPlayingInfo();
    g_nPlayingListId = PlayingListId::kNone;
}

void songplayHandler::playNextSong()
{
    playAdjacentSong(true);
}

void songplayHandler::playPrevSong()
{
    playAdjacentSong(false);
}

void songplayHandler::playAdjacentSong(bool next)
{
    try {
        if (g_hStream == 0 && !m_pConnectTimer->isActive())
            return;
        spis s;
        bool found = false;
        if (PlayingListId::isPage(g_nPlayingListId)) {
            PlayListSeam *lists = g_playListSeam();
            found = next ? lists->getRealNextSongandSelIt(g_nPlayingListId, s)
                         : lists->getRealPrevSongandSelIt(g_nPlayingListId, s);
        } else if (g_nPlayingListId == PlayingListId::kRadio && g_pRadioPlayHandler) {
            found = next ? g_pRadioPlayHandler->getRealNextSong(s) : g_pRadioPlayHandler->getRealPrevSong(s);
        }
        if (!found) {
            stopListPlayback();
            return;
        }
        playListedSong(s);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::SyncProc(quint32 handle, quint32 channel, quint32 data, void *user)
{
    Q_UNUSED(data);
    auto *self = static_cast<songplayHandler *>(user);
    try {
        if (!self || self->m_hSync.load() != handle)
            return;
        // Only the stream that is still current: a late end of an older stream changes nothing.
        quint32 expected = channel;
        if (!g_hStream.compare_exchange_strong(expected, 0))
            return;
        quint32 sync = handle;
        self->m_hSync.compare_exchange_strong(sync, 0);
        qCDebug(lcPlayback).noquote() << "SyncProc netplay stop with 0 " << kvrNetPlayWork::timeText();
        EngineEvent event;
        event.streamEnded = true;
        // The GUI thread waits for this callback before it stops the stream, and counts the next
        // song only after that stop, so this is the serial of the song that ended.
        event.serial = self->m_nPlaySerial.load();
        self->postEngineEvent(event);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::postEngineEvent(const EngineEvent &event)
{
    bool post = false;
    {
        std::lock_guard locker(m_mutexEvents);
        m_events.push_back(event);
        post = !m_bEventsPosted;
        m_bEventsPosted = true;
    }
    // Only an empty wake-up crosses Qt's event queue; the events themselves cross m_mutexEvents.
    if (post)
        QMetaObject::invokeMethod(this, "processEngineEvents", Qt::QueuedConnection);
}

void songplayHandler::processEngineEvents()
{
    std::vector<EngineEvent> events;
    {
        std::lock_guard locker(m_mutexEvents);
        events.swap(m_events);
        m_bEventsPosted = false;
    }
    bool downloadEnded = false;
    for (const EngineEvent &event : events) {
        try {
            if (event.streamEnded) {
                onStreamEnded(event.serial);
            } else {
                downloadEnded = true;
                onDownloadEnded(event.serial, event.complete);
            }
        } catch (...) {
            g_writeExceptionLog(Q_FUNC_INFO);
        }
    }
    if (downloadEnded)
        reapLeftWorkers();
}

void songplayHandler::reapLeftWorkers()
{
    // A worker that was left and whose download has now ended need not wait for the next stop.
    bool finishing = false;
    kvrNetPlayWork *current = m_pCurWork.load();
    {
        std::lock_guard locker(m_mutexPRPI);
        for (int i = m_quPRPI.size() - 1; i >= 0; --i) {
            PRPI *record = m_quPRPI.at(i);
            // A finished run without a stream: the open failed after the song was left.
            const bool neverOpened = record->pWork && record->hStream == 0 && record->pWork->runDone();
            if (!record->pWork || record->pWork == current || !(record->bHandedOver || neverOpened))
                continue;
            m_listNPWork.append(record->pWork);
            delete record;
            m_quPRPI.removeAt(i);
        }
        deleteFinishedWorkersLocked();
        for (const kvrNetPlayWork *work : std::as_const(m_listNPWork))
            finishing = finishing || (work->downloadEnded() && !work->runDone());
        for (const PRPI *record : std::as_const(m_quPRPI))
            finishing = finishing || (record->pWork && record->pWork != current && !record->bHandedOver &&
                                      record->pWork->downloadEnded());
    }
    // A left worker's download can end before the worker has reported its stream, or while its
    // run is still returning on the pool; no later event would come to delete it before the
    // next stop.
    if (finishing)
        QTimer::singleShot(50, this, &songplayHandler::reapLeftWorkers);
}

void songplayHandler::onStreamEnded(quint64 serial)
{
    if (serial != m_nPlaySerial.load()) {
        qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "the end of a song that was left already";
        return;
    }
    g_mainWindowSeam()->songPlayStopped(0);
}

void songplayHandler::onDownloadEnded(quint64 workerId, bool complete)
{
    kvrNetPlayWork *current = m_pCurWork.load();
    if (!current || current->id() != workerId)
        return;
    g_bNetSongComplete = true;
    qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << (complete ? "complete" : "broke off");
    if (m_nPromoteWorkerId == workerId)
        promoteCache(current);
}

void songplayHandler::netplayCacheFinishedHandler()
{
    try {
        qCDebug(lcPlayback).noquote() << QStringLiteral("---网络歌曲，缓存完成");
        m_bCacheFinished = true;
        kvrNetPlayWork *current = m_pCurWork.load();
        if (!current)
            return;
        // The watch may see the expected size before the final block is written and the file
        // closed: then the copy is made when the download has ended.
        if (current->downloadEnded())
            promoteCache(current);
        else
            m_nPromoteWorkerId = current->id();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void songplayHandler::promoteCache(kvrNetPlayWork *pWork)
{
    m_nPromoteWorkerId = 0;
    if (!pWork->downloadEnded())
        return;
    if (!pWork->downloadComplete()) {
        // A download that broke off is no song: the partial file stays until the song streams
        // again, and nothing enters the library.
        qCDebug(lcPlayback).noquote()
            << Q_FUNC_INFO << "the download of" << pWork->songName() << "broke off; no cached copy";
        return;
    }
    const QString sOld = pWork->partialPath();
    const QString sNew = pWork->cachedPath();
    if (sOld.isEmpty() || sNew.isEmpty() || !QFile::exists(sOld))
        return;
    if (!QFile::rename(sOld, sNew)) {
        qCDebug(lcPlayback).noquote() << Q_FUNC_INFO << "cannot rename" << sOld << "to" << sNew;
        QFile::remove(sOld);
    }
    // An earlier copy under the same name is what the library then points at; without any
    // copy there is nothing to add.
    if (!QFile::exists(sNew))
        return;
    auto *song = new _tag_localsonginfo_;
    g_getSongTag(sNew, song->title, song->artist, song->album);
    song->filepathname = sNew;
    song->bDeleted = false;
    song->sDur = g_formatSongDuration(g_getSongDuration(sNew));
    g_listLocalSongs.append(song);
    g_mainWindowSeam()->refreshLocalWgts();
    g_listLocalSongs.clear();
}

bool songplayHandler::isAwaitingSongInfo(quint32 id) const
{
    return m_eFetch == Fetch::SongInfo && m_curSong.id == id;
}

bool songplayHandler::isAwaitingStreamAddress(quint32 id) const
{
    return m_eFetch == Fetch::StreamAddress && m_curSong.id == id;
}

int songplayHandler::openStreamCount()
{
    std::lock_guard locker(m_mutexPRPI);
    int count = 0;
    for (const PRPI *record : std::as_const(m_quPRPI))
        count += (record->hStream != 0 && !record->bHandedOver) ? 1 : 0;
    return count;
}

int songplayHandler::workerCount()
{
    std::lock_guard locker(m_mutexPRPI);
    int count = m_listNPWork.size();
    for (const PRPI *record : std::as_const(m_quPRPI))
        count += record->pWork ? 1 : 0;
    return count;
}

void songplayHandler::registerRoutes(httpRequestHandler *client)
{
    if (!client)
        return;
    client->setRoute(
        HTTPREQUEST_TYPE_PLAYMAINURL, this,
        [this](const HttpAnswer &) { realPlayNetSong(m_curSong.filePath, QString()); },
        [this](const HttpAnswer &) { StartPlayNextSong(666); },
        [this](const HttpAnswer &answer) {
            return answer.uUserData <= 0xffffffffu && isAwaitingStreamAddress(quint32(answer.uUserData));
        });
}

#pragma once

// Stand-ins for what the playback road talks to in tests: the play queue page (the next-song
// rules and failure counter of the play lists), a main-window seam that records what the play
// panel was told, the desktop lyrics, the main window's download watch, and audio fixtures made
// with the ffmpeg command.

#include "FixtureCache.h"
#include "RecordingSeam.h"

#include "audio/kvraudio.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/SongFileInfo.h"
#include "services/playback/DownloadGauge.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/RadioPlayHandler.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/LyricDisplaySeam.h"
#include "services/seams/PlayListSeam.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

// An mp3 of a sine tone, made with the ffmpeg command; `extra` goes to the output's options.
struct ToneMp3
{
    ToneMp3(const QString &file, double length, int hz = 440, const QStringList &options = QStringList())
        : path(file)
        , seconds(length)
        , frequency(hz)
        , extra(options)
    {
    }
    QString path;
    double seconds;
    int frequency;
    QStringList extra;
};

// Makes the tones, all at once. posix_spawn rather than QProcess: the thread sanitizer refuses a fork
// once the test has threads (QtTest's watchdog is one).
inline bool makeToneMp3s(const QList<ToneMp3> &tones)
{
    // Those made before come from the cache; the others are made all at once.
    std::vector<pid_t> runs;
    QStringList entries;
    for (const ToneMp3 &tone : tones) {
        QStringList args{
            QStringLiteral("ffmpeg"),
            QStringLiteral("-nostdin"),
            QStringLiteral("-y"),
            QStringLiteral("-hide_banner"),
            QStringLiteral("-loglevel"),
            QStringLiteral("error"),
            QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("sine=frequency=%1:duration=%2").arg(tone.frequency).arg(tone.seconds),
            QStringLiteral("-ac"),
            QStringLiteral("2"),
            QStringLiteral("-ar"),
            QStringLiteral("44100"),
            QStringLiteral("-b:a"),
            QStringLiteral("64k")};
        args << tone.extra;
        const QString entry = fixturecache::entryFor(QStringLiteral(KVR_BINARY_DIR "/test-fixtures"),
                                                     QStringLiteral("ffmpeg"), args, QStringLiteral("mp3"));
        entries << entry;
        if (fixturecache::take(entry, tone.path)) {
            runs.push_back(0);
            continue;
        }
        args << tone.path;
        std::vector<QByteArray> bytes;
        for (const QString &arg : args)
            bytes.push_back(arg.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &arg : bytes)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        runs.push_back(posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1);
    }
    bool made = true;
    for (qsizetype i = 0; i < tones.size(); ++i) {
        const pid_t pid = runs.at(size_t(i));
        if (pid == 0)
            continue;
        int status = 0;
        while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        const bool ok =
            pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && QFile::exists(tones.at(i).path);
        if (ok)
            fixturecache::keep(tones.at(i).path, entries.at(i));
        made = made && ok;
    }
    return made;
}

inline bool makeToneMp3(const QString &path, double seconds, int frequency = 440,
                        const QStringList &extra = QStringList())
{
    return makeToneMp3s({{path, seconds, frequency, extra}});
}

// The silent device plays kAudioSpeed times faster than real time where the audio layer takes
// KVR_AUDIO_SPEED (read by BASS_Init), and in real time where it does not. The suites open it with
// openPlaybackAudio and give every wait for songs to play playMs, so they hold either way.
constexpr int kAudioSpeed = 10;

// The speed the device was found to play at (1 until openPlaybackAudio has measured it).
inline double &audioSpeed()
{
    static double speed = 1.0;
    return speed;
}

// Opens the silent device asking for kAudioSpeed, and measures the speed it plays at with one
// play of probe (a short local song): played at speed s, a song ends after its length / s.
inline bool openPlaybackAudio(const QString &probe)
{
    qputenv("KVR_AUDIO_SPEED", QByteArray::number(kAudioSpeed));
    if (!BASS_Init(0, 44100, 0, nullptr, nullptr))
        return false;
    const QByteArray file = probe.toLocal8Bit();
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.constData(), 0, 0, 0);
    if (!stream)
        return false;
    const double seconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    std::atomic<bool> ended{false};
    BASS_ChannelSetSync(
        stream, BASS_SYNC_END, 0,
        [](HSYNC, DWORD, DWORD, void *user) { static_cast<std::atomic<bool> *>(user)->store(true); }, &ended);
    QElapsedTimer clock;
    clock.start();
    const bool played = BASS_ChannelPlay(stream, FALSE);
    while (played && !ended.load() && clock.elapsed() < 20000)
        QThread::msleep(2);
    const qint64 took = std::max<qint64>(1, clock.elapsed());
    BASS_StreamFree(stream);
    if (!ended.load() || seconds <= 0)
        return false;
    audioSpeed() = std::clamp(seconds * 1000 / double(took), 1.0, double(kAudioSpeed));
    qInfo("the silent device plays at %.1f times real time", audioSpeed());
    return true;
}

// A timeout for songs of this many seconds in all to play on the device: their time at the
// measured speed, and room for the network and a slow machine.
inline int playMs(double seconds)
{
    return int(std::ceil(seconds * 1000 / audioSpeed())) + 5000;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The play queue as the play-list page answers the controller: the rows, the playing row, the
// play mode and the failure counter with their rules (0 repeat one and stop once it failed; 1 in
// order without wrap; 2 loop; 3 random; modes 2 and 3 stop once the failures since the last
// hand-started row reach the row count).
class TestPlayQueue : public PlayListSeam
{
public:
    std::vector<spis> rows;
    int playing = -1;
    int wrongCount = 0;
    int mode = 2;
    QList<int> chosen;  // every row handed to the controller, in order
    QStringList calls;  // "wrong:<list>", "close", "clear:<list>", "chart:<id>", "net:<id>|<dur>|<size>"
    QStringList albums; // the album name of each row as the page keeps it
    QList<int> repainted;

    void addRow(const spis &song)
    {
        rows.push_back(song);
        albums << song.albumName;
    }

    // A double-click on a row: the play queue becomes the playing list and the row plays.
    void playTheListSong(int row)
    {
        g_nPlayingListId = PlayingListId::kPlayQueue;
        wrongCount = 0;
        spis s;
        choose(row, s);
        songplayHandler *player = g_pSongPlayHandler;
        player->m_curSong.artist = s.artist;
        player->m_curSong.duration = s.duration;
        player->m_curSong.id = s.id;
        player->m_curSong.title = s.title;
        player->m_curSong.albumName = s.albumName;
        player->m_curSong.nType = s.nType;
        player->beforePlayTheSong(s.nType, s.filePath, s.duration, g_songDisplayName(s.artist, s.title),
                                  s.bytesize, s.albumpic, s.id);
    }

    void getNextSongandSelIt(int, spis &s) override
    {
        const int n = int(rows.size());
        if (n == 0) {
            s.filePath.clear();
            return;
        }
        if (playing < 0) {
            choose(0, s);
            return;
        }
        int next = playing;
        switch (mode) {
        case 0:
            if (wrongCount == -2) {
                s.filePath.clear();
                return;
            }
            break;
        case 1:
            next = playing + 1;
            if (next >= n) {
                s.filePath.clear();
                return;
            }
            break;
        case 2:
            next = (playing + 1) % n;
            if (wrongCount == n) {
                s.filePath.clear();
                return;
            }
            break;
        default:
            next = int(QRandomGenerator::global()->bounded(n));
            if (wrongCount == n) {
                s.filePath.clear();
                return;
            }
            break;
        }
        choose(next, s);
    }

    bool getRealNextSongandSelIt(int, spis &s) override
    {
        if (playing < 0 || rows.empty())
            return false;
        choose((playing + 1) % int(rows.size()), s);
        return true;
    }

    bool getRealPrevSongandSelIt(int, spis &s) override
    {
        if (playing < 0 || rows.empty())
            return false;
        choose(playing == 0 ? int(rows.size()) - 1 : playing - 1, s);
        return true;
    }

    void dealWithWrong(int listId, int nReason) override
    {
        calls << QStringLiteral("wrong:%1:%2").arg(listId).arg(nReason);
        ++wrongCount;
        if (mode == 0)
            wrongCount = -2;
    }

    QString changePLCurPlayingNetSong(int, const QString &id, const QString &path, const QString &duration,
                                      const QString &size, const QString &picture) override
    {
        calls << QStringLiteral("net:%1|%2|%3").arg(id, duration, size);
        if (playing < 0)
            return QString();
        spis &row = rows[size_t(playing)];
        if (QString::number(row.id) == id) {
            row.filePath = path;
            row.duration = duration;
            row.bytesize = size;
            row.albumpic = picture;
        }
        return QString::number(row.id);
    }

    void changePLCurPlayingNetSongDur(int, QString &sDur, const QString &sLocalSong) override
    {
        sDur = g_formatSongDuration(g_getSongDuration(sLocalSong));
        if (playing >= 0)
            rows[size_t(playing)].duration = sDur;
    }

    void closeCurDisplayingEditor() override { calls << QStringLiteral("close"); }
    void clearCurPlayingRow(int listId) override { calls << QStringLiteral("clear:%1").arg(listId); }
    void increaseChartCount(const QString &id) override { calls << QStringLiteral("chart:") + id; }

    int playQueueRowCount() override { return int(rows.size()); }
    QString playQueueRowId(int row) override { return QString::number(rows[size_t(row)].id); }
    QString playQueueRowAlbum(int row) override { return albums.value(row); }
    void setPlayQueueRowAlbum(int row, const QString &album) override
    {
        albums[row] = album;
        repainted << row;
    }

private:
    void choose(int row, spis &s)
    {
        s = rows[size_t(row)];
        playing = row;
        chosen << row;
    }
};

// The play panel as the controller sees it: every status, start, reset and hand-over recorded;
// the end of a song continues as the main window's connections do, and the next-song button
// plays the next song.
class PlaybackSeam : public RecordingSeam
{
public:
    QStringList statuses; // "<status>|<text>"
    int playStarted = 0;
    int resets = 0;
    int ends = 0;
    std::vector<std::unique_ptr<_tag_localsonginfo_>> localSongs; // the library pages' share
    QStringList loveStates;
    QList<quint32> startedIds; // the controller's current song at every start

    void changeNetplayStatus(int nStatus, const QString &s) override
    {
        statuses << QStringLiteral("%1|%2").arg(nStatus).arg(s);
    }
    void dealWithPlayStarted() override
    {
        ++playStarted;
        if (g_pSongPlayHandler)
            startedIds << g_pSongPlayHandler->m_curSong.id;
    }
    void resetPlayingInfo() override
    {
        ++resets;
        calls << QStringLiteral("resetPlayingInfo");
    }
    void DisableSth(bool) override {}
    void stopElapsedTimer() override {}
    void changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong) override
    {
        calls << QStringLiteral("netSongDur:") + sLocalSong;
        if (g_nPlayingListId == PlayingListId::kRadio && g_pRadioPlayHandler)
            g_pRadioPlayHandler->changePLCurPlayingNetSongDur(sDur, sLocalSong);
        else if (PlayingListId::isPage(g_nPlayingListId))
            g_playListSeam()->changePLCurPlayingNetSongDur(g_nPlayingListId, sDur, sLocalSong);
    }
    void setLoveBtnState(quint32 id) override { loveStates << QString::number(id); }
    void refreshLocalWgts() override
    {
        for (_tag_localsonginfo_ *song : std::as_const(g_listLocalSongs))
            localSongs.emplace_back(song);
    }
    void hideSliderTimeHint() override {}
    void songPlayStopped(int nReason) override
    {
        ++ends;
        LoggingMainWindowSeam::songPlayStopped(nReason);
    }
    void clickNextButton() override
    {
        RecordingSeam::clickNextButton();
        if (g_pSongPlayHandler)
            g_pSongPlayHandler->playNextSong();
    }
};

class TestLyricDisplay : public LyricDisplaySeam
{
public:
    QStringList loaded;
    int started = 0;
    void loadLrcFile(const QString &sSongPath) override { loaded << sSongPath; }
    void StartLrcDisplay() override { ++started; }
};

// The main window's elapsed-time timer as far as the download gauge goes: the same gauge, read
// more often, so a streamed song is promoted to the cache only the way the player does it.
class DownloadWatch : public QObject
{
public:
    DownloadWatch()
    {
        connect(&m_timer, &QTimer::timeout, this, [] { g_updateDownloadGauge(g_pSongPlayHandler); });
        m_timer.start(50);
    }

private:
    QTimer m_timer;
};

inline spis localRow(const QString &path, const QString &title,
                     const QString &duration = QStringLiteral("00:01"))
{
    spis s;
    s.nType = 3;
    s.filePath = path;
    s.title = title;
    s.duration = duration;
    return s;
}

inline spis networkRow(quint32 id, const QString &artist, const QString &title,
                       const QString &path = QString(), const QString &size = QStringLiteral("idvalid"))
{
    spis s;
    s.nType = 2;
    s.id = id;
    s.artist = artist;
    s.title = title;
    s.filePath = path.isEmpty() ? QString::number(id) : path;
    s.bytesize = size;
    s.duration = QStringLiteral("00:01");
    return s;
}

// The playback road assembled as the main window assembles it, with the stand-ins above: one
// instance per test function. The program-wide values are back as they were once it goes.
#include "FakeServiceHosts.h"
#include "GlobalsGuard.h"
#include "services/core/Globals.h"
#include "services/net/HttpObject.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/PlaybackRoutes.h"
#include "services/playback/SongInfoAnswer.h"
#include "services/seams/FixedFolderSeam.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

// Waits until every answer the client was asked for has been handled (an answer whose handler
// asks again keeps it waiting). Work that an answer posted runs first, so a reaction that comes
// through the event queue is seen as well. For tests that check that an answer changed nothing.
inline bool waitUntilAnswered(const httpRequestHandler &client, int timeoutMs = 5000)
{
    QCoreApplication::sendPostedEvents();
    return QTest::qWaitFor([&client]() { return client.requestsInFlight() == 0; }, timeoutMs);
}

struct PlaybackRig
{
    GlobalsGuard globals; // first: it restores after everything below has gone
    FixedFolderSeam folders;
    TestLyricDisplay lyrics;
    PlaybackSeam seam;
    TestPlayQueue queue;
    ScopedSeam<FolderSeam> installedFolders{&folders};
    ScopedSeam<LyricDisplaySeam> installedLyrics{&lyrics};
    ScopedSeam<MainWindowSeam> installedSeam{&seam};
    ScopedSeam<PlayListSeam> installedQueue{&queue};
    std::unique_ptr<httpRequestHandler> client;
    std::unique_ptr<songplayHandler> player;
    std::unique_ptr<RadioPlayHandler> radio;

    // Folders under root; the playable states "1", "2" and "3".
    bool setUp(const QString &root)
    {
        folders.m_sCacheDir = root + QStringLiteral("/cache");
        folders.m_sDownDir = root + QStringLiteral("/down");
        folders.m_sLrcDir = root + QStringLiteral("/lrc");
        for (const QString &folder : {folders.m_sCacheDir, folders.m_sDownDir, folders.m_sLrcDir}) {
            if (!QDir().mkpath(folder))
                return false;
        }
        g_sMainUrl.clear();
        g_bMainUrlOk = false;
        g_nPlayingListId = PlayingListId::kNone;
        g_nSongSourceKind = SongSourceKind::kNone;
        g_sPendingLrcId.clear();
        g_sPendingLrcName.clear();
        g_presenceState().m_slPlayableStates = {QStringLiteral("1"), QStringLiteral("2"),
                                                QStringLiteral("3")};
        client = std::make_unique<httpRequestHandler>();
        g_phttpHandler = client.get();
        player = std::make_unique<songplayHandler>();
        radio = std::make_unique<RadioPlayHandler>();
        g_installPlaybackRoutes(client.get());
        return g_pSongPlayHandler == player.get() && g_pRadioPlayHandler == radio.get();
    }

    SongInfoAnswer *songInfo() const { return client->findChild<SongInfoAnswer *>(); }

    ~PlaybackRig()
    {
        radio.reset();
        player.reset();
        g_phttpHandler = nullptr;
        client.reset();
    }
};

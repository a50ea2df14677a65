// How long the playback road takes from the play request (songplayHandler::beforePlayTheSong) to
// the first sample the output device consumes (the stream's position leaves 0), on the silent
// device:
//   1. a local file;
//   2. a network song on loopback whose information is still to be fetched: song information,
//      stream address, then the stream opened on the thread pool;
//   3. a network song whose information and stream address are known: the stream alone.
// The cached copy of the network song is removed before every run, so each one streams. Beside
// each figure: the time to the start of the channel (the controller's dealWithPlayStarted), which
// leaves out the device's own buffer.
// Usage: playbackbench [runs]   (default 15). Build it in a release build for meaningful figures.

#include "FakeServiceHosts.h"

#include "audio/kvraudio.h"
#include "services/core/Globals.h"
#include "services/net/HttpObject.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/PlaybackRoutes.h"
#include "services/playback/SongCachePaths.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/FixedFolderSeam.h"
#include "services/seams/LoggingMainWindowSeam.h"
#include "services/seams/Seam.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool makeSong(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-y"), QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                  QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                  QStringLiteral("-i"), QStringLiteral("sine=frequency=440:duration=5"),
                  QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-ar"), QStringLiteral("44100"),
                  QStringLiteral("-b:a"), QStringLiteral("128k"), path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

// Processes events until the current stream's position leaves 0; milliseconds, or -1.
double waitForFirstSample(const QElapsedTimer &clock, int timeoutMs)
{
    while (clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const quint32 stream = g_hStream.load();
        if (stream != 0) {
            const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
            if (position != QWORD(-1) && position > 0)
                return double(clock.nsecsElapsed()) / 1e6;
        }
        QThread::usleep(100);
    }
    return -1;
}

// Notes when the controller has started the channel.
class StartSeam : public LoggingMainWindowSeam
{
public:
    QElapsedTimer *clock = nullptr;
    double startedMs = -1;
    void dealWithPlayStarted() override
    {
        if (clock && startedMs < 0)
            startedMs = double(clock->nsecsElapsed()) / 1e6;
    }
};

void settle(songplayHandler &player)
{
    player.stopPlay();
    QElapsedTimer clock;
    clock.start();
    while (player.workerCount() > 0 && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        player.stopPlay();
        QThread::msleep(5);
    }
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? -1 : ms[ms.size() / 2];
}

void print(const char *what, std::vector<double> ms, const std::vector<double> &started)
{
    if (ms.empty()) {
        std::printf("%-60s no run reached the output\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-60s median %7.2f ms  min %7.2f  max %7.2f  (channel started: median %6.2f ms; %zu runs)\n",
                what, ms[ms.size() / 2], ms.front(), ms.back(), median(started), ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;

    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("local.mp3"));
    if (!dir.isValid() || !makeSong(local)) {
        std::fprintf(stderr, "cannot make the test song with the ffmpeg command\n");
        return 1;
    }
    QFile file(local);
    file.open(QIODevice::ReadOnly);
    const QByteArray song = file.readAll();

    if (!BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "cannot open the silent device\n");
        return 1;
    }
    FakeWebService fake;
    if (!fake.start()) {
        std::fprintf(stderr, "cannot start the fake web service\n");
        return 1;
    }
    useFakeService(fake);
    fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), song, "audio/mpeg");

    FixedFolderSeam folders;
    folders.m_sCacheDir = dir.filePath(QStringLiteral("cache"));
    folders.m_sDownDir = dir.filePath(QStringLiteral("down"));
    folders.m_sLrcDir = dir.filePath(QStringLiteral("lrc"));
    for (const QString &folder : {folders.m_sCacheDir, folders.m_sDownDir, folders.m_sLrcDir})
        QDir().mkpath(folder);
    ScopedSeam<FolderSeam> installedFolders(&folders);
    StartSeam seam;
    g_presenceState().m_slPlayableStates = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    ScopedSeam<MainWindowSeam> installedSeam(&seam);

    std::vector<double> localMs, coldMs, warmMs;
    std::vector<double> localStart, coldStart, warmStart;
    {
        httpRequestHandler client;
        g_phttpHandler = &client;
        songplayHandler player;
        g_installPlaybackRoutes(&client);
        const QString name = QStringLiteral("Bench - Song");
        auto forget = [&]() {
            QFile::remove(g_cachedSongPath(folders.m_sCacheDir, name));
            QFile::remove(g_partialSongPath(folders.m_sCacheDir, name));
            QDir(folders.m_sLrcDir).removeRecursively();
            QDir().mkpath(folders.m_sLrcDir);
        };
        auto setSong = [&](quint32 id) {
            player.m_curSong.nType = id ? 2 : 3;
            player.m_curSong.id = id;
            player.m_curSong.artist = QStringLiteral("Bench");
            player.m_curSong.title = QStringLiteral("Song");
            player.m_curSong.duration = QStringLiteral("00:05");
        };
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer clock;
            seam.clock = &clock;

            seam.startedMs = -1;
            setSong(0);
            clock.start();
            player.beforePlayTheSong(3, local, QStringLiteral("00:05"), name, QString(), QString(), 0);
            if (const double ms = waitForFirstSample(clock, 10000); ms >= 0) {
                localMs.push_back(ms);
                localStart.push_back(seam.startedMs);
            }
            seam.startedMs = -1;
            settle(player);

            forget();
            g_sMainUrl.clear();
            g_bMainUrlOk = false;
            setSong(10000);
            clock.start();
            player.beforePlayTheSong(2, QStringLiteral("10000"), QStringLiteral("00:05"), name,
                                     QStringLiteral("idvalid"), QString(), 10000);
            if (const double ms = waitForFirstSample(clock, 10000); ms >= 0) {
                coldMs.push_back(ms);
                coldStart.push_back(seam.startedMs);
            }
            seam.startedMs = -1;
            settle(player);

            forget();
            setSong(10000);
            clock.start();
            player.beforePlayTheSong(2, QStringLiteral("/mp3/10000.mp3"), QStringLiteral("00:05"), name,
                                     QString::number(song.size()), QString(), 10000);
            if (const double ms = waitForFirstSample(clock, 10000); ms >= 0) {
                warmMs.push_back(ms);
                warmStart.push_back(seam.startedMs);
            }
            seam.startedMs = -1;
            settle(player);
        }
        g_phttpHandler = nullptr;
    }
    fake.stop();
    BASS_Free();

    std::printf("Play request to the first sample consumed by the output (silent device, 44100 Hz):\n");
    print("local file", localMs, localStart);
    print("network song, information to fetch (info, address, stream)", coldMs, coldStart);
    print("network song, information and address known (stream only)", warmMs, warmStart);
    return 0;
}

// What the download page costs the processor per megabyte it receives, beside the least any
// client must spend on the same bytes. Ten songs of several megabytes each (mp3 frames with
// distinct payloads) come from the fake web service on loopback:
//  (a) the page: ten downTheSong calls with room for all ten at once, the event loop run until
//      every row is finished, the page shown as in use (its rows repaint once a second);
//  (b) a bare QNetworkAccessManager: ten GETs at once, each reply's readyRead appended to its
//      own QFile, until all have finished.
// The figure is the process's CPU time (user + system, every thread) per MB. The service runs as
// a separate process (the fakeservice-server program), so none of its work is counted; its own
// CPU is printed beside for information. Every file is checked byte for byte after each run.
// What (a) does beyond (b) for every song, whatever its size: the probe (a GET of its own, on a
// connection of its own, ended once the headers are in), a network access manager and its
// thread per row, and reading the finished file's tags. The bare loop's one manager runs at most
// six connections to the host at once.
// Needs a display (Xvfb, or QT_QPA_PLATFORM=offscreen, which is taken when there is none). Files
// are written under TMPDIR: TMPDIR=/dev/shm keeps the disk's write-back out of the figures.
// The downloads' debug lines go to stderr as in the program (QT_LOGGING_RULES quiets them).
// Usage: downloadbench [runs] [MB per song]   (defaults 11 and 8; each figure is the median).
// Build it in a release build for meaningful figures.

#include "BenchTiming.h"
#include "playlists/downloadWgt.h"
#include "services/core/Globals.h"
#include "services/core/LocalSongInfo.h"
#include "services/downloads/httpDown.h"
#include "services/seams/FixedFolderSeam.h"
#include "services/seams/Seam.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kSongs = 10;
constexpr int kRunTimeoutMs = 300000;

using benchtiming::median;

double processCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)) * 1e3 +
           (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e3;
}

// Another process's user + system time, from /proc; -1 when it cannot be read.
double otherProcessCpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which may hold spaces: state is the first, utime the
    // twelfth and stime the thirteenth.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) * 1e3 / ticks;
}

// What the process has read so far (sockets and files alike), in MB; -1 when it cannot be told.
double processReadMb()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toDouble() / 1048576.0;
    }
    return -1;
}

// An mp3 as far as the tag reader looks: MPEG-1 layer III frames at 128 kbit/s, 44.1 kHz (417
// bytes each), their payloads a different pseudo-random stream for every song.
QByteArray makeSong(int seed, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint64 state = 0x9e3779b97f4a7c15ULL * quint64(seed + 1);
    constexpr qsizetype kFrame = 417;
    for (qsizetype at = 0; at < size; ++at) {
        const qsizetype inFrame = at % kFrame;
        static const char header[4] = {char(0xff), char(0xfb), char(0x90), char(0x44)};
        if (inFrame < 4) {
            bytes[at] = header[inFrame];
            continue;
        }
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes[at] = char(state >> 24);
    }
    return bytes;
}

bool sameAsFile(const QString &path, const QByteArray &expected)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == expected;
}

struct Figures
{
    double cpuMs = 0;
    double wallMs = 0;
    double serverCpuMs = 0;
    double readMb = 0;
};

class Bench
{
public:
    Bench(QString filesBase, qint64 serverPid, const QList<QByteArray> &songs)
        : m_base(std::move(filesBase))
        , m_serverPid(serverPid)
        , m_songs(songs)
    {
    }

    QString songUrl(int song) const { return m_base + QStringLiteral("/mp3/%1.mp3").arg(song); }

    Figures page()
    {
        QTemporaryDir root;
        FixedFolderSeam folders;
        folders.m_sDownDir = root.filePath(QStringLiteral("down"));
        folders.m_sCacheDir = root.filePath(QStringLiteral("cache"));
        QDir().mkpath(folders.m_sDownDir);
        QDir().mkpath(folders.m_sCacheDir);
        ScopedSeam<FolderSeam> installed(&folders);
        g_nMaxDownloads = kSongs;
        g_bMainUrlOk = true; // absolute addresses: no URL index first
        g_nDownNameFormat = 0;

        auto page = std::make_unique<downloadWgt>();
        page->resize(760, 480);
        page->show();
        settle();

        const Figures start = now();
        for (int song = 0; song < kSongs; ++song)
            page->downTheSong(songUrl(song), QStringLiteral("歌%1").arg(song), QStringLiteral("歌手"),
                              QString(), QStringLiteral("8.00 M"), QStringLiteral("04:20"),
                              QString::number(100 + song));
        if (page->getRecordCount() != kSongs || page->curDowningCount() != kSongs)
            qFatal("the page took %d rows, %d running", page->getRecordCount(), page->curDowningCount());
        QEventLoop loop;
        int ended = 0;
        for (int row = 0; row < kSongs; ++row) {
            QObject::connect(page->recordOf(row)->pDown, &httpDown::downFinished, &loop, [&] {
                if (++ended == kSongs)
                    loop.quit();
            });
        }
        QTimer::singleShot(kRunTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        const Figures figures = since(start);

        for (int row = 0; row < kSongs; ++row) {
            if (!page->recordOf(row)->fin)
                qFatal("page: row %d did not finish (%s)", row, qPrintable(page->recordOf(row)->status));
            const QString path = folders.m_sDownDir + QStringLiteral("/歌手 - 歌%1.mp3").arg(row);
            if (!sameAsFile(path, m_songs.at(row)))
                qFatal("page: %s is not the song served", qPrintable(path));
        }
        // The library's songs that the default seam left with the page.
        const QList<_tag_localsonginfo_ *> handed = page->downloadedTable().values();
        page.reset();
        qDeleteAll(handed);
        return figures;
    }

    Figures bare()
    {
        QTemporaryDir root;
        const Figures start = now();
        QNetworkAccessManager nam;
        QEventLoop loop;
        int left = kSongs;
        std::vector<std::unique_ptr<QFile>> files;
        for (int song = 0; song < kSongs; ++song) {
            files.push_back(std::make_unique<QFile>(root.filePath(QStringLiteral("%1.mp3").arg(song))));
            QFile *file = files.back().get();
            if (!file->open(QIODevice::WriteOnly))
                qFatal("bare: cannot write %s", qPrintable(file->fileName()));
            QNetworkReply *reply = nam.get(QNetworkRequest(QUrl(songUrl(song))));
            QObject::connect(reply, &QNetworkReply::readyRead, reply,
                             [reply, file] { file->write(reply->readAll()); });
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, file] {
                file->write(reply->readAll());
                file->close();
                if (reply->error() != QNetworkReply::NoError)
                    qFatal("bare: %s: %s", qPrintable(reply->url().toString()),
                           qPrintable(reply->errorString()));
                reply->deleteLater();
                if (--left == 0)
                    loop.quit();
            });
        }
        QTimer::singleShot(kRunTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        const Figures figures = since(start);
        if (left != 0)
            qFatal("bare: %d transfers did not finish", left);
        for (int song = 0; song < kSongs; ++song) {
            if (!sameAsFile(files.at(song)->fileName(), m_songs.at(song)))
                qFatal("bare: %s is not the song served", qPrintable(files.at(song)->fileName()));
        }
        return figures;
    }

private:
    // Lets the page lay out and paint before the clock starts.
    static void settle()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    Figures now() const
    {
        m_clock.start();
        return Figures{processCpuMs(), 0, otherProcessCpuMs(m_serverPid), processReadMb()};
    }

    Figures since(const Figures &start) const
    {
        return Figures{processCpuMs() - start.cpuMs, double(m_clock.nsecsElapsed()) / 1e6,
                       otherProcessCpuMs(m_serverPid) - start.serverCpuMs, processReadMb() - start.readMb};
    }

    QString m_base;
    qint64 m_serverPid;
    const QList<QByteArray> &m_songs;
    mutable QElapsedTimer m_clock;
};

// Starts the service with the songs as fixtures and returns the base address of its files host.
QString startService(QProcess &server, const QString &fixtureDir)
{
    server.setProgram(QStringLiteral(FAKESERVICE_SERVER));
    server.setArguments({QStringLiteral("--fixtures"), fixtureDir});
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start();
    if (!server.waitForStarted(10000))
        qFatal("cannot start %s", FAKESERVICE_SERVER);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000) {
        while (server.canReadLine()) {
            const QByteArray line = server.readLine().trimmed();
            if (line.startsWith("files "))
                return QString::fromLatin1(line.mid(6));
        }
        if (!server.waitForReadyRead(1000) && server.state() != QProcess::Running)
            break;
    }
    qFatal("the fake service did not come up");
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QByteArray(argv[1]).toInt() : 11);
    const int songMb = std::max(1, argc > 2 ? QByteArray(argv[2]).toInt() : 8);

    QTemporaryDir work;
    g_sLogDir = work.filePath(QStringLiteral("logs"));
    g_sAppDir = work.path();
    QDir().mkpath(g_sLogDir);
    // Not the service's host: no pre-request and no credentials, as for any other song address.
    httpDown::setSongFileHost(QStringLiteral("http://down.vyoplayer.example"));

    const QString fixtures = work.filePath(QStringLiteral("fixtures"));
    QDir().mkpath(fixtures);
    QList<QByteArray> songs;
    QByteArray routes;
    for (int song = 0; song < kSongs; ++song) {
        songs << makeSong(song, qsizetype(songMb) * 1024 * 1024);
        QFile file(QDir(fixtures).filePath(QStringLiteral("song-%1.bin").arg(song)));
        if (!file.open(QIODevice::WriteOnly) || file.write(songs.last()) != songs.last().size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        routes += "files * /mp3/" + QByteArray::number(song) + ".mp3 range audio/mpeg song-" +
                  QByteArray::number(song) + ".bin\n";
    }
    QFile routeFile(QDir(fixtures).filePath(QStringLiteral("routes.txt")));
    if (!routeFile.open(QIODevice::WriteOnly) || routeFile.write(routes) != routes.size())
        qFatal("cannot write %s", qPrintable(routeFile.fileName()));
    routeFile.close();

    QProcess server;
    const QString base = startService(server, fixtures);
    Bench bench(base, server.processId(), songs);

    // Once each unmeasured: the first connections, the network and codec libraries' set-up.
    bench.page();
    bench.bare();
    std::vector<Figures> pageRuns, bareRuns;
    std::vector<double> ratios;
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first, so neither always runs on a warmer machine.
        Figures a, b;
        if (run % 2 == 0) {
            a = bench.page();
            b = bench.bare();
        } else {
            b = bench.bare();
            a = bench.page();
        }
        pageRuns.push_back(a);
        bareRuns.push_back(b);
        ratios.push_back(a.cpuMs / b.cpuMs);
        std::printf(
            "run %2d: page %6.1f ms CPU (%4.0f ms wall), bare %6.1f ms CPU (%4.0f ms wall), ratio %.3f\n",
            run + 1, a.cpuMs, a.wallMs, b.cpuMs, b.wallMs, a.cpuMs / b.cpuMs);
    }
    server.terminate();
    server.waitForFinished(5000);

    const double mb = double(kSongs) * songMb;
    auto medianOf = [](const std::vector<Figures> &all, double Figures::*field) {
        std::vector<double> values;
        for (const Figures &figures : all)
            values.push_back(figures.*field);
        return median(values);
    };
    std::printf("%d songs x %d MB from the fake service on loopback, %d runs, medians. CPU: this process's\n"
                "user+system time, every thread; the service is a separate process, not counted (its own\n"
                "CPU is shown as \"server\"). \"read\": all the process read, sockets and files.\n",
                kSongs, songMb, runs);
    const struct
    {
        const char *name;
        const std::vector<Figures> &all;
    } rows[] = {{"(a) download page:    ", pageRuns}, {"(b) bare network loop:", bareRuns}};
    for (const auto &row : rows) {
        const double cpu = medianOf(row.all, &Figures::cpuMs);
        std::printf("%s %6.3f ms CPU/MB (%6.1f ms CPU, %5.0f ms wall, read %6.1f MB; server %.3f ms/MB)\n",
                    row.name, cpu / mb, cpu, medianOf(row.all, &Figures::wallMs),
                    medianOf(row.all, &Figures::readMb), medianOf(row.all, &Figures::serverCpuMs) / mb);
    }
    std::printf("ratio (a)/(b): %.3f of the medians, %.3f median of the runs' ratios (aim: at most 1.10)\n",
                medianOf(pageRuns, &Figures::cpuMs) / medianOf(bareRuns, &Figures::cpuMs), median(ratios));
    return 0;
}

// URL streams against the fake service's HTTP server: what the download callback gets, complete and
// truncated downloads, freeing mid-download, failures, ranges, and hostile servers (silence, a
// drip, a short body on an open connection, an endless body, an oversized header), each bounded.

#include "AudioTestSupport.h"
#include "FakeHttpServer.h"
#include "FakeServiceState.h"
#include "KvrTestMain.h"
#include "audio/kvraudio.h"
#include "audio/kvraudio_testing.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace AudioTestSupport;

namespace {

struct Download
{
    std::mutex mutex; // Qt's locks are invisible to ThreadSanitizer
    QByteArray data;
    QByteArray headers;
    int headerCalls = 0;
    int dataBeforeHeaders = 0;
    int finals = 0;
    DWORD finalLength = 99;
    qint64 finalAtMs = -1;
    QElapsedTimer clock;

    int finalCount()
    {
        std::lock_guard locker(mutex);
        return finals;
    }
    qsizetype received()
    {
        std::lock_guard locker(mutex);
        return data.size();
    }
};

void downloadProc(const void *buffer, DWORD length, void *user)
{
    auto *d = static_cast<Download *>(user);
    std::lock_guard locker(d->mutex);
    if (!buffer) {
        ++d->finals;
        d->finalLength = length;
        d->finalAtMs = d->clock.isValid() ? d->clock.elapsed() : -1;
    } else if (length == 0) {
        ++d->headerCalls;
        // Zero-terminated lines, the last one empty.
        const char *p = static_cast<const char *>(buffer);
        while (*p) {
            const QByteArray line(p);
            d->headers += line + '\n';
            p += line.size() + 1;
        }
    } else {
        if (d->headerCalls == 0)
            ++d->dataBeforeHeaders;
        d->data.append(static_cast<const char *>(buffer), int(length));
    }
}

struct EndFlag
{
    std::atomic<int> calls{0};
    QElapsedTimer clock;
    std::atomic<qint64> atMs{-1};
};

void endProc(HSYNC, DWORD, DWORD, void *user)
{
    auto *end = static_cast<EndFlag *>(user);
    end->atMs = end->clock.elapsed();
    ++end->calls;
}

// The fake service's server on a thread of its own, since opening a URL stream blocks the test's
// thread. Its Qt objects live and die on that thread; the test meets it through std::mutex and
// std::condition_variable, which ThreadSanitizer can see. Routes go into `state` before begin().
class ServerThread : public QThread
{
public:
    FakeServiceState state;

    ~ServerThread() override { end(); }

    // The files host's base URL ("http://127.0.0.1:port"), or empty when it cannot listen.
    QByteArray begin()
    {
        start();
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_started; });
        return m_port ? "http://127.0.0.1:" + QByteArray::number(m_port) : QByteArray();
    }
    void end()
    {
        if (!isRunning())
            return;
        quit();
        wait();
    }
    void setRaw(const QString &path, const FakeHttpConnection::RawBehaviour &raw)
    {
        std::lock_guard lock(m_lock);
        if (m_server)
            m_server->setRawBehaviour(FakeHost::Files, path, raw);
    }

protected:
    void run() override
    {
        FakeHttpServer server(&state);
        const bool listening = server.listenAll();
        {
            std::lock_guard lock(m_lock);
            m_started = true;
            m_server = listening ? &server : nullptr;
            m_port = listening ? server.ports().value(FakeHost::Files) : 0;
        }
        m_changed.notify_all();
        if (listening)
            exec();
        std::lock_guard lock(m_lock);
        m_server = nullptr;
        server.closeAll();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_started = false;
    FakeHttpServer *m_server = nullptr;
    quint16 m_port = 0;
};

FakeHttpConnection::RawBehaviour silence()
{
    FakeHttpConnection::RawBehaviour raw;
    raw.silent = true;
    return raw;
}

FakeHttpConnection::RawBehaviour drip(int bytes, int ms)
{
    FakeHttpConnection::RawBehaviour raw;
    raw.dripBytes = bytes;
    raw.dripMs = ms;
    return raw;
}

FakeHttpConnection::RawBehaviour shortBody(qint64 bytes, bool holdOpen)
{
    FakeHttpConnection::RawBehaviour raw;
    raw.bodyBytes = bytes;
    raw.holdOpen = holdOpen;
    return raw;
}

// Wall time within [audio time less 30 ms, audio time plus `slackMs`] at the tests' speed.
bool onTime(qint64 ms, double audioSeconds, double slackMs = 200)
{
    return ms > wallMs(audioSeconds) - 30 && ms < wallMs(audioSeconds) + slackMs;
}

// The songs play this many times faster than real time on the silent device.
constexpr double kSpeed = 20;

} // namespace

class TestAudioUrl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void completeDownload_data();
    void completeDownload();
    void downloadGoesOnWhilePaused();
    void cutConnectionEndsWhereDataEnds();
    void shortBodyOnOpenConnectionEnds();
    void silentServerFailsTheOpen_data();
    void silentServerFailsTheOpen();
    void drippingServerHitsTheOpenDeadline_data();
    void drippingServerHitsTheOpenDeadline();
    void endlessBodyStopsAtTheBound();
    void oversizedHeaderFailsTheOpen_data();
    void oversizedHeaderFailsTheOpen();
    void freeMidDownloadMakesOneFinalCall();
    void failuresNeverReachTheCallback_data();
    void failuresNeverReachTheCallback();
    void rangeStart();
    void freeWhileOpening_data();
    void freeWhileOpening();

private:
    QByteArray url(const char *path) const { return m_base + path; }
    void serve(const QString &path, const QByteArray &data, bool ranges = false);
    void expectFailedOpen(const QByteArray &target, int error, qint64 minMs, qint64 maxMs);
    QTemporaryDir m_dir;
    QByteArray m_song;      // 2 s mp3
    QByteArray m_longSong;  // 10 s mp3
    QByteArray m_plainSong; // 2 s mp3 without tags, so copies of it in a row are one longer mp3
    double m_halfSeconds = 0;
    double m_songSeconds = -1; // ffprobe's duration of song.mp3, asked once
    QByteArray m_base;
    DWORD m_defaultReadTimeout = 0;
    ServerThread m_server;
};

void TestAudioUrl::serve(const QString &path, const QByteArray &data, bool ranges)
{
    if (ranges)
        m_server.state.addFile(FakeHost::Files, "*", path, data, "audio/mpeg");
    else
        m_server.state.addAnswer(FakeHost::Files, "*", path, FakeAnswer::bytes(data, "audio/mpeg"));
}

void TestAudioUrl::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString song = m_dir.filePath(QStringLiteral("song.mp3"));
    const QString longSong = m_dir.filePath(QStringLiteral("long.mp3"));
    const QString plainSong = m_dir.filePath(QStringLiteral("plain.mp3"));
    QVERIFY(makeFixtures(
        {{song,
          QStringLiteral("sine=frequency=440:duration=2"),
          {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}},
         {longSong,
          QStringLiteral("sine=frequency=440:duration=10"),
          {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
           QStringLiteral("128k")}},
         {plainSong,
          QStringLiteral("sine=frequency=440:duration=2"),
          {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-write_xing"),
           QStringLiteral("0"), QStringLiteral("-id3v2_version"), QStringLiteral("0")}}}));
    QFile a(song), b(longSong), c(plainSong);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && c.open(QIODevice::ReadOnly));
    m_song = a.readAll();
    m_longSong = b.readAll();
    m_plainSong = c.readAll();

    const QString halfFile = m_dir.filePath(QStringLiteral("half.mp3"));
    {
        QFile file(halfFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(m_song.left(m_song.size() / 2));
    }
    m_halfSeconds = double(ffmpegDecode(halfFile).size()) / (44100.0 * 4);
    QVERIFY(m_halfSeconds > 0.5);

    // Every route serves the song; the raw behaviours below decide how.
    for (const char *path :
         {"/song.mp3", "/cut.mp3", "/short.mp3", "/silent.mp3", "/drip.mp3", "/trickle.mp3", "/header.mp3"})
        serve(QString::fromLatin1(path), m_song);
    // Song paths with a blank and Chinese text, and with a "#", as the service's paths are.
    serve(QStringLiteral("/\u6b4c song.mp3"), m_song);
    serve(QStringLiteral("/C# minor.mp3"), m_song);
    serve(QStringLiteral("/steady.mp3"), m_longSong);
    serve(QStringLiteral("/endless.mp3"), m_plainSong);
    serve(QStringLiteral("/ranged.mp3"), m_song, true);
    m_server.state.addAnswer(FakeHost::Files, "*", QStringLiteral("/error.mp3"),
                             FakeAnswer::text("error", 500));
    m_server.state.addAnswer(
        FakeHost::Files, "*", QStringLiteral("/text.mp3"),
        FakeAnswer::text(QByteArray("<html><body>This page is not a song.</body></html>\n").repeated(50), 200,
                         "audio/mpeg"));
    m_base = m_server.begin();
    QVERIFY(!m_base.isEmpty());
    m_server.setRaw(QStringLiteral("/cut.mp3"), shortBody(m_song.size() / 2, false));
    m_server.setRaw(QStringLiteral("/short.mp3"), shortBody(m_song.size() / 2, true));
    m_server.setRaw(QStringLiteral("/silent.mp3"), silence());
    m_server.setRaw(QStringLiteral("/trickle.mp3"), drip(1024, 20)); // 50 KB/s
    m_server.setRaw(QStringLiteral("/steady.mp3"), drip(16 * 1024, 30));
    FakeHttpConnection::RawBehaviour endless;
    endless.endless = true;
    m_server.setRaw(QStringLiteral("/endless.mp3"), endless);

    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
    setSpeed(kSpeed);
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000));
    // A server that goes quiet is given up on by default, not waited for for ever.
    m_defaultReadTimeout = BASS_GetConfig(BASS_CONFIG_NET_READTIMEOUT);
    QVERIFY2(m_defaultReadTimeout > 0 && m_defaultReadTimeout <= 30000,
             qPrintable(QString::number(m_defaultReadTimeout)));
}

void TestAudioUrl::cleanupTestCase()
{
    BASS_Free();
    m_server.end();
}

void TestAudioUrl::cleanup()
{
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, m_defaultReadTimeout);
    kvraudio::testing::setNetOpenDeadline(0);
    kvraudio::testing::setNetSpoolLimit(0);
}

void TestAudioUrl::completeDownload_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<DWORD>("flags");
    QTest::newRow("status lines") << QByteArray("/song.mp3") << DWORD(BASS_STREAM_STATUS);
    QTest::newRow("no status") << QByteArray("/song.mp3") << DWORD(0);
    QTest::newRow("encoded path") << QByteArray("/\xe6\xad\x8c song.mp3") << DWORD(BASS_STREAM_STATUS);
    QTest::newRow("hash in name") << QByteArray("/C# minor.mp3") << DWORD(0);
}

void TestAudioUrl::completeDownload()
{
    QFETCH(QByteArray, path);
    QFETCH(DWORD, flags);
    Download download;
    download.clock.start();
    const HSTREAM stream =
        BASS_StreamCreateURL(url(path.constData()).constData(), 0, flags, &downloadProc, &download);
    QVERIFY2(stream, qPrintable(QString::number(BASS_ErrorGetCode())));
    // The whole body arrives without anyone playing the stream.
    QVERIFY(waitUntil([&] { return download.finalCount() > 0; }, 5000));
    {
        std::lock_guard locker(download.mutex);
        QCOMPARE(download.finals, 1);
        QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_COMPLETE));
        QVERIFY(download.data == m_song);
        if (flags & BASS_STREAM_STATUS) {
            QCOMPARE(download.headerCalls, 1);
            QCOMPARE(download.dataBeforeHeaders, 0);
            QVERIFY2(download.headers.startsWith("HTTP/1.1 200 OK\n"), download.headers.constData());
            QVERIFY(download.headers.contains("Content-Length: " + QByteArray::number(m_song.size()) + "\n"));
        } else {
            QCOMPARE(download.headerCalls, 0);
        }
    }
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), QWORD(m_song.size()));
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_START), QWORD(0));
    if (m_songSeconds < 0)
        m_songSeconds = ffprobeDuration(m_dir.filePath(QStringLiteral("song.mp3")));
    const double expected = m_songSeconds;
    QVERIFY2(qAbs(lengthSeconds(stream) - expected) < 0.001,
             qPrintable(QString::number(lengthSeconds(stream))));

    EndFlag end;
    QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &endProc, &end));
    end.clock.start();
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QVERIFY(waitUntil([&] { return end.calls > 0; }, 5000));
    QVERIFY2(onTime(end.atMs, expected), qPrintable(QString::number(end.atMs)));
    QVERIFY(BASS_StreamFree(stream));
    QCOMPARE(download.finalCount(), 1);
}

void TestAudioUrl::downloadGoesOnWhilePaused()
{
    Download download;
    download.clock.start();
    const HSTREAM stream =
        BASS_StreamCreateURL(url("/steady.mp3").constData(), 0, 0, &downloadProc, &download);
    QVERIFY(stream);
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QThread::msleep(20);
    QVERIFY(BASS_ChannelPause(stream));
    QThread::msleep(50); // what the device still held has been heard now
    const double paused = positionSeconds(stream);
    // 10 s of sound at about half a megabyte a second: all of it arrives while the stream stands.
    QVERIFY(waitUntil([&] { return download.finalCount() > 0; }, 5000));
    QVERIFY2(download.finalAtMs < 2000, qPrintable(QString::number(download.finalAtMs)));
    QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_COMPLETE));
    QVERIFY(download.data == m_longSong);
    QCOMPARE(positionSeconds(stream), paused);
    QVERIFY(paused < 9.0);
    QVERIFY(BASS_StreamFree(stream));
}

void TestAudioUrl::cutConnectionEndsWhereDataEnds()
{
    const QByteArray half = m_song.left(m_song.size() / 2);
    Download download;
    const HSTREAM stream = BASS_StreamCreateURL(url("/cut.mp3").constData(), 0, 0, &downloadProc, &download);
    QVERIFY(stream);
    QVERIFY(waitUntil([&] { return download.finalCount() > 0; }, 5000));
    QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_TRUNCATED));
    QVERIFY(download.data == half);
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), QWORD(half.size()));

    EndFlag end;
    QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &endProc, &end));
    end.clock.start();
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QVERIFY(waitUntil([&] { return end.calls > 0; }, 5000));
    QVERIFY2(onTime(end.atMs, m_halfSeconds),
             qPrintable(QStringLiteral("%1 ms for %2 s of sound").arg(end.atMs).arg(m_halfSeconds)));
    QVERIFY2(qAbs(positionSeconds(stream) - m_halfSeconds) < 0.05,
             qPrintable(QString::number(positionSeconds(stream))));
    QVERIFY(BASS_StreamFree(stream));
    QCOMPARE(download.finalCount(), 1);
}

void TestAudioUrl::shortBodyOnOpenConnectionEnds()
{
    // Half the announced body, then nothing on a connection that stays open. The stream plays from
    // the start; once the read time-out gives up on the server, it ends where the data ends.
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 300));
    Download download;
    download.clock.start();
    const HSTREAM stream =
        BASS_StreamCreateURL(url("/short.mp3").constData(), 0, 0, &downloadProc, &download);
    QVERIFY(stream);
    EndFlag end;
    QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &endProc, &end));
    end.clock.start();
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QVERIFY(waitUntil([&] { return end.calls > 0; }, 5000));
    {
        std::lock_guard locker(download.mutex);
        QCOMPARE(download.finals, 1);
        QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_TRUNCATED));
        QVERIFY2(download.finalAtMs >= 280 && download.finalAtMs < 800,
                 qPrintable(QString::number(download.finalAtMs)));
        QVERIFY(download.data == m_song.left(m_song.size() / 2));
    }
    QVERIFY2(end.atMs >= 280 && end.atMs < 800, qPrintable(QString::number(end.atMs)));
    QVERIFY2(qAbs(positionSeconds(stream) - m_halfSeconds) < 0.05,
             qPrintable(QString::number(positionSeconds(stream))));
    QThread::msleep(50);
    QCOMPARE(end.calls.load(), 1);
    QVERIFY(BASS_StreamFree(stream));
    QCOMPARE(download.finalCount(), 1);
}

void TestAudioUrl::expectFailedOpen(const QByteArray &target, int error, qint64 minMs, qint64 maxMs)
{
    Download download;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(BASS_StreamCreateURL(target.constData(), 0, BASS_STREAM_STATUS, &downloadProc, &download),
             HSTREAM(0));
    const qint64 ms = timer.elapsed();
    QCOMPARE(BASS_ErrorGetCode(), error);
    QVERIFY2(ms >= minMs && ms < maxMs, qPrintable(QString::number(ms)));
    QThread::msleep(50);
    std::lock_guard locker(download.mutex);
    QCOMPARE(download.finals + download.headerCalls + download.data.size(), 0);
}

void TestAudioUrl::silentServerFailsTheOpen_data()
{
    QTest::addColumn<int>("readTimeoutMs");
    QTest::addColumn<int>("openDeadlineMs");
    QTest::newRow("read time-out") << 300 << 0;
    // Without a read time-out the open deadline still ends the wait.
    QTest::newRow("no read time-out") << 0 << 300;
}

void TestAudioUrl::silentServerFailsTheOpen()
{
    // The server takes the request and never answers.
    QFETCH(int, readTimeoutMs);
    QFETCH(int, openDeadlineMs);
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, DWORD(readTimeoutMs)));
    kvraudio::testing::setNetOpenDeadline(openDeadlineMs);
    expectFailedOpen(url("/silent.mp3"), BASS_ERROR_TIMEOUT, 280, 800);
}

void TestAudioUrl::drippingServerHitsTheOpenDeadline_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("everyMs");
    // The header itself a byte at a time; then a header at once and a body too slow to start on.
    QTest::newRow("byte by byte") << 1 << 5;
    QTest::newRow("slow body") << 200 << 100;
}

void TestAudioUrl::drippingServerHitsTheOpenDeadline()
{
    // Data keeps coming, so the read time-out never fires; the open deadline does.
    QFETCH(int, bytes);
    QFETCH(int, everyMs);
    m_server.setRaw(QStringLiteral("/drip.mp3"), drip(bytes, everyMs));
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 5000));
    kvraudio::testing::setNetOpenDeadline(400);
    expectFailedOpen(url("/drip.mp3"), BASS_ERROR_TIMEOUT, 380, 900);
}

void TestAudioUrl::endlessBodyStopsAtTheBound()
{
    // No length announced and no end: the spool stops at the bound, the download ends there as
    // truncated, and the stream plays what it got and ends.
    const qint64 limit = 5 * m_plainSong.size() / 2;
    kvraudio::testing::setNetSpoolLimit(limit);
    Download download;
    download.clock.start();
    const HSTREAM stream = BASS_StreamCreateURL(url("/endless.mp3").constData(), 0, BASS_STREAM_STATUS,
                                                &downloadProc, &download);
    QVERIFY2(stream, qPrintable(QString::number(BASS_ErrorGetCode())));
    EndFlag end;
    QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &endProc, &end));
    end.clock.start();
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QVERIFY(waitUntil([&] { return download.finalCount() > 0; }, 3000));
    {
        std::lock_guard locker(download.mutex);
        QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_TRUNCATED));
        QVERIFY(!download.headers.contains("Content-Length"));
        QCOMPARE(download.data.size(), limit);
        QVERIFY(download.data.startsWith(m_plainSong + m_plainSong));
    }
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), QWORD(limit));
    // Five seconds of sound.
    QVERIFY(waitUntil([&] { return end.calls > 0; }, 3000));
    QVERIFY2(onTime(end.atMs, 4.9, 400), qPrintable(QString::number(end.atMs)));
    QVERIFY2(qAbs(positionSeconds(stream) - 5.0) < 0.2, qPrintable(QString::number(positionSeconds(stream))));
    QThread::msleep(100);
    QCOMPARE(end.calls.load(), 1);
    QCOMPARE(download.finalCount(), 1);
    QCOMPARE(download.received(), limit);
    QVERIFY(BASS_StreamFree(stream));
}

void TestAudioUrl::oversizedHeaderFailsTheOpen_data()
{
    QTest::addColumn<int>("lineBytes");
    QTest::newRow("longer than curl takes") << 200 * 1024;
    QTest::newRow("longer than the layer takes") << 80 * 1024;
}

void TestAudioUrl::oversizedHeaderFailsTheOpen()
{
    QFETCH(int, lineBytes);
    FakeHttpConnection::RawBehaviour raw;
    raw.headerLineBytes = lineBytes;
    m_server.setRaw(QStringLiteral("/header.mp3"), raw);
    expectFailedOpen(url("/header.mp3"), BASS_ERROR_FILEOPEN, 0, 2000);
}

void TestAudioUrl::freeMidDownloadMakesOneFinalCall()
{
    // A trickle of 50 KB/s: the song takes well over half a second to arrive.
    Download download;
    const HSTREAM stream = BASS_StreamCreateURL(url("/trickle.mp3").constData(), 0, BASS_STREAM_STATUS,
                                                &downloadProc, &download);
    QVERIFY(stream);
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QThread::msleep(250);
    QVERIFY(BASS_StreamFree(stream));
    QByteArray received;
    {
        std::lock_guard locker(download.mutex);
        QCOMPARE(download.finals, 1); // made before the free returned
        QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_TRUNCATED));
        QCOMPARE(download.headerCalls, 1);
        received = download.data;
    }
    QVERIFY(received.size() > 0 && received.size() < m_song.size());
    QVERIFY(m_song.startsWith(received));
    QThread::msleep(300);
    std::lock_guard locker(download.mutex);
    QCOMPARE(download.finals, 1);
    QCOMPARE(download.data.size(), received.size());
}

void TestAudioUrl::failuresNeverReachTheCallback_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QList<int>>("errors");
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const QByteArray refused = "http://127.0.0.1:" + QByteArray::number(closed.serverPort()) + "/song.mp3";
    closed.close();
    QTest::newRow("404") << url("/missing.mp3") << QList<int>{BASS_ERROR_FILEOPEN};
    QTest::newRow("500") << url("/error.mp3") << QList<int>{BASS_ERROR_FILEOPEN};
    QTest::newRow("refused") << refused << QList<int>{BASS_ERROR_FILEOPEN};
    QTest::newRow("not a song") << url("/text.mp3") << QList<int>{BASS_ERROR_FILEFORM, BASS_ERROR_CODEC};
    QTest::newRow("not http") << QByteArray("file:///etc/passwd") << QList<int>{BASS_ERROR_FILEOPEN};
}

void TestAudioUrl::failuresNeverReachTheCallback()
{
    QFETCH(QByteArray, target);
    QFETCH(QList<int>, errors);
    Download download;
    QCOMPARE(BASS_StreamCreateURL(target.constData(), 0, BASS_STREAM_STATUS, &downloadProc, &download),
             HSTREAM(0));
    QVERIFY2(errors.contains(BASS_ErrorGetCode()), qPrintable(QString::number(BASS_ErrorGetCode())));
    QThread::msleep(50);
    std::lock_guard locker(download.mutex);
    QCOMPARE(download.finals + download.headerCalls + download.data.size(), 0);
}

void TestAudioUrl::rangeStart()
{
    // A server that honours the range: the stream starts 4096 bytes into the file.
    Download ranged;
    HSTREAM stream = BASS_StreamCreateURL(url("/ranged.mp3").constData(), 4096, 0, &downloadProc, &ranged);
    QVERIFY(stream);
    QVERIFY(waitUntil([&] { return ranged.finalCount() > 0; }, 5000));
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_START), QWORD(4096));
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), QWORD(m_song.size() - 4096));
    QVERIFY(ranged.data == m_song.mid(4096));
    bool asked = false;
    for (const FakeRequest &request : m_server.state.log())
        asked = asked ||
                (request.path() == QLatin1String("/ranged.mp3") && request.header("Range") == "bytes=4096-");
    QVERIFY(asked);
    QVERIFY(BASS_StreamFree(stream));

    // One that ignores it sends the whole file, and the stream starts at 0.
    Download whole;
    stream = BASS_StreamCreateURL(url("/song.mp3").constData(), 4096, 0, &downloadProc, &whole);
    QVERIFY(stream);
    QVERIFY(waitUntil([&] { return whole.finalCount() > 0; }, 5000));
    QCOMPARE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_START), QWORD(0));
    QVERIFY(whole.data == m_song);
    QVERIFY(BASS_StreamFree(stream));
}

void TestAudioUrl::freeWhileOpening_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("no answer") << QByteArray("/silent.mp3");
    QTest::newRow("dripping body") << QByteArray("/drip.mp3");
}

void TestAudioUrl::freeWhileOpening()
{
    // A stream still opening when the layer is freed (the player quitting): the open gives up,
    // nothing is called back, and BASS_Free returns promptly, long before any time-out.
    QFETCH(QByteArray, path);
    m_server.setRaw(QStringLiteral("/drip.mp3"), drip(200, 100));
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 20000));
    Download download;
    std::atomic<HSTREAM> result{1};
    std::atomic<int> error{-1};
    std::thread opener([&] {
        result = BASS_StreamCreateURL(url(path.constData()).constData(), 0, 0, &downloadProc, &download);
        error = BASS_ErrorGetCode();
    });
    QThread::msleep(300);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(BASS_Free());
    opener.join();
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(result.load(), HSTREAM(0));
    QVERIFY(error != BASS_OK);
    QCOMPARE(download.finalCount(), 0);
    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

KVR_TEST_GUILESS_MAIN(TestAudioUrl)
#include "tst_audiourl.moc"

// URL streams against a local HTTP server with byte-level control: what the download callback gets,
// complete and truncated downloads, the read time-out, freeing mid-download, failures, ranges.

#include "AudioTestSupport.h"
#include "TestHttpServer.h"
#include "audio/kvraudio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
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
    void stalledServerHitsReadTimeout();
    void freeMidDownloadMakesOneFinalCall();
    void failuresNeverReachTheCallback_data();
    void failuresNeverReachTheCallback();
    void rangeStart();
    void freeWhileOpening();

private:
    QByteArray url(const char *path) const { return m_base + path; }
    QTemporaryDir m_dir;
    QByteArray m_song;     // 2 s mp3
    QByteArray m_longSong; // 10 s mp3
    QByteArray m_base;
    TestHttpServer m_server;
};

void TestAudioUrl::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString song = m_dir.filePath(QStringLiteral("song.mp3"));
    const QString longSong = m_dir.filePath(QStringLiteral("long.mp3"));
    QVERIFY(makeFixture(
        song, QStringLiteral("sine=frequency=440:duration=2"),
        {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
    QVERIFY(makeFixture(longSong, QStringLiteral("sine=frequency=440:duration=10"),
                        {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-b:a"),
                         QStringLiteral("128k")}));
    QFile a(song), b(longSong);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    m_song = a.readAll();
    m_longSong = b.readAll();

    TestHttpServer::Route full;
    full.body = m_song;
    m_server.addRoute("/song.mp3", full);
    // A song path with a blank and Chinese text, as the service's paths are.
    m_server.addRoute("/%E6%AD%8C%20song.mp3", full);
    m_server.addRoute("/C%23%20minor.mp3", full);
    TestHttpServer::Route cut = full;
    cut.cutAfter = m_song.size() / 2;
    m_server.addRoute("/cut.mp3", cut);
    TestHttpServer::Route stall = full;
    stall.stallAfter = m_song.size() / 2;
    m_server.addRoute("/stall.mp3", stall);
    TestHttpServer::Route silent;
    silent.silent = true;
    m_server.addRoute("/silent.mp3", silent);
    TestHttpServer::Route trickle = full;
    trickle.chunkBytes = 1024;
    trickle.chunkIntervalMs = 20;
    m_server.addRoute("/trickle.mp3", trickle);
    TestHttpServer::Route steady;
    steady.body = m_longSong;
    steady.chunkBytes = 16 * 1024;
    steady.chunkIntervalMs = 30;
    m_server.addRoute("/steady.mp3", steady);
    TestHttpServer::Route error;
    error.status = 500;
    m_server.addRoute("/error.mp3", error);
    TestHttpServer::Route text;
    text.body = QByteArray("<html><body>This page is not a song.</body></html>\n").repeated(50);
    m_server.addRoute("/text.mp3", text);
    TestHttpServer::Route ranged = full;
    ranged.ranges = true;
    m_server.addRoute("/ranged.mp3", ranged);
    m_base = m_server.begin();

    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000));
}

void TestAudioUrl::cleanupTestCase()
{
    BASS_Free();
    m_server.end();
}

void TestAudioUrl::cleanup()
{
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 0);
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
    const double expected = ffprobeDuration(m_dir.filePath(QStringLiteral("song.mp3")));
    QVERIFY2(qAbs(lengthSeconds(stream) - expected) < 0.001,
             qPrintable(QString::number(lengthSeconds(stream))));

    EndFlag end;
    QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &endProc, &end));
    end.clock.start();
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QVERIFY(waitUntil([&] { return end.calls > 0; }, 5000));
    QVERIFY2(end.atMs > 1900 && end.atMs < 2400, qPrintable(QString::number(end.atMs)));
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
    QThread::msleep(50);
    QVERIFY(BASS_ChannelPause(stream));
    // 10 s of sound at about half a megabyte a second: done long before the song could have been.
    QVERIFY(waitUntil([&] { return download.finalCount() > 0; }, 5000));
    QVERIFY2(download.finalAtMs < 2000, qPrintable(QString::number(download.finalAtMs)));
    QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_COMPLETE));
    QVERIFY(download.data == m_longSong);
    QVERIFY(positionSeconds(stream) < 0.3);
    QVERIFY(BASS_StreamFree(stream));
}

void TestAudioUrl::cutConnectionEndsWhereDataEnds()
{
    const QByteArray half = m_song.left(m_song.size() / 2);
    const QString halfFile = m_dir.filePath(QStringLiteral("half.mp3"));
    {
        QFile file(halfFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(half);
    }
    const double halfSeconds = double(ffmpegDecode(halfFile).size()) / (44100.0 * 4);

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
    QVERIFY2(qAbs(end.atMs / 1000.0 - halfSeconds) < 0.25,
             qPrintable(QStringLiteral("%1 s for %2 s of sound").arg(end.atMs / 1000.0).arg(halfSeconds)));
    QVERIFY2(qAbs(positionSeconds(stream) - halfSeconds) < 0.05,
             qPrintable(QString::number(positionSeconds(stream))));
    QVERIFY(BASS_StreamFree(stream));
    QCOMPARE(download.finalCount(), 1);
}

void TestAudioUrl::stalledServerHitsReadTimeout()
{
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 600));

    // Half the body, then silence on an open connection.
    Download download;
    download.clock.start();
    const HSTREAM stream =
        BASS_StreamCreateURL(url("/stall.mp3").constData(), 0, 0, &downloadProc, &download);
    QVERIFY(stream);
    QVERIFY(waitUntil([&] { return download.finalCount() > 0; }, 5000));
    QVERIFY2(download.finalAtMs >= 550 && download.finalAtMs < 1500,
             qPrintable(QString::number(download.finalAtMs)));
    QCOMPARE(download.finalLength, DWORD(KVR_DOWNLOAD_TRUNCATED));
    QVERIFY(download.data == m_song.left(m_song.size() / 2));
    QVERIFY(BASS_StreamFree(stream));

    // No answer at all: the open fails with the time-out, and the callback never runs.
    Download none;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(BASS_StreamCreateURL(url("/silent.mp3").constData(), 0, 0, &downloadProc, &none), HSTREAM(0));
    QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    QVERIFY2(timer.elapsed() >= 550 && timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    QThread::msleep(100);
    QCOMPARE(none.finalCount(), 0);
    QCOMPARE(none.data.size(), 0);
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
    QVERIFY(m_server.requests().contains("/ranged.mp3 range 4096"));
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

void TestAudioUrl::freeWhileOpening()
{
    // A stream still opening when the layer is freed: the open gives up, nothing is called back, and
    // BASS_Free returns promptly.
    QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 20000));
    Download download;
    std::atomic<HSTREAM> result{1};
    std::atomic<int> error{-1};
    std::thread opener([&] {
        result = BASS_StreamCreateURL(url("/silent.mp3").constData(), 0, 0, &downloadProc, &download);
        error = BASS_ErrorGetCode();
    });
    QThread::msleep(300);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(BASS_Free());
    opener.join();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(result.load(), HSTREAM(0));
    QVERIFY(error != BASS_OK);
    QCOMPARE(download.finalCount(), 0);
    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

QTEST_GUILESS_MAIN(TestAudioUrl)
#include "tst_audiourl.moc"

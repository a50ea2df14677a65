// Network songs from stream servers that misbehave below HTTP: one that never answers, one that
// drips, one that sends a short body and keeps the connection open, one that never ends and one
// whose header is too large. Each song ends in the controller's failure path or as a shortened
// song, the GUI thread keeps turning, no cut-off download becomes a cached copy, and the next
// song of the list plays.
#include "KvrTry.h"
#include "PlaybackTestSupport.h"

#include "audio/kvraudio_testing.h"
#include "services/playback/SongCachePaths.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

Q_DECLARE_METATYPE(FakeHttpConnection::RawBehaviour)

namespace {

// The GUI thread's pulse: the longest pause between the ticks of a 10 ms timer. A thread that
// waits for a stalled server shows that wait here.
class Pulse : public QObject
{
public:
    Pulse()
    {
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(10);
    }
    qint64 longestPause() const { return std::max(m_longest, m_clock.elapsed() - m_last); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Short limits, so that every hostile server is given up on within a second; a GUI thread that
// waited for one of them would pause for longer than kMaxPauseMs.
// The thread sanitizer slows every thread several times (a loaded machine saw a 0.9 s gap); its
// bound still lies below the read time-out, so a GUI thread that waited for a server is caught
// there too.
#if defined(__SANITIZE_THREAD__)
constexpr int kReadTimeoutMs = 2000;
constexpr int kOpenDeadlineMs = 2500;
constexpr int kMaxPauseMs = 1500;
#else
constexpr int kReadTimeoutMs = 400;
constexpr int kOpenDeadlineMs = 500;
constexpr int kMaxPauseMs = 300;
#endif
static_assert(kMaxPauseMs < kReadTimeoutMs);
constexpr int kMaxPlayCallMs = 100;
constexpr int kSpoolCopies = 3; // the endless song is cut after this many copies of the song

using Raw = FakeHttpConnection::RawBehaviour;

} // namespace

class TestHostileStreams : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeWebService m_fake;
    QByteArray m_plainSong; // the hostile servers' song: 1 s without tags, so copies in a row are one song
    QByteArray m_nextSong;  // the song after it: another 1 s tone
    DWORD m_defaultReadTimeout = 0;
    int m_round = 0;
    std::unique_ptr<PlaybackRig> m_rig;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString plain = m_dir.filePath(QStringLiteral("plain.mp3"));
        const QString next = m_dir.filePath(QStringLiteral("next.mp3"));
        QVERIFY(makeToneMp3s({{plain,
                               1.0,
                               523,
                               {QStringLiteral("-write_xing"), QStringLiteral("0"),
                                QStringLiteral("-id3v2_version"), QStringLiteral("0")}},
                              {next, 1.0, 880}}));
        m_plainSong = readAll(plain);
        m_nextSong = readAll(next);
        QVERIFY(openPlaybackAudio(next));
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        m_defaultReadTimeout = BASS_GetConfig(BASS_CONFIG_NET_READTIMEOUT);
    }

    void cleanupTestCase() { BASS_Free(); }

    void init()
    {
        QVERIFY(m_fake.restoreDefaults());
        m_fake.clearRawBehaviours();
        m_rig = std::make_unique<PlaybackRig>();
        QVERIFY(m_rig->setUp(m_dir.filePath(QStringLiteral("round%1").arg(++m_round))));
        // The stream address is known: the songs go straight to the files host.
        g_sMainUrl = m_fake.baseUrl(FakeHost::Files);
        g_bMainUrlOk = true;
        QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, kReadTimeoutMs));
        kvraudio::testing::setNetOpenDeadline(kOpenDeadlineMs);
        kvraudio::testing::setNetSpoolLimit(kSpoolCopies * m_plainSong.size());
    }

    void cleanup()
    {
        // The controller goes first: it waits for workers still opening, which the limits bound.
        m_rig.reset();
        BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, m_defaultReadTimeout);
        kvraudio::testing::setNetOpenDeadline(0);
        kvraudio::testing::setNetSpoolLimit(0);
    }

    void hostileServerEndsTheSongAndTheNextPlays_data()
    {
        QTest::addColumn<Raw>("behaviour");
        QTest::addColumn<bool>("leave");  // the user takes the next song while the server stalls
        QTest::addColumn<int>("failure"); // the reason the failure path is given; 0: none
        QTest::addColumn<QList<quint32>>("started");
        QTest::addColumn<QByteArray>("partial"); // what the partial cache file holds (left: a start of it)

        const QList<quint32> nextOnly{20002};
        const QList<quint32> both{20001, 20002};
        const QByteArray half = m_plainSong.left(m_plainSong.size() / 2);
        const QByteArray spooled = m_plainSong.repeated(kSpoolCopies);
        const Raw silence{.silent = true};
        // 50 bytes a second: the read time-out never fires, the open deadline does.
        const Raw drip{.dripBytes = 1, .dripMs = 20};
        // Half the announced body, then an open and silent connection: the half plays.
        const Raw shortBody{.bodyBytes = half.size(), .holdOpen = true};
        // No length and no end: the spool limit cuts it, and what was spooled plays.
        const Raw endless{.endless = true};

        QTest::newRow("silence") << silence << false << int(BASS_ERROR_TIMEOUT) << nextOnly << QByteArray();
        QTest::newRow("drip") << drip << false << int(BASS_ERROR_TIMEOUT) << nextOnly << QByteArray();
        QTest::newRow("short body held open") << shortBody << false << 0 << both << half;
        QTest::newRow("endless body") << endless << false << 0 << both << spooled;
        QTest::newRow("oversized header") << Raw{.headerLineBytes = 200 * 1024} << false
                                          << int(BASS_ERROR_FILEOPEN) << nextOnly << QByteArray();
        // Left songs are no failures, and their late ends change nothing.
        QTest::newRow("silence, left while opening") << silence << true << 0 << nextOnly << QByteArray();
        QTest::newRow("drip, left while opening") << drip << true << 0 << nextOnly << QByteArray();
        QTest::newRow("short body held open, left while it stalls") << shortBody << true << 0 << both << half;
        // 100 KB a second: still spooling when it is left.
        QTest::newRow("endless body, left while it spools")
            << Raw{.dripBytes = 1024, .dripMs = 10, .endless = true} << true << 0 << both << spooled;
    }
    void hostileServerEndsTheSongAndTheNextPlays()
    {
        QFETCH(Raw, behaviour);
        QFETCH(bool, leave);
        QFETCH(int, failure);
        QFETCH(QList<quint32>, started);
        QFETCH(QByteArray, partial);
        TestPlayQueue &queue = m_rig->queue;
        PlaybackSeam &seam = m_rig->seam;
        const QString cacheDir = m_rig->folders.m_sCacheDir;
        const QString hostile = QStringLiteral("/mp3/hostile.mp3");
        m_fake.serveFile(FakeHost::Files, hostile, m_plainSong, "audio/mpeg");
        m_fake.setRawBehaviour(FakeHost::Files, hostile, behaviour);
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/next.mp3"), m_nextSong, "audio/mpeg");
        queue.mode = 1; // in order, and the list ends after the next song
        queue.addRow(networkRow(20001, QStringLiteral("Hostile"), QStringLiteral("Server"), hostile,
                                QString::number(m_plainSong.size())));
        queue.addRow(networkRow(20002, QStringLiteral("Next"), QStringLiteral("Song"),
                                QStringLiteral("/mp3/next.mp3"), QString::number(m_nextSong.size())));
        DownloadWatch watch;
        Pulse pulse;

        QElapsedTimer call;
        call.start();
        queue.playTheListSong(0);
        QVERIFY2(call.elapsed() < kMaxPlayCallMs, qPrintable(QString::number(call.elapsed())));
        if (leave) {
            KVR_TRY_COMPARE_WITH_TIMEOUT(m_fake.requestsTo(FakeHost::Files, hostile).size(), 1, 5000);
            QTest::qWait(100);
            QCOMPARE(seam.ends, 0);
            QCOMPARE(queue.chosen, QList<int>{0});
            call.restart();
            m_rig->player->playNextSong();
            QVERIFY2(call.elapsed() < kMaxPlayCallMs, qPrintable(QString::number(call.elapsed())));
        }
        KVR_TRY_COMPARE_WITH_TIMEOUT(seam.resets, 1, kOpenDeadlineMs + playMs(double(kSpoolCopies) + 1.0));
        // A left worker still opening gives up within the limits, and is then gone: only now has
        // everything it could report arrived.
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->player->workerCount(), 0, kOpenDeadlineMs + 1000);
        QCoreApplication::sendPostedEvents();
        QVERIFY2(pulse.longestPause() < kMaxPauseMs, qPrintable(QString::number(pulse.longestPause())));
        QCOMPARE(m_rig->player->openStreamCount(), 0);
        QCOMPARE(g_hStream.load(), 0u);
        QCOMPARE(seam.resets, 1);

        QCOMPARE(queue.chosen, (QList<int>{0, 1}));
        QCOMPARE(m_fake.requestsTo(FakeHost::Files, hostile).size(), 1);
        const QStringList failures =
            failure != 0 ? QStringList{QStringLiteral("wrong:1:%1").arg(failure)} : QStringList();
        QCOMPARE(queue.calls.filter(QStringLiteral("wrong:")), failures);
        QCOMPARE(seam.startedIds, started);
        QCOMPARE(seam.ends, leave ? 1 : int(started.size()));

        // What arrived stays in the partial file; only the next song became a cached copy.
        const QString hostileName = QStringLiteral("Hostile - Server");
        QVERIFY(!QFile::exists(g_cachedSongPath(cacheDir, hostileName)));
        const QByteArray arrived = readAll(g_partialSongPath(cacheDir, hostileName));
        QVERIFY(leave ? partial.startsWith(arrived) : arrived == partial);
        QCOMPARE(int(seam.localSongs.size()), 1);
        const QString nextCopy = g_cachedSongPath(cacheDir, QStringLiteral("Next - Song"));
        QCOMPARE(seam.localSongs.front()->filepathname, nextCopy);
        QVERIFY(readAll(nextCopy) == m_nextSong);
    }
};

QTEST_GUILESS_MAIN(TestHostileStreams)
#include "tst_hostilestreams.moc"

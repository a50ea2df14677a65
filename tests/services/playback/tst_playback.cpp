// The playback road on the silent device against the fake web service: local files through the
// play modes and the failure counter, a network song from its information to the byte-identical
// cached copy and back from the cache, a download that breaks off, names that try to leave the
// cache folder, a replay while the old download still runs, and the stream-free thread.
#include "FakeServiceHosts.h"
#include "GlobalsGuard.h"
#include "KvrTry.h"
#include "PlaybackTestSupport.h"

#include "services/core/Globals.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/FreeStreamThread.h"
#include "services/playback/PlaybackRoutes.h"
#include "services/playback/SongCachePaths.h"
#include "services/playback/kvrNetPlayWork.h"
#include "services/seams/FixedFolderSeam.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

struct Hop
{
    FakeHost host;
    QString path;
    bool operator==(const Hop &other) const { return host == other.host && path == other.path; }
};

char *toString(const Hop &hop)
{
    return qstrdup((fakeHostName(hop.host) + QLatin1Char(' ') + hop.path).toUtf8().constData());
}

} // namespace

class TestPlayback : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeWebService m_fake;
    QString m_good;         // a short tone
    QString m_corrupt;      // an ".mp3" of garbage
    QByteArray m_song;      // the network song: a 1 s tone
    QByteArray m_otherSong; // another 1 s tone (different bytes)
    QByteArray m_longSong;  // a 3 s tone
    int m_round = 0;
    QString m_root; // this test's folders
    FixedFolderSeam m_folders;
    TestLyricDisplay m_lyrics;
    ScopedSeam<FolderSeam> m_installedFolders{&m_folders};
    ScopedSeam<LyricDisplaySeam> m_installedLyrics{&m_lyrics};
    PlaybackSeam *m_seam = nullptr;
    TestPlayQueue *m_queue = nullptr;
    std::optional<ScopedSeam<MainWindowSeam>> m_installedSeam;
    std::optional<ScopedSeam<PlayListSeam>> m_installedQueue;
    httpRequestHandler *m_client = nullptr;
    songplayHandler *m_player = nullptr;
    std::optional<GlobalsGuard> m_globals;

    QString cacheDir() const { return m_folders.m_sCacheDir; }

    QList<Hop> hops() const
    {
        QList<Hop> result;
        for (const FakeRequest &request : m_fake.requests())
            result << Hop{request.host, request.path()};
        return result;
    }

    // The network song with its information known and the stream address at hand.
    void streamDirectly()
    {
        g_sMainUrl = m_fake.baseUrl(FakeHost::Files);
        g_bMainUrlOk = true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_good = m_dir.filePath(QStringLiteral("good.mp3"));
        const QString song = m_dir.filePath(QStringLiteral("song.mp3"));
        const QString other = m_dir.filePath(QStringLiteral("other.mp3"));
        const QString longSong = m_dir.filePath(QStringLiteral("long.mp3"));
        QVERIFY(makeToneMp3s({{m_good, 0.25}, {song, 1.0, 523}, {other, 1.0, 880}, {longSong, 3.0, 330}}));
        m_corrupt = m_dir.filePath(QStringLiteral("corrupt.mp3"));
        QFile corrupt(m_corrupt);
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write(QByteArray("ID3 but not really an mp3 at all, just text").repeated(40));
        corrupt.close();
        m_song = readAll(song);
        m_otherSong = readAll(other);
        QVERIFY(m_otherSong != m_song);
        m_longSong = readAll(longSong);
        QVERIFY(openPlaybackAudio(m_good));
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
    }

    void cleanupTestCase() { BASS_Free(); }

    void init()
    {
        m_globals.emplace();
        m_root = m_dir.filePath(QStringLiteral("round%1/music").arg(++m_round));
        m_folders.m_sCacheDir = m_root + QStringLiteral("/cache");
        m_folders.m_sDownDir = m_root + QStringLiteral("/down");
        m_folders.m_sLrcDir = m_root + QStringLiteral("/lrc");
        for (const QString &folder : {m_folders.m_sCacheDir, m_folders.m_sDownDir, m_folders.m_sLrcDir})
            QVERIFY(QDir().mkpath(folder));
        QVERIFY(m_fake.restoreDefaults());
        g_sMainUrl.clear();
        g_bMainUrlOk = false;
        g_nPlayingListId = 0;
        g_nSongSourceKind = -1;
        m_seam = new PlaybackSeam;
        g_presenceState().m_slPlayableStates = {QStringLiteral("1"), QStringLiteral("2"),
                                                QStringLiteral("3")};
        m_installedSeam.emplace(m_seam);
        m_queue = new TestPlayQueue;
        m_installedQueue.emplace(m_queue);
        m_client = new httpRequestHandler;
        g_phttpHandler = m_client;
        m_player = new songplayHandler;
        QCOMPARE(g_pSongPlayHandler, m_player);
        g_installPlaybackRoutes(m_client);
    }

    void cleanup()
    {
        delete m_player;
        m_player = nullptr;
        QCOMPARE(g_hStream.load(), 0u);
        g_phttpHandler = nullptr;
        delete m_client;
        m_client = nullptr;
        m_installedQueue.reset();
        delete m_queue;
        m_installedSeam.reset();
        delete m_seam;
        m_globals.reset();
    }

    void localFilesFollowThePlayMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("files"); // g good, m missing, c corrupt
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<bool>("stops");

        QTest::newRow("loop plays through and wraps") << 2 << "ggg" << QList<int>{0, 1, 2, 0, 1} << false;
        QTest::newRow("in order stops after the last") << 1 << "ggg" << QList<int>{0, 1, 2} << true;
        QTest::newRow("repeat one repeats") << 0 << "g" << QList<int>{0, 0, 0} << false;
        // 1 and 2 fail (2 failures), 0 plays, 1 fails again: 3 failures for 3 rows.
        QTest::newRow("missing and corrupt skipped until the failures reach the rows")
            << 2 << "gmc" << QList<int>{0, 1, 2, 0, 1} << true;
        QTest::newRow("every file missing") << 2 << "mmm" << QList<int>{0, 1, 2} << true;
        QTest::newRow("repeat one with a failing file stops") << 0 << "c" << QList<int>{0} << true;
        QTest::newRow("in order with a failing last file") << 1 << "gc" << QList<int>{0, 1} << true;
    }
    void localFilesFollowThePlayMode()
    {
        QFETCH(int, mode);
        QFETCH(QString, files);
        QFETCH(QList<int>, expected);
        QFETCH(bool, stops);

        m_queue->mode = mode;
        int good = 0;
        for (int i = 0; i < files.size(); ++i) {
            const QChar kind = files.at(i);
            const QString path = kind == QLatin1Char('g')   ? m_good
                                 : kind == QLatin1Char('c') ? m_corrupt
                                                            : m_dir.filePath(QStringLiteral("missing.mp3"));
            m_queue->addRow(localRow(path, QStringLiteral("song %1").arg(i), QStringLiteral("03:07")));
        }
        for (int row : expected)
            good += files.at(row) == QLatin1Char('g') ? 1 : 0;

        m_queue->playTheListSong(0);
        if (stops) {
            KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, playMs(0.25 * int(expected.size())));
            QCOMPARE(m_queue->chosen, expected);
            QCOMPARE(g_hStream.load(), 0u);
            QCOMPARE(g_nPlayingListId, 0);
            QCOMPARE(m_seam->playStarted, good);
            QCOMPARE(m_player->openStreamCount(), 0);
        } else {
            KVR_TRY_VERIFY_WITH_TIMEOUT(m_queue->chosen.size() >= expected.size(),
                                        playMs(0.25 * int(expected.size())));
            QCOMPARE(m_queue->chosen.mid(0, expected.size()), expected);
            QVERIFY(m_seam->playStarted >= good - 1);
            QCOMPARE(m_seam->resets, 0);
            m_player->stopPlay();
            QCOMPARE(m_player->openStreamCount(), 0);
        }
        if (good > 0) {
            // The song length comes from the duration text by position: "03:07" is 187 s.
            QCOMPARE(m_player->m_session.m_nSongSeconds, 187);
            QCOMPARE(g_nSongSourceKind, 0);
        }
        // A local file never asks the service anything.
        QCOMPARE(m_fake.requestCount(), 0);
    }

    void networkSongStreamsIntoTheCacheAndPlaysFromIt()
    {
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), m_song, "audio/mpeg");
        m_queue->mode = 1;
        m_queue->addRow(networkRow(10000, QStringLiteral("王菲"), QStringLiteral("红豆")));
        DownloadWatch watch;

        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->playStarted, 1, 10000);
        QCOMPARE(g_nSongSourceKind, 1);
        // Song information, then the stream address, then the stream.
        const QList<Hop> expected{{FakeHost::Site, QStringLiteral("/html/pxml/1/10000.xml")},
                                  {FakeHost::Site, QStringLiteral("/sgbox/urlindex.asp")},
                                  {FakeHost::Files, QStringLiteral("/mp3/10000.mp3")}};
        QCOMPARE(hops(), expected);
        QVERIFY(m_seam->statuses.contains(QStringLiteral("1|王菲 - 红豆")));
        QVERIFY(m_seam->statuses.contains(QStringLiteral("3|红豆 - 王菲")));
        // Sound: the device consumes the stream.
        KVR_TRY_VERIFY_WITH_TIMEOUT(m_player->currentTimeofSong() > 0, 5000);
        // The row took the song's information.
        QCOMPARE(m_queue->rows[0].filePath, QStringLiteral("/mp3/10000.mp3"));
        QCOMPARE(m_queue->rows[0].duration, QStringLiteral("04:05"));

        // The whole download becomes the cached copy, byte for byte, and a library song.
        const QString songName = QStringLiteral("王菲 - 红豆");
        const QString dat = g_cachedSongPath(cacheDir(), songName);
        KVR_TRY_COMPARE_WITH_TIMEOUT(int(m_seam->localSongs.size()), 1, 10000);
        QCOMPARE(readAll(dat), m_song);
        QVERIFY(!QFile::exists(g_partialSongPath(cacheDir(), songName)));
        QCOMPARE(m_seam->localSongs.front()->filepathname, dat);
        QCOMPARE(m_seam->localSongs.front()->sDur, QStringLiteral("00:01"));
        QVERIFY(g_listLocalSongs.isEmpty());
        // Its lyric is in the lyric folder.
        QVERIFY(QFile::exists(g_lyricFilePath(m_folders.m_sLrcDir, songName, QStringLiteral(".qrc"))));

        // The song ends; in order without wrap that is the end of the list.
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, playMs(1.0));
        QCOMPARE(m_seam->ends, 1);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_player->workerCount(), 0, 5000);

        // Again: from the cache, without a single request.
        m_fake.clearRequests();
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->playStarted, 2, 5000);
        QCOMPARE(g_nSongSourceKind, 0);
        QVERIFY(m_seam->calls.contains(QStringLiteral("netSongDur:") + dat));
        QCOMPARE(m_queue->rows[0].duration, QStringLiteral("00:01"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 2, playMs(1.0));
        QCOMPARE(m_fake.requestCount(), 0);
    }

    void downloadedCopyBecomesTheCachedCopy()
    {
        const QString songName = QStringLiteral("Singer - Title");
        QFile mp3(g_downloadedSongPath(m_folders.m_sDownDir, songName));
        QVERIFY(mp3.open(QIODevice::WriteOnly));
        mp3.write(m_song);
        mp3.close();
        streamDirectly();
        m_queue->mode = 1;
        m_queue->addRow(networkRow(10001, QStringLiteral("Singer"), QStringLiteral("Title"),
                                   QStringLiteral("/mp3/10001.mp3"), QString::number(m_song.size())));
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->playStarted, 1, 5000);
        QCOMPARE(g_nSongSourceKind, 0);
        QCOMPARE(readAll(g_cachedSongPath(cacheDir(), songName)), m_song);
        QVERIFY(mp3.exists());
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, playMs(1.0));
        QCOMPARE(m_fake.requestCount(), 0);
    }

    void downloadThatBreaksOffLeavesNoCachedCopy()
    {
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), m_longSong, "audio/mpeg");
        // The headers and a third of the song, then the connection drops.
        m_fake.setFault(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"),
                        FakeFault::cutAfter(300 + m_longSong.size() / 3));
        streamDirectly();
        m_queue->mode = 1;
        m_queue->addRow(networkRow(10000, QStringLiteral("A"), QStringLiteral("Cut"),
                                   QStringLiteral("/mp3/10000.mp3"), QString::number(m_longSong.size())));
        DownloadWatch watch;
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->playStarted, 1, 10000);
        // The watch sees the download end and asks for the cache; the broken file is refused.
        KVR_TRY_VERIFY_WITH_TIMEOUT(m_player->m_bCacheFinished, 10000);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, playMs(3.0));
        const QString songName = QStringLiteral("A - Cut");
        QVERIFY(!QFile::exists(g_cachedSongPath(cacheDir(), songName)));
        QVERIFY(m_seam->localSongs.empty());
        const QByteArray partial = readAll(g_partialSongPath(cacheDir(), songName));
        QVERIFY(partial.size() < m_longSong.size());
        QVERIFY(m_longSong.startsWith(partial));
    }

    void namesNeverLeaveTheCacheFolder_data()
    {
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        const auto row = [](const char *name, const QString &artist, const QString &title) {
            QTest::newRow(name) << artist << title;
        };
        row("parent folders", "..", "../../escaped");
        row("slashes", "a/b", "c/../../d");
        row("dot title, no artist", "", ".");
        row("too long for the file system", QString(200, QChar(0x6B4C)), QString(60, QChar(0x66F2)));
    }
    void namesNeverLeaveTheCacheFolder()
    {
        QFETCH(QString, artist);
        QFETCH(QString, title);
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), m_song, "audio/mpeg");
        streamDirectly();
        m_queue->mode = 1;
        m_queue->addRow(networkRow(10000, artist, title, QStringLiteral("/mp3/10000.mp3"),
                                   QString::number(m_song.size())));
        DownloadWatch watch;
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(int(m_seam->localSongs.size()), 1, 10000);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, playMs(1.0));

        // Everything this round wrote is the one cached copy, directly in the cache folder.
        QStringList written;
        QDirIterator it(m_dir.filePath(QStringLiteral("round%1").arg(m_round)), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            written << it.next();
        const QString dat = m_seam->localSongs.front()->filepathname;
        QCOMPARE(written, QStringList{dat});
        QCOMPARE(QFileInfo(dat).absolutePath(), QFileInfo(cacheDir()).absoluteFilePath());
        QVERIFY(QFileInfo(dat).fileName().toUtf8().size() <= 255);
        QCOMPARE(readAll(dat), m_song);

        // The same name finds it again.
        m_fake.clearRequests();
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->playStarted, 2, 5000);
        QCOMPARE(g_nSongSourceKind, 0);
        QCOMPARE(m_fake.requestCount(), 0);
    }

    void replayWhileTheOldDownloadRunsKeepsOneWriter()
    {
        // The first stream request is answered late, with the first song's bytes; by then the
        // song was started again, the server serves other bytes, and the second play is over.
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), m_song, "audio/mpeg");
        m_fake.setFault(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), FakeFault::stall().only(1));
        streamDirectly();
        m_queue->mode = 1;
        m_queue->addRow(networkRow(10000, QStringLiteral("A"), QStringLiteral("Again"),
                                   QStringLiteral("/mp3/10000.mp3"), QString::number(m_song.size())));
        DownloadWatch watch;
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_fake.requests(FakeHost::Files).size(), 1, 5000);
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), m_otherSong, "audio/mpeg");
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(int(m_seam->localSongs.size()), 1, 10000);
        const QString dat = g_cachedSongPath(cacheDir(), QStringLiteral("A - Again"));
        QCOMPARE(readAll(dat), m_otherSong);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, playMs(2.0));
        // The late answer arrives, opens a stream for a song that was left, and writes nothing:
        // the left worker is gone only once its late stream has ended.
        m_fake.releaseStalls();
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_player->workerCount(), 0, 5000);
        QCoreApplication::sendPostedEvents(); // what it told the controller before it ended
        QCOMPARE(m_fake.requests(FakeHost::Files).size(), 2);
        QCOMPARE(m_seam->playStarted, 1);
        QCOMPARE(readAll(dat), m_otherSong);
        QVERIFY(!QFile::exists(g_partialSongPath(cacheDir(), QStringLiteral("A - Again"))));
    }

    void detachedWorkerWritesNothingMore()
    {
        // A replay of the song truncates the partial file while the left worker's download is still
        // ending: none of the left worker's bytes may reach the file after its detach.
        const QString path = cacheDir() + QStringLiteral("/detach.vyo");
        auto *file = new QFile(path);
        QVERIFY(file->open(QIODevice::WriteOnly | QIODevice::Truncate));
        kvrNetPlayWork work(m_player, QStringLiteral("detach"));
        work.setJob(file, QString(), path, QString());
        const QByteArray block(4096, 'x');
        kvrNetPlayWork::NetPlayDownloadProc(block.constData(), quint32(block.size()), &work);
        work.detachFile();
        QFile replay(path);
        QVERIFY(replay.open(QIODevice::WriteOnly | QIODevice::Truncate));
        replay.close();
        kvrNetPlayWork::NetPlayDownloadProc(nullptr, KVR_DOWNLOAD_TRUNCATED, &work);
        QVERIFY(work.downloadEnded() && !work.downloadComplete());
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void failuresCarryTheirReason_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("reason");
        QTest::newRow("local file missing") << "missing" << BASS_ERROR_FILEOPEN;
        QTest::newRow("local file corrupt") << "corrupt" << BASS_ERROR_FILEFORM;
        QTest::newRow("cache file cannot be opened") << "cache" << 222;
        QTest::newRow("song information request fails") << "info" << 555;
        QTest::newRow("stream address request fails") << "address" << 666;
        QTest::newRow("stream cannot be opened") << "stream" << BASS_ERROR_FILEOPEN;
    }
    void failuresCarryTheirReason()
    {
        QFETCH(QString, failure);
        QFETCH(int, reason);
        m_queue->mode = 1;
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), m_song, "audio/mpeg");
        spis song = networkRow(10000, QStringLiteral("A"), QStringLiteral("B"),
                               QStringLiteral("/mp3/10000.mp3"), QString::number(m_song.size()));
        if (failure == QLatin1String("missing")) {
            song = localRow(m_dir.filePath(QStringLiteral("missing.mp3")), QStringLiteral("missing"));
        } else if (failure == QLatin1String("corrupt")) {
            song = localRow(m_corrupt, QStringLiteral("corrupt"));
        } else if (failure == QLatin1String("cache")) {
            // The cache folder's place is taken by a file.
            QVERIFY(QDir(cacheDir()).removeRecursively());
            QFile blocker(cacheDir());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            blocker.close();
            streamDirectly();
        } else if (failure == QLatin1String("info")) {
            song = networkRow(10000, QStringLiteral("A"), QStringLiteral("B"));
            m_fake.setFault(FakeHost::Site, QStringLiteral("/html/pxml/*"), FakeFault::errorStatus(404));
        } else if (failure == QLatin1String("address")) {
            m_fake.setFault(FakeHost::Site, QStringLiteral("/sgbox/urlindex.asp"),
                            FakeFault::errorStatus(503));
        } else {
            streamDirectly();
            song.filePath = QStringLiteral("/mp3/none.mp3");
        }
        m_queue->addRow(song);
        m_queue->playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_seam->resets, 1, 10000);
        QCOMPARE(m_queue->calls.filter(QStringLiteral("wrong:")),
                 QStringList{QStringLiteral("wrong:1:%1").arg(reason)});
        QCOMPARE(m_seam->playStarted, 0);
        QCOMPARE(g_nPlayingListId, 0);
        if (failure == QLatin1String("address"))
            QVERIFY(!g_bMainUrlOk); // the next network song asks for the address again
        // Nothing came, so nothing is cached.
        QVERIFY(!QFile::exists(g_cachedSongPath(cacheDir(), QStringLiteral("A - B"))));
    }

    void idleCommandsAndTheBufferingText()
    {
        // Nothing plays and nothing is fetched: next and previous do nothing.
        m_player->playNextSong();
        m_player->playPrevSong();
        QCOMPARE(m_seam->resets, 0);
        QCOMPARE(m_player->currentTimeofSong(), 0);
        // No playing list: the next step stops and resets the panel.
        m_player->StartPlayNextSong(0);
        QCOMPARE(m_seam->resets, 1);
        QCOMPARE(g_nPlayingListId, 0);

        m_player->m_curSong.artist = QStringLiteral("A");
        m_player->m_curSong.title = QStringLiteral("T");
        m_player->m_nConnectTicks = 0;
        m_seam->statuses.clear();
        for (int i = 0; i < 11; ++i)
            m_player->updateElapsedMp3ConnectTimer();
        QCOMPARE(m_seam->statuses.at(0), QStringLiteral("2|缓冲中..A - T"));
        QCOMPARE(m_seam->statuses.at(7), QStringLiteral("2|缓冲中.........A - T"));
        QCOMPARE(m_seam->statuses.at(8), QStringLiteral("2|A - T"));
        QCOMPARE(m_seam->statuses.at(9), QStringLiteral("2|缓冲中.A - T"));
        QCOMPARE(m_seam->statuses.at(10), QStringLiteral("2|缓冲中..A - T"));
    }

    void freeStreamThreadFreesAtOnceAndStopsInOrder()
    {
        const QByteArray file = m_good.toLocal8Bit();
        auto open = [&file]() {
            return BASS_StreamCreateFile(FALSE, file.constData(), 0, 0, BASS_STREAM_DECODE);
        };
        auto freed = [](HSTREAM h) {
            return BASS_ChannelGetLength(h, BASS_POS_BYTE) == QWORD(-1) &&
                   BASS_ErrorGetCode() == BASS_ERROR_HANDLE;
        };
        FreeStreamThread thread;
        thread.start();
        const HSTREAM first = open();
        const HSTREAM second = open();
        QVERIFY(first && second);
        QElapsedTimer clock;
        clock.start();
        thread.addStream(first);
        thread.addStream(second);
        KVR_TRY_VERIFY_WITH_TIMEOUT(freed(first) && freed(second), 2000);
        QVERIFY(clock.elapsed() < 2000);

        // A stop frees what is still queued, then ends the thread.
        const HSTREAM third = open();
        QVERIFY(third);
        thread.addStream(third);
        thread.stop();
        QVERIFY(thread.isFinished());
        QVERIFY(freed(third));
        QCOMPARE(thread.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_playback.moc"

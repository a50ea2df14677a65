// The song-information answer against the fake service: the lyric cache in its two forms, what
// the lists learn (duration, album name in the first ten rows of the play queue), stale answers,
// the play-state refusal for each kind of asker, and a lyric folder that cannot be written.
#include "KvrTry.h"
#include "PlaybackTestSupport.h"

#include "services/core/ProgramHelpers.h"
#include "services/downloads/httpDown.h"
#include "services/net/RequestTypes.h"
#include "services/playback/SongCachePaths.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString decipherFile(const QString &path)
{
    return g_crypt.decryptToString(QString::fromUtf8(readAll(path)));
}

// The line-timed lyric of the GB-encoded fixture, as the player reads it.
QString gbFixtureLyric()
{
    QStringDecoder gb("GB18030");
    const QString xml =
        gb.decode(readAll(FakeWebService::defaultFixtureDir() + QStringLiteral("/pxml-1001-gb.xml")));
    const QString open = QStringLiteral("<tlrcword><![CDATA[");
    const int from = xml.indexOf(open) + open.size();
    return xml.mid(from, xml.indexOf(QStringLiteral("]]></tlrcword>")) - from);
}

} // namespace

class TestSongInfoAnswer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeWebService m_fake;
    QString m_good;
    int m_round = 0;
    std::unique_ptr<PlaybackRig> m_rig;

    QString lrcDir() const { return m_rig->folders.m_sLrcDir; }
    QStringList lyricFiles() const { return QDir(lrcDir()).entryList(QDir::Files); }

    // A lyric lookup (user value 0) for the song, as the lyric-search answer starts it.
    void lookUpLyric(const QString &id, const QString &name)
    {
        g_sPendingLrcId = id;
        g_sPendingLrcName = name;
        m_rig->client->startHttpRequest(QUrl(g_getSongInfoUrl(id)), HTTPREQUEST_TYPE_ID, 0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->client->requestsInFlight(), 0, 5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_good = m_dir.filePath(QStringLiteral("good.mp3"));
        QVERIFY(makeToneMp3(m_good, 0.3));
        QVERIFY(openPlaybackAudio(m_good));
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
    }
    void cleanupTestCase() { BASS_Free(); }
    void init()
    {
        m_fake.clearFaults();
        m_fake.clearRequests();
        m_rig = std::make_unique<PlaybackRig>();
        QVERIFY(m_rig->setUp(m_dir.filePath(QStringLiteral("round%1").arg(++m_round))));
        m_rig->songInfo()->setRefusalWaitMs(50);
    }
    void cleanup() { m_rig.reset(); }

    void durationText_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction cut") << "185.9"
                                      << "03:05";
        QTest::newRow("ten minutes") << "600"
                                     << "10:00";
        QTest::newRow("absent") << ""
                                << "00:00";
        QTest::newRow("not a number") << "abc"
                                      << "00:00";
        QTest::newRow("blanks around") << " 61 "
                                       << "01:01";
        QTest::newRow("more than 99 minutes") << "6000"
                                              << "100:00";
        QTest::newRow("negative") << "-5"
                                  << "00:00";
        // Past the range of a count of seconds the conversion would be undefined.
        QTest::newRow("1e19") << "1e19"
                              << "00:00";
        QTest::newRow("88 digits") << QString(88, QLatin1Char('9')) << "00:00";
        QTest::newRow("2^63") << "9223372036854775808"
                              << "00:00";
        QTest::newRow("largest double below 2^63") << "9223372036854774784"
                                                   << "153722867280912913:04";
        QTest::newRow("infinite") << "inf"
                                  << "00:00";
        QTest::newRow("overflowing exponent") << "1e400"
                                              << "00:00";
        QTest::newRow("not a number, spelled") << "nan"
                                               << "00:00";
    }
    void durationText()
    {
        QFETCH(QString, seconds);
        QFETCH(QString, text);
        QCOMPARE(SongInfoAnswer::durationText(seconds), text);
    }

    void playbackAnswerStoresTheLyricAndTellsTheList_data()
    {
        QTest::addColumn<quint32>("id");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("extension"); // empty: no lyric file
        QTest::addColumn<QString>("lyric");
        QTest::addColumn<QString>("duration");
        const auto row = [](const char *name, quint32 id, const QString &artist, const QString &title,
                            const QString &extension, const QString &lyric, const QString &duration) {
            QTest::newRow(name) << id << artist << title << extension << lyric << duration;
        };
        const QString redBeans = QStringLiteral("[0,3000]红(0,500)豆(500,500)");
        row("word-timed text wins", 10000, "王菲", "红豆", ".qrc", redBeans, "04:05");
        row("line-timed only, GB document", 1001, "周杰伦", "晴天", ".lrc", gbFixtureLyric(), "03:05");
        row("no lyric", 10001, "Singer", "Song", "", "", "00:00");
        row("a name with folders stays in the lyric folder", 10000, "../..", "a/../b", ".qrc", redBeans,
            "04:05");
    }
    void playbackAnswerStoresTheLyricAndTellsTheList()
    {
        QFETCH(quint32, id);
        QFETCH(QString, artist);
        QFETCH(QString, title);
        QFETCH(QString, extension);
        QFETCH(QString, lyric);
        QFETCH(QString, duration);
        m_rig->queue.mode = 1;
        m_rig->queue.addRow(networkRow(id, artist, title));
        m_rig->queue.playTheListSong(0);
        // Answered: the list took the song's information, then the stream address is asked for.
        KVR_TRY_VERIFY_WITH_TIMEOUT(
            m_fake.requestsTo(FakeHost::Site, QStringLiteral("/sgbox/urlindex.asp")).size() == 1, 5000);
        QCOMPARE(m_rig->queue.rows[0].duration, duration);
        QVERIFY(m_rig->queue.calls.contains(QStringLiteral("net:%1|%2|").arg(id).arg(duration) +
                                            m_rig->queue.rows[0].bytesize));
        if (extension.isEmpty()) {
            QCOMPARE(lyricFiles(), QStringList());
        } else {
            const QString path = g_lyricFilePath(lrcDir(), artist + QStringLiteral(" - ") + title, extension);
            QCOMPARE(lyricFiles(), QStringList{QFileInfo(path).fileName()});
            QCOMPARE(decipherFile(path), lyric);
        }
        m_rig->player->stopPlay();
    }

    void existingLyricIsNeverOverwritten()
    {
        const QString path = g_lyricFilePath(lrcDir(), QStringLiteral("王菲 - 红豆"), QStringLiteral(".qrc"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an earlier lyric");
        old.close();
        lookUpLyric(QStringLiteral("10000"), QStringLiteral("王菲 - 红豆"));
        QCOMPARE(readAll(path), QByteArray("an earlier lyric"));
        // The lookup still shows the lyric file it found.
        QCOMPARE(m_rig->lyrics.loaded, QStringList{path});
        QCOMPARE(m_rig->lyrics.started, 1);
    }

    void lyricLookupStoresAndShows()
    {
        lookUpLyric(QStringLiteral("1001"), QStringLiteral("周杰伦 - 晴天"));
        const QString path =
            g_lyricFilePath(lrcDir(), QStringLiteral("周杰伦 - 晴天"), QStringLiteral(".lrc"));
        QCOMPARE(decipherFile(path), gbFixtureLyric());
        QCOMPARE(m_rig->lyrics.loaded, QStringList{path});
        QCOMPARE(m_rig->lyrics.started, 1);
        // A lookup for a song no longer wanted is dropped.
        g_sPendingLrcId = QStringLiteral("1");
        m_rig->client->startHttpRequest(QUrl(g_getSongInfoUrl(QStringLiteral("10000"))), HTTPREQUEST_TYPE_ID,
                                        0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->client->requestsInFlight(), 0, 5000);
        QCOMPARE(lyricFiles().size(), 1);
        QCOMPARE(m_rig->lyrics.started, 1);
    }

    void staleAnswerChangesNothing()
    {
        m_fake.setFault(FakeHost::Site, QStringLiteral("/html/pxml/*"), FakeFault::stall(400));
        m_rig->queue.mode = 0;
        m_rig->queue.addRow(networkRow(10000, QStringLiteral("王菲"), QStringLiteral("红豆")));
        m_rig->queue.addRow(localRow(m_good, QStringLiteral("local")));
        m_rig->queue.playTheListSong(0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_fake.requests().size(), 1, 5000);
        // The user plays another song before the answer comes.
        m_rig->queue.playTheListSong(1);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->client->requestsInFlight(), 0, 5000);
        QCOMPARE(lyricFiles(), QStringList());
        QCOMPARE(m_rig->queue.calls.filter(QStringLiteral("net:")), QStringList());
        QCOMPARE(m_rig->queue.calls.filter(QStringLiteral("wrong:")), QStringList());
        QCOMPARE(m_fake.requests().size(), 1);
        QCOMPARE(m_rig->seam.startedIds.value(0), 0u);
        m_rig->player->stopPlay();
    }

    void albumNameFillIn_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("album");
        QTest::addColumn<QString>("after");
        QTest::newRow("unknown album") << 3 << "未知专辑"
                                       << "唱游";
        QTest::newRow("only blanks") << 0 << "   "
                                     << "唱游";
        QTest::newRow("a named album stays") << 2 << "Other"
                                             << "Other";
        QTest::newRow("tenth row") << 9 << "未知专辑"
                                   << "唱游";
        QTest::newRow("eleventh row is not looked at") << 10 << "未知专辑"
                                                       << "未知专辑";
    }
    void albumNameFillIn()
    {
        QFETCH(int, row);
        QFETCH(QString, album);
        QFETCH(QString, after);
        for (int i = 0; i < 12; ++i) {
            spis song = networkRow(i == row ? 10000 : 500 + i, QStringLiteral("A"), QStringLiteral("T"));
            song.albumName = i == row ? album : QStringLiteral("未知专辑");
            m_rig->queue.addRow(song);
        }
        lookUpLyric(QStringLiteral("10000"), QStringLiteral("王菲 - 红豆"));
        QCOMPARE(m_rig->queue.albums.at(row), after);
        QCOMPARE(m_rig->queue.repainted, after == album ? QList<int>() : QList<int>{row});
        // Only that row.
        for (int i = 0; i < 12; ++i) {
            if (i != row)
                QCOMPARE(m_rig->queue.albums.at(i), QStringLiteral("未知专辑"));
        }
    }

    void refusedPlayStateSkipsOnlyTheRefusedSong_data()
    {
        QTest::addColumn<QString>("asker");
        QTest::addColumn<bool>("hint");
        QTest::addColumn<bool>("next");
        QTest::newRow("playback") << "playback" << true << true;
        QTest::newRow("download") << "download" << true << false;
        QTest::newRow("lyric lookup") << "lyric" << false << false;
    }
    void refusedPlayStateSkipsOnlyTheRefusedSong()
    {
        QFETCH(QString, asker);
        QFETCH(bool, hint);
        QFETCH(bool, next);
        const QString refusal = QStringLiteral("hint:由于版权原因，暂无法播放，请谅解");
        TestPlayQueue &queue = m_rig->queue;
        if (asker == QLatin1String("playback")) {
            queue.mode = 1;
            queue.addRow(networkRow(1003, QStringLiteral("Blocked"), QStringLiteral("Song")));
            queue.addRow(localRow(m_good, QStringLiteral("next one")));
            queue.playTheListSong(0);
            // The next-song button plays the next row.
            KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->seam.playStarted, 1, 5000);
            QCOMPARE(queue.chosen, (QList<int>{0, 1}));
        } else {
            // A local song plays (repeated) while someone else asks about song 1003.
            queue.mode = 0;
            queue.addRow(localRow(m_good, QStringLiteral("playing")));
            queue.playTheListSong(0);
            KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->seam.playStarted, 1, 5000);
            if (asker == QLatin1String("download")) {
                _tag_downloadsonginfo_ record;
                auto *down = new httpDown;
                down->m_pRecord = &record;
                down->m_bBusy = true;
                QSignalSpy finished(down, &httpDown::downFinished);
                down->requestSongInfo(QStringLiteral("1003"));
                KVR_TRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
                QCOMPARE(record.status, QStringLiteral("网络错误"));
                delete down;
            } else {
                lookUpLyric(QStringLiteral("1003"), QStringLiteral("Blocked - Song"));
            }
            // The song being played goes on: no skip, no failure counted.
            QVERIFY(waitUntilAnswered(*m_rig->client));
            QCOMPARE(queue.calls.filter(QStringLiteral("wrong:")), QStringList());
            QCOMPARE(m_rig->seam.resets, 0);
        }
        QCOMPARE(m_rig->seam.calls.contains(refusal), hint);
        QCOMPARE(m_rig->seam.calls.contains(QStringLiteral("clickNextButton")), next);
        QCOMPARE(lyricFiles(), QStringList());
        m_rig->player->stopPlay();
    }

    void unwritableLyricFolderStillPlays()
    {
        // The lyric folder's place is taken by a file: nothing can be written there.
        const QString blocker = m_dir.filePath(QStringLiteral("round%1/blocker").arg(m_round));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        m_rig->folders.m_sLrcDir = blocker + QStringLiteral("/lrc");
        m_rig->queue.mode = 1;
        m_rig->queue.addRow(networkRow(10000, QStringLiteral("王菲"), QStringLiteral("红豆")));
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/10000.mp3"), readAll(m_good), "audio/mpeg");
        m_rig->queue.playTheListSong(0);
        // The lyric is lost, the song is not.
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->seam.playStarted, 1, 5000);
        QCOMPARE(m_rig->queue.calls.filter(QStringLiteral("wrong:")), QStringList());
        QVERIFY(!QFileInfo::exists(m_rig->folders.m_sLrcDir));
        m_rig->player->stopPlay();
    }

    void lyricTooLargeForTheBufferIsNotStored()
    {
        const QString path = m_dir.filePath(QStringLiteral("round%1/big.lrc").arg(m_round));
        QString big;
        big.reserve(3000000);
        for (int i = 0; i < 3000000; ++i)
            big += QChar(u'a' + QRandomGenerator::global()->bounded(26));
        QVERIFY(!SongInfoAnswer::storeLyric(path, big, false));
        QVERIFY(!QFile::exists(path));
        QVERIFY(SongInfoAnswer::storeLyric(path, QStringLiteral("[00:01.00]行"), false));
        QCOMPARE(decipherFile(path), QStringLiteral("[00:01.00]行"));
    }
};

QTEST_GUILESS_MAIN(TestSongInfoAnswer)
#include "tst_songinfoanswer.moc"

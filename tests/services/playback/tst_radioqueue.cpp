// The radio queue: how channel entries and refill answers become songs, the order of next and
// previous with the refill request, and a channel that plays on across refills against the fake
// service on the silent device.
#include "KvrTry.h"
#include "PlaybackTestSupport.h"

#include "services/core/LocalSongInfo.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray songInfoXml(const QString &singer)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?><song><wma><![CDATA[/mp3/radio.mp3]]></wma>"
               "<playstate>1</playstate><mp3time>1</mp3time><mp3size>9000</mp3size>"
               "<geshou><![CDATA[%1]]></geshou></song>")
        .arg(singer)
        .toUtf8();
}

} // namespace

class TestRadioQueue : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeWebService m_fake;
    int m_round = 0;
    QString m_tone;
    std::unique_ptr<PlaybackRig> m_rig;

    RadioPlayHandler &radio() { return *m_rig->radio; }

    QStringList titles()
    {
        QStringList result;
        for (int i = 0; i < radio().count(); ++i)
            result << radio().entry(i)->artist + QLatin1Char('|') + radio().entry(i)->title;
        return result;
    }

    int refillRequests() const
    {
        return m_fake.requestsTo(FakeHost::Service, QStringLiteral("/do/apiHandler.ashx")).size();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tone = m_dir.filePath(QStringLiteral("radio.mp3"));
        QVERIFY(makeToneMp3(m_tone, 0.3));
        QVERIFY(openPlaybackAudio(m_tone));
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
    }
    void cleanupTestCase() { BASS_Free(); }
    void init()
    {
        QVERIFY(m_fake.restoreDefaults());
        m_rig = std::make_unique<PlaybackRig>();
        QVERIFY(m_rig->setUp(m_dir.filePath(QStringLiteral("round%1").arg(++m_round))));
        m_rig->radio->setCurFmId(QStringLiteral("7"));
    }
    void cleanup() { m_rig.reset(); }

    void entriesBecomeSongs_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::addColumn<quint32>("id");
        const auto row = [](const char *name, const QString &entry, int count, const QString &artist,
                            const QString &title,
                            quint32 id) { QTest::newRow(name) << entry << count << artist << title << id; };
        row("artist and title", "2001[]歌手甲-新歌一", 1, "歌手甲", "新歌一", 2001);
        row("two dashes", "2002[]A-B-C", 1, "A", "B-C", 2002);
        row("no dash", "2003[]Only a title", 1, "", "Only a title", 2003);
        row("trimmed", "2004[] A - B ", 1, "A", "B", 2004);
        row("no separator is skipped", "2005 A-B", 0, "", "", 0);
        row("empty display text", "2006[]", 1, "", "", 2006);
    }
    void entriesBecomeSongs()
    {
        QFETCH(QString, entry);
        QFETCH(int, count);
        QFETCH(QString, artist);
        QFETCH(QString, title);
        QFETCH(quint32, id);
        QStringList entries{entry};
        radio().setSongData(entries, false);
        QCOMPARE(radio().count(), count);
        QCOMPARE(radio().currentIndex(), -1);
        if (count == 0)
            return;
        const spis *song = radio().entry(0);
        QCOMPARE(song->artist, artist);
        QCOMPARE(song->title, title);
        QCOMPARE(song->id, id);
        QCOMPARE(song->filePath, QString::number(id));
        QCOMPARE(song->nType, 2);
        QCOMPARE(song->bytesize, QStringLiteral("idvalid"));
        QVERIFY(song->duration.isEmpty() && song->albumpic.isEmpty() && song->albumName.isEmpty());
    }

    void choosingAChannelPlaysItsFirstSongAndFailuresStopIt()
    {
        g_nPlayingListId = 1;
        QStringList entries{QStringLiteral("2001[]歌手甲-新歌一"), QStringLiteral("2002[]歌手乙-新歌二")};
        radio().setSongData(entries, true);
        QCOMPARE(g_nPlayingListId, 4);
        QCOMPARE(m_rig->queue.calls, QStringList{QStringLiteral("close")});
        QCOMPARE(radio().currentIndex(), 0);
        QCOMPARE(m_rig->player->m_curSong.title, QStringLiteral("新歌一"));
        QCOMPARE(m_rig->player->m_curSong.artist, QStringLiteral("歌手甲"));
        QCOMPARE(m_rig->player->m_curSong.id, 2001u);
        QVERIFY(m_rig->seam.statuses.contains(QStringLiteral("0|歌手甲 - 新歌一")));
        // The fake knows neither song: each fails once, then the radio stops instead of asking
        // the service again and again.
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_rig->seam.resets, 1, 10000);
        QCOMPARE(g_nPlayingListId, 0);
        QCOMPARE(m_fake.requestsTo(FakeHost::Site, QStringLiteral("/html/pxml/1/2001.xml")).size(), 1);
        QCOMPARE(m_fake.requestsTo(FakeHost::Site, QStringLiteral("/html/pxml/1/2002.xml")).size(), 1);
        QVERIFY(waitUntilAnswered(*m_rig->client));
        QCOMPARE(m_fake.requestsTo(FakeHost::Site, QStringLiteral("/html/pxml/1/2001.xml")).size(), 1);
    }

    void nextAndPreviousWithTheRefill()
    {
        spis s;
        radio().getNextSong(s);
        QVERIFY(s.filePath.isEmpty()); // empty queue
        QVERIFY(!radio().getRealNextSong(s));

        QStringList entries{QStringLiteral("1[]a-one"), QStringLiteral("2[]b-two"),
                            QStringLiteral("3[]c-three")};
        radio().setSongData(entries, false);
        QVERIFY(!radio().getRealNextSong(s)); // nothing taken yet
        QVERIFY(!radio().getRealPrevSong(s));
        radio().getNextSong(s);
        QCOMPARE(s.id, 1u);
        QVERIFY(!radio().getRealPrevSong(s)); // at the first song
        QCOMPARE(radio().currentIndex(), 0);
        radio().getNextSong(s);
        QCOMPARE(s.id, 2u);
        QCOMPARE(refillRequests(), 0);
        // Moving to the last song asks for more.
        radio().getNextSong(s);
        QCOMPARE(s.id, 3u);
        QVERIFY(radio().getRealPrevSong(s));
        QCOMPARE(s.id, 2u);
        KVR_TRY_COMPARE_WITH_TIMEOUT(refillRequests(), 1, 5000);
        const FakeRequest refill =
            m_fake.requestsTo(FakeHost::Service, QStringLiteral("/do/apiHandler.ashx")).first();
        QCOMPARE(QString::fromUtf8(refill.target),
                 QStringLiteral("/do/apiHandler.ashx?t=GetMoreFmSongs_new&fmid=7"));
        // The refill (two songs) replaced the queue and kept the index (1): the next is past the
        // end, so the first; the one after that is the last and asks again.
        KVR_TRY_COMPARE_WITH_TIMEOUT(radio().count(), 2, 5000);
        QCOMPARE(titles(), (QStringList{QStringLiteral("歌手甲|新歌一"), QStringLiteral("歌手乙|新歌二")}));
        QCOMPARE(radio().currentIndex(), 1);
        QVERIFY(radio().getRealNextSong(s));
        QCOMPARE(s.id, 2001u);
        QVERIFY(radio().getRealNextSong(s));
        QCOMPARE(s.id, 2002u);
        KVR_TRY_COMPARE_WITH_TIMEOUT(refillRequests(), 2, 5000);
    }

    void refillAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("songs"); // artist|title; the old queue when unchanged
        const QStringList old{QStringLiteral("old|song")};
        QTest::newRow("question mark") << "fmlist:  3001[]A-B?C|" << QStringList{"A|B_C"};
        QTest::newRow("slash, colon, star, quotes, brackets")
            << "fmlist:  3002[]A/B-C:D*E\"F<G>H|" << QStringList{"A_B|C_D_E_F_G_H"};
        QTest::newRow("backslash stays") << "fmlist:  3003[]A\\B-C|" << QStringList{"A\\B|C"};
        QTest::newRow("entry without separator skipped") << "fmlist:  junk|3004[]A-B||" << QStringList{"A|B"};
        QTest::newRow("failed refill") << "" << old;
        QTest::newRow("no colon") << "fmlist 3005[]A-B" << old;
        QTest::newRow("no song at all") << "fmlist:  junk||" << old;
    }
    void refillAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, songs);
        QStringList entries{QStringLiteral("9[]old-song")};
        radio().setSongData(entries, false);
        radio().dealwithMoreRadioSongResponse(answer);
        QCOMPARE(titles(), songs);
    }

    void lengthText_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("65.9 s") << 65.9 << "01:05";
        QTest::newRow("600 s") << 600.0 << "10:00";
        QTest::newRow("nothing") << 0.0 << "00:00";
    }
    void lengthText()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(g_formatSongDuration(seconds), text);
    }

    void channelPlaysOnAcrossRefills()
    {
        m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/radio.mp3"), readAll(m_tone), "audio/mpeg");
        for (const char *id : {"2001", "2002", "2003", "3001", "3002"}) {
            m_fake.setAnswer(FakeHost::Site, QStringLiteral("/html/pxml/1/%1.xml").arg(QLatin1String(id)),
                             FakeAnswer::xml(songInfoXml(QLatin1String(id))));
        }
        m_fake.setAnswer(FakeHost::Service, QStringLiteral("/do/apiHandler.ashx?t=GetMoreFmSongs_new"),
                         FakeAnswer::text("fmlist:  3001[]丙-新歌三|3002[]丁-新歌四|"));
        QStringList entries{QStringLiteral("2001[]甲-一"), QStringLiteral("2002[]乙-二"),
                            QStringLiteral("2003[]丙-三")};
        radio().setSongData(entries, true);
        KVR_TRY_VERIFY_WITH_TIMEOUT(m_rig->seam.startedIds.size() >= 6, playMs(6 * 0.3));
        QCOMPARE(m_rig->seam.startedIds.mid(0, 6), (QList<quint32>{2001, 2002, 2003, 3001, 3002, 3001}));
        QCOMPARE(g_nPlayingListId, 4);
        QCOMPARE(m_rig->seam.resets, 0);
        // The songs came from the network and the title line marks them as playing.
        QVERIFY(m_rig->seam.statuses.contains(QStringLiteral("3|新歌三 - 丙")));
        m_rig->player->stopPlay();
    }
};

QTEST_GUILESS_MAIN(TestRadioQueue)
#include "tst_radioqueue.moc"

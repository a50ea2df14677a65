// The song-information document read on its own, without the client, the lists or the audio
// layer: each field from the element kind the service writes it as, the lyric preference, the two
// ways a document fails, and mangled documents that must never give anything but a well-formed
// answer.
#include "services/playback/SongInfoDocument.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kFull = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><song>"
    "<wma><![CDATA[/mp3/10000.mp3]]></wma><playstate> 2 </playstate><mp3time>245.7</mp3time>"
    "<mp3size>3932160</mp3size><gsid>11</gsid><geshou><![CDATA[王菲]]></geshou><zjid>201</zjid>"
    "<zjname><![CDATA[唱游]]></zjname><zjpic><![CDATA[http://pic/201.jpg]]></zjpic>"
    "<tqrcword><![CDATA[[0,3000]红(0,500)]]></tqrcword><tlrcword><![CDATA[[00:00.00]红豆]]></tlrcword>"
    "</song>");

QString song(const QString &children)
{
    return QStringLiteral("<song><wma><![CDATA[/a.mp3]]></wma>") + children + QStringLiteral("</song>");
}

} // namespace

class TestSongInfoDocument : public QObject
{
    Q_OBJECT

private slots:
    void everyField()
    {
        const SongInfoDocument info = SongInfoDocument::parse(kFull);
        QCOMPARE(info.status, SongInfoDocument::Status::Parsed);
        QCOMPARE(info.streamPath, QStringLiteral("/mp3/10000.mp3"));
        QCOMPARE(info.playState, QStringLiteral("2"));
        QCOMPARE(info.duration, QStringLiteral("04:05"));
        QCOMPARE(info.size, QStringLiteral("3932160"));
        QCOMPARE(info.singerId, QStringLiteral("11"));
        QCOMPARE(info.singer, QStringLiteral("王菲"));
        QCOMPARE(info.albumId, QStringLiteral("201"));
        QCOMPARE(info.albumName, QStringLiteral("唱游"));
        QCOMPARE(info.albumPicture, QStringLiteral("http://pic/201.jpg"));
        QCOMPARE(info.lyric, QStringLiteral("[0,3000]红(0,500)"));
        QVERIFY(info.lyricWordTimed);
    }

    void lyricAndFieldKinds_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("lyric");
        QTest::addColumn<bool>("wordTimed");
        QTest::addColumn<QString>("singer");
        QTest::addColumn<QString>("duration");
        QTest::newRow("line-timed only")
            << song("<tlrcword><![CDATA[[00:01.00]x]]></tlrcword>") << "[00:01.00]x" << false << ""
            << "00:00";
        QTest::newRow("empty word-timed falls back")
            << song("<tqrcword><![CDATA[]]></tqrcword><tlrcword><![CDATA[l]]></tlrcword>") << "l" << false
            << ""
            << "00:00";
        QTest::newRow("no lyric") << song(QString()) << "" << false << ""
                                  << "00:00";
        // The service writes names as CDATA and numbers as text; the other kind reads as nothing.
        QTest::newRow("singer as text") << song("<geshou>A</geshou>") << "" << false << ""
                                        << "00:00";
        QTest::newRow("time as CDATA") << song("<mp3time><![CDATA[60]]></mp3time>") << "" << false << ""
                                       << "00:00";
        QTest::newRow("time out of range")
            << song("<mp3time>1e19</mp3time><geshou><![CDATA[B]]></geshou>") << "" << false << "B"
            << "00:00";
    }
    void lyricAndFieldKinds()
    {
        QFETCH(QString, xml);
        QFETCH(QString, lyric);
        QFETCH(bool, wordTimed);
        QFETCH(QString, singer);
        QFETCH(QString, duration);
        const SongInfoDocument info = SongInfoDocument::parse(xml);
        QCOMPARE(info.status, SongInfoDocument::Status::Parsed);
        QCOMPARE(info.lyric, lyric);
        QCOMPARE(info.lyricWordTimed, wordTimed);
        QCOMPARE(info.singer, singer);
        QCOMPARE(info.duration, duration);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<SongInfoDocument::Status>("status");
        QTest::newRow("empty") << QString() << SongInfoDocument::Status::NotXml;
        QTest::newRow("an error page") << "<html><body>502</body>" << SongInfoDocument::Status::NotXml;
        QTest::newRow("no stream path")
            << "<song><playstate>1</playstate></song>" << SongInfoDocument::Status::NoStreamPath;
        QTest::newRow("stream path as text")
            << "<song><wma>/a.mp3</wma></song>" << SongInfoDocument::Status::NoStreamPath;
        QTest::newRow("empty stream path")
            << "<song><wma><![CDATA[]]></wma></song>" << SongInfoDocument::Status::NoStreamPath;
    }
    void failures()
    {
        QFETCH(QString, xml);
        QFETCH(SongInfoDocument::Status, status);
        const SongInfoDocument info = SongInfoDocument::parse(xml);
        QCOMPARE(info.status, status);
        QCOMPARE(info.error.isEmpty(), status != SongInfoDocument::Status::NotXml);
        QVERIFY(info.streamPath.isEmpty());
        QVERIFY(info.lyric.isEmpty());
    }

    // Damaged answers (bytes replaced, dropped or repeated) give a status and, when parsed, a
    // duration of the "mm:ss" form: nothing the answer says can break the reader.
    void mangledDocuments()
    {
        QRandomGenerator random(20150301);
        const QRegularExpression durationForm(QStringLiteral("^\\d{2,}:\\d{2}$"));
        const QString alphabet = QStringLiteral("<>/![]CDATA9e.-+ \"&;x\u738B");
        for (int round = 0; round < 3000; ++round) {
            QString xml = kFull;
            const int edits = 1 + int(random.bounded(6));
            for (int i = 0; i < edits && !xml.isEmpty(); ++i) {
                const int at = int(random.bounded(xml.size()));
                switch (random.bounded(3)) {
                case 0:
                    xml[at] = alphabet.at(int(random.bounded(alphabet.size())));
                    break;
                case 1:
                    xml.remove(at, 1 + int(random.bounded(8)));
                    break;
                default:
                    xml.insert(at, xml.mid(at, 1 + int(random.bounded(40))));
                    break;
                }
            }
            const SongInfoDocument info = SongInfoDocument::parse(xml);
            if (info.status == SongInfoDocument::Status::Parsed) {
                QVERIFY2(durationForm.match(info.duration).hasMatch(), qPrintable(xml));
                QVERIFY(!info.streamPath.isEmpty());
            } else {
                QVERIFY(info.streamPath.isEmpty());
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestSongInfoDocument)
#include "tst_songinfodocument.moc"

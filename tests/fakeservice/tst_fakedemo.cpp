// The demo catalogue of the run command, seen the way the player sees it: from the pages'
// link commands to the song information, the song file (decoded by ffprobe), the lyric and the
// pictures; the radio channels; and the server program handing its hosts to a script.
#include "FakeDemoCatalogue.h"
#include "FakeWebService.h"
#include "KvrTry.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct Reply
{
    int status = 0;
    QByteArray contentType;
    QByteArray body;
};

Reply fetch(QNetworkAccessManager &nam, const QString &url)
{
    QNetworkReply *reply = nam.get(QNetworkRequest(QUrl::fromEncoded(url.toUtf8())));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(15000);
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->rawHeader("Content-Type");
    result.body = reply->readAll();
    delete reply;
    return result;
}

// The text of each element of a flat XML document (CDATA included), by name.
QHash<QString, QString> elements(const QByteArray &xml)
{
    QHash<QString, QString> values;
    QXmlStreamReader reader(xml);
    if (reader.readNextStartElement()) {
        while (reader.readNextStartElement())
            values.insert(reader.name().toString(), reader.readElementText());
    }
    return values;
}

// One link command as the player reads it: the command word between "KEY=" and "://", and the
// items after it, each split into its fields.
struct Command
{
    QString page;
    QString word;
    QList<QStringList> items;
};

QList<Command> commandsOf(const QString &page, const QByteArray &html)
{
    QList<Command> commands;
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    auto it = href.globalMatch(QString::fromUtf8(html));
    while (it.hasNext()) {
        const QString link = QUrl::fromPercentEncoding(it.next().captured(1).toUtf8());
        const int key = int(link.indexOf(QLatin1String("KEY="), 16));
        if (key < 0)
            continue;
        const int colon = int(link.indexOf(QLatin1String("://"), key));
        Command command;
        command.page = page;
        command.word = colon < 0 ? QString() : link.mid(key + 4, colon - key - 4);
        const QStringList items = link.mid(colon + 3).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        for (const QString &item : items)
            command.items << item.split(QStringLiteral("[]"));
        commands << command;
    }
    return commands;
}

QString songInfoPath(const QString &id)
{
    return QStringLiteral("/html/pxml/%1/%2.xml").arg((id.toUInt() + 9999) / 10000).arg(id);
}

// Seconds of each "[mm:ss.xx]" line of an LRC text.
QList<double> lrcTimes(const QString &lrc)
{
    QList<double> times;
    static const QRegularExpression stamp(QStringLiteral("^\\[(\\d+):(\\d+\\.\\d+)\\]\\S"),
                                          QRegularExpression::MultilineOption);
    auto it = stamp.globalMatch(lrc);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        times << match.captured(1).toInt() * 60 + match.captured(2).toDouble();
    }
    return times;
}

const QStringList kPages = {QStringLiteral("/index.html"), QStringLiteral("/bang.html"),
                            QStringLiteral("/geshou.html"), QStringLiteral("/fenlei.html"),
                            QStringLiteral("/zhuanti.html")};

} // namespace

class TestFakeDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty())
            QSKIP("the demo needs the ffmpeg and ffprobe commands");
        QVERIFY2(m_demo.load(), qPrintable(m_demo.errorString()));
        // The songs made here are the server program's too (serverWritesItsHostsOnceTheDemoIsServed).
        QVERIFY(m_songCache.isValid());
        m_demo.setSongCache(m_songCache.path());
        QVERIFY(m_fake.start());
        QVERIFY2(m_demo.install(&m_fake), qPrintable(m_demo.errorString()));
        for (const QString &page : kPages) {
            const Reply reply = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + page);
            QCOMPARE(reply.status, 200);
            m_commands += commandsOf(page, reply.body);
        }
    }
    void cleanupTestCase() { m_fake.stop(); }

    void pagesOfferTheCommandsAUserWants()
    {
        const QSet<QString> known = {"JCplayer", "AllPlay", "Add",     "AllAdd",    "Down",
                                     "AllDown",  "Love",    "AllLove", "LoveSinger"};
        QHash<QString, QSet<QString>> wordsByPage;
        for (const Command &command : std::as_const(m_commands)) {
            QVERIFY2(known.contains(command.word), qPrintable(command.page + ": " + command.word));
            QVERIFY2(!command.items.isEmpty(), qPrintable(command.page + ": " + command.word));
            wordsByPage[command.page] << command.word;
        }
        for (const QString &page : kPages) {
            const QSet<QString> words = wordsByPage.value(page);
            QVERIFY2(words.contains("AllPlay"), qPrintable(page));
            if (page != QLatin1String("/geshou.html")) {
                for (const char *word : {"JCplayer", "Add", "AllAdd", "Down", "Love"})
                    QVERIFY2(words.contains(word), qPrintable(page + ": " + word));
            }
        }
        QVERIFY(wordsByPage.value("/geshou.html").contains("LoveSinger"));

        // The navigation tags open the demo's own pages.
        const QByteArray tags = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/navtag.xml").body;
        static const QRegularExpression url(QStringLiteral("<url>([^<]*)</url>"));
        auto it = url.globalMatch(QString::fromUtf8(tags));
        int count = 0;
        for (; it.hasNext(); ++count) {
            const Reply page = fetch(m_nam, it.next().captured(1));
            QCOMPARE(page.status, 200);
            QVERIFY(page.contentType.startsWith("text/html"));
            QVERIFY(page.body.contains("KEY="));
        }
        QVERIFY(count >= 4 && count <= 6);
    }

    // Every song a page links to plays: its information document, its file of the announced
    // size and duration, its lyric (in the document and from the lyric request), its pictures.
    void everyLinkedSongIsComplete()
    {
        const QString states = QString::fromUtf8(
            fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/do/apiHandler.ashx?t=getqinquan").body);
        const QString filesBase =
            QString::fromUtf8(fetch(m_nam, m_fake.baseUrl(FakeHost::Site) + "/sgbox/urlindex.asp").body)
                .trimmed();
        QFile defaultSinger(FakeWebService::defaultFixtureDir() + "/singer.png");
        QVERIFY(defaultSinger.open(QIODevice::ReadOnly));
        const QByteArray defaultSingerPicture = defaultSinger.readAll();
        QTemporaryDir work;
        QVERIFY(work.isValid());

        QSet<QString> checked;
        struct Probe
        {
            std::unique_ptr<QProcess> process;
            double announced = 0;
        };
        std::vector<Probe> probes;
        for (const Command &command : std::as_const(m_commands)) {
            if (command.word == QLatin1String("LoveSinger"))
                continue;
            for (const QStringList &item : command.items) {
                const QString id = item.value(0);
                const QString display = item.value(1);
                const QString where = command.page + " " + command.word + " " + item.join("[]");
                const int dash = int(display.indexOf(QLatin1Char('-')));
                QVERIFY2(dash > 0, qPrintable(where));
                const QString artist = display.left(dash).trimmed();
                const QString title = display.mid(dash + 1).trimmed();

                const Reply info = fetch(m_nam, m_fake.baseUrl(FakeHost::Site) + songInfoPath(id));
                QVERIFY2(info.status == 200, qPrintable(where));
                const QHash<QString, QString> song = elements(info.body);
                QCOMPARE(song.value("geshou"), artist);
                QCOMPARE(song.value("name"), title);
                if (item.size() > 2)
                    QCOMPARE(item.at(2), song.value("zjname"));
                QVERIFY2(states.split(',').contains(song.value("playstate")), qPrintable(where));
                if (checked.contains(id))
                    continue;
                checked << id;

                const Reply file = fetch(m_nam, filesBase + song.value("wma"));
                QCOMPARE(file.status, 200);
                QCOMPARE(QString::number(file.body.size()), song.value("mp3size"));
                const QString path = work.filePath(id + ".mp3");
                QFile mp3(path);
                QVERIFY(mp3.open(QIODevice::WriteOnly));
                mp3.write(file.body);
                mp3.close();
                // Probed all at once below.
                auto probe = std::make_unique<QProcess>();
                probe->start("ffprobe", {"-v", "error", "-show_entries", "format=duration:stream=codec_name",
                                         "-of", "default=noprint_wrappers=1", path});
                const double announced = song.value("mp3time").toDouble();
                QVERIFY2(announced >= 20 && announced <= 40, qPrintable(where));
                probes.push_back({std::move(probe), announced});

                const QString lyric = song.value("tlrcword");
                const QList<double> times = lrcTimes(lyric);
                QVERIFY2(times.size() >= 3, qPrintable(lyric));
                QVERIFY(std::is_sorted(times.begin(), times.end()));
                QVERIFY2(times.last() < announced && times.last() > announced / 2, qPrintable(lyric));
                const Reply asked =
                    fetch(m_nam, m_fake.baseUrl(FakeHost::Service) +
                                     "/do/apiHandler.ashx?t=GetLrcContent&keyword=" +
                                     QString::fromLatin1(QUrl::toPercentEncoding(artist + title)));
                QCOMPARE(elements(asked.body).value("tlrcword"), lyric);

                QVERIFY(!QImage::fromData(fetch(m_nam, song.value("zjpic")).body).isNull());
                const QString singerId = song.value("gsid");
                const Reply singer = fetch(m_nam, m_fake.baseUrl(FakeHost::Image) +
                                                      QStringLiteral("/pic/gstx/%1/%2.jpg")
                                                          .arg((singerId.toUInt() + 9999) / 10000)
                                                          .arg(singerId));
                QVERIFY(!QImage::fromData(singer.body).isNull());
                QVERIFY(singer.body != defaultSingerPicture);
            }
        }
        QCOMPARE(checked.size(), m_demo.songs().size());
        for (const Probe &probe : probes) {
            // Those that ended while later songs were fetched are not waited for again.
            QVERIFY(probe.process->state() == QProcess::NotRunning || probe.process->waitForFinished(30000));
            QCOMPARE(probe.process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(probe.process->exitCode(), 0);
            const QString probed = QString::fromUtf8(probe.process->readAllStandardOutput());
            QVERIFY2(probed.contains("codec_name=mp3"), qPrintable(probed));
            static const QRegularExpression duration(QStringLiteral("duration=([0-9.]+)"));
            const double seconds = duration.match(probed).captured(1).toDouble();
            QVERIFY2(qAbs(seconds - probe.announced) < 0.5,
                     qPrintable(probed + " vs " + QString::number(probe.announced)));
        }
        // Other songs keep the test fixtures' answers, but no borrowed lyric.
        QCOMPARE(fetch(m_nam, m_fake.baseUrl(FakeHost::Site) + "/html/pxml/1/10000.xml").status, 200);
        const Reply none = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) +
                                            "/do/apiHandler.ashx?t=GetLrcContent&keyword=nobody");
        QVERIFY(elements(none.body).value("tlrcword").isEmpty());
    }

    void radioChannelsPlayAndRefillFromTheirOwnSongs()
    {
        const QByteArray list =
            fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/do/apihandler.ashx?t=GetFMClass").body;
        static const QRegularExpression url(QStringLiteral("<url>([^<]*)/fmclass/(\\d+)\\.html</url>"));
        auto it = url.globalMatch(QString::fromUtf8(list));
        int channels = 0;
        for (; it.hasNext(); ++channels) {
            const QRegularExpressionMatch match = it.next();
            const QString pageUrl = match.captured(1) + "/fmclass/" + match.captured(2) + ".html";
            const QString fmid = match.captured(2);
            const Reply page = fetch(m_nam, pageUrl);
            QCOMPARE(page.status, 200);
            // The channel page's play links name the page itself and the channel, as the
            // player's radio step needs: page address, "#fmid=", the id, "#KEY=JCplayer".
            const QString html = QUrl::fromPercentEncoding(page.body);
            QVERIFY2(html.contains(pageUrl + "#fmid=" + fmid + "#KEY=JCplayer://"), qPrintable(pageUrl));

            const QString more =
                QString::fromUtf8(fetch(m_nam, m_fake.baseUrl(FakeHost::Service) +
                                                   "/do/apiHandler.ashx?t=GetMoreFmSongs_new&fmid=" + fmid)
                                      .body);
            QVERIFY2(more.startsWith("fmlist:  "), qPrintable(more));
            const QStringList entries = more.mid(9).split('|', Qt::SkipEmptyParts);
            QVERIFY(!entries.isEmpty());
            for (const QString &entry : entries) {
                const QString id = entry.section("[]", 0, 0);
                QVERIFY2(html.contains(id + "[]" + entry.section("[]", 1)), qPrintable(entry));
                QCOMPARE(fetch(m_nam, m_fake.baseUrl(FakeHost::Site) + songInfoPath(id)).status, 200);
            }
        }
        QVERIFY(channels >= 2 && channels <= 3);
    }

    // The run command waits for the hosts file, then runs the player against those hosts.
    void serverWritesItsHostsOnceTheDemoIsServed()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ini = dir.filePath("hosts.ini");
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(QStringLiteral(KVR_BINARY_DIR "/tests/fakeservice-server"),
                     {"--demo", "--song-cache", m_songCache.path(), "--hosts-ini", ini});
        QVERIFY(server.waitForStarted());
        KVR_TRY_VERIFY_WITH_TIMEOUT(QFile::exists(ini) || server.state() == QProcess::NotRunning, 120000);
        QVERIFY(QFile::exists(ini));
        const QString service = QSettings(ini, QSettings::IniFormat).value("hosts/service").toString();
        const QString site = QSettings(ini, QSettings::IniFormat).value("hosts/site").toString();
        QVERIFY(fetch(m_nam, service + "/index.html").body.contains("KEY=JCplayer"));
        QVERIFY(fetch(m_nam, site + "/html/pxml/6/50001.xml").body.contains("<wma>"));
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }

    void catalogueMistakesAreReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message");
        QTest::newRow("page names an unknown song") << "pages/index.html"
                                                    << "<!--@songs all-->"
                                                    << "<!--@songs 50001 99999-->"
                                                    << "unknown song 99999";
        QTest::newRow("unknown directive") << "pages/bang.html"
                                           << "<!--@songs 50012"
                                           << "<!--@playlist 50012"
                                           << "unknown directive";
        QTest::newRow("no note") << "catalogue.txt"
                                 << "C5 E5 G5 C6"
                                 << "C5 H5 G5 C6"
                                 << "\"H5\" is no note";
        QTest::newRow("unknown singer") << "catalogue.txt"
                                        << "| 601 | 701 |"
                                        << "| 699 | 701 |"
                                        << "unknown singer";
    }
    void catalogueMistakesAreReported()
    {
        QFETCH(QString, file);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, message);
        QTemporaryDir copy;
        QVERIFY(copy.isValid());
        const QDir source(FakeDemoCatalogue::defaultDir());
        QVERIFY(QDir(copy.path()).mkpath("pages"));
        for (const QString &name : source.entryList(QDir::Files))
            QVERIFY(QFile::copy(source.filePath(name), copy.filePath(name)));
        for (const QString &name : QDir(source.filePath("pages")).entryList(QDir::Files))
            QVERIFY(QFile::copy(source.filePath("pages/" + name), copy.filePath("pages/" + name)));

        QFile changed(copy.filePath(file));
        QVERIFY(changed.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(changed.readAll());
        changed.close();
        QVERIFY(text.contains(before));
        text.replace(text.indexOf(before), before.size(), after);
        QFile::setPermissions(changed.fileName(), QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        changed.write(text.toUtf8());
        changed.close();

        FakeDemoCatalogue broken;
        QVERIFY(!broken.load(copy.path()));
        QVERIFY2(broken.errorString().contains(message), qPrintable(broken.errorString()));
    }

private:
    QTemporaryDir m_songCache;
    FakeDemoCatalogue m_demo;
    FakeWebService m_fake;
    QNetworkAccessManager m_nam;
    QList<Command> m_commands;
};

QTEST_GUILESS_MAIN(TestFakeDemo)
#include "tst_fakedemo.moc"

// The program-wide helpers: song-information address, buffering text, style values, song tags,
// cipher wrappers, waits, messages through the window seam, and the power-off seam.
#include "RecordingSeam.h"

#include "platform/PowerOff.h"
#include "services/core/Globals.h"
#include "services/core/ProgramHelpers.h"
#include "services/core/SongFileInfo.h"
#include "services/net/ServiceEndpoints.h"

#include "audio/kvraudio.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestProgramHelpers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ServiceHosts hosts = ServiceHosts::builtIn();
        hosts.site = "http://site.test";
        g_setServiceHosts(hosts);
    }
    void init() { m_seam.calls.clear(); }

    void songInfoUrl_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("url");
        QTest::newRow("1") << "1"
                           << "http://site.test/html/pxml/1/1.xml";
        QTest::newRow("9999") << "9999"
                              << "http://site.test/html/pxml/1/9999.xml";
        QTest::newRow("10000") << "10000"
                               << "http://site.test/html/pxml/1/10000.xml";
        QTest::newRow("10001") << "10001"
                               << "http://site.test/html/pxml/2/10001.xml";
        QTest::newRow("12345") << "12345"
                               << "http://site.test/html/pxml/2/12345.xml";
        QTest::newRow("19999") << "19999"
                               << "http://site.test/html/pxml/2/19999.xml";
        QTest::newRow("20000") << "20000"
                               << "http://site.test/html/pxml/2/20000.xml";
        QTest::newRow("20001") << "20001"
                               << "http://site.test/html/pxml/3/20001.xml";
        QTest::newRow("1230001") << "1230001"
                                 << "http://site.test/html/pxml/124/1230001.xml";
        QTest::newRow("0") << "0"
                           << "http://site.test/html/pxml/0/0.xml";
        QTest::newRow("not a number") << "abc"
                                      << "http://site.test/html/pxml/0/abc.xml";
        QTest::newRow("escaped") << "1/../x?y"
                                 << "http://site.test/html/pxml/0/1%2F..%2Fx%3Fy.xml";
    }
    void songInfoUrl()
    {
        QFETCH(QString, id);
        QFETCH(QString, url);
        QCOMPARE(g_getSongInfoUrl(id), url);
    }

    void bufferingText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("buffering") << "缓冲中...Singer - Song"
                                   << "缓冲中... Song - Singer";
        QTest::newRow("blank after the dots") << "缓冲中... Singer - Song"
                                              << "缓冲中... Song -  Singer";
        QTest::newRow("one dot") << "缓冲中.A - B"
                                 << "缓冲中. B - A";
        QTest::newRow("plain name") << "Singer - Song"
                                    << "Song - Singer";
        QTest::newRow("middle parts dropped") << "A - B - C"
                                              << "C - A";
        QTest::newRow("no separator") << "Song"
                                      << "";
        QTest::newRow("buffering without separator") << "缓冲中...Song"
                                                     << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("empty parts kept") << " - Song"
                                          << "Song - ";
    }
    void bufferingText()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QCOMPARE(g_parseBufferingText(text), result);
    }

    void styleValues_data()
    {
        QTest::addColumn<QString>("vars");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QString vars = "/*wplNormal:#ffffff;wplAlter:#f5f5f5;zspLeft:12;*/";
        QTest::newRow("first") << vars << "wplNormal"
                               << "#ffffff";
        QTest::newRow("middle") << vars << "wplAlter"
                                << "#f5f5f5";
        QTest::newRow("last") << vars << "zspLeft"
                              << "12";
        QTest::newRow("absent") << vars << "wplHover"
                                << "";
        QTest::newRow("no semicolon after") << "wplNormal:#fff"
                                            << "wplNormal"
                                            << "";
        QTest::newRow("no variables") << ""
                                      << "wplNormal"
                                      << "";
        QTest::newRow("key inside a value, first occurrence wins") << "a:zspLeft;zspLeft:7;"
                                                                   << "zspLeft"
                                                                   << "zspLeft:7";
    }
    void styleValues()
    {
        QFETCH(QString, vars);
        QFETCH(QString, key);
        QFETCH(QString, value);
        g_sStyleVars = vars;
        QCOMPARE(g_getListValue(key), value);
        g_sStyleVars.clear();
    }

    void songTagRules_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("album");
        QTest::newRow("name with dash decides") << "/music/Singer - Title.mp3"
                                                << "T|A|B"
                                                << "Title"
                                                << "Singer"
                                                << "B";
        QTest::newRow("name without dash keeps the tag artist") << "/music/Title.mp3"
                                                                << "T|A|B"
                                                                << "Title"
                                                                << "A"
                                                                << "B";
        QTest::newRow("unreadable file") << "/music/x.mp3"
                                         << ""
                                         << "x"
                                         << "未知艺术家"
                                         << "未知专辑";
        QTest::newRow("question-mark album") << "/m/Title.mp3"
                                             << "T|A|??? ??"
                                             << "Title"
                                             << "A"
                                             << "未知专辑";
        QTest::newRow("blank album and artist") << "/m/Title.wma"
                                                << "T|  | "
                                                << "Title"
                                                << "未知艺术家"
                                                << "未知专辑";
        QTest::newRow("album simplified") << "/m/t.ogg"
                                          << "T|A|  Best   of  "
                                          << "t"
                                          << "A"
                                          << "Best of";
        QTest::newRow("album keeps further bars") << "/m/t.wav"
                                                  << "T|A|B|C"
                                                  << "t"
                                                  << "A"
                                                  << "B|C";
        QTest::newRow("folders never reach the artist") << "/home/u/a-b/Song.mp3"
                                                        << ""
                                                        << "Song"
                                                        << "未知艺术家"
                                                        << "未知专辑";
        QTest::newRow("first dash splits") << "/m/A-B-C.mp3"
                                           << ""
                                           << "B-C"
                                           << "A"
                                           << "未知专辑";
        QTest::newRow("chinese") << "/音乐/周杰伦 - 晴天.mp3"
                                 << "晴天|周杰伦|叶惠美"
                                 << "晴天"
                                 << "周杰伦"
                                 << "叶惠美";
    }
    void songTagRules()
    {
        QFETCH(QString, path);
        QFETCH(QString, tags);
        QFETCH(QString, title);
        QFETCH(QString, artist);
        QFETCH(QString, album);
        QString t = "junk", a = "junk", b = "junk";
        g_applySongTagRules(path, tags, t, a, b);
        QCOMPARE(t, title);
        QCOMPARE(a, artist);
        QCOMPARE(b, album);
    }

    void songTagOfAMissingFile()
    {
        QString title, artist, album;
        g_getSongTag("/nonexistent/Someone - Something.mp3", title, artist, album);
        QCOMPARE(title, QStringLiteral("Something"));
        QCOMPARE(artist, QStringLiteral("Someone"));
        QCOMPARE(album, QStringLiteral("未知专辑"));
        QCOMPARE(g_getSongDuration("/nonexistent/x.mp3"), 0.0f);
    }

    void songFileInfoOfRealFiles()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            QSKIP("the ffmpeg command is not installed");
        QTemporaryDir dir;
        const auto make = [&dir](const QString &name) {
            QProcess ffmpeg;
            ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=2",
                                    "-metadata", "title=T", "-metadata", "artist=  A  ", "-metadata",
                                    "album=B", "-y", dir.filePath(name)});
            return ffmpeg.waitForFinished(30000) && ffmpeg.exitCode() == 0;
        };
        QVERIFY(make("Singer - Title.mp3"));
        QVERIFY(make("Title.mp3"));
        QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));

        QList<quint32> queued;
        g_setStreamFreeQueue([&queued](quint32 handle) {
            queued << handle;
            BASS_StreamFree(handle);
        });
        const float seconds = g_getSongDuration(dir.filePath("Title.mp3"));
        QVERIFY2(seconds > 1.9f && seconds < 2.2f, qPrintable(QString::number(seconds)));
        QCOMPARE(queued.size(), 1);

        QString title, artist, album;
        g_getSongTag(dir.filePath("Singer - Title.mp3"), title, artist, album);
        QCOMPARE(title, QStringLiteral("Title"));
        QCOMPARE(artist, QStringLiteral("Singer"));
        QCOMPARE(album, QStringLiteral("B"));
        g_getSongTag(dir.filePath("Title.mp3"), title, artist, album);
        QCOMPARE(title, QStringLiteral("Title"));
        QCOMPARE(artist, QStringLiteral("A"));
        QCOMPARE(album, QStringLiteral("B"));
        QCOMPARE(queued.size(), 3);
        g_setStreamFreeQueue(nullptr);

        // The audio layer's last error names itself in the message.
        m_seam.calls.clear();
        QCOMPARE(BASS_StreamCreateFile(FALSE, "/nonexistent.mp3", 0, 0, 0), HSTREAM(0));
        g_showBassError("x", true);
        QCOMPARE(m_seam.calls, QStringList({"critical:error|x: The file could not be opened"}));
        BASS_Free();
    }

    void bassErrorTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("2") << 2 << ": The file could not be opened";
        QTest::newRow("6") << 6 << ": The sample format is not supported by the device/drivers";
        QTest::newRow("41") << 41 << ": The file's format is not recognised/supported";
        QTest::newRow("44") << 44 << ": The file uses a codec that is not available/supported";
        QTest::newRow("other") << 8 << " 8";
    }
    void bassErrorTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, sentence);
        QCOMPARE(g_bassErrorSentence(code), sentence);
    }

    void messagesGoThroughTheSeam()
    {
        g_showBassError("动态库版本不对，程序将退出", false);
        g_execDialog("异常delSong", "text");
        QCOMPARE(m_seam.calls,
                 QStringList({"critical:error|动态库版本不对，程序将退出", "dialog:异常delSong|text"}));
        m_seam.calls.clear();
        g_showBassError("不能初始化音频设备，程序将退出", true);
        QCOMPARE(m_seam.calls.size(), 1);
        QVERIFY(m_seam.calls.first().startsWith("critical:error|不能初始化音频设备，程序将退出"));
        QVERIFY(m_seam.calls.first().size() >
                QString("critical:error|不能初始化音频设备，程序将退出").size());
    }

    void cipherWrappers()
    {
        const QString password = "p@ss 密码";
        const QString cipher = g_encryptString(password, 1000000);
        QVERIFY(!cipher.isEmpty());
        QVERIFY(cipher != password);
        QCOMPARE(g_decryptString(cipher, 2000000), password);
        // Blank texts pass unchanged; a buffer too small gives nothing rather than a cut text.
        QCOMPARE(g_encryptString("   ", 1000000), QStringLiteral("   "));
        QCOMPARE(g_encryptString(password, 8), QString());
        QCOMPARE(g_decryptString(cipher, 4), QString());
        QCOMPARE(g_decryptString("not a cipher text", 2000000), QString());
    }

    void waitKeepsTheEventLoopGoing()
    {
        bool fired = false;
        QTimer::singleShot(20, this, [&fired]() { fired = true; });
        QElapsedTimer clock;
        clock.start();
        g_waitMs(150);
        QVERIFY(clock.elapsed() >= 145);
        QVERIFY(fired);
        clock.restart();
        g_waitMs(0);
        g_waitMs(-5);
        QVERIFY(clock.elapsed() < 50);
    }

    void osVersionNamesTheArchitecture()
    {
        const QString os = g_getOSVersion();
        QVERIFY2(os.endsWith(" x64") || os.endsWith(" x86"), qPrintable(os));
        QVERIFY(os.size() > 4);
    }

    void powerOffSeams()
    {
        int calls = 0;
        g_setPowerOffCommand([&calls]() {
            ++calls;
            return true;
        });
        QVERIFY(g_shutdownWindows());
        QCOMPARE(calls, 1);
        g_setPowerOffCommand(nullptr);

        // The test runner may name a harmless command; it is put back afterwards.
        const QByteArray previous = qgetenv("KVR_POWEROFF_COMMAND");
        QTemporaryDir dir;
        const QString marker = dir.filePath("powered-off");
        qputenv("KVR_POWEROFF_COMMAND", QByteArray("touch ") + marker.toUtf8());
        QVERIFY(g_shutdownWindows());
        QVERIFY(QFile::exists(marker));
        qputenv("KVR_POWEROFF_COMMAND", "false");
        QVERIFY(!g_shutdownWindows());
        if (previous.isEmpty())
            qunsetenv("KVR_POWEROFF_COMMAND");
        else
            qputenv("KVR_POWEROFF_COMMAND", previous);
    }

private:
    RecordingSeam m_seam;
    ScopedSeam<MainWindowSeam> m_installedSeam{&m_seam};
};

QTEST_GUILESS_MAIN(TestProgramHelpers)
#include "tst_programhelpers.moc"

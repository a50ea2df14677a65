// The built player started as a user starts it, under Xvfb with an empty HOME and the fake web
// service: its data folder, the seed settings file, one player per user and the second start,
// the start-up failures and their exit codes, and the quit by SIGTERM with the offline report.

#include "FakeWebService.h"
#include "playlists/PlayListFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <unistd.h>

namespace {

const QString kBinDir = QStringLiteral(KVR_OUTPUT_DIR);

// One player process with a private HOME; its standard error is collected.
class Player
{
public:
    Player(const QString &home, const QString &installDir = kBinDir)
        : m_home(home)
        , m_installDir(installDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        env.insert(QStringLiteral("KVR_AUTO_ANSWER"), QStringLiteral("accept"));
        // Chromium's helpers leak by design; the player's own leaks are the in-process suites'.
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   QStringLiteral(
                       "detect_leaks=0:abort_on_error=0:strict_string_checks=0:new_delete_type_mismatch=0"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
    }
    ~Player()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcessEnvironment environment() const { return m_process.processEnvironment(); }
    void setEnv(const QString &name, const QString &value)
    {
        QProcessEnvironment env = m_process.processEnvironment();
        env.insert(name, value);
        m_process.setProcessEnvironment(env);
    }
    void unsetEnv(const QString &name)
    {
        QProcessEnvironment env = m_process.processEnvironment();
        env.remove(name);
        m_process.setProcessEnvironment(env);
    }
    void start(const QStringList &args = {})
    {
        m_process.start(m_installDir + QStringLiteral("/VyoPlayer"), args);
    }
    bool waitForOutput(const QByteArray &text, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!output().contains(text)) {
            if (timer.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return output().contains(text);
            m_process.waitForReadyRead(100);
            QCoreApplication::processEvents();
        }
        return true;
    }
    bool waitForExit(int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (m_process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs) {
            m_process.waitForFinished(50);
            QCoreApplication::processEvents(); // the fake service's log lives on this thread
        }
        return m_process.state() == QProcess::NotRunning;
    }
    QByteArray output()
    {
        m_err += m_process.readAllStandardError();
        m_err += m_process.readAllStandardOutput();
        return m_err;
    }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    void terminate() { ::kill(pid_t(m_process.processId()), SIGTERM); }
    QString dataDir() const { return m_home + QStringLiteral("/.local/share/VyoPlayer"); }

private:
    QString m_home;
    QString m_installDir;
    QProcess m_process;
    QByteArray m_err;
};

} // namespace

class tst_ProgramStart : public QObject
{
    Q_OBJECT

private:
    FakeWebService m_fake;
    QTemporaryDir m_dir;
    QString m_hostsIni;
    int m_homes = 0;

    QString newHome()
    {
        const QString home = m_dir.filePath(QStringLiteral("home%1").arg(++m_homes));
        QDir().mkpath(home);
        return home;
    }

    std::unique_ptr<Player> player(const QString &home, const QString &installDir = kBinDir)
    {
        auto p = std::make_unique<Player>(home, installDir);
        p->setEnv(QStringLiteral("KVR_HOSTS_INI"), m_hostsIni);
        return p;
    }

    // A copy of the installation, hard-linked, where one file can be changed.
    QString installationCopy(const QString &name)
    {
        const QString dir = QStringLiteral(KVR_BINARY_DIR) + QStringLiteral("/tests/install-") + name;
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        for (const QFileInfo &entry : QDir(kBinDir).entryInfoList(QDir::Files)) {
            const QString target = dir + QLatin1Char('/') + entry.fileName();
            // Hard links: the program finds its folder through /proc/self/exe, which resolves a
            // symbolic link back to the real installation.
            if (::link(QFile::encodeName(entry.absoluteFilePath()).constData(),
                       QFile::encodeName(target).constData()) != 0)
                return {};
        }
        return dir;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_fake.start());
        m_hostsIni = m_dir.filePath(QStringLiteral("hosts.ini"));
        QVERIFY(m_fake.writeHostsIni(m_hostsIni));
    }

    void firstStartSecondStartAndQuit()
    {
        const QString home = newHome();
        auto first = player(home);
        first->start();
        QVERIFY2(first->waitForOutput("started: window shown after", 60000), first->output().constData());
        // The data folder and the seed settings were made on the way.
        QVERIFY(QFile::exists(first->dataDir() + QStringLiteral("/configu.ini")));

        // A second start with a file hands it over and ends with 1 within two seconds.
        auto second = player(home);
        QElapsedTimer clock;
        clock.start();
        second->start({QStringLiteral("/音乐/歌.mp3")});
        QVERIFY(second->waitForExit(20000));
        QCOMPARE(second->exitCode(), 1);
        qInfo() << "second start took" << clock.elapsed() << "ms";

        // Without an argument it only brings the first to the front.
        auto third = player(home);
        third->start();
        QVERIFY(third->waitForExit(20000));
        QCOMPARE(third->exitCode(), 1);

        // SIGTERM takes the menu's quit path: settings saved, offline report sent, exit 0.
        m_fake.clearRequests();
        first->terminate();
        QVERIFY(first->waitForExit(20000));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
        QVERIFY(first->output().contains("quit: reports sent, lists and settings saved, audio freed"));
        bool offline = false;
        for (const FakeRequest &request : m_fake.requests(FakeHost::Service))
            offline = offline || (request.method == "POST" && request.body.contains("type=online&live=0"));
        QVERIFY(offline);
        const QSettings settings(first->dataDir() + QStringLiteral("/configu.ini"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("vol")).toString(), QStringLiteral("10000"));
        QCOMPARE(settings.value(QStringLiteral("playMode")).toString(), QStringLiteral("3"));
        // The handed-over file went into the queue, which was saved at quit; the third start
        // added nothing.
        PlayListLoadResult queue = PlayListFile(first->dataDir(), kPlayQueueList).load();
        QCOMPARE(queue.rows.size(), size_t(1));
        QCOMPARE(queue.rows.front()->filePath, QStringLiteral("/音乐/歌.mp3"));
    }

    void quitIsBoundedWhenTheServiceNeverAnswers()
    {
        const QString home = newHome();
        auto p = player(home);
        p->start();
        QVERIFY2(p->waitForOutput("started: window shown after", 60000), p->output().constData());
        m_fake.setFault(FakeHost::Service, QStringLiteral("/app/UserClientHandle.ashx"), FakeFault::stall());
        QElapsedTimer clock;
        clock.start();
        p->terminate();
        QVERIFY(p->waitForExit(20000));
        QCOMPARE(p->exitCode(), 0);
        qInfo() << "quit with a silent service took" << clock.elapsed() << "ms";
        QVERIFY(clock.elapsed() < 12000);
        m_fake.clearFaults();
    }

    void existingUserSettingsAreLeftAlone()
    {
        const QString home = newHome();
        const QString data = home + QStringLiteral("/.local/share/VyoPlayer");
        QVERIFY(QDir().mkpath(data));
        const QByteArray mine = "[General]\r\nQuitHint=1\r\nmine=\"\xe6\x88\x91\xe7\x9a\x84\"\r\n";
        QFile file(data + QStringLiteral("/configu.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(mine);
        file.close();
        auto p = player(home);
        p->start({QStringLiteral("-min")});
        QVERIFY2(p->waitForOutput("kvr.app: drive scan", 60000), p->output().constData());
        // "-min" starts in the tray: the window never paints.
        QVERIFY(p->output().contains("started: hidden, the tray icon only"));
        QVERIFY(!p->output().contains("started: window shown"));
        // Not replaced by the seed: the user's own values are all there. The player adds its
        // first-start values (folders, lyric place) beside them.
        p->terminate();
        QVERIFY(p->waitForExit(20000));
        const QSettings settings(data + QStringLiteral("/configu.ini"), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("QuitHint")).toString(), QStringLiteral("1"));
        QCOMPARE(settings.value(QStringLiteral("mine")).toString(), QStringLiteral("我的"));
        // The folders went under the user's home, not the root of the system volume.
        QVERIFY2(settings.value(QStringLiteral("cachedir"))
                     .toString()
                     .startsWith(home + QStringLiteral("/lanyun_music")),
                 qPrintable(settings.value(QStringLiteral("cachedir")).toString()));
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("dialog");
        QTest::newRow("style sheet missing") << "nocss" << 2 << QByteArray("程序完整性出现问题");
        QTest::newRow("style sheet not ours") << "badcss" << 2 << QByteArray("程序完整性出现问题");
        QTest::newRow("audio layer of another version")
            << "version" << 4 << QByteArray("KVR_DIALOG: error | 动态库版本不对");
        QTest::newRow("no audio device") << "nodevice" << 3 << QByteArray("不能初始化音频设备，程序将退出");
    }
    void startFailures()
    {
        QFETCH(QString, what);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, dialog);
        QString install = kBinDir;
        if (what == QLatin1String("nocss") || what == QLatin1String("badcss")) {
            install = installationCopy(what);
            QVERIFY(!install.isEmpty());
            QFile::remove(install + QStringLiteral("/ss.css"));
            if (what == QLatin1String("badcss")) {
                QFile css(install + QStringLiteral("/ss.css"));
                QVERIFY(css.open(QIODevice::WriteOnly));
                css.write("QWidget { color: red; }");
            }
        }
        auto p = player(newHome(), install);
        if (what == QLatin1String("version"))
            p->setEnv(QStringLiteral("KVR_AUDIO_REPORT_VERSION"), QStringLiteral("0x02030000"));
        if (what == QLatin1String("nodevice")) {
            // The real device path, with an ALSA that knows no device at all.
            p->unsetEnv(QStringLiteral("KVR_AUDIO_NOSOUND"));
            p->setEnv(QStringLiteral("ALSA_CONFIG_PATH"), m_dir.filePath(QStringLiteral("no-alsa.conf")));
            QFile conf(m_dir.filePath(QStringLiteral("no-alsa.conf")));
            QVERIFY(conf.open(QIODevice::WriteOnly));
        }
        p->start();
        QVERIFY(p->waitForExit(60000));
        QVERIFY2(p->output().contains(dialog), p->output().constData());
        QCOMPARE(p->exitCode(), exitCode);
        QVERIFY(!p->output().contains("started: window shown"));
    }
};

QTEST_MAIN(tst_ProgramStart)
#include "tst_programstart.moc"

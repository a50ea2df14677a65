// The upgrader program, run as a process against the fake web service, in both of its
// branches: checking (and downloading a newer version) and installing a waiting package.
// The install branch ends the player by its executable name; the tests give the upgrader a
// player name of their own (KVR_UPGRADER_PLAYER_NAME) and start a copy of `sleep` under it, so
// no player that another suite or the user runs is ever ended.

#include "FakeWebService.h"
#include "KvrTestMain.h"
#include "KvrTry.h"
#include "kvrutil/BuiltInKey.h"
#include "kvrutil/SimpleCrypt.h"
#include "platform/UpdateShared.h"

#include <QDate>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

using namespace kvrupdate;

namespace {

const QString kCheckPath = QStringLiteral("/update/check.xml");
const QString kFilePath = QStringLiteral("/pkg/vyo.bin");
const QString kPlayerName = QStringLiteral("KvrUpgraderTestPlayer");

// The service's answer; an element whose text is null is left out.
QByteArray updateAnswer(const QString &valid, const QString &selfupdate, const QString &fileurl,
                        const QString &filesize, const QString &softver)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<update>";
    const QList<QPair<QString, QString>> elements = {
        {QStringLiteral("valid"), valid},     {QStringLiteral("selfupdate"), selfupdate},
        {QStringLiteral("fileurl"), fileurl}, {QStringLiteral("filesize"), filesize},
        {QStringLiteral("softver"), softver}, {QStringLiteral("softlog"), QStringLiteral("修正")}};
    for (const auto &[name, text] : elements) {
        if (!text.isNull())
            xml += "<" + name.toUtf8() + ">" + text.toUtf8() + "</" + name.toUtf8() + ">";
    }
    return xml + "</update>\n";
}

QByteArray newerAnswer(const QString &softver, const QString &filesize = QStringLiteral("1000"))
{
    return updateAnswer(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("${files}/pkg/vyo.bin"),
                        filesize, softver);
}

} // namespace

class TestUpgrader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void downloadsNewerVersion_data();
    void downloadsNewerVersion();
    void keepsNewestVersion_data();
    void keepsNewestVersion();
    void answerFaults_data();
    void answerFaults();
    void failedDownloadLeavesNothing_data();
    void failedDownloadLeavesNothing();
    void needsServerUrl_data();
    void needsServerUrl();
    void needsInstallFolder();
    void waitsForUpdateLock();

    void installsWaitingPackage();
    void leavesOtherUsersPlayer();
    void removesPackageOfWrongSize();
    void reportsInstallerThatCannotStart();

private:
    int runUpgrader();
    QString installConfigPath() const { return m_install->filePath(QStringLiteral("config.ini")); }
    QVariant installValue(const QString &key) const;
    void setInstallValue(const QString &key, const QVariant &value);
    QString folderFile(const QString &name) const { return privateFolder() + QLatin1Char('/') + name; }
    QProcess *startSleeper(const QString &name);
    void writePackage(const QByteArray &data);

    FakeWebService m_fake;
    std::unique_ptr<QTemporaryDir> m_install;
    QTemporaryDir m_programs;
    QByteArray m_data;
};

void TestUpgrader::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(KVR_OUTPUT_DIR "/upgrader")));
    QVERIFY(m_fake.start(false));
    QVERIFY(m_programs.isValid());
    for (int i = 0; i < 1000; ++i)
        m_data.append(char((i * 13 + 5) & 0xFF));
}

void TestUpgrader::init()
{
    m_fake.clearAnswers();
    m_fake.clearFaults();
    m_fake.clearRequests();
    m_fake.serveFile(FakeHost::Files, kFilePath, m_data);

    m_install = std::make_unique<QTemporaryDir>();
    QVERIFY(m_install->isValid());
    QSettings registry(QStringLiteral("kvr"), QStringLiteral("vyoplayer"));
    registry.setValue(QStringLiteral("Default"), m_install->path());
    registry.sync();

    SimpleCrypt crypt(kvrutil::kBuiltInKey);
    setInstallValue(QStringLiteral("serverurl"),
                    crypt.encryptToString(m_fake.baseUrl(FakeHost::Service) + kCheckPath));
    setInstallValue(QStringLiteral("softver"), QStringLiteral("1.0"));

    for (const QString &name :
         {QStringLiteral("updpkg"), QStringLiteral("vyoInstaller.exe"), QStringLiteral("config.ini")})
        QFile::remove(folderFile(name));
}

void TestUpgrader::cleanup()
{
    m_install.reset();
}

int TestUpgrader::runUpgrader()
{
    QProcess upgrader;
    upgrader.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KVR_UPGRADER_PLAYER_NAME"), kPlayerName);
    // The install branch's pauses around ending the player (1.2 s as designed) shrink to a few
    // milliseconds; what they separate still happens in the same order.
    environment.insert(QStringLiteral("KVR_TIME_SCALE"), QStringLiteral("0.02"));
    upgrader.setProcessEnvironment(environment);
    upgrader.start(QStringLiteral(KVR_OUTPUT_DIR "/upgrader"), QStringList());
    // The fake service answers from its own thread, so this thread may block.
    if (!upgrader.waitForFinished(60000)) {
        upgrader.kill();
        upgrader.waitForFinished();
        return -1000;
    }
    return upgrader.exitStatus() == QProcess::NormalExit ? upgrader.exitCode() : -2000;
}

QVariant TestUpgrader::installValue(const QString &key) const
{
    return QSettings(installConfigPath(), QSettings::IniFormat).value(key);
}

void TestUpgrader::setInstallValue(const QString &key, const QVariant &value)
{
    QSettings config(installConfigPath(), QSettings::IniFormat);
    config.setValue(key, value);
}

QProcess *TestUpgrader::startSleeper(const QString &name)
{
    const QString program = m_programs.filePath(name);
    if (!QFile::exists(program)) {
        if (!QFile::copy(QStringLiteral("/bin/sleep"), program))
            return nullptr;
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    }
    auto *process = new QProcess(this);
    process->start(program, {QStringLiteral("60")});
    if (!process->waitForStarted())
        return nullptr;
    return process;
}

void TestUpgrader::writePackage(const QByteArray &data)
{
    QFile package(folderFile(QStringLiteral("updpkg")));
    QVERIFY(package.open(QIODevice::WriteOnly));
    package.write(data);
    package.close();
    setInstallValue(QStringLiteral("size"), data.size());
}

void TestUpgrader::downloadsNewerVersion_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("offered");
    QTest::newRow("1.0 -> 1.0.1") << QStringLiteral("1.0") << QStringLiteral("1.0.1");
    QTest::newRow("1.2.9 -> 1.2.10") << QStringLiteral("1.2.9") << QStringLiteral("1.2.10");
    QTest::newRow("1.2.9 -> 1.3") << QStringLiteral("1.2.9") << QStringLiteral("1.3");
    QTest::newRow("none installed -> 1.0.1") << QString() << QStringLiteral("1.0.1");
}

void TestUpgrader::downloadsNewerVersion()
{
    QFETCH(QString, installed);
    QFETCH(QString, offered);
    setInstallValue(QStringLiteral("softver"), installed);
    m_fake.setAnswer(FakeHost::Service, kCheckPath, FakeAnswer::xml(newerAnswer(offered)));

    QCOMPARE(runUpgrader(), 0);

    QFile package(folderFile(QStringLiteral("updpkg")));
    QVERIFY(package.open(QIODevice::ReadOnly));
    QCOMPARE(package.readAll(), m_data);
    QCOMPARE(QFileInfo(privateFolder()).permissions() & 0x0077, QFile::Permissions());
    const QList<FakeRequest> fetches = m_fake.requestsTo(FakeHost::Files, kFilePath);
    QCOMPARE(fetches.size(), 1);
    QCOMPARE(fetches.at(0).header("Range"), QByteArray());

    QCOMPARE(installValue(QStringLiteral("softver1")).toString(), offered);
    QCOMPARE(installValue(QStringLiteral("selfupdate")).toString(), QStringLiteral("1"));
    QCOMPARE(installValue(QStringLiteral("size")).toString(), QStringLiteral("1000"));
    QCOMPARE(installValue(QStringLiteral("upd")).toString(), QDate::currentDate().toString(u"yyyyMMdd"));
    const QSettings temp(folderFile(QStringLiteral("config.ini")), QSettings::IniFormat);
    QCOMPARE(temp.value(QStringLiteral("upd")).toString(), QDate::currentDate().toString(u"yyyy-MM-dd"));
}

void TestUpgrader::keepsNewestVersion_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("offered");
    QTest::newRow("same") << QStringLiteral("1.2.9") << QStringLiteral("1.2.9");
    QTest::newRow("older") << QStringLiteral("1.2.10") << QStringLiteral("1.2.9");
    // Glued together, 1.2.0 (120) would look newer than 1.10 (110).
    QTest::newRow("downgrade with more digits") << QStringLiteral("1.10") << QStringLiteral("1.2.0");
    QTest::newRow("trailing zero") << QStringLiteral("1.0") << QStringLiteral("1.0.0");
    QTest::newRow("none installed, 1.0 offered") << QString() << QStringLiteral("1.0");
    QTest::newRow("offered not a number") << QStringLiteral("1.0") << QStringLiteral("abc");
}

void TestUpgrader::keepsNewestVersion()
{
    QFETCH(QString, installed);
    QFETCH(QString, offered);
    setInstallValue(QStringLiteral("softver"), installed);
    setInstallValue(QStringLiteral("selfupdate"), QStringLiteral("keep"));
    m_fake.setAnswer(FakeHost::Service, kCheckPath, FakeAnswer::xml(newerAnswer(offered)));

    QCOMPARE(runUpgrader(), 2);

    QVERIFY(!QFile::exists(folderFile(QStringLiteral("updpkg"))));
    QVERIFY(m_fake.requestsTo(FakeHost::Files, kFilePath).isEmpty());
    QCOMPARE(m_fake.requestsTo(FakeHost::Service, kCheckPath).size(), 1);
    QCOMPARE(installValue(QStringLiteral("selfupdate")).toString(), QStringLiteral("0"));
    QVERIFY(!installValue(QStringLiteral("softver1")).isValid());
    QVERIFY(!installValue(QStringLiteral("upd")).isValid());
    const QSettings temp(folderFile(QStringLiteral("config.ini")), QSettings::IniFormat);
    QCOMPARE(temp.value(QStringLiteral("upd")).toString(), QDate::currentDate().toString(u"yyyy-MM-dd"));
}

void TestUpgrader::answerFaults_data()
{
    const QString one = QStringLiteral("1");
    const QString url = QStringLiteral("${files}/pkg/vyo.bin");
    const QString size = QStringLiteral("1000");
    const QString ver = QStringLiteral("9.0");
    QTest::addColumn<QByteArray>("answer"); // empty: the fault below
    QTest::addColumn<int>("fault");         // 0 none, 1 status 500, 2 garbage, 3 endless
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("selfupdate");
    QTest::addColumn<QString>("size");
    QTest::newRow("updates not allowed") << updateAnswer(QStringLiteral("0"), one, url, size, ver) << 0 << 1
                                         << QStringLiteral("0") << QStringLiteral("keep");
    QTest::newRow("no valid") << updateAnswer(QString(), one, url, size, ver) << 0 << 252
                              << QStringLiteral("0") << QStringLiteral("keep");
    QTest::newRow("no selfupdate") << updateAnswer(one, QString(), url, size, ver) << 0 << 252
                                   << QStringLiteral("0") << QStringLiteral("keep");
    QTest::newRow("no fileurl") << updateAnswer(one, one, QString(), size, ver) << 0 << 252
                                << QStringLiteral("0") << QStringLiteral("keep");
    QTest::newRow("no filesize") << updateAnswer(one, one, url, QString(), ver) << 0 << 252
                                 << QStringLiteral("0") << QStringLiteral("keep");
    // The size is written as soon as it is read, before the version is looked for.
    QTest::newRow("no softver") << updateAnswer(one, one, url, size, QString()) << 0 << 252
                                << QStringLiteral("0") << QStringLiteral("1000");
    QTest::newRow("not XML") << QByteArray("<html><body>busy") << 0 << 253 << QStringLiteral("keep")
                             << QStringLiteral("keep");
    QTest::newRow("service error") << QByteArray() << 1 << 255 << QStringLiteral("keep")
                                   << QStringLiteral("keep");
    QTest::newRow("no HTTP at all") << QByteArray() << 2 << 255 << QStringLiteral("keep")
                                    << QStringLiteral("keep");
    // A valid offer past the bound on the answer's size is a failed request, not an offer.
    QByteArray oversized = newerAnswer(ver);
    oversized.insert(oversized.lastIndexOf("</update>"), "<!--" + QByteArray(1100 * 1024, 'x') + "-->");
    QTest::newRow("over 1 MiB") << oversized << 0 << 255 << QStringLiteral("keep") << QStringLiteral("keep");
    // Bytes keep flowing, so only the bound ends the run.
    QTest::newRow("endless") << QByteArray() << 3 << 255 << QStringLiteral("keep") << QStringLiteral("keep");
}

void TestUpgrader::answerFaults()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, fault);
    QFETCH(int, status);
    QFETCH(QString, selfupdate);
    QFETCH(QString, size);
    setInstallValue(QStringLiteral("selfupdate"), QStringLiteral("keep"));
    setInstallValue(QStringLiteral("size"), QStringLiteral("keep"));
    m_fake.setAnswer(FakeHost::Service, kCheckPath, FakeAnswer::xml(answer));
    if (fault == 1)
        m_fake.setFault(FakeHost::Service, kCheckPath, FakeFault::errorStatus(500));
    else if (fault == 2)
        m_fake.setFault(FakeHost::Service, kCheckPath, FakeFault::garbage());
    else if (fault == 3)
        m_fake.setFault(FakeHost::Service, kCheckPath, FakeFault::endless("<update>"));

    QCOMPARE(runUpgrader(), status);

    QCOMPARE(installValue(QStringLiteral("selfupdate")).toString(), selfupdate);
    QCOMPARE(installValue(QStringLiteral("size")).toString(), size);
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("updpkg"))));
    QVERIFY(m_fake.requestsTo(FakeHost::Files, kFilePath).isEmpty());
    QVERIFY(!installValue(QStringLiteral("softver1")).isValid());
}

void TestUpgrader::failedDownloadLeavesNothing_data()
{
    QTest::addColumn<QString>("filesize");
    QTest::addColumn<bool>("missing");
    QTest::newRow("smaller than announced") << QStringLiteral("1200") << false;
    QTest::newRow("larger than announced") << QStringLiteral("800") << false;
    QTest::newRow("file not found") << QStringLiteral("1000") << true;
}

void TestUpgrader::failedDownloadLeavesNothing()
{
    QFETCH(QString, filesize);
    QFETCH(bool, missing);
    m_fake.setAnswer(FakeHost::Service, kCheckPath,
                     FakeAnswer::xml(newerAnswer(QStringLiteral("2.0"), filesize)));
    if (missing)
        m_fake.setFault(FakeHost::Files, kFilePath, FakeFault::errorStatus(404));

    QCOMPARE(runUpgrader(), 255);

    QVERIFY(!QFile::exists(folderFile(QStringLiteral("updpkg"))));
    QVERIFY(!installValue(QStringLiteral("softver1")).isValid());
    QVERIFY(!installValue(QStringLiteral("upd")).isValid());
    QCOMPARE(installValue(QStringLiteral("selfupdate")).toString(), QStringLiteral("0"));
    QCOMPARE(installValue(QStringLiteral("size")).toString(), filesize);
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("config.ini"))));
}

void TestUpgrader::needsServerUrl_data()
{
    QTest::addColumn<QVariant>("stored");
    SimpleCrypt crypt(kvrutil::kBuiltInKey);
    QTest::newRow("missing") << QVariant();
    QTest::newRow("none, enciphered") << QVariant(crypt.encryptToString(QStringLiteral("none")));
    QTest::newRow("empty, enciphered") << QVariant(crypt.encryptToString(QString()));
    QTest::newRow("not cipher text") << QVariant(QStringLiteral("http://example.invalid/"));
}

void TestUpgrader::needsServerUrl()
{
    QFETCH(QVariant, stored);
    {
        QSettings config(installConfigPath(), QSettings::IniFormat);
        config.remove(QStringLiteral("serverurl"));
        if (stored.isValid())
            config.setValue(QStringLiteral("serverurl"), stored);
    }
    QCOMPARE(runUpgrader(), 254);
    QCOMPARE(m_fake.requestCount(), 0);
}

void TestUpgrader::needsInstallFolder()
{
    QSettings registry(QStringLiteral("kvr"), QStringLiteral("vyoplayer"));
    registry.setValue(QStringLiteral("Default"), QString());
    registry.sync();
    const QByteArray before = [this] {
        QFile config(installConfigPath());
        return config.open(QIODevice::ReadOnly) ? config.readAll() : QByteArray();
    }();

    QCOMPARE(runUpgrader(), 248);

    QCOMPARE(m_fake.requestCount(), 0);
    QFile config(installConfigPath());
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), before);
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("config.ini"))));
}

void TestUpgrader::waitsForUpdateLock()
{
    // The player's update dialog holds the update lock while it downloads.
    QLockFile lock(lockFilePath(QString::fromUtf16(kUpdateMutexName)));
    QVERIFY(lock.tryLock(0));
    m_fake.setAnswer(FakeHost::Service, kCheckPath, FakeAnswer::xml(newerAnswer(QStringLiteral("2.0"))));
    QCOMPARE(runUpgrader(), 100);
    QCOMPARE(m_fake.requestCount(), 0);
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("updpkg"))));
    lock.unlock();
}

void TestUpgrader::installsWaitingPackage()
{
    QProcess *player = startSleeper(kPlayerName);
    QProcess *other = startSleeper(kPlayerName + QStringLiteral("Helper"));
    QVERIFY(player && other);

    // The installer records its arguments and working folder once it runs.
    const QByteArray installer = "#!/bin/sh\n"
                                 "printf '%s\\n%s\\n' \"$#\" \"$(pwd -P)\" > installer-ran.tmp\n"
                                 "mv installer-ran.tmp installer-ran\n";
    writePackage(installer);
    setInstallValue(QStringLiteral("softver1"), QStringLiteral("2.0"));

    QCOMPARE(runUpgrader(), 0);

    QVERIFY(player->waitForFinished(5000));
    QCOMPARE(player->exitStatus(), QProcess::CrashExit); // ended by a signal
    QCOMPARE(other->state(), QProcess::Running);
    const QString marker = m_install->filePath(QStringLiteral("installer-ran"));
    KVR_TRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    QFile ran(marker);
    QVERIFY(ran.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = ran.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("0"));
    QCOMPARE(QString::fromLocal8Bit(lines.value(1)), QFileInfo(m_install->path()).canonicalFilePath());
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("updpkg"))));
    QVERIFY(QFile::exists(folderFile(QStringLiteral("vyoInstaller.exe"))));
    QCOMPARE(m_fake.requestCount(), 0);

    other->kill();
    other->waitForFinished();
}

void TestUpgrader::leavesOtherUsersPlayer()
{
    if (::getuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("needs root and setpriv to run a process as another user");
    // The other user must be able to run the copy, so it lives outside this test's private
    // folders.
    QTemporaryDir shared(QStringLiteral("/tmp/kvr-upgrader-XXXXXX"));
    QVERIFY(shared.isValid());
    QFile::setPermissions(shared.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::ExeOther);
    const QString program = shared.filePath(kPlayerName);
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QProcess foreign;
    foreign.start(QStringLiteral("setpriv"),
                  {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                   QStringLiteral("--clear-groups"), program, QStringLiteral("60")});
    QVERIFY(foreign.waitForStarted());
    KVR_TRY_VERIFY(QFileInfo(QStringLiteral("/proc/%1/exe").arg(foreign.processId())).symLinkTarget() ==
                       program ||
                   foreign.state() != QProcess::Running);
    QCOMPARE(foreign.state(), QProcess::Running);

    writePackage("#!/bin/sh\ntouch installer-ran\n");
    QCOMPARE(runUpgrader(), 0);

    KVR_TRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_install->filePath(QStringLiteral("installer-ran"))), 10000);
    QCOMPARE(foreign.state(), QProcess::Running);
    foreign.kill();
    foreign.waitForFinished();
}

void TestUpgrader::removesPackageOfWrongSize()
{
    QFile package(folderFile(QStringLiteral("updpkg")));
    QVERIFY(package.open(QIODevice::WriteOnly));
    package.write(QByteArray(10, 'x'));
    package.close();
    setInstallValue(QStringLiteral("size"), 20);

    QCOMPARE(runUpgrader(), 11);
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("updpkg"))));
    QVERIFY(!QFile::exists(folderFile(QStringLiteral("vyoInstaller.exe"))));

    // The next run is not stuck on it: it checks again.
    m_fake.setAnswer(FakeHost::Service, kCheckPath, FakeAnswer::xml(newerAnswer(QStringLiteral("1.0"))));
    QCOMPARE(runUpgrader(), 2);
}

void TestUpgrader::reportsInstallerThatCannotStart()
{
    writePackage(QByteArray(64, '\x01')); // bytes no system can execute

    QCOMPARE(runUpgrader(), 255);
}

KVR_TEST_MAIN(TestUpgrader)
#include "tst_upgrader.moc"

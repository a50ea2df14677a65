// The manual update check and the ranged downloader against the fake service: every outcome of
// the check (newer, same, older, not allowed, incomplete, broken, silent), versions compared by
// their numbers, and the installer package in one or two parts, complete only at its size, in
// the private update folder.
#include "FakeServiceHosts.h"
#include "KvrTry.h"
#include "RecordingSeam.h"

#include "platform/UpdateShared.h"
#include "services/core/Globals.h"
#include "services/downloads/UpdateCheck.h"
#include "services/downloads/dlManager.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

class UpdateSeam : public UpdateDialogSeam
{
public:
    QStringList calls;

    void execUpdateOffer(const QString &version, const QStringList &log, const QString &fileUrl,
                         const QString &selfUpdate, int size) override
    {
        calls << QStringLiteral("offer:%1|%2|%3|%4|%5")
                     .arg(version, log.join(';'), fileUrl, selfUpdate)
                     .arg(size);
    }
    void execNoUpdate() override { calls << QStringLiteral("newest"); }
    void execCheckFailed(const QString &downloadPageUrl) override
    {
        calls << QStringLiteral("failed:") + downloadPageUrl;
    }
};

// An update answer; a null text leaves its element out.
QByteArray answer(const QString &valid, const QString &softver,
                  const QString &fileUrl = "http://pkg/setup.exe", bool withLog = true)
{
    QString xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><kvr>";
    if (!valid.isNull())
        xml += "<valid>" + valid + "</valid>";
    xml += "<selfupdate>1</selfupdate>";
    if (!fileUrl.isNull())
        xml += "<fileurl>" + fileUrl + "</fileurl>";
    xml += "<filesize>1000</filesize>";
    if (!softver.isNull())
        xml += "<softver>" + softver + "</softver>";
    if (withLog)
        xml += QStringLiteral("<softlog><l>第一行</l><l></l><l>第三行</l></softlog>");
    xml += "</kvr>";
    return xml.toUtf8();
}

QByteArray packageBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) & 0xff);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

private:
    QString installConfig() const { return g_sAppDir + "/config.ini"; }
    QString privateConfig() const { return kvrupdate::privateFolder() + "/config.ini"; }
    QString offerLine(const QString &version, const QString &log = QStringLiteral("第一行;;第三行")) const
    {
        return QStringLiteral("offer:%1|%2|http://pkg/setup.exe|1|1000").arg(version, log);
    }

    // Runs a package download to its end; returns the overall result.
    bool download(dlManager &manager, const QString &path, int parts)
    {
        bool result = false;
        bool done = false;
        connect(&manager, &dlManager::FiledownloadFinished, &manager, &dlManager::dlFinished);
        connect(&manager, &dlManager::FiledownloadFinished, this, [&](bool ok) {
            result = ok;
            done = true;
        });
        manager.StartFiledownload(m_fake.baseUrl(FakeHost::Files) + path, parts);
        if (!QTest::qWaitFor([&]() { return done; }, 10000))
            qWarning("the download did not end");
        return result;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        g_sAppDir = m_app.path();
        g_setUpdateCheckTimeout(5000);
    }
    void init()
    {
        m_fake.clearFaults();
        m_fake.clearRequests();
        m_seam.calls.clear();
        m_updates.calls.clear();
        QFile::remove(installConfig());
        QFile::remove(privateConfig());
    }

    void theCheckHandsItsOutcomeToTheDialog_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QByteArray>("answer"); // "404", "stall" and "endless" stand for those faults
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("parsed"); // "selfupdate" reset to "0"
        QTest::addColumn<QString>("size");

        const QString failed = "failed:" + m_fake.baseUrl(FakeHost::Site) + "/down/pc/";
        QTest::newRow("newer, manual")
            << "2.1.3" << answer("1", "V2.1.4") << false << offerLine("V2.1.4") << true << "1000";
        QTest::newRow("newer, automatic")
            << "2.1.3" << answer("1", "V2.1.4") << true << offerLine("V2.1.4") << true << "1000";
        QTest::newRow("same, manual")
            << "2.1.3" << answer("1", "2.1.3") << false << "newest" << true << "1000";
        QTest::newRow("same, automatic") << "2.1.3" << answer("1", "2.1.3") << true << "" << true << "1000";
        QTest::newRow("older though more digits")
            << "2.1" << answer("1", "2.0.9") << false << "newest" << true << "1000";
        QTest::newRow("two-digit component")
            << "2.1.9" << answer("1", "2.1.10") << false << offerLine("2.1.10") << true << "1000";
        QTest::newRow("no installed version counts as 1.0")
            << "" << answer("1", "1.0.1") << true << offerLine("1.0.1") << true << "1000";
        QTest::newRow("not allowed, manual")
            << "2.1.3" << answer("0", "9.9") << false << failed << true << "";
        QTest::newRow("not allowed, automatic") << "2.1.3" << answer("0", "9.9") << true << "" << true << "";
        QTest::newRow("no valid") << "2.1.3" << answer(QString(), "9.9") << false << failed << true << "";
        QTest::newRow("no fileurl") << "2.1.3" << answer("1", "9.9", QString()) << false << failed << true
                                    << "";
        QTest::newRow("no softver") << "2.1.3" << answer("1", QString()) << false << failed << true << "1000";
        QTest::newRow("no change log") << "2.1.3" << answer("1", "2.2", "http://pkg/setup.exe", false)
                                       << false << offerLine("2.2", QString()) << true << "1000";
        QTest::newRow("not XML") << "2.1.3" << QByteArray("<html><body>oops") << false << failed << false
                                 << "";
        QTest::newRow("404") << "2.1.3" << QByteArray("404") << false << failed << false << "";
        QTest::newRow("no answer at all, manual")
            << "2.1.3" << QByteArray("stall") << false << failed << false << "";
        QTest::newRow("no answer at all, automatic")
            << "2.1.3" << QByteArray("stall") << true << "" << false << "";
        // A valid offer past the bound on an answer's size is a failed request, not an offer.
        QByteArray oversized = answer("1", "V2.1.4");
        oversized.insert(oversized.lastIndexOf("</kvr>"), "<!--" + QByteArray(1100 * 1024, 'x') + "-->");
        QTest::newRow("over 1 MiB") << "2.1.3" << oversized << false << failed << false << "";
        // Bytes keep flowing, so only the bound ends it.
        QTest::newRow("endless") << "2.1.3" << QByteArray("endless") << false << failed << false << "";
    }
    void theCheckHandsItsOutcomeToTheDialog()
    {
        QFETCH(QString, installed);
        QFETCH(QByteArray, answer);
        QFETCH(bool, automatic);
        QFETCH(QString, outcome);
        QFETCH(bool, parsed);
        QFETCH(QString, size);
        {
            QSettings config(installConfig(), QSettings::IniFormat);
            config.setValue("serverurl",
                            g_crypt.encryptToString(m_fake.baseUrl(FakeHost::Service) + "/update/check.xml"));
            if (!installed.isEmpty())
                config.setValue("softver", installed);
            config.setValue("selfupdate", "7");
        }
        // Only the time-out ends a stall, so the stalled check gets a short one of its own; the
        // others get room for a first connection on a slow, loaded machine.
        g_setUpdateCheckTimeout(answer == "stall" ? 250 : 5000);
        const auto restore = qScopeGuard([]() { g_setUpdateCheckTimeout(5000); });
        if (answer == "404")
            m_fake.setFault(FakeHost::Service, "/update/check.xml", FakeFault::errorStatus(404));
        else if (answer == "stall")
            m_fake.setFault(FakeHost::Service, "/update/check.xml", FakeFault::stall());
        else if (answer == "endless")
            m_fake.setFault(FakeHost::Service, "/update/check.xml", FakeFault::endless("<kvr>"));
        else
            m_fake.setAnswer(FakeHost::Service, "/update/check.xml", FakeAnswer::xml(answer));

        g_checkUpdateManually(automatic);
        QCOMPARE(m_updates.calls, outcome.isEmpty() ? QStringList() : QStringList{outcome});
        QCOMPARE(m_seam.calls, QStringList());
        QSettings config(installConfig(), QSettings::IniFormat);
        QCOMPARE(config.value("selfupdate").toString(), parsed ? QStringLiteral("0") : QStringLiteral("7"));
        QCOMPARE(config.value("size").toString(), size);
        // Only a manual check that finds the installed version current records the date.
        QCOMPARE(QSettings(privateConfig(), QSettings::IniFormat).value("upd").toString(),
                 outcome == "newest" ? QDate::currentDate().toString("yyyy-MM-dd") : QString());
        QCOMPARE(m_fake.requestsTo(FakeHost::Service, "/update/check.xml").size(), 1);
    }

    void withoutAServerAddressTheUserIsTold()
    {
        for (bool automatic : {true, false}) {
            m_seam.calls.clear();
            g_checkUpdateManually(automatic);
            QCOMPARE(m_seam.calls, QStringList{"box:|检测出现问题1|2"});
            QCOMPARE(m_updates.calls, QStringList());
        }
        QSettings(installConfig(), QSettings::IniFormat).setValue("serverurl", "not cipher text");
        m_seam.calls.clear();
        g_checkUpdateManually(false);
        QCOMPARE(m_seam.calls, QStringList{"box:|检测出现问题1|2"});
        QCOMPARE(m_fake.requestCount(), 0);
    }

    void versionsCompareByTheirNumbers_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("newer");
        QTest::newRow("patch") << "V2.1.4"
                               << "2.1.3" << true;
        QTest::newRow("fewer components, higher minor") << "2.0.9"
                                                        << "2.1" << false;
        QTest::newRow("two digits") << "1.10"
                                    << "1.9" << true;
        QTest::newRow("glued digits would say older") << "1.2.0"
                                                      << "1.10" << false;
        QTest::newRow("trailing zero is equal") << "1.0.0"
                                                << "1.0" << false;
        QTest::newRow("same") << "2.1.3"
                              << "2.1.3" << false;
        QTest::newRow("not a number is 0") << "x"
                                           << "0.1" << false;
    }
    void versionsCompareByTheirNumbers()
    {
        QFETCH(QString, offered);
        QFETCH(QString, installed);
        QFETCH(bool, newer);
        QCOMPARE(kvrupdate::isNewerVersion(offered, installed), newer);
    }

    void onePartFetchesTheWholePackage()
    {
        const QByteArray package = packageBytes(10000);
        m_fake.serveFile(FakeHost::Files, "/pkg/setup.bin", package);
        dlManager manager;
        manager.m_sServerVer = "2.1.4";
        manager.m_sSelfUp = "1";
        manager.m_nTotalSize = package.size();
        QVERIFY(download(manager, "/pkg/setup.bin", 1));
        const QList<FakeRequest> requests = m_fake.requestsTo(FakeHost::Files, "/pkg/setup.bin");
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().header("Range"), QByteArray());
        QCOMPARE(readFile(dlManager::packagePath()), package);
        QCOMPARE(manager.getDownloadedBytes(), package.size());

        // The package lives in the per-user private folder.
        QCOMPARE(QFileInfo(dlManager::packagePath()).absolutePath(),
                 QFileInfo(kvrupdate::privateFolder()).absoluteFilePath());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(kvrupdate::privateFolder()).permissions() & others, QFile::Permissions());
        QCOMPARE(QSettings(privateConfig(), QSettings::IniFormat).value("upd").toString(),
                 QDate::currentDate().toString("yyyy-MM-dd"));
        QSettings config(installConfig(), QSettings::IniFormat);
        QCOMPARE(config.value("upd").toString(), QDate::currentDate().toString("yyyyMMdd"));
        QCOMPARE(config.value("softver1").toString(), QStringLiteral("2.1.4"));
        QCOMPARE(config.value("selfupdate").toString(), QStringLiteral("1"));
    }

    void twoPartsAskForTheirRanges()
    {
        const QByteArray package = packageBytes(1000);
        m_fake.serveFile(FakeHost::Files, "/pkg/two.bin", package);
        dlManager manager;
        manager.m_nTotalSize = 1000;
        QVERIFY(download(manager, "/pkg/two.bin", 2));
        QSet<QByteArray> ranges;
        for (const FakeRequest &request : m_fake.requestsTo(FakeHost::Files, "/pkg/two.bin"))
            ranges << request.header("Range");
        QCOMPARE(ranges, (QSet<QByteArray>{"Bytes=0-500", "Bytes=499-1000"}));
        QCOMPARE(readFile(dlManager::packagePath()), package);
        QCOMPARE(manager.getDownloadedBytes(), 1000);
    }

    void aPackageThatIsNotWholeIsAFailure_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("parts");
        QTest::newRow("longer than announced") << "/pkg/a.bin" << 999 << 1;
        QTest::newRow("shorter than announced") << "/pkg/a.bin" << 1001 << 1;
        QTest::newRow("server ignores Range") << "/pkg/plain.bin" << 1000 << 2;
        QTest::newRow("one part fails, the other goes on") << "/pkg/once.bin" << 1000 << 2;
        QTest::newRow("error page") << "/pkg/missing.bin" << 1000 << 1;
        QTest::newRow("no answer") << "/pkg/stall.bin" << 1000 << 1;
    }
    void aPackageThatIsNotWholeIsAFailure()
    {
        QFETCH(QString, path);
        QFETCH(int, announced);
        QFETCH(int, parts);
        const QByteArray package = packageBytes(1000);
        m_fake.serveFile(FakeHost::Files, "/pkg/a.bin", package);
        m_fake.serveFile(FakeHost::Files, "/pkg/once.bin", package);
        m_fake.serveFile(FakeHost::Files, "/pkg/stall.bin", package);
        m_fake.setAnswer(FakeHost::Files, "/pkg/plain.bin",
                         FakeAnswer::bytes(package, "application/octet-stream"));
        m_fake.setFault(FakeHost::Files, "/pkg/once.bin", FakeFault::errorStatus(500).only(1));
        m_fake.setFault(FakeHost::Files, "/pkg/missing.bin",
                        FakeFault::errorStatus(404, "<html>missing</html>"));
        m_fake.setFault(FakeHost::Files, "/pkg/stall.bin", FakeFault::stallAfter(300));
        dlManager manager;
        // Only the time-out ends the stalled one.
        manager.setTransferTimeout(path == "/pkg/stall.bin" ? 250 : 5000);
        manager.m_nTotalSize = announced;
        QVERIFY(!download(manager, path, parts));
        QCOMPARE(manager.getDownloadedBytes(), -1);
        QVERIFY(!QFile::exists(dlManager::packagePath()));
        QCOMPARE(QSettings(installConfig(), QSettings::IniFormat).value("softver1").toString(), QString());
    }

    void aCanceledDownloadEndsAsFailed()
    {
        const QByteArray package = packageBytes(50000);
        m_fake.serveFile(FakeHost::Files, "/pkg/slow.bin", package);
        m_fake.setFault(FakeHost::Files, "/pkg/slow.bin", FakeFault::stallAfter(20000));
        dlManager manager;
        manager.m_nTotalSize = package.size();
        bool result = true;
        int reports = 0;
        connect(&manager, &dlManager::FiledownloadFinished, &manager, &dlManager::dlFinished);
        connect(&manager, &dlManager::FiledownloadFinished, this, [&](bool ok) {
            result = ok;
            ++reports;
        });
        manager.StartFiledownload(m_fake.baseUrl(FakeHost::Files) + "/pkg/slow.bin", 1);
        KVR_TRY_VERIFY_WITH_TIMEOUT(manager.getDownloadedBytes() > 0, 10000);
        QVERIFY(manager.getDownloadedBytes() < package.size());
        manager.cancelDownload();
        KVR_TRY_COMPARE(reports, 1);
        QVERIFY(!result);
        QCOMPARE(manager.getDownloadedBytes(), -1);
        QVERIFY(!QFile::exists(dlManager::packagePath()));
    }

private:
    FakeWebService m_fake;
    RecordingSeam m_seam;
    UpdateSeam m_updates;
    ScopedSeam<MainWindowSeam> m_installedSeam{&m_seam};
    ScopedSeam<UpdateDialogSeam> m_installedUpdates{&m_updates};
    QTemporaryDir m_app;
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"

// Report posting: the form POST, the uploaded log's "SubmitYN" mark and the offline report's
// quit flag.
#include "FakeServiceHosts.h"
#include "GlobalsGuard.h"
#include "HandledReplies.h"
#include "KvrTry.h"

#include "services/core/Globals.h"
#include "services/net/PostLogObject.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

class TestPostLogObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
    }
    void init()
    {
        m_globals.emplace();
        QVERIFY(m_fake.restoreDefaults());
        g_sLogDir = m_logs.path();
    }
    void cleanup() { m_globals.reset(); }

    void logNameOfABody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        QTest::newRow("log upload") << QByteArray("mac=1&type=log&fileName=20150301.log&str=abc&guid=k&sn=s")
                                    << "20150301.log";
        QTest::newRow("no .log after the name")
            << QByteArray("x&fileName=20150301&str=abc") << "20150301&str=abc.log";
        QTest::newRow("case of the key ignored, last one wins")
            << QByteArray("a&FILENAME=x.log&fileName=y.log") << "y.log";
        QTest::newRow("name first: nothing before it") << QByteArray("fileName=20150301.log") << "";
        QTest::newRow("no upload") << QByteArray("type=online&live=0") << "";
    }
    void logNameOfABody()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, name);
        QCOMPARE(PostLogObject::uploadedLogName(body), name);
    }

    void anAnsweredUploadMarksItsLog()
    {
        const QString logPath = m_logs.filePath("20150301.log");
        {
            QSettings log(logPath, QSettings::IniFormat);
            log.setValue("YiChang1", "x");
        }
        const QByteArray body = "mac=00-1A&type=log&fileName=20150301.log&str=abc&guid=k3y&sn=SN1";
        PostLogObject poster(nullptr, g_endpoints().userClientHandle, QByteArray());
        poster.setBody(body);
        poster.post();
        KVR_TRY_COMPARE(QSettings(logPath, QSettings::IniFormat).value("SubmitYN").toString(),
                        QStringLiteral("1"));
        const FakeRequest request = m_fake.requests().last();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/app/UserClientHandle.ashx"));
        QCOMPARE(request.body, body);
        QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.header("Content-Length"), QByteArray::number(body.size()));
        QVERIFY(!poster.isQuitDone());
    }

    void aFailedUploadLeavesTheLogUnmarked()
    {
        const QString logPath = m_logs.filePath("20150302.log");
        {
            QSettings log(logPath, QSettings::IniFormat);
            log.setValue("YiChang1", "x");
        }
        m_fake.setFault(FakeHost::Service, "/app/UserClientHandle.ashx",
                        FakeFault::errorStatus(500, "<html/>"));
        HandledReplies handled;
        PostLogObject poster(nullptr, g_endpoints().userClientHandle, "type=log&fileName=20150302.log&str=a");
        poster.post();
        QVERIFY(handled.waitFor(1));
        QVERIFY(QSettings(logPath, QSettings::IniFormat).value("SubmitYN").isNull());
    }

    void theOfflineReportSetsQuitDone_data()
    {
        QTest::addColumn<bool>("fail");
        QTest::newRow("answered") << false;
        QTest::newRow("failed") << true;
    }
    void theOfflineReportSetsQuitDone()
    {
        QFETCH(bool, fail);
        HandledReplies handled;
        if (fail)
            m_fake.setFault(FakeHost::Service, "/app/UserClientHandle.ashx", FakeFault::cutAfter(10));
        PostLogObject poster(nullptr, g_endpoints().userClientHandle,
                             "mac=1&type=online&live=0&guid=k&sn=s&id=");
        poster.post();
        KVR_TRY_VERIFY(poster.isQuitDone());

        PostLogObject heartbeat(nullptr, g_endpoints().userClientHandle,
                                "mac=1&type=online&live=2&guid=k&sn=s");
        heartbeat.post();
        QVERIFY(handled.waitFor(2));
        QVERIFY(!heartbeat.isQuitDone());
    }

private:
    FakeWebService m_fake;
    QTemporaryDir m_logs;
    std::optional<GlobalsGuard> m_globals;
};

QTEST_GUILESS_MAIN(TestPostLogObject)
#include "tst_postlogobject.moc"

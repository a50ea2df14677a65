// Presence and service reports against the fake service: each report's key GET and then its POST
// with the exact body, read back from the fake's request log; the live id, the playable states and
// the radio channels; failures that drop a report without leaking its record; answers past the
// bound on their size, which fail like a network error.
#include "FakeServiceHosts.h"
#include "GlobalsGuard.h"
#include "HandledReplies.h"
#include "KvrTry.h"
#include "RecordingSeam.h"

#include "services/core/Globals.h"
#include "services/net/HttpObject.h"
#include "services/net/PostLogObject.h"
#include "services/net/ServiceUrl.h"
#include "services/seams/Seam.h"

#include <QFile>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

const QString kMac = QStringLiteral("00-1A-2B-3C-4D-5E");
const QString kSerial = QStringLiteral("SN-0001");
const QByteArray kKey = "k3y0f7h3d4y"; // key.txt
const QByteArray kTail = "&guid=k3y0f7h3d4y&sn=SN-0001";

class PresenceSeam : public RecordingSeam
{
public:
    QList<QList<FmChannelInfo>> channelRows;
    void setRadioChannels(const QList<FmChannelInfo> &channels) override { channelRows << channels; }
};

} // namespace

class TestPresence : public QObject
{
    Q_OBJECT

private:
    QString service(const QString &path) const { return m_fake.baseUrl(FakeHost::Service) + path; }

    // The requests to the presence address, oldest first, as "GET <target>" or "POST <body>".
    QStringList presenceLog() const
    {
        QStringList lines;
        for (const FakeRequest &request :
             m_fake.requestsTo(FakeHost::Service, "/app/UserClientHandle.ashx")) {
            if (request.method == "GET")
                lines << "GET " + QString::fromUtf8(request.target);
            else
                lines << "POST " + QString::fromUtf8(request.body);
        }
        return lines;
    }
    QString keyGet() const
    {
        return "GET " + QUrl(m_state.m_sKeyUrl).toString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        g_sLogDir = m_logs.path();
        g_sUpdateIni = m_logs.filePath("update.ini");
        m_state.m_sSerial = kSerial;
        m_state.m_sMac = kMac;
        m_state.m_sKeyUrl =
            ServiceUrl(g_endpoints().userClientHandle + "?mac=").value(kMac).add("&sn=", kSerial).toString() +
            "&type=getkey";
    }
    void init()
    {
        m_globals.emplace();
        QVERIFY(m_fake.restoreDefaults());
        m_seam.calls.clear();
        m_seam.channelRows.clear();
        m_poster = new PostLogObject(nullptr, g_endpoints().userClientHandle, QByteArray());
        m_state.m_pPostLogObj = m_poster;
        m_presence = new HttpObject;
        m_presence->setTransferTimeout(2000);
    }
    void cleanup()
    {
        delete m_presence;
        m_presence = nullptr;
        m_state.m_pPostLogObj = nullptr;
        delete m_poster;
        m_poster = nullptr;
        m_globals.reset();
    }

    void eachReportIsAKeyThenItsPost()
    {
        // Start-up: the answer to the POST is the live id.
        m_state.m_sLiveId.clear();
        const QByteArray startup =
            "type=online&mac=" + kMac.toUtf8() + "&os=Linux x64&fromsouce=kvr&version=2.1.3&live=1";
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_GET_LIVE_KEY, 0, startup);
        KVR_TRY_COMPARE(m_state.m_sLiveId, QStringLiteral("4242"));
        QCOMPARE(presenceLog(), (QStringList{keyGet(), "POST " + QString::fromUtf8(startup + kTail)}));
        QCOMPARE(m_fake.requests().last().header("Content-Type"),
                 QByteArray("application/x-www-form-urlencoded"));

        struct Report
        {
            int action;
            QByteArray first;
            QByteArray extra;
        };
        const QList<Report> reports = {
            {ACTION_NEXT_LOGIN, "mac=" + kMac.toUtf8() + "&type=login&account=alice", ""},
            {ACTION_NEXT_LOGOUT, "mac=" + kMac.toUtf8() + "&type=logout&account=alice", ""},
            {ACTION_NEXT_LIVE, "mac=" + kMac.toUtf8() + "&type=online&live=2", "&id=4242"},
            {ACTION_NEXT_LIVE, "mac=" + kMac.toUtf8() + "&type=online&live=0", "&id=4242"},
        };
        for (const Report &report : reports) {
            m_fake.clearRequests();
            m_presence->get(m_state.m_sKeyUrl, report.action, HttpObject::newReport(report.first),
                            QByteArray());
            KVR_TRY_COMPARE(presenceLog().size(), 2);
            QCOMPARE(presenceLog(), (QStringList{keyGet(), "POST " + QString::fromUtf8(report.first + kTail +
                                                                                       report.extra)}));
        }
        // The offline report's answer is what quitting waits for.
        KVR_TRY_VERIFY(m_poster->isQuitDone());

        // The update report goes through this object's own POST, with the MAC.
        m_fake.clearRequests();
        const QByteArray update = "fromsouce=kvr&oldversion=2.1.3&newversion=2.1.4&state=0&nowversion=2.1.3&"
                                  "resion=UserCancle&type=update";
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_UPDATE_ERROR_INFO, 0, update);
        KVR_TRY_COMPARE(presenceLog().size(), 2);
        QCOMPARE(presenceLog().last(), "POST " + QString::fromUtf8(update + kTail + "&mac=" + kMac.toUtf8()));
    }

    void aHeartbeatBeforeTheLiveIdHasAnEmptyId()
    {
        m_state.m_sLiveId.clear();
        const QByteArray first = "mac=" + kMac.toUtf8() + "&type=online&live=2";
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_LIVE, HttpObject::newReport(first), QByteArray());
        KVR_TRY_COMPARE(presenceLog().size(), 2);
        QVERIFY(presenceLog().last().endsWith("&id="));
    }

    void aLogUploadMarksItsFile()
    {
        const QString log = m_logs.filePath("20150301.log");
        QSettings(log, QSettings::IniFormat).setValue("YiChang1", "x");
        const QByteArray first = "mac=" + kMac.toUtf8() + "&type=log&fileName=20150301.log&str=abc";
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_LOG, HttpObject::newLogUpload(first, log),
                        QByteArray());
        KVR_TRY_COMPARE(QSettings(log, QSettings::IniFormat).value("SubmitYN").toString(),
                        QStringLiteral("1"));
        QCOMPARE(presenceLog(), (QStringList{keyGet(), "POST " + QString::fromUtf8(first + kTail)}));
    }

    void aFailedKeyDropsTheReport()
    {
        // Records are freed on this path (the sanitizer's leak check watches).
        HandledReplies handled;
        m_fake.setFault(FakeHost::Service, "/app/UserClientHandle.ashx", FakeFault::errorStatus(500));
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_LOGIN, HttpObject::newReport("a=1"), QByteArray());
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_LOG, HttpObject::newLogUpload("b=2", "x.log"),
                        QByteArray());
        QFile(g_sUpdateIni).open(QIODevice::WriteOnly);
        QVERIFY(QFile::exists(g_sUpdateIni));
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_UPDATE_ERROR_INFO, 0, "c=3");
        KVR_TRY_VERIFY(!QFile::exists(g_sUpdateIni));
        QVERIFY(handled.waitFor(3));
        QCOMPARE(m_fake.requestCount(), 3);
        for (const QString &line : presenceLog())
            QVERIFY(line.startsWith("GET "));

        // Requests still out when the object goes free their records too.
        m_fake.setFault(FakeHost::Service, "/app/UserClientHandle.ashx", FakeFault::stall());
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_LOGOUT, HttpObject::newReport("d=4"), QByteArray());
        QVERIFY(m_fake.waitForRequests(4));
        delete m_presence;
        m_presence = nullptr;
    }

    void anAnswerPastTheBoundFails_data()
    {
        QTest::addColumn<QByteArray>("method"); // the request whose answer is too large
        QTest::addColumn<bool>("endless");
        QTest::addColumn<QStringList>("sent"); // the methods that reached the service
        // Bytes keep flowing, so neither the transfer time-out nor the answer's end would stop it.
        QTest::newRow("key, endless") << QByteArray("GET") << true << QStringList{"GET"};
        QTest::newRow("key, over 1 MiB") << QByteArray("GET") << false << QStringList{"GET"};
        QTest::newRow("report answer, over 1 MiB")
            << QByteArray("POST") << false << QStringList{"GET", "POST"};
    }
    void anAnswerPastTheBoundFails()
    {
        QFETCH(QByteArray, method);
        QFETCH(bool, endless);
        QFETCH(QStringList, sent);
        const auto restore = qScopeGuard([this]() {
            m_fake.clearAnswers();
            QVERIFY(m_fake.loadFixtures(FakeWebService::defaultFixtureDir()));
        });
        const QString match =
            method == "GET" ? "/app/UserClientHandle.ashx?type=getkey" : "/app/UserClientHandle.ashx";
        if (endless)
            m_fake.setFault(FakeHost::Service, match, FakeFault::endless(kKey));
        else
            m_fake.setAnswer(FakeHost::Service, match, FakeAnswer::text(QByteArray(1100 * 1024, 'k')),
                             method);

        // The update report's failure, on either request, takes its file away.
        QFile(g_sUpdateIni).open(QIODevice::WriteOnly);
        QVERIFY(QFile::exists(g_sUpdateIni));
        HandledReplies handled;
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_UPDATE_ERROR_INFO, 0, "c=3");
        KVR_TRY_VERIFY_WITH_TIMEOUT(!QFile::exists(g_sUpdateIni), 10000);
        QVERIFY(handled.waitFor(int(sent.size())));
        QStringList methods;
        for (const QString &line : presenceLog())
            methods << line.section(' ', 0, 0);
        QCOMPARE(methods, sent);
    }

    void aPosterGoneBeforeTheKeyDropsTheReport()
    {
        HandledReplies handled;
        m_presence->get(m_state.m_sKeyUrl, ACTION_NEXT_LOGIN, HttpObject::newReport("a=1"), QByteArray());
        delete m_poster;
        m_poster = nullptr;
        QVERIFY(handled.waitFor(1));
        QCOMPARE(presenceLog(), QStringList{keyGet()});
        QVERIFY(m_state.m_pPostLogObj.isNull());
    }

    void playableStates_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("states");
        QTest::newRow("a list") << QByteArray("1,2,3") << QStringList{"1", "2", "3"};
        QTest::newRow("an empty item") << QByteArray("1,,2\r\n") << QStringList{"1", "2"};
        QTest::newRow("blanks leave the list") << QByteArray("   ") << QStringList{"old"};
    }
    void playableStates()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, states);
        m_state.m_slPlayableStates = QStringList{"old"};
        m_fake.setAnswer(FakeHost::Service, "/do/apiHandler.ashx?t=getqinquan", FakeAnswer::text(answer));
        m_presence->get(g_endpoints().playStates, ACTION_GET_PLAY_STATES, 0, QByteArray());
        QVERIFY(m_fake.waitForRequests(1));
        KVR_TRY_COMPARE(m_state.m_slPlayableStates, states);
        QCOMPARE(m_fake.requests().first().target, QByteArray("/do/apiHandler.ashx?t=getqinquan"));
    }

    void theRadioChannelsArrive()
    {
        HandledReplies handled;
        m_presence->get(g_endpoints().fmClasses, ACTION_GET_FM_INFO_LIST, 0, QByteArray());
        KVR_TRY_COMPARE(m_seam.channelRows.size(), 1);
        QCOMPARE(m_fake.requests().first().target, QByteArray("/do/apihandler.ashx?t=GetFMClass"));
        const QList<FmChannelInfo> channels = m_seam.channelRows.first();
        QCOMPARE(channels.size(), 3);
        QCOMPARE(channels.at(0).name, QStringLiteral("流行"));
        QCOMPARE(channels.at(0).url, service("/fm/1.html"));
        QCOMPARE(channels.at(2).url, service("/fm/3.html"));

        // A list that is no XML builds no row.
        m_fake.setAnswer(FakeHost::Service, "/do/apihandler.ashx?t=GetFMClass",
                         FakeAnswer::text("<kvr><fm>"));
        m_presence->get(g_endpoints().fmClasses, ACTION_GET_FM_INFO_LIST, 0, QByteArray());
        QVERIFY(handled.waitFor(2));
        QCOMPARE(m_seam.channelRows.size(), 1);
    }

    void actionsOutsideTheRangeDoNothing()
    {
        HandledReplies handled;
        m_presence->get(m_state.m_sKeyUrl, 109, 0, "x=1");
        m_presence->get(m_state.m_sKeyUrl, 118, 0, "x=1");
        m_presence->post(g_endpoints().userClientHandle, 118, 0, "x=1");
        QVERIFY(handled.waitFor(3));
        QCOMPARE(m_fake.requestCount(), 3);
        QCOMPARE(m_seam.calls, QStringList());
    }

private:
    FakeWebService m_fake;
    PresenceSeam m_seam;
    ScopedSeam<MainWindowSeam> m_installed{&m_seam};
    PresenceState &m_state = g_presenceState();
    QTemporaryDir m_logs;
    PostLogObject *m_poster = nullptr;
    HttpObject *m_presence = nullptr;
    std::optional<GlobalsGuard> m_globals;
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"

// The fake web service itself: fixtures, Range, faults and the request log, seen through a plain
// QNetworkAccessManager so these tests do not depend on the player's client.
#include "FakeWebService.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Result
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentRange;
    QByteArray location;
};

Result fetch(QNetworkAccessManager &nam, const QString &url, const QByteArray &range = QByteArray(),
             int timeoutMs = 0, const QByteArray &postBody = QByteArray())
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!range.isEmpty())
        request.setRawHeader("Range", range);
    if (timeoutMs > 0)
        request.setTransferTimeout(timeoutMs);
    QNetworkReply *reply = nullptr;
    if (postBody.isNull()) {
        reply = nam.get(request);
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        reply = nam.post(request, postBody);
    }
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(15000);
    Result result;
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->isOpen())
        result.body = reply->readAll();
    result.contentRange = reply->rawHeader("Content-Range");
    result.location = reply->rawHeader("Location");
    delete reply;
    return result;
}

} // namespace

class TestFakeService : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fake.start()); }
    void cleanup() { m_fake.stop(); }

    void defaultFixturesExpandTheHostAddresses()
    {
        const Result index = fetch(m_nam, m_fake.baseUrl(FakeHost::Site) + "/sgbox/urlindex.asp");
        QCOMPARE(index.status, 200);
        QCOMPARE(QString::fromUtf8(index.body), m_fake.baseUrl(FakeHost::Files));

        // A route whose path names the service host, on the account host.
        const Result lists =
            fetch(m_nam, m_fake.baseUrl(FakeHost::Account) + "/api/127.0.0.1/gdlist.asp?t=diy-all&n=10086");
        QCOMPARE(lists.status, 200);
        QVERIFY(lists.body.contains(m_fake.baseUrl(FakeHost::Image).toUtf8() + "/pic/gedan/17.jpg"));

        // Unknown paths are 404 with an HTML page; a query condition decides between routes.
        QCOMPARE(fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/nothing/here").status, 404);
        const Result defaultList = fetch(m_nam, m_fake.baseUrl(FakeHost::Account) +
                                                    "/api/127.0.0.1/gdlist.asp?t=diy-gdmusic&n=1&d=0");
        const Result ownList = fetch(m_nam, m_fake.baseUrl(FakeHost::Account) +
                                                "/api/127.0.0.1/gdlist.asp?t=diy-gdmusic&n=1&d=17");
        QVERIFY(!defaultList.body.contains("<diyid>"));
        QVERIFY(ownList.body.contains("<diyid>17</diyid>"));
    }

    void aTestAnswerReplacesTheDefault()
    {
        m_fake.setAnswer(FakeHost::Service, "/do/apiHandler.ashx?t=login",
                         FakeAnswer::text("0;用户名或密码错误"));
        const Result login =
            fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/do/apiHandler.ashx?t=login&n=a");
        QCOMPARE(QString::fromUtf8(login.body), QStringLiteral("0;用户名或密码错误"));
    }

    void rangeRequests_data()
    {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("contentRange");
        QTest::newRow("no range") << QByteArray() << 200 << 0 << 16384 << QByteArray();
        QTest::newRow("closed range, capital unit")
            << QByteArray("Bytes=100-199") << 206 << 100 << 100 << QByteArray("bytes 100-199/16384");
        QTest::newRow("open range") << QByteArray("bytes=16000-") << 206 << 16000 << 384
                                    << QByteArray("bytes 16000-16383/16384");
        QTest::newRow("suffix") << QByteArray("bytes=-10") << 206 << 16374 << 10
                                << QByteArray("bytes 16374-16383/16384");
        QTest::newRow("end past the size")
            << QByteArray("bytes=16380-99999") << 206 << 16380 << 4 << QByteArray("bytes 16380-16383/16384");
        QTest::newRow("start past the end")
            << QByteArray("bytes=20000-") << 416 << 0 << 0 << QByteArray("bytes */16384");
    }
    void rangeRequests()
    {
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(int, first);
        QFETCH(int, length);
        QFETCH(QByteArray, contentRange);
        QFile fixture(FakeWebService::defaultFixtureDir() + "/song-1001.bin");
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray whole = fixture.readAll();

        const Result result = fetch(m_nam, m_fake.baseUrl(FakeHost::Files) + "/mp3/1001.mp3", range);
        QCOMPARE(result.status, status);
        QCOMPARE(result.contentRange, contentRange);
        if (status != 416)
            QCOMPARE(result.body, whole.mid(first, length));
    }

    void faults_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("expectedStatus");
        QTest::addColumn<bool>("expectError");
        QTest::newRow("error status with a page") << int(FakeFault::ErrorStatus) << 500 << true;
        QTest::newRow("redirect, not followed") << int(FakeFault::Redirect) << 302 << false;
        QTest::newRow("cut after 30 bytes") << int(FakeFault::CutAfter) << 0 << true;
        QTest::newRow("garbage") << int(FakeFault::Garbage) << 0 << true;
    }
    void faults()
    {
        QFETCH(int, kind);
        QFETCH(int, expectedStatus);
        QFETCH(bool, expectError);
        FakeFault fault;
        switch (FakeFault::Kind(kind)) {
        case FakeFault::ErrorStatus:
            fault = FakeFault::errorStatus(500, "<html><body>Server Error in '/' Application.</body></html>");
            break;
        case FakeFault::Redirect:
            fault = FakeFault::redirect("${service}/elsewhere");
            break;
        case FakeFault::CutAfter:
            fault = FakeFault::cutAfter(30);
            break;
        default:
            fault = FakeFault::garbage();
            break;
        }
        m_fake.setFault(FakeHost::Service, "/navtag.xml", fault);
        const Result result = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/navtag.xml");
        QCOMPARE(result.error != QNetworkReply::NoError, expectError);
        if (expectedStatus)
            QCOMPARE(result.status, expectedStatus);
        if (kind == FakeFault::ErrorStatus)
            QVERIFY(result.body.contains("Server Error"));
        if (kind == FakeFault::Redirect)
            QCOMPARE(QString::fromUtf8(result.location), m_fake.baseUrl(FakeHost::Service) + "/elsewhere");
        // Other paths are untouched.
        QCOMPARE(fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/client/ip.ashx").body,
                 QByteArray("127.0.0.1"));
    }

    void cutAfterBytesOfAFileKeepsThoseBytes()
    {
        m_fake.setFault(FakeHost::Files, "/mp3/1001.mp3", FakeFault::cutAfter(2000).only(1));
        const Result cut = fetch(m_nam, m_fake.baseUrl(FakeHost::Files) + "/mp3/1001.mp3");
        QVERIFY(cut.error != QNetworkReply::NoError);
        // The fault was for one request only.
        QCOMPARE(fetch(m_nam, m_fake.baseUrl(FakeHost::Files) + "/mp3/1001.mp3").body.size(), 16384);
    }

    void stalls()
    {
        m_fake.setFault(FakeHost::Service, "/client/ip.ashx", FakeFault::stall(300));
        QElapsedTimer clock;
        clock.start();
        const Result slow = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/client/ip.ashx");
        QVERIFY(clock.elapsed() >= 250);
        QCOMPARE(slow.body, QByteArray("127.0.0.1"));

        m_fake.setFault(FakeHost::Service, "/navtag.xml", FakeFault::stall());
        const Result never = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/navtag.xml", {}, 300);
        QCOMPARE(never.error, QNetworkReply::OperationCanceledError);
    }

    void stallAfterBytesSendsThemThenWaits()
    {
        // The first part of the answer arrives, the rest only after the pause.
        m_fake.setFault(FakeHost::Files, "/mp3/1001.mp3", FakeFault::stallAfter(4000, 300).only(1));
        QElapsedTimer clock;
        clock.start();
        const Result late = fetch(m_nam, m_fake.baseUrl(FakeHost::Files) + "/mp3/1001.mp3");
        QVERIFY(clock.elapsed() >= 250);
        QCOMPARE(late.body.size(), 16384);

        // Without an end the client gives up, holding what came before the stall.
        m_fake.setFault(FakeHost::Files, "/mp3/1001.mp3", FakeFault::stallAfter(4000));
        const Result never = fetch(m_nam, m_fake.baseUrl(FakeHost::Files) + "/mp3/1001.mp3", {}, 300);
        QCOMPARE(never.error, QNetworkReply::OperationCanceledError);

        // Held until the test releases it: the first part at once, the rest on release.
        m_fake.clearRequests();
        std::unique_ptr<QNetworkReply> held(
            m_nam.get(QNetworkRequest(QUrl(m_fake.baseUrl(FakeHost::Files) + "/mp3/1001.mp3"))));
        QVERIFY(m_fake.waitForRequests(1));
        QVERIFY(QTest::qWaitFor([&]() { return held->bytesAvailable() > 0; }, 5000));
        QTest::qWait(50);
        QVERIFY(!held->isFinished());
        m_fake.releaseStalls();
        QVERIFY(QTest::qWaitFor([&]() { return held->isFinished(); }, 5000));
        QCOMPARE(held->error(), QNetworkReply::NoError);
        QCOMPARE(held->readAll().size(), 16384);
    }

    void theLogKeepsExactRequests()
    {
        const QString target = "/app/UserClientHandle.ashx?mac=00-1A&sn=x%20y&type=getkey";
        fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + target);
        const Result post = fetch(m_nam, m_fake.baseUrl(FakeHost::Service) + "/app/UserClientHandle.ashx", {},
                                  0, "type=online&mac=00-1A&live=1&guid=k&sn=s");
        QCOMPARE(post.body, QByteArray("4242"));
        QVERIFY(m_fake.waitForRequests(2));
        const QList<FakeRequest> log = m_fake.requests(FakeHost::Service);
        QCOMPARE(log.size(), 2);
        QCOMPARE(log.at(0).method, QByteArray("GET"));
        QCOMPARE(log.at(0).target, target.toUtf8());
        QCOMPARE(log.at(0).url, m_fake.baseUrl(FakeHost::Service) + target);
        QCOMPARE(log.at(0).query().queryItemValue("sn", QUrl::FullyDecoded), QStringLiteral("x y"));
        QCOMPARE(log.at(1).method, QByteArray("POST"));
        QCOMPARE(log.at(1).body, QByteArray("type=online&mac=00-1A&live=1&guid=k&sn=s"));
        QCOMPARE(log.at(1).header("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(m_fake.requestsTo(FakeHost::Service, "/app/UserClientHandle.ashx").size(), 2);
        m_fake.clearRequests();
        QCOMPARE(m_fake.requestCount(), 0);
    }

    void writesTheHostsIni()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("config.ini");
        QVERIFY(m_fake.writeHostsIni(ini));
        QSettings settings(ini, QSettings::IniFormat);
        QCOMPARE(settings.value("hosts/site").toString(), m_fake.baseUrl(FakeHost::Site));
        QCOMPARE(settings.value("hosts/image").toString(), m_fake.baseUrl(FakeHost::Image));
    }

private:
    FakeWebService m_fake;
    QNetworkAccessManager m_nam;
};

QTEST_GUILESS_MAIN(TestFakeService)
#include "tst_fakeservice.moc"

#pragma once

#include "FakeHttpConnection.h"
#include "FakeServiceTypes.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class FakeHttpServer;
class FakeServiceState;
class QThread;

// A real HTTP server on loopback that stands in for the web service in tests: one port per host
// (service, site, account, image, and files for song streams), answers from fixture data,
// song files with HTTP Range, faults on demand, and a log of every request.
//
//     FakeWebService fake;
//     QVERIFY(fake.start());                         // default fixtures of every request type
//     useFakeService(fake);                          // FakeServiceHosts.h (servicestesting)
//     fake.setAnswer(FakeHost::Service, "/do/apiHandler.ashx?t=login", FakeAnswer::text("0;bad"));
//     fake.setFault(FakeHost::Site, "/html/pxml/*", FakeFault::cutAfter(40));
//     ... send requests ...
//     QVERIFY(fake.waitForRequests(1));
//     QCOMPARE(fake.requests().last().target, "/do/apiHandler.ashx?t=login&n=a&d=b&c=123abc");
//
// Paths are matched exactly or as a prefix ("/pic/*"), with optional query conditions
// ("/do/apiHandler.ashx?t=login"); the most specific route wins, and among equals the latest, so
// a test overrides a default by setting its own. Bodies may hold "${service}", "${site}",
// "${account}", "${image}", "${files}" (base addresses) and "${servicehost}".
//
// Threads: the server runs on its own thread, so a test may block its own thread (a synchronous
// download, a modal wait) without stalling the service. Every method here is for the thread that
// created the object and is safe while the server runs.
class FakeWebService : public QObject
{
    Q_OBJECT
public:
    explicit FakeWebService(QObject *parent = nullptr);
    ~FakeWebService() override;

    // Listens on ephemeral loopback ports and (by default) loads the default fixtures. Routes,
    // faults and the log of an earlier run are dropped.
    bool start(bool withDefaultFixtures = true);
    void stop();
    bool isRunning() const;

    quint16 port(FakeHost host) const;
    QString baseUrl(FakeHost host) const; // "http://127.0.0.1:<port>"
    QString serviceHostName() const { return QStringLiteral("127.0.0.1"); }

    // The hosts as the player's configuration takes them: a ServiceHosts-shaped pair list for
    // tests that link the services, and an INI writer for whole-program tests.
    struct Hosts
    {
        QString service, site, account, image;
    };
    Hosts hosts() const;
    // Writes [hosts] service/site/account/image into an INI file (the installation's
    // "config.ini", or a file named by KVR_HOSTS_INI).
    bool writeHostsIni(const QString &iniPath) const;

    // Answers. method "*" matches any method.
    void setAnswer(FakeHost host, const QString &match, const FakeAnswer &answer,
                   const QByteArray &method = "*");
    // A file served with Range: 200 for the whole file, 206 for a range, 416 past its end.
    void serveFile(FakeHost host, const QString &path, const QByteArray &data,
                   const QByteArray &contentType = "application/octet-stream");
    bool serveFileFrom(FakeHost host, const QString &path, const QString &localFile,
                       const QByteArray &contentType = "application/octet-stream");
    // Faults take precedence over answers on the paths they match.
    void setFault(FakeHost host, const QString &match, const FakeFault &fault);
    void clearFaults();
    // The answers that stall faults without a time (stall(), stallAfter(n)) hold back go out now,
    // each as its fault would have sent it after a pause: for a test that needs an answer late,
    // but only once something else has happened.
    void releaseStalls();
    // Answers for `path` (percent-decoded, exact) on `host` misbehave below HTTP as `raw` says,
    // ahead of any fault (FakeHttpServer::setRawBehaviour). Kept until cleared or the next start.
    void setRawBehaviour(FakeHost host, const QString &path, const FakeHttpConnection::RawBehaviour &raw);
    void clearRawBehaviours();
    // Drops every answer (defaults included).
    void clearAnswers();
    // Back to how start() left it: the default fixtures only, no fault, an empty log. For init()
    // of suites whose test functions set answers of their own.
    bool restoreDefaults();

    // Loads routes.txt of a fixture folder (format in tests/fixtures/service/routes.txt).
    bool loadFixtures(const QString &dir);
    static QString defaultFixtureDir();

    // The request log, oldest first.
    QList<FakeRequest> requests() const;
    QList<FakeRequest> requests(FakeHost host) const;
    QList<FakeRequest> requestsTo(FakeHost host, const QString &path) const; // path percent-decoded
    int requestCount() const;
    void clearRequests();
    // Waits, processing this thread's events, until the log holds at least count requests.
    bool waitForRequests(int count, int timeoutMs = 5000) const;

private:
    class ServerCall;

    std::unique_ptr<FakeServiceState> m_state;
    QThread *m_thread = nullptr;
    FakeHttpServer *m_server = nullptr;
    ServerCall *m_call = nullptr; // lives on the server's thread, a child of m_server
    QHash<FakeHost, quint16> m_ports;
};

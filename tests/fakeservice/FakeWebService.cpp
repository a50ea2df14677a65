#include "FakeWebService.h"

#include "FakeHttpServer.h"
#include "FakeServiceState.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

// Runs work on the server's thread and waits for it. It is made before that thread starts, and the
// work crosses under its own standard lock: Qt's event queue, which only carries the wake-up, is
// invisible to thread checkers, so nothing of ours may travel in the posted event itself (a
// captured value or a lock made after the thread started would be seen as raced).
class FakeWebService::ServerCall : public QObject
{
public:
    using QObject::QObject;

    // Test thread.
    void run(const std::function<void()> &work)
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_work = &work;
        m_done = false;
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        m_doneChanged.wait(guard, [this]() { return m_done; });
        m_work = nullptr;
    }

protected:
    // Server thread. Reached through QObject::event, so that not even the event's type is read
    // here before the lock is held.
    void customEvent(QEvent *) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_work)
            (*m_work)();
        m_done = true;
        m_doneChanged.notify_one();
    }

private:
    std::condition_variable m_doneChanged;
    std::mutex m_lock; // guards the two below
    const std::function<void()> *m_work = nullptr;
    bool m_done = false;
};

FakeWebService::FakeWebService(QObject *parent)
    : QObject(parent)
    , m_state(std::make_unique<FakeServiceState>())
{
}

FakeWebService::~FakeWebService()
{
    stop();
}

bool FakeWebService::start(bool withDefaultFixtures)
{
    if (m_thread)
        return true;
    // A new run starts from nothing: no routes, faults or log of an earlier one.
    m_state->clearRoutes();
    m_state->clearFaults();
    m_state->clearLog();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("FakeWebService"));
    m_server = new FakeHttpServer(m_state.get());
    // A child of the server: it moves with it, and goes with it.
    m_call = new ServerCall(m_server);
    m_server->moveToThread(m_thread);
    m_thread->start();
    bool listening = false;
    QHash<FakeHost, quint16> ports;
    FakeHttpServer *server = m_server;
    m_call->run([server, &listening, &ports]() {
        listening = server->listenAll();
        ports = server->ports();
    });
    if (!listening) {
        stop();
        return false;
    }
    m_ports = ports;
    QHash<FakeHost, QString> bases;
    for (FakeHost host : kAllFakeHosts)
        bases.insert(host, baseUrl(host));
    m_state->setBases(bases, serviceHostName());
    if (withDefaultFixtures && !loadFixtures(defaultFixtureDir())) {
        stop();
        return false;
    }
    return true;
}

void FakeWebService::stop()
{
    if (!m_thread)
        return;
    // Only the server's own thread may hand it over; back here it is deleted once its thread
    // has ended.
    QThread *home = QThread::currentThread();
    FakeHttpServer *server = m_server;
    m_call->run([server, home]() {
        server->closeAll();
        server->moveToThread(home);
    });
    m_thread->quit();
    m_thread->wait();
    delete m_server;
    delete m_thread;
    m_thread = nullptr;
    m_server = nullptr;
    m_call = nullptr;
    m_ports.clear();
}

bool FakeWebService::isRunning() const
{
    return m_thread != nullptr;
}

quint16 FakeWebService::port(FakeHost host) const
{
    return m_ports.value(host);
}

QString FakeWebService::baseUrl(FakeHost host) const
{
    return QStringLiteral("http://%1:%2").arg(serviceHostName()).arg(port(host));
}

FakeWebService::Hosts FakeWebService::hosts() const
{
    return Hosts{baseUrl(FakeHost::Service), baseUrl(FakeHost::Site), baseUrl(FakeHost::Account),
                 baseUrl(FakeHost::Image)};
}

bool FakeWebService::writeHostsIni(const QString &iniPath) const
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(QStringLiteral("hosts/service"), baseUrl(FakeHost::Service));
    ini.setValue(QStringLiteral("hosts/site"), baseUrl(FakeHost::Site));
    ini.setValue(QStringLiteral("hosts/account"), baseUrl(FakeHost::Account));
    ini.setValue(QStringLiteral("hosts/image"), baseUrl(FakeHost::Image));
    ini.sync();
    return ini.status() == QSettings::NoError;
}

void FakeWebService::setAnswer(FakeHost host, const QString &match, const FakeAnswer &answer,
                               const QByteArray &method)
{
    m_state->addAnswer(host, method, match, answer);
}

void FakeWebService::serveFile(FakeHost host, const QString &path, const QByteArray &data,
                               const QByteArray &contentType)
{
    m_state->addFile(host, "*", path, data, contentType);
}

bool FakeWebService::serveFileFrom(FakeHost host, const QString &path, const QString &localFile,
                                   const QByteArray &contentType)
{
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    serveFile(host, path, file.readAll(), contentType);
    return true;
}

void FakeWebService::setFault(FakeHost host, const QString &match, const FakeFault &fault)
{
    m_state->addFault(host, match, fault);
}

void FakeWebService::clearFaults()
{
    m_state->clearFaults();
}

void FakeWebService::setRawBehaviour(FakeHost host, const QString &path,
                                     const FakeHttpConnection::RawBehaviour &raw)
{
    if (m_server)
        m_server->setRawBehaviour(host, path, raw);
}

void FakeWebService::releaseStalls()
{
    if (!m_server)
        return;
    FakeHttpServer *server = m_server;
    m_call->run([server]() { server->releaseStalls(); });
}

void FakeWebService::clearRawBehaviours()
{
    if (m_server)
        m_server->clearRawBehaviours();
}

void FakeWebService::clearAnswers()
{
    m_state->clearRoutes();
}

bool FakeWebService::restoreDefaults()
{
    m_state->clearRoutes();
    m_state->clearFaults();
    m_state->clearLog();
    return loadFixtures(defaultFixtureDir());
}

QString FakeWebService::defaultFixtureDir()
{
    return QStringLiteral(FAKESERVICE_FIXTURE_DIR);
}

bool FakeWebService::loadFixtures(const QString &dir)
{
    QFile index(QDir(dir).filePath(QStringLiteral("routes.txt")));
    if (!index.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("fake service: cannot read %s", qPrintable(index.fileName()));
        return false;
    }
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QTextStream in(&index);
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(blanks);
        FakeHost host;
        if (fields.size() != 6 || !fakeHostFromName(fields.at(0), &host)) {
            qWarning("fake service: %s:%d: bad route", qPrintable(index.fileName()), lineNumber);
            return false;
        }
        const QByteArray method = fields.at(1).toLatin1();
        const QString match = fields.at(2);
        const QString status = fields.at(3);
        const QByteArray contentType = fields.at(4).toLatin1();
        QByteArray body;
        if (fields.at(5) != QLatin1String("-")) {
            QFile file(QDir(dir).filePath(fields.at(5)));
            if (!file.open(QIODevice::ReadOnly)) {
                qWarning("fake service: %s:%d: cannot read %s", qPrintable(index.fileName()), lineNumber,
                         qPrintable(file.fileName()));
                return false;
            }
            body = file.readAll();
        }
        if (status == QLatin1String("range")) {
            m_state->addFile(host, method, match, body, contentType);
            continue;
        }
        FakeAnswer answer = FakeAnswer::text(body, status.toInt(), contentType);
        answer.expandPlaceholders = !contentType.startsWith("image/") && !contentType.startsWith("audio/") &&
                                    !contentType.startsWith("application/octet-stream");
        m_state->addAnswer(host, method, match, answer);
    }
    return true;
}

QList<FakeRequest> FakeWebService::requests() const
{
    return m_state->log();
}

QList<FakeRequest> FakeWebService::requests(FakeHost host) const
{
    QList<FakeRequest> result;
    const auto all = m_state->log();
    for (const FakeRequest &request : all) {
        if (request.host == host)
            result << request;
    }
    return result;
}

QList<FakeRequest> FakeWebService::requestsTo(FakeHost host, const QString &path) const
{
    QList<FakeRequest> result;
    const auto all = m_state->log();
    for (const FakeRequest &request : all) {
        if (request.host == host && request.path() == path)
            result << request;
    }
    return result;
}

int FakeWebService::requestCount() const
{
    return m_state->logSize();
}

void FakeWebService::clearRequests()
{
    m_state->clearLog();
}

bool FakeWebService::waitForRequests(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_state->logSize() < count) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

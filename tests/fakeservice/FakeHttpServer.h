#pragma once

#include "FakeHttpConnection.h"
#include "FakeServiceState.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <mutex>

class QTcpServer;

// The listening side of the fake service: one loopback port per host. Lives on the service's
// own thread; FakeWebService runs listenAll and closeAll there and waits for them.
//
// Raw behaviours (hostile servers at the byte level: silence, a drip, a short body on an open
// connection, an endless body, an oversized header) are kept per host and path, below the state's
// routes and faults: any thread sets them, the connections read them. m_rawLock (a leaf lock)
// guards m_raw.
class FakeHttpServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeHttpServer(FakeServiceState *state);

    bool listenAll();
    void closeAll();
    // FakeHttpConnection::release on every open connection.
    void releaseStalls();
    QHash<FakeHost, quint16> ports() const { return m_ports; }

    // Requests for `path` (percent-decoded, exact) on `host` are answered as `raw` says, ahead of
    // any fault. Safe from any thread while the server runs.
    void setRawBehaviour(FakeHost host, const QString &path, const FakeHttpConnection::RawBehaviour &raw);
    void clearRawBehaviours();
    bool rawBehaviour(FakeHost host, const QString &path, FakeHttpConnection::RawBehaviour *raw) const;

private:
    FakeServiceState *m_state;
    QHash<FakeHost, QTcpServer *> m_servers;
    QHash<FakeHost, quint16> m_ports;
    mutable std::mutex m_rawLock;
    QHash<FakeHost, QHash<QString, FakeHttpConnection::RawBehaviour>> m_raw;
};

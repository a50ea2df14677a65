#pragma once

#include "FakeServiceState.h"

#include <QHash>
#include <QObject>

class QTcpServer;

// The listening side of the fake service: one loopback port per host. Lives on the service's
// own thread; FakeWebService runs listenAll and closeAll there and waits for them.
class FakeHttpServer : public QObject
{
    Q_OBJECT
public:
    explicit FakeHttpServer(FakeServiceState *state);

    bool listenAll();
    void closeAll();
    QHash<FakeHost, quint16> ports() const { return m_ports; }

private:
    FakeServiceState *m_state;
    QHash<FakeHost, QTcpServer *> m_servers;
    QHash<FakeHost, quint16> m_ports;
};

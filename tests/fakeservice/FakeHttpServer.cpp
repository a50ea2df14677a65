#include "FakeHttpServer.h"

#include "FakeHttpConnection.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

FakeHttpServer::FakeHttpServer(FakeServiceState *state)
    : m_state(state)
{
}

bool FakeHttpServer::listenAll()
{
    for (FakeHost host : kAllFakeHosts) {
        auto *server = new QTcpServer(this);
        if (!server->listen(QHostAddress::LocalHost, 0)) {
            closeAll();
            return false;
        }
        connect(server, &QTcpServer::newConnection, this, [this, server, host]() {
            while (QTcpSocket *socket = server->nextPendingConnection())
                new FakeHttpConnection(socket, host, m_state, this, this);
        });
        m_servers.insert(host, server);
        m_ports.insert(host, server->serverPort());
    }
    return true;
}

void FakeHttpServer::closeAll()
{
    for (QTcpServer *server : std::as_const(m_servers)) {
        server->close();
        delete server;
    }
    m_servers.clear();
    // Open connections (stalled ones too) go with their objects.
    const auto connections = findChildren<FakeHttpConnection *>(Qt::FindDirectChildrenOnly);
    for (FakeHttpConnection *connection : connections)
        delete connection;
}

void FakeHttpServer::releaseStalls()
{
    const auto connections = findChildren<FakeHttpConnection *>(Qt::FindDirectChildrenOnly);
    for (FakeHttpConnection *connection : connections)
        connection->release();
}

void FakeHttpServer::setRawBehaviour(FakeHost host, const QString &path,
                                     const FakeHttpConnection::RawBehaviour &raw)
{
    std::lock_guard lock(m_rawLock);
    m_raw[host].insert(path, raw);
}

void FakeHttpServer::clearRawBehaviours()
{
    std::lock_guard lock(m_rawLock);
    m_raw.clear();
}

bool FakeHttpServer::rawBehaviour(FakeHost host, const QString &path,
                                  FakeHttpConnection::RawBehaviour *raw) const
{
    std::lock_guard lock(m_rawLock);
    const auto byPath = m_raw.constFind(host);
    if (byPath == m_raw.constEnd())
        return false;
    const auto it = byPath->constFind(path);
    if (it == byPath->constEnd())
        return false;
    *raw = it.value();
    return true;
}

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
                new FakeHttpConnection(socket, host, m_state, this);
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

#include "TestHttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

TestHttpServer::~TestHttpServer()
{
    end();
}

QByteArray TestHttpServer::begin()
{
    start();
    std::unique_lock lock(m_lock);
    m_ready.wait(lock, [this] { return m_listening; });
    return "http://127.0.0.1:" + QByteArray::number(m_port);
}

void TestHttpServer::end()
{
    if (!isRunning())
        return;
    quit();
    wait();
}

QList<QByteArray> TestHttpServer::requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

void TestHttpServer::run()
{
    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            socket->setParent(&server);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { onReadable(socket); });
        }
    });
    server.listen(QHostAddress::LocalHost, 0);
    {
        std::lock_guard lock(m_lock);
        m_port = server.serverPort();
        m_listening = true;
    }
    m_ready.notify_all();
    exec();
    // The connections are children of the server and close with it.
}

void TestHttpServer::onReadable(QTcpSocket *socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> lines = request.left(request.indexOf("\r\n\r\n")).split('\n');
    const QByteArray path = lines.value(0).split(' ').value(1);
    qsizetype rangeStart = -1;
    for (const QByteArray &line : lines) {
        if (line.toLower().startsWith("range: bytes="))
            rangeStart = line.trimmed().mid(13).split('-').value(0).toLongLong();
    }
    {
        std::lock_guard lock(m_lock);
        m_requests << (rangeStart >= 0 ? path + " range " + QByteArray::number(rangeStart) : path);
    }
    answer(socket, path, rangeStart);
}

void TestHttpServer::answer(QTcpSocket *socket, const QByteArray &path, qsizetype rangeStart)
{
    if (!m_routes.contains(path)) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
        socket->disconnectFromHost();
        return;
    }
    const Route route = m_routes.value(path);
    if (route.silent)
        return;
    if (route.status != 200) {
        socket->write("HTTP/1.1 " + QByteArray::number(route.status) +
                      " Error\r\nContent-Length: 5\r\nConnection: close\r\n\r\nerror");
        socket->disconnectFromHost();
        return;
    }
    QByteArray body = route.body;
    QByteArray head;
    if (route.ranges && rangeStart > 0 && rangeStart < body.size()) {
        head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(rangeStart) +
               "-" + QByteArray::number(body.size() - 1) + "/" + QByteArray::number(body.size()) + "\r\n";
        body = body.mid(rangeStart);
    } else {
        head = "HTTP/1.1 200 OK\r\n";
    }
    head += "Content-Type: audio/mpeg\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\nConnection: close\r\n\r\n";
    socket->write(head);
    qsizetype limit = body.size();
    if (route.cutAfter >= 0)
        limit = qMin(limit, route.cutAfter);
    if (route.stallAfter >= 0)
        limit = qMin(limit, route.stallAfter);
    const bool closeAtLimit = route.stallAfter < 0;
    if (route.chunkBytes <= 0) {
        socket->write(body.left(limit));
        if (closeAtLimit)
            socket->disconnectFromHost();
        return;
    }
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [=] {
        const qsizetype n = qMin<qsizetype>(route.chunkBytes, limit - *sent);
        if (n > 0) {
            socket->write(body.mid(*sent, n));
            *sent += n;
        }
        if (*sent >= limit) {
            timer->stop();
            if (closeAtLimit)
                socket->disconnectFromHost();
        }
    });
    timer->start(route.chunkIntervalMs);
}

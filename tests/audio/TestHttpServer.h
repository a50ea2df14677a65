#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QThread>

#include <condition_variable>
#include <mutex>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on loopback, on its own thread, with byte-level control over each answer:
// cut the connection after N body bytes, stall after N bytes, trickle the body slowly, answer an
// error or nothing at all. Routes are set before start().
//
// Every Qt object of the server is created, used and deleted on the server's thread; the test thread
// meets it only through std::mutex and std::condition_variable, which ThreadSanitizer can see (Qt's
// own cross-thread machinery is invisible to it and would read as races).
class TestHttpServer : public QThread
{
public:
    struct Route
    {
        QByteArray body;
        int status = 200;
        qsizetype cutAfter = -1;   // close the connection after this many body bytes
        qsizetype stallAfter = -1; // send this many body bytes, then nothing more, connection open
        bool silent = false;       // accept the connection and never answer
        int chunkBytes = 0;        // with chunkIntervalMs: trickle the body
        int chunkIntervalMs = 0;
        bool ranges = false; // honour "Range: bytes=N-" with 206
    };

    ~TestHttpServer() override;

    void addRoute(const QByteArray &path, const Route &route) { m_routes.insert(path, route); }
    // Listens on 127.0.0.1; returns the base URL ("http://127.0.0.1:port").
    QByteArray begin();
    void end();
    // Requests answered so far, with their Range header if any.
    QList<QByteArray> requests() const;

protected:
    void run() override;

private:
    void onReadable(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &path, qsizetype rangeStart);

    QHash<QByteArray, Route> m_routes;
    mutable std::mutex m_lock;
    std::condition_variable m_ready;
    quint16 m_port = 0;
    bool m_listening = false;
    QList<QByteArray> m_requests;
};

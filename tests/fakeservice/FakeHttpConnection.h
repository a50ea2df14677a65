#pragma once

#include "FakeServiceState.h"

#include <QByteArray>
#include <QObject>

class QTcpSocket;

// One client connection of the fake service: reads one HTTP/1.1 request, records it, answers it
// as the state's plan says (or fails as a fault says) and closes the connection. Lives on the
// server thread.
class FakeHttpConnection : public QObject
{
    Q_OBJECT
public:
    FakeHttpConnection(QTcpSocket *socket, FakeHost host, FakeServiceState *state, QObject *parent);

private slots:
    void onReadyRead();

private:
    void handle();
    QByteArray normalResponse(const FakeServiceState::Plan &plan, bool head) const;
    void sendAndClose(const QByteArray &bytes);

    QTcpSocket *m_socket;
    const FakeHost m_host;
    FakeServiceState *m_state;
    QByteArray m_buffer;
    FakeRequest m_request;
    qint64 m_contentLength = -1; // -1 until the headers are complete
    bool m_handled = false;
};

// Builds one HTTP/1.1 response with "Connection: close".
QByteArray fakeHttpResponse(int status, const QByteArray &contentType, const QByteArray &body,
                            const FakeHeaders &headers = FakeHeaders(), bool head = false);

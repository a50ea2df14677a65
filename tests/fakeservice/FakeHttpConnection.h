#pragma once

#include "FakeServiceState.h"

#include <QByteArray>
#include <QObject>

class FakeHttpServer;
class QTcpSocket;

// One client connection of the fake service: reads one HTTP/1.1 request, records it, answers it
// as the state's plan says (or fails as a fault says) and closes the connection. Lives on the
// server thread.
class FakeHttpConnection : public QObject
{
    Q_OBJECT
public:
    // How to misbehave below HTTP. It shapes the answer the state plans for the request (status,
    // header and body of its route) and replaces any fault. Combine freely: a short body that is
    // then held open, an endless body sent as a drip.
    struct RawBehaviour
    {
        bool silent = false;     // read the request and never answer; the connection stays open
        qint64 bodyBytes = -1;   // send only this many body bytes (the header still announces them all)
        bool holdOpen = false;   // after the last byte, keep the connection open and silent
        int dripBytes = 0;       // send the answer, header included, this many bytes ...
        int dripMs = 0;          // ... every this many milliseconds
        bool endless = false;    // announce no length and repeat the body until the client leaves
        int headerLineBytes = 0; // add a header line ("X-Padding: aaa...") of this many bytes
    };

    // `server`: where the raw behaviours are looked up; none, only the state answers.
    FakeHttpConnection(QTcpSocket *socket, FakeHost host, FakeServiceState *state, QObject *parent,
                       const FakeHttpServer *server = nullptr);

    // An answer held by a stall fault without a time goes out now, as the fault would have sent it
    // after its pause.
    void release();

private slots:
    void onReadyRead();

private:
    void handle();
    QByteArray normalResponse(const FakeServiceState::Plan &plan, bool head) const;
    void sendAndClose(const QByteArray &bytes);
    void answerRaw(const QByteArray &response, const RawBehaviour &raw);
    // Writes the next bytes of the raw answer (all of it unless `limit` is given); false once it
    // has all been written.
    bool writeRaw(qint64 limit = -1);

    QTcpSocket *m_socket;
    const FakeHttpServer *m_server;
    const FakeHost m_host;
    FakeServiceState *m_state;
    QByteArray m_buffer;
    FakeRequest m_request;
    qint64 m_contentLength = -1; // -1 until the headers are complete
    bool m_handled = false;
    // The raw answer being sent: m_rawHead once, then m_rawBody (over and over when endless).
    RawBehaviour m_raw;
    QByteArray m_rawHead;
    QByteArray m_rawBody;
    qint64 m_rawSent = 0;
    // What a stall without a time holds back until release().
    QByteArray m_held;
    bool m_holding = false;
};

// Builds one HTTP/1.1 response with "Connection: close".
QByteArray fakeHttpResponse(int status, const QByteArray &contentType, const QByteArray &body,
                            const FakeHeaders &headers = FakeHeaders(), bool head = false);

#include "FakeHttpConnection.h"

#include "FakeHttpServer.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <limits>

namespace {

constexpr int kMaxHeaderBytes = 64 * 1024;
// An endless body is written as the client takes it, with about this much queued.
constexpr qint64 kEndlessQueue = 256 * 1024;

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// "bytes=a-b", "bytes=a-", "bytes=-n" (the unit in any case, as "Bytes=%1-%2" is sent). false
// when there is no usable single range.
bool parseRange(const QByteArray &header, qint64 size, qint64 *first, qint64 *last, bool *satisfiable)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*bytes\\s*=\\s*(\\d*)\\s*-\\s*(\\d*)\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(header));
    if (!match.hasMatch())
        return false;
    const QString a = match.captured(1);
    const QString b = match.captured(2);
    if (a.isEmpty() && b.isEmpty())
        return false;
    if (a.isEmpty()) {
        const qint64 suffix = b.toLongLong();
        *first = qMax<qint64>(0, size - suffix);
        *last = size - 1;
    } else {
        *first = a.toLongLong();
        *last = b.isEmpty() ? size - 1 : qMin(b.toLongLong(), size - 1);
    }
    *satisfiable = *first < size && *first <= *last;
    return true;
}

} // namespace

QByteArray fakeHttpResponse(int status, const QByteArray &contentType, const QByteArray &body,
                            const FakeHeaders &headers, bool head)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    if (!contentType.isEmpty())
        out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Connection: close\r\n";
    for (const auto &header : headers)
        out += header.first + ": " + header.second + "\r\n";
    out += "\r\n";
    if (!head)
        out += body;
    return out;
}

FakeHttpConnection::FakeHttpConnection(QTcpSocket *socket, FakeHost host, FakeServiceState *state,
                                       QObject *parent, const FakeHttpServer *server)
    : QObject(parent)
    , m_socket(socket)
    , m_server(server)
    , m_host(host)
    , m_state(state)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &FakeHttpConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
}

void FakeHttpConnection::onReadyRead()
{
    m_buffer += m_socket->readAll();
    if (m_handled)
        return;
    if (m_contentLength < 0) {
        const int end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > kMaxHeaderBytes)
                sendAndClose(fakeHttpResponse(400, "text/plain", "header too long"));
            return;
        }
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        if (requestLine.size() < 3) {
            sendAndClose(fakeHttpResponse(400, "text/plain", "bad request line"));
            return;
        }
        m_request.host = m_host;
        m_request.method = requestLine.at(0);
        m_request.target = requestLine.at(1);
        m_request.url = m_state->base(m_host) + QString::fromLatin1(m_request.target);
        m_contentLength = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const int colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            m_request.headers << qMakePair(name, value);
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                m_contentLength = value.toLongLong();
        }
        m_buffer.remove(0, end + 4);
    }
    if (m_buffer.size() < m_contentLength)
        return;
    m_request.body = m_buffer.left(m_contentLength);
    m_handled = true;
    handle();
}

void FakeHttpConnection::handle()
{
    m_state->record(m_request);
    const FakeServiceState::Plan plan = m_state->plan(m_request);
    const bool head = m_request.method == "HEAD";
    RawBehaviour raw;
    if (m_server && m_server->rawBehaviour(m_host, m_request.path(), &raw)) {
        answerRaw(normalResponse(plan, head), raw);
        return;
    }
    if (!plan.hasFault) {
        sendAndClose(normalResponse(plan, head));
        return;
    }
    const FakeFault &fault = plan.fault;
    switch (fault.kind) {
    case FakeFault::ErrorStatus:
        sendAndClose(fakeHttpResponse(fault.status, "text/html;charset=utf-8", fault.body, {}, head));
        break;
    case FakeFault::Redirect: {
        const QByteArray location = m_state->expand(fault.location);
        sendAndClose(fakeHttpResponse(fault.status, "text/html;charset=utf-8",
                                      "<html><body>moved to " + location + "</body></html>",
                                      {qMakePair(QByteArray("Location"), location)}, head));
        break;
    }
    case FakeFault::Stall:
        // Never: the connection stays open and silent until the client gives up, the service
        // stops or the test releases it. Otherwise the normal answer follows the pause.
        if (fault.ms >= 0) {
            const QByteArray response = normalResponse(plan, head);
            QTimer::singleShot(fault.ms, this, [this, response]() { sendAndClose(response); });
        } else {
            m_held = normalResponse(plan, head);
            m_holding = true;
        }
        break;
    case FakeFault::CutAfter:
        m_socket->write(normalResponse(plan, head).left(fault.bytes));
        m_socket->flush();
        m_socket->disconnectFromHost();
        break;
    case FakeFault::StallAfter: {
        const QByteArray response = normalResponse(plan, head);
        m_socket->write(response.left(fault.bytes));
        m_socket->flush();
        if (fault.ms >= 0) {
            const QByteArray rest = response.mid(fault.bytes);
            QTimer::singleShot(fault.ms, this, [this, rest]() { sendAndClose(rest); });
        } else {
            m_held = response.mid(fault.bytes);
            m_holding = true;
        }
        break;
    }
    case FakeFault::Endless: {
        QByteArray unit = fault.body.isEmpty() ? QByteArray("x") : fault.body;
        while (unit.size() < 64 * 1024)
            unit += unit;
        // Without a length the body ends only when the connection does. One piece a millisecond,
        // once the last has left: refilled as soon as it left, the socket is never empty, and
        // Qt's HTTP thread, which reads while bytes are waiting, would never get back to its
        // event loop to carry out the client's abort (deleting that manager then waits 5 s).
        m_socket->write("HTTP/1.1 " + QByteArray::number(fault.status) + ' ' + reason(fault.status) +
                        "\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
        m_socket->write(unit);
        auto *pace = new QTimer(this);
        connect(pace, &QTimer::timeout, this, [this, unit, pace]() {
            if (m_socket->state() != QAbstractSocket::ConnectedState)
                pace->stop();
            else if (m_socket->bytesToWrite() == 0)
                m_socket->write(unit);
        });
        pace->start(1);
        break;
    }
    case FakeFault::NoLength: {
        QByteArray response = normalResponse(plan, head);
        const int length = response.indexOf("\r\nContent-Length: ");
        if (length >= 0)
            response.remove(length, response.indexOf("\r\n", length + 2) - length);
        sendAndClose(response);
        break;
    }
    case FakeFault::Garbage: {
        static const char garbage[] = "\x00\xff\xfe garbage, not HTTP \x01\x02\x03\r\n\r\n";
        m_socket->write(garbage, sizeof(garbage) - 1);
        m_socket->flush();
        m_socket->disconnectFromHost();
        break;
    }
    }
}

QByteArray FakeHttpConnection::normalResponse(const FakeServiceState::Plan &plan, bool head) const
{
    switch (plan.kind) {
    case FakeServiceState::Plan::NotFound:
        return fakeHttpResponse(404, "text/html;charset=utf-8",
                                "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
                                "</body></html>",
                                {}, head);
    case FakeServiceState::Plan::Answer:
        return fakeHttpResponse(plan.answer.status, plan.answer.contentType, plan.answer.body,
                                plan.answer.headers, head);
    case FakeServiceState::Plan::File: {
        const qint64 size = plan.fileData.size();
        const FakeHeaders acceptRanges = {qMakePair(QByteArray("Accept-Ranges"), QByteArray("bytes"))};
        qint64 first = 0;
        qint64 last = 0;
        bool satisfiable = false;
        const QByteArray range = m_request.header("Range");
        if (range.isEmpty() || !parseRange(range, size, &first, &last, &satisfiable))
            return fakeHttpResponse(200, plan.contentType, plan.fileData, acceptRanges, head);
        if (!satisfiable)
            return fakeHttpResponse(
                416, "text/plain", QByteArray(),
                {qMakePair(QByteArray("Content-Range"), "bytes */" + QByteArray::number(size))}, head);
        FakeHeaders headers = acceptRanges;
        headers << qMakePair(QByteArray("Content-Range"), "bytes " + QByteArray::number(first) + '-' +
                                                              QByteArray::number(last) + '/' +
                                                              QByteArray::number(size));
        return fakeHttpResponse(206, plan.contentType, plan.fileData.mid(first, last - first + 1), headers,
                                head);
    }
    }
    return QByteArray();
}

void FakeHttpConnection::release()
{
    if (!m_holding)
        return;
    m_holding = false;
    sendAndClose(m_held);
}

void FakeHttpConnection::sendAndClose(const QByteArray &bytes)
{
    m_socket->write(bytes);
    m_socket->disconnectFromHost();
}

void FakeHttpConnection::answerRaw(const QByteArray &response, const RawBehaviour &raw)
{
    if (raw.silent)
        return;
    m_raw = raw;
    const qsizetype split = response.indexOf("\r\n\r\n");
    QByteArray head = response.left(split);
    m_rawBody = response.mid(split + 4);
    if (raw.endless) {
        // Without a length the body runs until the connection closes, which this one never does.
        static const QRegularExpression length(QStringLiteral("\r\nContent-Length:[^\r]*"),
                                               QRegularExpression::CaseInsensitiveOption);
        head = QString::fromLatin1(head).remove(length).toLatin1();
        if (m_rawBody.isEmpty())
            m_rawBody = QByteArray(4096, '\0');
        // A short body is repeated in whole copies here, so that each write is one large block.
        const QByteArray unit = m_rawBody;
        while (m_rawBody.size() < 4096)
            m_rawBody += unit;
    } else if (raw.bodyBytes >= 0) {
        m_rawBody.truncate(raw.bodyBytes);
    }
    if (raw.headerLineBytes > 0)
        head += "\r\nX-Padding: " + QByteArray(raw.headerLineBytes, 'a');
    m_rawHead = head + "\r\n\r\n";
    const auto finish = [this]() {
        if (m_raw.holdOpen)
            m_socket->flush();
        else
            m_socket->disconnectFromHost();
    };
    if (raw.dripBytes > 0 && raw.dripMs > 0) {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, timer, finish]() {
            if (!writeRaw(m_raw.dripBytes)) {
                timer->stop();
                finish();
            }
        });
        timer->start(raw.dripMs);
        return;
    }
    if (raw.endless) {
        connect(m_socket, &QTcpSocket::bytesWritten, this, [this]() {
            if (m_socket->bytesToWrite() < kEndlessQueue)
                writeRaw(kEndlessQueue);
        });
        writeRaw(kEndlessQueue);
        return;
    }
    writeRaw();
    finish();
}

bool FakeHttpConnection::writeRaw(qint64 limit)
{
    const qint64 headSize = m_rawHead.size();
    const qint64 total = m_raw.endless ? std::numeric_limits<qint64>::max() : headSize + m_rawBody.size();
    qint64 want = limit < 0 ? total - m_rawSent : qMin(limit, total - m_rawSent);
    QByteArray out;
    while (want > 0) {
        qint64 n;
        if (m_rawSent < headSize) {
            n = qMin(want, headSize - m_rawSent);
            out += m_rawHead.mid(m_rawSent, n);
        } else {
            const qint64 at = (m_rawSent - headSize) % m_rawBody.size();
            n = qMin(want, m_rawBody.size() - at);
            out += m_rawBody.mid(at, n);
        }
        m_rawSent += n;
        want -= n;
    }
    if (!out.isEmpty())
        m_socket->write(out);
    return m_rawSent < total;
}

#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A client that has not sent a complete message by then is dropped, so a stalled or hostile
// client cannot keep a slot forever.
constexpr int kClientTimeoutMs = 2000;
// Connections served at once; more are dropped until some finish.
constexpr int kMaxClients = 32;
constexpr char kAnswer = '\1';

// The name both files share: a hash of the key (any text, "/" included, becomes a plain file
// name) and the user id (two users sharing the temporary folder never meet).
QString baseName(const QString &key)
{
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("kvr-%1-%2").arg(QString::fromLatin1(hash.left(32))).arg(::getuid());
}

QString runtimeFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!folder.isEmpty() && QDir(folder).exists())
        return folder;
    return QDir::tempPath();
}

// The uid of the process at the other end of a connected local socket; -1 when unknown.
qint64 peerUid(qintptr descriptor)
{
    struct ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (descriptor < 0 ||
        ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof credentials)
        return -1;
    return qint64(credentials.uid);
}

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF. The Qt
// decoder would replace such bytes silently, and the text is used as a path.
bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *s = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t min = 0;
        char32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            min = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            min = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (size - i < length)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_key(key)
{
}

SingleInstance::~SingleInstance()
{
    // The server removes its socket file, so the next first instance finds a clean folder. Its
    // clients go with it now, while the counter they decrement still exists.
    delete m_server;
}

QString SingleInstance::lockFilePath(const QString &key)
{
    return runtimeFolder() + QLatin1Char('/') + baseName(key) + QStringLiteral(".lock");
}

QString SingleInstance::socketPath(const QString &key)
{
    QString path = runtimeFolder() + QLatin1Char('/') + baseName(key) + QStringLiteral(".sock");
    // A socket address holds at most sizeof sun_path bytes; a deep runtime folder would make
    // both sides fail to meet, so fall back to the temporary folder (the name still carries the
    // user id, and the peer's uid is checked on both ends).
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path)))
        path = QDir::tempPath() + QLatin1Char('/') + baseName(key) + QStringLiteral(".sock");
    return path;
}

bool SingleInstance::acquire()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(lockFilePath(m_key));
    // The first instance holds its lock for hours: age alone must never make it stale. A lock
    // whose process is gone is still taken over (QLockFile checks the owner's pid and name).
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    if (m_lock->error() != QLockFile::LockFailedError)
        qWarning().noquote() << "single instance: cannot create the lock" << m_lock->fileName();
    m_lock.reset();
    return false;
}

bool SingleInstance::listen()
{
    if (m_server && m_server->isListening())
        return true;
    if (!m_lock || !m_lock->isLocked()) {
        // Without the lock the socket found there may be a running first instance's.
        qWarning("single instance: listen() without holding the lock");
        return false;
    }
    const QString path = socketPath(m_key);
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptClients);
    }
    // Only the lock holder listens, so a socket file found here was left by a crashed first
    // instance.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        qWarning().noquote() << "single instance: cannot listen on" << path << m_server->errorString();
        return false;
    }
    return true;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::acceptClients()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (peerUid(socket->socketDescriptor()) != qint64(::getuid()) || m_clients >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serveClient(socket);
    }
}

void SingleInstance::serveClient(QLocalSocket *socket)
{
    ++m_clients;
    // Qt would otherwise buffer whatever a client sends; one message is all we ever read.
    socket->setReadBufferSize(kMaxMessageBytes);
    connect(socket, &QObject::destroyed, this, [this] { --m_clients; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] { readClient(socket, *buffer); });
    auto *timer = new QTimer(socket);
    timer->setObjectName(QStringLiteral("stall"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    timer->start(kClientTimeoutMs);
    if (socket->bytesAvailable() > 0)
        readClient(socket, *buffer);
}

void SingleInstance::readClient(QLocalSocket *socket, QByteArray &buffer)
{
    buffer += socket->read(kMaxMessageBytes - buffer.size());
    if (!buffer.contains('\0')) {
        if (buffer.size() >= kMaxMessageBytes) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }

    const std::optional<QString> text = parseMessage(buffer);
    // Done reading before anything else runs: the slots below may spin an event loop, and
    // neither more data nor the stall timer may act on this client meanwhile. (This ends the
    // connection that owns buffer.)
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (auto *timer = socket->findChild<QTimer *>(QStringLiteral("stall")))
        timer->stop();
    if (!text) {
        // No answer: the sender reports the refusal.
        socket->abort();
        socket->deleteLater();
        return;
    }
    QPointer<QLocalSocket> guard(socket);
    QPointer<SingleInstance> self(this);
    emit messageReceived(*text);
    // The handlers may have run an event loop long enough for the sender to give up.
    if (!self || !guard || socket->state() != QLocalSocket::ConnectedState)
        return;
    socket->write(&kAnswer, 1);
    socket->disconnectFromServer(); // after the answer is written; then disconnected() deletes it
}

SingleInstance::SendResult SingleInstance::sendToFirst(const QString &key, const QString &text, int timeoutMs)
{
    QByteArray message = text.toUtf8();
    message.append('\0');
    // A text the first instance would refuse or read differently (cut at an inner NUL, a lone
    // surrogate turned into U+FFFD) is refused here, before anything is sent: a path is never
    // cut short or altered, and the caller learns that nothing was handed over.
    if (parseMessage(message) != text)
        return SendResult::Refused;

    const QDeadlineTimer deadline(qMax(timeoutMs, 0));
    QLocalSocket socket;
    socket.connectToServer(socketPath(key));
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return SendResult::NoWindow;
    // A socket of another user at our name (the shared temporary folder) is not our player.
    if (peerUid(socket.socketDescriptor()) != qint64(::getuid()))
        return SendResult::NoWindow;

    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return SendResult::Refused;
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState ||
            !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    return socket.bytesAvailable() >= 1 ? SendResult::Delivered : SendResult::Refused;
}

std::optional<QString> SingleInstance::parseMessage(const QByteArray &bytes)
{
    const qsizetype end = bytes.left(kMaxMessageBytes).indexOf('\0');
    if (end < 0)
        return std::nullopt;
    const char *data = bytes.constData();
    for (qsizetype i = 0; i < end; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c < 0x20 || c == 0x7f)
            return std::nullopt;
    }
    if (!isValidUtf8(data, end))
        return std::nullopt;
    return QString::fromUtf8(data, end);
}

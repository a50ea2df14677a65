#pragma once

// One player per user: the first start holds a lock file for its whole life and, once its main
// window exists, listens on a local socket; a later start finds the lock taken and hands its first
// argument over that socket instead of starting a second player.
//
// Threads: an object lives on the GUI thread and serves its clients there. sendToFirst is a
// blocking call of the second start; it touches no object and may run on any thread.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class SendResult
    {
        Delivered,
        NoWindow,
        Refused
    };
    // PATH_MAX: any path the system accepts fits, with its terminating NUL.
    static constexpr int kMaxMessageBytes = 4096;

    // key: the program's named-mutex text. The lock file and socket names are a hash of it and
    // the user id, in the user's runtime folder (or the temporary folder without one), so two
    // users never meet and no key text can reach outside the folder.
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // true: this process is the first and holds the lock until destruction. A lock left by a
    // crashed first instance is taken over; a living one is never considered stale by age.
    bool acquire();
    // First instance, once its main window exists: open the local server, removing a socket a
    // crashed first instance left behind. false on failure (logged) and without the lock, so a
    // second object never takes the running first instance's socket away.
    bool listen();
    bool isListening() const;

    // Second start: sends text as UTF-8 plus one NUL and waits (up to timeoutMs) until the first
    // instance has handled it. NoWindow when nobody listens (the first instance is still
    // starting); Refused when the text would not arrive as it is (over kMaxMessageBytes - 1
    // bytes of UTF-8, a control character or NUL, a lone surrogate), nothing being sent then, or
    // when the first instance closed or timed out without answering.
    static SendResult sendToFirst(const QString &key, const QString &text, int timeoutMs = 2000);

    // Check of received bytes: the text before the first NUL, which must come within
    // kMaxMessageBytes; valid UTF-8 without control characters (< 0x20, 0x7f). std::nullopt
    // when refused.
    static std::optional<QString> parseMessage(const QByteArray &bytes);

    // The file names, exposed for tests and for logging.
    static QString lockFilePath(const QString &key);
    static QString socketPath(const QString &key);

signals:
    // A checked message from a second start of the same user, on the GUI thread. The answer
    // byte goes out after the connected slots have returned.
    void messageReceived(const QString &text);

private:
    void acceptClients();
    void serveClient(QLocalSocket *socket);
    void readClient(QLocalSocket *socket, QByteArray &buffer);

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    int m_clients = 0;
};

// The lock of the first start and the hand-over of a second start's text: in one process through
// two objects and a sending thread, across processes through this program run as a helper, and
// the receiver against raw clients that send too much, too little or garbage.

#include "KvrTry.h"
#include "platform/SingleInstance.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <chrono>
#include <future>
#include <thread>

#include <csignal>
#include <cstring>
#include <unistd.h>

using namespace std::chrono_literals;
using Result = SingleInstance::SendResult;

Q_DECLARE_METATYPE(SingleInstance::SendResult)

namespace {

QString freshKey()
{
    return QStringLiteral("[{") + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("}]");
}

// The sender blocks until the first instance answers from its event loop, so it runs on its
// own thread while the test spins the loop.
std::future<Result> sendLater(const QString &key, const QString &text, int timeoutMs = 5000)
{
    return std::async(std::launch::async, [=] { return SingleInstance::sendToFirst(key, text, timeoutMs); });
}

bool isReady(const std::future<Result> &future)
{
    return future.wait_for(0s) == std::future_status::ready;
}

// The same program as a second start: "--second <key> <text>" exits with 10 + the send result
// (3 when it got the lock after all); "--hold <key>" takes the lock, says so and waits to die.
int runHelper(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    SingleInstance instance(args.value(2));
    if (args.value(1) == QLatin1String("--hold")) {
        if (!instance.acquire())
            return 2;
        if (::write(STDOUT_FILENO, "locked\n", 7) != 7)
            return 2;
        for (;;)
            ::pause();
    }
    if (instance.acquire())
        return 3;
    return 10 + int(SingleInstance::sendToFirst(args.value(2), args.value(3)));
}

QString chinesePath()
{
    return QStringLiteral("/home/用户/音乐/周末 歌单/晴天 (live).mp3");
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void lockIsHeldUntilDestruction()
    {
        const QString key = freshKey();
        auto first = std::make_unique<SingleInstance>(key);
        SingleInstance second(key);
        QVERIFY(first->acquire());
        QVERIFY(first->acquire()); // asking again keeps it
        QVERIFY(!second.acquire());
        QVERIFY(SingleInstance(freshKey()).acquire()); // another key, another lock
        first.reset();
        QVERIFY(second.acquire());
    }

    void nobodyListening()
    {
        const QString key = freshKey();
        QCOMPARE(SingleInstance::sendToFirst(key, QStringLiteral("kvr"), 500), Result::NoWindow);
        // The first instance holds the lock but has no window yet.
        SingleInstance first(key);
        QVERIFY(first.acquire());
        QCOMPARE(SingleInstance::sendToFirst(key, QStringLiteral("kvr"), 500), Result::NoWindow);
    }

    void delivered_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("no argument") << QStringLiteral("kvr");
        QTest::newRow("Chinese path with spaces") << chinesePath();
        QTest::newRow("empty argument") << QString();
        // 4095 bytes of text and the NUL: the longest path the system accepts goes through whole.
        QTest::newRow("at the bound") << QStringLiteral("/") + QString(4094, QLatin1Char('a'));
        QTest::newRow("at the bound, multibyte")
            << QStringLiteral("/ab") + QString(1364, QChar(0x97F3)); // 3 + 1364 * 3 bytes
    }

    void delivered()
    {
        QFETCH(QString, text);
        const QString key = freshKey();
        SingleInstance first(key);
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        QVERIFY(first.isListening());

        std::future<Result> sent;
        bool answeredDuringSlot = true;
        QStringList received;
        connect(&first, &SingleInstance::messageReceived, this, [&](const QString &message) {
            received.append(message);
            // The sender must still be waiting: it is released only after the handlers ran.
            std::this_thread::sleep_for(50ms);
            answeredDuringSlot = isReady(sent);
        });
        sent = sendLater(key, text);
        KVR_TRY_VERIFY(isReady(sent));
        QCOMPARE(sent.get(), Result::Delivered);
        QCOMPARE(received, QStringList{text});
        QVERIFY(!answeredDuringSlot);
    }

    void refusedBeforeSending_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("one byte over the bound") << QString(4096, QLatin1Char('a'));
        QTest::newRow("multibyte over the bound") << QString(1366, QChar(0x97F3)); // 4098 bytes
        QTest::newRow("newline") << QStringLiteral("/tmp/a\nb.mp3");
        QTest::newRow("embedded NUL") << QStringLiteral("/tmp/a") + QChar(0) + QStringLiteral("b.mp3");
        QTest::newRow("lone surrogate") << QStringLiteral("/tmp/") + QChar(0xD800);
    }

    void refusedBeforeSending()
    {
        QFETCH(QString, text);
        const QString key = freshKey();
        SingleInstance first(key);
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        QSignalSpy received(&first, &SingleInstance::messageReceived);
        std::future<Result> sent = sendLater(key, text);
        KVR_TRY_VERIFY(isReady(sent));
        QCOMPARE(sent.get(), Result::Refused);
        QTest::qWait(50);
        QCOMPARE(received.count(), 0);
    }

    void staleSocketIsReplaced()
    {
        const QString key = freshKey();
        // A crashed first instance left its socket file behind.
        QFile leftover(SingleInstance::socketPath(key));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        SingleInstance first(key);
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        std::future<Result> sent = sendLater(key, QStringLiteral("kvr"));
        KVR_TRY_VERIFY(isReady(sent));
        QCOMPARE(sent.get(), Result::Delivered);
    }

    void listenNeedsTheLock()
    {
        const QString key = freshKey();
        SingleInstance first(key);
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        SingleInstance intruder(key);
        QTest::ignoreMessage(QtWarningMsg, "single instance: listen() without holding the lock");
        QVERIFY(!intruder.listen());
        QSignalSpy received(&first, &SingleInstance::messageReceived);
        std::future<Result> sent = sendLater(key, QStringLiteral("kvr"));
        KVR_TRY_VERIFY(isReady(sent));
        QCOMPARE(sent.get(), Result::Delivered);
        QCOMPARE(received.count(), 1);
    }

    void secondProcess()
    {
        const QString key = freshKey();
        SingleInstance first(key);
        QVERIFY(first.acquire());

        QProcess second;
        // Lock held, no window yet.
        second.start(QCoreApplication::applicationFilePath(), {"--second", key, chinesePath()});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 10 + int(Result::NoWindow));

        QVERIFY(first.listen());
        QSignalSpy received(&first, &SingleInstance::messageReceived);
        second.start(QCoreApplication::applicationFilePath(), {"--second", key, chinesePath()});
        KVR_TRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 10 + int(Result::Delivered));
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), chinesePath());
    }

    void crashedFirstDoesNotBlock()
    {
        const QString key = freshKey();
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold", key});
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readAll(), QByteArray("locked\n"));
        SingleInstance next(key);
        QVERIFY(!next.acquire());
        ::kill(pid_t(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished(20000));
        QVERIFY(QFile::exists(SingleInstance::lockFilePath(key)));
        QVERIFY(next.acquire());
    }

    // Raw clients, several at once: only a complete, valid message is handled and answered.
    void rawClients_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("answered");
        QTest::newRow("message") << QByteArray("kvr\0", 4) << true;
        QTest::newRow("bytes after the NUL ignored") << QByteArray("kvr\0junk", 8) << true;
        QTest::newRow("invalid UTF-8") << QByteArray("/tmp/\xff.mp3\0", 11) << false;
        QTest::newRow("control character") << QByteArray("/tmp/\x1b[2J\0", 10) << false;
        QTest::newRow("no NUL within the bound") << QByteArray(5000, 'a') << false;
        // No other client: the stalled one is dropped by the receiver's time-out (2 s, so only
        // this row waits for it), unanswered.
        QTest::newRow("stalled client alone") << QByteArray() << false;
    }

    void rawClients()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, answered);
        const QString key = freshKey();
        SingleInstance first(key);
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        QSignalSpy received(&first, &SingleInstance::messageReceived);

        // A stalled client is connected the whole time and must not hold up the others.
        QLocalSocket stalled;
        stalled.connectToServer(SingleInstance::socketPath(key));
        QVERIFY(stalled.waitForConnected(2000));
        stalled.write("/tmp/half");
        QVERIFY(stalled.waitForBytesWritten(2000));
        if (payload.isNull()) {
            KVR_TRY_COMPARE_WITH_TIMEOUT(stalled.state(), QLocalSocket::UnconnectedState, 5000);
            QCOMPARE(stalled.readAll(), QByteArray());
            QCOMPARE(received.count(), 0);
            return;
        }

        QLocalSocket client;
        client.connectToServer(SingleInstance::socketPath(key));
        QVERIFY(client.waitForConnected(2000));
        // In pieces, as a slow sender would.
        client.write(payload.left(3));
        QVERIFY(client.waitForBytesWritten(2000));
        QTest::qWait(20);
        client.write(payload.mid(3));
        KVR_TRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(client.readAll(), answered ? QByteArray("\1") : QByteArray());
        QCOMPARE(received.count(), answered ? 1 : 0);
        // Still waited for; that it is dropped in the end is the last row's.
        QCOMPARE(stalled.state(), QLocalSocket::ConnectedState);
    }

    void parseMessage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("text");
        const QByteArray path = chinesePath().toUtf8();
        QTest::newRow("path") << path + '\0' << true << chinesePath();
        QTest::newRow("stops at the first NUL") << QByteArray("a.mp3\0b.mp3\0", 12) << true << "a.mp3";
        QTest::newRow("only a NUL") << QByteArray(1, '\0') << true << QString();
        QTest::newRow("no NUL") << QByteArray("a.mp3") << false << QString();
        QTest::newRow("empty") << QByteArray() << false << QString();
        QTest::newRow("4095 bytes and NUL")
            << QByteArray(4095, 'a') + '\0' << true << QString(4095, QLatin1Char('a'));
        QTest::newRow("4096 bytes and NUL") << QByteArray(4096, 'a') + '\0' << false << QString();
        QTest::newRow("invalid byte") << QByteArray("a\xff\0", 3) << false << QString();
        QTest::newRow("truncated sequence") << QByteArray("\xe9\x9f\0", 3) << false << QString();
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf\0", 3) << false << QString();
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80\0", 4) << false << QString();
        QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80\0", 5) << false << QString();
        QTest::newRow("four-byte character")
            << QByteArray("\xf0\x9f\x8e\xb5\0", 5) << true << QString::fromUtf8("\xf0\x9f\x8e\xb5");
        QTest::newRow("tab") << QByteArray("a\tb\0", 4) << false << QString();
        QTest::newRow("DEL") << QByteArray("a\x7f\0", 3) << false << QString();
        QTest::newRow("control after the NUL") << QByteArray("ab\0\x01", 4) << true << "ab";
    }

    void parseMessage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        QFETCH(QString, text);
        const std::optional<QString> parsed = SingleInstance::parseMessage(bytes);
        QCOMPARE(parsed.has_value(), accepted);
        if (accepted)
            QCOMPARE(*parsed, text);
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && (std::strcmp(argv[1], "--second") == 0 || std::strcmp(argv[1], "--hold") == 0))
        return runHelper(argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"

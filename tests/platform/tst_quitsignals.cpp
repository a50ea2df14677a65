// The signals that end a session reach the program as quitRequested on the GUI thread, and the
// handlers go away with the object.

#include "platform/QuitSignals.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <csignal>
#include <unistd.h>

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handlers in place now (Qt Test has its own for these signals before any object exists).
QList<void (*)(int)> handlers()
{
    QList<void (*)(int)> result;
    for (int number : kQuitSignals) {
        struct sigaction current = {};
        ::sigaction(number, nullptr, &current);
        result.append(current.sa_handler);
    }
    return result;
}

} // namespace

class TestQuitSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalBecomesQuitRequest_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("fromOtherThread");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        // Delivered while another thread runs: the handler may run there, the request may not.
        QTest::newRow("SIGTERM raised on a worker thread") << int(SIGTERM) << true;
    }

    void signalBecomesQuitRequest()
    {
        QFETCH(int, number);
        QFETCH(bool, fromOtherThread);
        QuitSignals quit;
        QList<int> numbers;
        QList<QThread *> threads;
        connect(&quit, &QuitSignals::quitRequested, this, [&](int n) {
            numbers.append(n);
            threads.append(QThread::currentThread());
        });
        if (fromOtherThread) {
            std::unique_ptr<QThread> worker(QThread::create([number] { ::raise(number); }));
            worker->start();
            QVERIFY(worker->wait(5000));
        } else {
            QCOMPARE(::kill(::getpid(), number), 0);
        }
        QTRY_COMPARE(numbers, QList<int>{number});
        QCOMPARE(threads.at(0), QThread::currentThread());
    }

    void everySignalCounts()
    {
        QuitSignals quit;
        QSignalSpy spy(&quit, &QuitSignals::quitRequested);
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), int(SIGHUP));
        QCOMPARE(spy.at(1).at(0).toInt(), int(SIGTERM));
    }

    void onlyOneInstanceHandles()
    {
        QuitSignals first;
        const QList<void (*)(int)> installed = handlers();
        {
            QuitSignals second; // does nothing; its end must not take the handlers away
        }
        QCOMPARE(handlers(), installed);
        QSignalSpy spy(&first, &QuitSignals::quitRequested);
        ::raise(SIGTERM);
        QTRY_COMPARE(spy.count(), 1);
    }

    void destructionRestoresDispositions()
    {
        const QList<void (*)(int)> before = handlers();
        {
            QuitSignals quit;
            for (auto handler : handlers())
                QVERIFY(!before.contains(handler));
        }
        QCOMPARE(handlers(), before);
    }
};

QTEST_GUILESS_MAIN(TestQuitSignals)
#include "tst_quitsignals.moc"

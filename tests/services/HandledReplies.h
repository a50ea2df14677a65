#pragma once

// Counts the network replies that the code under test is done with. Every sender of the engine
// releases its reply with deleteLater when it handles the answer, and the deletion waits until
// the handler has returned to the event loop; so a count of n says that n answers were handled,
// whatever they changed. A test that checks that an answer changed nothing waits for this
// rather than for a fixed time, which a slow machine outruns.
//
// Threads: GUI thread only (it watches the application's events, which are those of objects on
// the GUI thread; the senders' replies live there).
#include <QCoreApplication>
#include <QEvent>
#include <QNetworkReply>
#include <QObject>
#include <QTest>

class HandledReplies : public QObject
{
public:
    HandledReplies() { QCoreApplication::instance()->installEventFilter(this); }
    ~HandledReplies() override { QCoreApplication::instance()->removeEventFilter(this); }

    int count() const { return m_count; }
    // Waits until at least n replies were handled since this object was made.
    bool waitFor(int n, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([this, n]() { return m_count >= n; }, timeoutMs);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::DeferredDelete && qobject_cast<QNetworkReply *>(watched))
            ++m_count;
        return false;
    }

private:
    int m_count = 0;
};

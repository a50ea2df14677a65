#pragma once

// Counts the network replies that the code under test is done with, and knows the ones still out.
// Every sender of the engine releases its reply with deleteLater when it handles the answer, and
// the deletion waits until the handler has returned to the event loop; so a count of n says that
// n answers were handled, whatever they changed. A reply counts as out from the first event it
// receives (its manager starts it through a posted call) until it is released or destroyed, so a
// request that a handler sent in turn is waited for too. A test that checks that an answer changed
// nothing waits for this rather than for a fixed time, which a slow machine outruns.
//
// Threads: GUI thread only (it watches the application's events, which are those of objects on
// the GUI thread; the senders' replies live there).
#include <QCoreApplication>
#include <QEvent>
#include <QNetworkReply>
#include <QObject>
#include <QSet>
#include <QTest>

class HandledReplies : public QObject
{
public:
    HandledReplies() { QCoreApplication::instance()->installEventFilter(this); }
    ~HandledReplies() override { QCoreApplication::instance()->removeEventFilter(this); }

    int count() const { return m_count; }
    // Waits until at least n replies were handled since this object was made and none is out.
    bool waitFor(int n, int timeoutMs = 5000)
    {
        return QTest::qWaitFor(
            [this, n]() {
                QCoreApplication::sendPostedEvents();
                return m_count >= n && m_out.isEmpty();
            },
            timeoutMs);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *reply = qobject_cast<QNetworkReply *>(watched);
        if (!reply)
            return false;
        if (!m_known.contains(reply)) {
            m_known.insert(reply);
            m_out.insert(reply);
            connect(reply, &QObject::destroyed, this, [this, reply]() {
                m_known.remove(reply);
                m_out.remove(reply);
            });
        }
        if (event->type() == QEvent::DeferredDelete && m_out.remove(reply))
            ++m_count;
        return false;
    }

private:
    int m_count = 0;
    QSet<QObject *> m_known; // every reply seen, until it is destroyed
    QSet<QObject *> m_out;   // seen and not released yet
};

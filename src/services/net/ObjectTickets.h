#pragma once

#include <QObject>
#include <QtGlobal>

// Tickets that stand for objects inside request user values. A request may outlive the object
// that waits for its answer (a download row removed, a dialog closed); an address carried in the
// user value would then point at freed memory. A ticket is looked up instead: once the object is
// destroyed its ticket resolves to null and the answer is dropped.
//
// Tickets are unique for the run (never reused, so an old answer cannot reach a new object at a
// recycled address) and never 0 or 1, the user values that carry a meaning of their own.
//
// Threads: issue and resolve may be called from any thread (one internal lock, a leaf); the
// resolved pointer may only be used on the object's own thread.
class ObjectTickets
{
public:
    // The object's ticket; the same ticket for the same object while it lives.
    static quintptr issue(QObject *object);
    // The object, or null when the ticket is unknown or its object is gone.
    static QObject *resolve(quintptr ticket);
    template <class T> static T *resolveAs(quintptr ticket) { return qobject_cast<T *>(resolve(ticket)); }
    // Whether the value is a ticket that was issued (alive or not).
    static bool isTicket(quintptr value);
};

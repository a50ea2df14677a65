#include "services/net/ObjectTickets.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>

namespace {

// Far above 0 and 1 and above the song and singer ids that other user values carry, so a
// ticket is never mistaken for one of them in a debug line.
constexpr quintptr kFirstTicket = quintptr(1) << 40;

struct Registry
{
    QMutex lock;
    quintptr next = kFirstTicket;
    QHash<quintptr, QPointer<QObject>> objects;
    QHash<QObject *, quintptr> tickets;
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

quintptr ObjectTickets::issue(QObject *object)
{
    if (!object)
        return 0;
    Registry &r = registry();
    QMutexLocker locker(&r.lock);
    const auto found = r.tickets.constFind(object);
    if (found != r.tickets.constEnd() && r.objects.value(found.value()))
        return found.value();
    const quintptr ticket = r.next++;
    r.objects.insert(ticket, QPointer<QObject>(object));
    r.tickets.insert(object, ticket);
    QObject::connect(object, &QObject::destroyed, [ticket, object]() {
        Registry &reg = registry();
        QMutexLocker relock(&reg.lock);
        reg.objects.remove(ticket);
        if (reg.tickets.value(object) == ticket)
            reg.tickets.remove(object);
    });
    return ticket;
}

QObject *ObjectTickets::resolve(quintptr ticket)
{
    Registry &r = registry();
    QMutexLocker locker(&r.lock);
    return r.objects.value(ticket).data();
}

bool ObjectTickets::isTicket(quintptr value)
{
    Registry &r = registry();
    QMutexLocker locker(&r.lock);
    return value >= kFirstTicket && value < r.next;
}

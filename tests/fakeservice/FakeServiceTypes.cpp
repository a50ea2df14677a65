#include "FakeServiceTypes.h"

#include <QUrl>

QString fakeHostName(FakeHost host)
{
    switch (host) {
    case FakeHost::Service:
        return QStringLiteral("service");
    case FakeHost::Site:
        return QStringLiteral("site");
    case FakeHost::Account:
        return QStringLiteral("account");
    case FakeHost::Image:
        return QStringLiteral("image");
    case FakeHost::Files:
        return QStringLiteral("files");
    }
    return QString();
}

bool fakeHostFromName(const QString &name, FakeHost *host)
{
    for (FakeHost candidate : kAllFakeHosts) {
        if (fakeHostName(candidate) == name) {
            *host = candidate;
            return true;
        }
    }
    return false;
}

FakeAnswer FakeAnswer::text(const QByteArray &body, int status, const QByteArray &contentType)
{
    FakeAnswer answer;
    answer.status = status;
    answer.body = body;
    answer.contentType = contentType;
    return answer;
}

FakeAnswer FakeAnswer::xml(const QByteArray &body, int status)
{
    return text(body, status, "text/xml;charset=utf-8");
}

FakeAnswer FakeAnswer::bytes(const QByteArray &body, const QByteArray &contentType, int status)
{
    FakeAnswer answer = text(body, status, contentType);
    answer.expandPlaceholders = false;
    return answer;
}

FakeFault FakeFault::errorStatus(int status, const QByteArray &body)
{
    FakeFault fault;
    fault.kind = ErrorStatus;
    fault.status = status;
    fault.body = body;
    return fault;
}

FakeFault FakeFault::redirect(const QByteArray &location, int status)
{
    FakeFault fault;
    fault.kind = Redirect;
    fault.status = status;
    fault.location = location;
    return fault;
}

FakeFault FakeFault::stall(int ms)
{
    FakeFault fault;
    fault.kind = Stall;
    fault.ms = ms;
    return fault;
}

FakeFault FakeFault::cutAfter(qint64 bytes)
{
    FakeFault fault;
    fault.kind = CutAfter;
    fault.bytes = bytes;
    return fault;
}

FakeFault FakeFault::garbage()
{
    FakeFault fault;
    fault.kind = Garbage;
    return fault;
}

FakeFault FakeFault::stallAfter(qint64 bytes, int ms)
{
    FakeFault fault;
    fault.kind = StallAfter;
    fault.bytes = bytes;
    fault.ms = ms;
    return fault;
}

FakeFault FakeFault::endless(const QByteArray &body, int status)
{
    FakeFault fault;
    fault.kind = Endless;
    fault.body = body;
    fault.status = status;
    return fault;
}

FakeFault FakeFault::noLength()
{
    FakeFault fault;
    fault.kind = NoLength;
    return fault;
}

QString FakeRequest::path() const
{
    const int question = target.indexOf('?');
    return QUrl::fromPercentEncoding(question < 0 ? target : target.left(question));
}

QByteArray FakeRequest::rawQuery() const
{
    const int question = target.indexOf('?');
    return question < 0 ? QByteArray() : target.mid(question + 1);
}

QUrlQuery FakeRequest::query() const
{
    return QUrlQuery(QString::fromLatin1(rawQuery()));
}

QByteArray FakeRequest::header(const QByteArray &name) const
{
    for (const auto &pair : headers) {
        if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
            return pair.second;
    }
    return QByteArray();
}

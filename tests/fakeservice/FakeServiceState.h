#pragma once

#include "FakeServiceTypes.h"

#include <QHash>
#include <QList>
#include <QString>

#include <mutex>

// The routes, faults and request log of one fake web service, shared by the test's thread (which
// configures and reads) and the server thread (which matches and records). One lock guards all
// of it; it is a leaf lock, never held while sockets are written. A standard mutex, and the log
// handed out as deep copies, so that thread checkers see every hand-over (Qt's own locks and its
// implicit sharing are invisible to them).
class FakeServiceState
{
public:
    // What to send for one request.
    struct Plan
    {
        enum Kind
        {
            NotFound,
            Answer,
            File
        };
        Kind kind = NotFound;
        FakeAnswer answer;      // Answer
        QByteArray fileData;    // File: the whole file, served with Range
        QByteArray contentType; // File
        bool hasFault = false;
        FakeFault fault;
    };

    void setBases(const QHash<FakeHost, QString> &bases, const QString &serviceHostName);
    QString base(FakeHost host) const;
    QString serviceHostName() const;
    QByteArray expand(const QByteArray &text) const;

    // match: "path" or "path?key=value&...", a path ending in "*" is a prefix. method "*" = any.
    void addAnswer(FakeHost host, const QByteArray &method, const QString &match, const FakeAnswer &answer);
    void addFile(FakeHost host, const QByteArray &method, const QString &match, const QByteArray &data,
                 const QByteArray &contentType);
    void addFault(FakeHost host, const QString &match, const FakeFault &fault);
    void clearFaults();
    void clearRoutes();

    // The plan for a request; a matching fault with a limited count is used up by it.
    Plan plan(const FakeRequest &request);

    void record(const FakeRequest &request);
    QList<FakeRequest> log() const;
    int logSize() const;
    void clearLog();

private:
    struct Matcher
    {
        FakeHost host = FakeHost::Service;
        QByteArray method = "*";
        QString path;
        bool prefix = false;
        QList<QPair<QString, QString>> conditions;
    };
    struct Route
    {
        Matcher matcher;
        Plan::Kind kind = Plan::Answer;
        FakeAnswer answer;
        QByteArray fileData;
        QByteArray contentType;
        int order = 0;
    };
    struct FaultRoute
    {
        Matcher matcher;
        FakeFault fault;
        int order = 0;
    };

    // Shares no data with request: the server thread's log and the test thread's copies stay apart.
    static FakeRequest deepCopy(const FakeRequest &request);
    static Matcher parseMatch(FakeHost host, const QByteArray &method, const QString &match);
    // -1: no match; otherwise a score, higher = more specific.
    int score(const Matcher &matcher, const FakeRequest &request) const;
    QString expandLocked(const QString &text) const;
    QByteArray expandBytesLocked(const QByteArray &text) const;

    mutable std::mutex m_lock;
    QHash<FakeHost, QString> m_bases;
    QString m_serviceHostName;
    QList<Route> m_routes;
    QList<FaultRoute> m_faults;
    QList<FakeRequest> m_log;
    int m_order = 0;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

// The hosts of the fake web service, each on its own loopback port. Files stands for the stream
// address that the URL index answers: song files and streams, served with HTTP Range.
enum class FakeHost
{
    Service,
    Site,
    Account,
    Image,
    Files
};

inline constexpr FakeHost kAllFakeHosts[] = {FakeHost::Service, FakeHost::Site, FakeHost::Account,
                                             FakeHost::Image, FakeHost::Files};

QString fakeHostName(FakeHost host); // "service", "site", "account", "image", "files"
bool fakeHostFromName(const QString &name, FakeHost *host);

using FakeHeaders = QList<QPair<QByteArray, QByteArray>>;

// A fixed answer.
struct FakeAnswer
{
    int status = 200;
    QByteArray contentType = "text/plain;charset=utf-8";
    QByteArray body;
    FakeHeaders headers; // further headers
    // "${service}", "${site}", "${account}", "${image}", "${files}" and "${servicehost}" in the
    // body become the running service's addresses.
    bool expandPlaceholders = true;

    static FakeAnswer text(const QByteArray &body, int status = 200,
                           const QByteArray &contentType = "text/plain;charset=utf-8");
    static FakeAnswer xml(const QByteArray &body, int status = 200);
    static FakeAnswer bytes(const QByteArray &body, const QByteArray &contentType, int status = 200);
};

// A way to fail, configured per path.
struct FakeFault
{
    enum Kind
    {
        ErrorStatus, // the status with the body (an HTML error page, say)
        Redirect,    // 302 (or status) with a Location header
        Stall,       // hold the answer for ms, then answer normally; ms < 0: until released
                     // (FakeWebService::releaseStalls), if ever
        CutAfter,    // send the first n bytes of the normal answer (headers included), then close
        Garbage,     // send bytes that are no HTTP at all, then close
        StallAfter,  // send the first n bytes of the normal answer, then hold the rest for ms
                     // (ms < 0: until released, the connection open and silent meanwhile)
        Endless,     // status and headers without a length, then body (or "x") over and over in
                     // 64 KiB pieces, one a millisecond while the client keeps up, until it closes
        NoLength,    // the normal answer without its own Content-Length (one among the answer's
                     // headers still goes out), the body ending with the connection
    };
    Kind kind = ErrorStatus;
    int status = 500;
    QByteArray body;
    QByteArray location;
    int ms = -1;
    qint64 bytes = 0;
    int times = -1; // how many matching requests it affects; -1 all

    static FakeFault errorStatus(int status, const QByteArray &body = QByteArray());
    static FakeFault redirect(const QByteArray &location, int status = 302);
    static FakeFault stall(int ms = -1);
    static FakeFault cutAfter(qint64 bytes);
    static FakeFault garbage();
    static FakeFault stallAfter(qint64 bytes, int ms = -1);
    static FakeFault endless(const QByteArray &body = QByteArray(), int status = 200);
    static FakeFault noLength();
    FakeFault &only(int count)
    {
        times = count;
        return *this;
    }
};

// One request as the fake service received it.
struct FakeRequest
{
    FakeHost host = FakeHost::Service;
    QByteArray method;
    QByteArray target; // the request target exactly as sent: path and query, still encoded
    QString url;       // base address of the host + target
    FakeHeaders headers;
    QByteArray body;

    QString path() const;    // target's path, percent-decoded
    QUrlQuery query() const; // target's query
    QByteArray rawQuery() const;
    QByteArray header(const QByteArray &name) const; // case-insensitive; empty when absent
};

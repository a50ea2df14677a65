#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtGlobal>

// One finished request of httpRequestHandler as its handler sees it.
struct HttpAnswer
{
    int nType = -1;
    // Passed through untouched: a song id, a flag, a record's address or an object's ticket
    // (ObjectTickets). Pointer-wide, so an address is never cut to 32 bits.
    quintptr uUserData = 0;
    bool ok = false; // false: the request failed (network error or HTTP error status)
    QString text;    // the decoded body; empty on failure
    QByteArray data; // the raw body (pictures are handed over as bytes)
    QUrl url;        // the reply's URL
    QString sId;     // type 1: the song id taken from the URL
    QString sPicUrl; // types 14 and 33: the URL percent-decoded
    // Types 0, 1 and 27: the object that the user value's ticket names, when it still lives.
    QObject *waiter = nullptr;
    QString errorString; // on failure
    int httpStatus = 0;  // 0 when no HTTP answer arrived
};

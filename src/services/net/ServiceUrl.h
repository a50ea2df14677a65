#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

// The one way to put values into a web-service address. Endpoint stems (ServiceEndpoints) end
// with their first key ("...?t=login&n="); the sender appends values in the order its request
// gives them:
//
//   ServiceUrl(g_endpoints().login).value(account).add("&d=", password).add("&c=", g_loginCheckValue())
//
// Keys are written as given; every value is percent-encoded as UTF-8, so "&", "=", "#", "+",
// "%", blanks and non-ASCII text never change the query's shape. Unreserved characters and ","
// (the separator of id lists such as "101,102") stay as they are.
class ServiceUrl
{
public:
    explicit ServiceUrl(const QString &stem);

    // Appends an encoded value directly (the stem or the previous key ends with "=").
    ServiceUrl &value(const QString &value);
    // Appends the key as given, then the encoded value.
    ServiceUrl &add(const QString &key, const QString &value);

    QString toString() const { return m_text; }
    QUrl toUrl() const;

private:
    QString m_text;
};

// A query or form value percent-encoded as UTF-8 (see ServiceUrl).
QString g_encodeQueryValue(const QString &value);

// The check value "&c=": the first 6 lower-case hexadecimal digits of the MD5 of the 8-bit text
// made of the salt "morva", `between` and the date as "yyyyMMdd". It changes at local midnight,
// so compute it when the request is sent.
QString g_getCheckValue(const QString &between, const QDate &date = QDate::currentDate());
// The login's check value: nothing between salt and date.
QString g_loginCheckValue(const QDate &date = QDate::currentDate());
// The check value of favourite edits: the member id between salt and date.
QString g_favEditCheckValue(const QDate &date = QDate::currentDate());

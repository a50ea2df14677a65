#include "services/net/ServiceUrl.h"

#include "services/core/Globals.h"

#include <QCryptographicHash>

ServiceUrl::ServiceUrl(const QString &stem)
    : m_text(stem)
{
}

ServiceUrl &ServiceUrl::value(const QString &value)
{
    m_text += g_encodeQueryValue(value);
    return *this;
}

ServiceUrl &ServiceUrl::add(const QString &key, const QString &value)
{
    m_text += key;
    m_text += g_encodeQueryValue(value);
    return *this;
}

QUrl ServiceUrl::toUrl() const
{
    // The text is already encoded; strict parsing keeps every escape as it stands.
    return QUrl::fromEncoded(m_text.toUtf8(), QUrl::StrictMode);
}

QString g_encodeQueryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value, QByteArrayLiteral(",")));
}

QString g_getCheckValue(const QString &between, const QDate &date)
{
    const QString text = QLatin1String("morva") + between + date.toString(QStringLiteral("yyyyMMdd"));
    const QByteArray digest = QCryptographicHash::hash(text.toLocal8Bit(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex().left(6));
}

QString g_loginCheckValue(const QDate &date)
{
    return g_getCheckValue(QString(), date);
}

QString g_favEditCheckValue(const QDate &date)
{
    return g_getCheckValue(g_sMemberId, date);
}

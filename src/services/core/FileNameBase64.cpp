#include "services/core/FileNameBase64.h"

#include <QByteArray>

QString encodeFileNameBase64(const QString &text)
{
    QString encoded = QString::fromLatin1(text.toLocal8Bit().toBase64());
    encoded.replace(QLatin1Char('/'), QLatin1Char('_'));
    return encoded;
}

QString decodeFileNameBase64(const QString &text)
{
    QString base64 = text;
    base64.replace(QLatin1Char('_'), QLatin1Char('/'));
    return QString::fromLocal8Bit(QByteArray::fromBase64(base64.toLocal8Bit()));
}

#include "platform/ContentRange.h"

#include <QRegularExpression>
#include <QString>

ContentRange ContentRange::parse(const QByteArray &header)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*bytes\\s+(\\d+)-(\\d+)/(\\d+|\\*)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(header));
    ContentRange range;
    if (!match.hasMatch())
        return range;
    bool firstOk = false;
    bool lastOk = false;
    range.first = match.captured(1).toLongLong(&firstOk);
    range.last = match.captured(2).toLongLong(&lastOk);
    if (!firstOk || !lastOk || range.last < range.first)
        return range;
    if (match.captured(3) != QLatin1String("*")) {
        bool totalOk = false;
        range.total = match.captured(3).toLongLong(&totalOk);
        if (!totalOk || range.total <= range.last)
            return range;
    }
    range.valid = true;
    return range;
}

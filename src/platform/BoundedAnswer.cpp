#include "platform/BoundedAnswer.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace kvrnet {

namespace {

constexpr char kTooLargeProperty[] = "kvrAnswerTooLarge";

} // namespace

void boundAnswer(QNetworkReply *reply, qint64 maxBytes)
{
    if (!reply)
        return;
    // The reply is the context: the connections go with it. Only the unread body counts, as the
    // caller reads nothing before the end.
    const auto check = [reply, maxBytes]() {
        if (reply->isFinished() || reply->property(kTooLargeProperty).isValid())
            return;
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply->bytesAvailable() > maxBytes ||
            (announced.isValid() && announced.toLongLong() > maxBytes)) {
            reply->setProperty(kTooLargeProperty, maxBytes);
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, check);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, check);
}

QString answerError(const QNetworkReply *reply)
{
    const QVariant bound = reply->property(kTooLargeProperty);
    if (bound.isValid())
        return QStringLiteral("answer larger than %1 bytes").arg(bound.toLongLong());
    return reply->errorString();
}

} // namespace kvrnet

#pragma once

#include <QString>
#include <QtGlobal>

class QNetworkReply;

// A bound on the small answers that are read whole at their end (the update checks, the presence
// keys and reports). Without one, an endless answer grows memory without limit, and the transfer
// time-out never fires while bytes flow.
namespace kvrnet {

// Generous: these answers are a few hundred bytes.
inline constexpr qint64 kMaxSmallAnswerBytes = 1024 * 1024;

// Ends `reply` as a failed request (abort(): finished() with OperationCanceledError, the same
// path as a network error) as soon as its announced length or its unread body passes maxBytes.
// The caller still reads the body with readAll() at the end; it is never larger than maxBytes.
// Call it right after the request is sent, on the reply's own thread.
void boundAnswer(QNetworkReply *reply, qint64 maxBytes = kMaxSmallAnswerBytes);

// The reason for a log line: "answer larger than N bytes" for a reply the bound ended,
// otherwise its errorString().
QString answerError(const QNetworkReply *reply);

} // namespace kvrnet

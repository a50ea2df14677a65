// The web-service client's reading of a finished answer: the body decoded by its address (the
// GB-declared song-information documents included) and the song ids taken from the address.
// Input: the address, a newline, the body.

#include "FuzzSupport.h"

#include "services/net/httpRequestHandler.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype newline = input.indexOf('\n');
    const QByteArray address = newline < 0 ? input : input.left(newline);
    const QByteArray body = newline < 0 ? QByteArray() : input.mid(newline + 1);

    const QUrl url(QString::fromUtf8(address));
    (void)httpRequestHandler::decodeBody(url, body);
    (void)httpRequestHandler::songIdFromAnswerUrl(url);
    (void)httpRequestHandler::songIdFromFailedUrl(url);
    return 0;
}

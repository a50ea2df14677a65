#include "kvrutil.h"

#include <cstring>

namespace {

// One line, no line breaks: the embedded web view shows it in place of a page that failed.
const char kErrorPage[] =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"
    "<style type=\"text/css\">"
    "*{ margin:0; padding:0;}"
    "body{ background:#f2f2f2;font:normal 400 14px/1.5 Microsoft YaHei,Arial,Tahoma,hiragino sans "
    "gb,Helvetica;}"
    ".error{background:url(error.png) 70px center no-repeat; padding:25px 0; font-size:16px; "
    "line-height:24px; width:520px; margin:150px auto 0;}"
    ".error p{ padding:0 0 0 150px;}"
    ".error a{ color:#5a981e;}"
    "</style></head><body><div class=\"error\">%1</div></body></html>";

} // namespace

int getErrHtml(char *buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return 0;
    buffer[0] = '\0';
    const int length = int(sizeof(kErrorPage) - 1);
    if (length >= capacity)
        return 0;
    std::memcpy(buffer, kErrorPage, sizeof(kErrorPage));
    return length;
}

QString getErrHtml(const QString &message)
{
    return QString::fromLatin1(kErrorPage).arg(message.toHtmlEscaped());
}

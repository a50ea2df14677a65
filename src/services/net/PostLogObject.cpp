#include "services/net/PostLogObject.h"

#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/core/MyIni.h"
#include "services/core/SettingsKeys.h"

#include <QDebug>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

const char *const kFileNameProperty = "fileName";
const char *const kQuitProperty = "Quit";

} // namespace

PostLogObject::PostLogObject(QObject *parent, const QString &url, const QByteArray &body)
    : QObject(parent)
    , m_sUrl(url)
    , m_baBody(body)
{
}

QString PostLogObject::uploadedLogName(const QByteArray &body)
{
    const QString text = QString::fromUtf8(body);
    if (!text.contains(QLatin1String("fileName=")))
        return QString();
    const QStringList parts =
        text.split(QStringLiteral("fileName="), Qt::SkipEmptyParts, Qt::CaseInsensitive);
    if (parts.size() < 2)
        return QString();
    const QStringList nameParts = parts.last().split(QStringLiteral(".log"));
    if (nameParts.isEmpty())
        return QString();
    return nameParts.first() + QLatin1String(".log");
}

void PostLogObject::post()
{
    QNetworkRequest request{QUrl(m_sUrl)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, m_baBody.size());
    // The quit waits for the offline report's answer: a silent server must end it, not hold it.
    request.setTransferTimeout(30000);
    QNetworkReply *reply = m_nam.post(request, m_baBody);

    const QString logName = uploadedLogName(m_baBody);
    if (m_baBody.contains("fileName=")) {
        if (!logName.isEmpty())
            reply->setProperty(kFileNameProperty, logName);
    } else if (m_baBody.contains("type=online&live=0")) {
        reply->setProperty(kQuitProperty, QStringLiteral("1"));
    }
    connect(reply, &QNetworkReply::finished, this, &PostLogObject::onReplyFinished);
}

void PostLogObject::onReplyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const bool quit = reply->property(kQuitProperty).toString() == QLatin1String("1");
    if (reply->error() == QNetworkReply::NoError) {
        const auto headers = reply->rawHeaderPairs();
        for (const auto &header : headers)
            qCDebug(lcNet).noquote() << "返回Header:---------" << header.first << ":" << header.second;
        if (quit)
            m_bQuitDone = true;
        const QString fileName = reply->property(kFileNameProperty).toString().trimmed();
        if (!fileName.isEmpty()) {
            qCDebug(lcNet).noquote() << "POST提交返回信息:------------"
                                     << "fileName:" << fileName;
            try {
                // The name comes from the body we built ourselves; still, only a plain file name
                // inside the log folder is ever marked.
                if (!g_sLogDir.isEmpty() && !fileName.contains(QLatin1Char('/')) &&
                    fileName != QLatin1String("..")) {
                    MyIni ini(nullptr, g_sLogDir + QLatin1Char('/') + fileName);
                    ini.setValue(LogKeys::kSubmitted, QStringLiteral("1"));
                }
            } catch (...) {
                qCDebug(lcNet).noquote() << Q_FUNC_INFO << "------异常 切换它的SubmitYN为1";
            }
        }
    } else {
        if (quit)
            m_bQuitDone = true;
        qCDebug(lcNet).noquote() << "postObj 请求错误:" << reply->error();
    }
    reply->deleteLater();
}

#include "services/net/HttpObject.h"

#include "platform/BoundedAnswer.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/net/PostLogObject.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/ServiceUrl.h"
#include "services/seams/MainWindowSeam.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

constexpr auto kActionAttribute = QNetworkRequest::User;
constexpr auto kUserValueAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 1);
constexpr auto kCarriedAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 2);

QByteArray encoded(const QString &value)
{
    return g_encodeQueryValue(value).toUtf8();
}

// "&guid=" key "&sn=" serial, the tail of every report.
QByteArray keyAndSerial(const QString &key)
{
    return "&guid=" + encoded(key) + "&sn=" + encoded(g_presenceState().m_sSerial);
}

// The report's first part that a user value made by newReport or newLogUpload carries; empty for
// any other value.
QByteArray firstPartOf(const QVariant &userValue)
{
    if (userValue.metaType() == QMetaType::fromType<QByteArray>())
        return userValue.toByteArray();
    if (userValue.metaType() == QMetaType::fromType<LogUploadRecord>())
        return userValue.value<LogUploadRecord>().report;
    return QByteArray();
}

void postThroughLogPoster(const QByteArray &body)
{
    PostLogObject *poster = g_presenceState().m_pPostLogObj;
    if (!poster) {
        qCDebug(lcNet).noquote() << Q_FUNC_INFO << "no report poster; dropped:" << body;
        return;
    }
    poster->setBody(body);
    poster->post();
}

} // namespace

PresenceState &g_presenceState()
{
    static PresenceState state;
    return state;
}

HttpObject::HttpObject(QObject *owner)
    : QObject(owner)
{
}

HttpObject::~HttpObject()
{
    // Answers of requests still in flight have nobody left to handle them.
    const auto replies = m_nam.findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
    }
}

QVariant HttpObject::newReport(const QByteArray &firstPart)
{
    return QVariant(firstPart);
}

QVariant HttpObject::newLogUpload(const QByteArray &report, const QString &path)
{
    return QVariant::fromValue(LogUploadRecord{report, path});
}

void HttpObject::get(const QString &url, int action, const QVariant &userValue, const QByteArray &carried)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(kActionAttribute, action);
    request.setAttribute(kUserValueAttribute, userValue);
    request.setAttribute(kCarriedAttribute, carried);
    if (m_nTransferTimeoutMs > 0)
        request.setTransferTimeout(m_nTransferTimeoutMs);
    QNetworkReply *reply = m_nam.get(request);
    kvrnet::boundAnswer(reply);
    connect(reply, &QNetworkReply::finished, this, &HttpObject::onGetReplyFinished);
}

void HttpObject::post(const QString &url, int action, const QVariant &userValue, const QByteArray &body)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(kActionAttribute, action);
    request.setAttribute(kUserValueAttribute, userValue);
    request.setAttribute(kCarriedAttribute, body);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    if (m_nTransferTimeoutMs > 0)
        request.setTransferTimeout(m_nTransferTimeoutMs);
    QNetworkReply *reply = m_nam.post(request, body);
    kvrnet::boundAnswer(reply);
    connect(reply, &QNetworkReply::finished, this, &HttpObject::onPostReplyFinished);
}

void HttpObject::onGetReplyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    const QNetworkRequest request = reply->request();
    const QVariant actionValue = request.attribute(kActionAttribute);
    const QVariant userValue = request.attribute(kUserValueAttribute);
    const QVariant carriedValue = request.attribute(kCarriedAttribute);
    if (!actionValue.isValid() || !carriedValue.isValid())
        return;
    const int action = actionValue.toInt();
    const QByteArray carried = carriedValue.toByteArray();
    PresenceState &presence = g_presenceState();
    try {
        if (reply->error() != QNetworkReply::NoError) {
            qCDebug(lcNet).noquote() << Q_FUNC_INFO << action << kvrnet::answerError(reply);
            switch (action) {
            case ACTION_NEXT_GET_LIVE_KEY:
                qCDebug(lcNet).noquote() << "-------------ACTION_NEXT_GET_LIVE_KEY 启动时获取Live Key 0 失败";
                break;
            case ACTION_NEXT_UPDATE_ERROR_INFO:
                qCDebug(lcNet).noquote() << "------------ACTION_NEXT_UPDATE_ERROR_INFO 提交更新信息 失败";
                if (!g_sUpdateIni.isEmpty())
                    QFile::remove(g_sUpdateIni);
                break;
            default:
                break;
            }
            return;
        }

        const QByteArray answer = reply->readAll();
        // The key is opaque text; only blanks and line ends around it are not part of it.
        const QString key = QString::fromUtf8(answer).trimmed();
        switch (action) {
        case ACTION_NEXT_LOGIN:
        case ACTION_NEXT_LOGOUT:
        case ACTION_NEXT_LOG:
            postThroughLogPoster(firstPartOf(userValue) + keyAndSerial(key));
            break;
        case ACTION_NEXT_LIVE: {
            const QByteArray body =
                firstPartOf(userValue) + keyAndSerial(key) + "&id=" + encoded(presence.m_sLiveId);
            qCDebug(lcNet).noquote() << "------------------心跳OR退出 bytesDataLive:" << body;
            postThroughLogPoster(body);
            break;
        }
        case ACTION_GET_PLAY_STATES: {
            const QString text = QString::fromUtf8(answer).trimmed();
            if (text.isEmpty())
                break;
            QStringList states;
            const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString &part : parts) {
                if (!part.trimmed().isEmpty())
                    states << part.trimmed();
            }
            presence.m_slPlayableStates = states;
            qCDebug(lcNet).noquote() << "--------获取到能播放的state:" << states;
            break;
        }
        case ACTION_GET_FM_INFO_LIST:
            buildRadioChannels(answer);
            break;
        case ACTION_NEXT_GET_LIVE_KEY: {
            const QByteArray body = carried + keyAndSerial(key);
            qCDebug(lcNet).noquote() << "-------------需要获取Live ID 的参数:" << body;
            post(g_endpoints().userClientHandle, ACTION_NEXT_GET_LIVE_KEY, QVariant(), body);
            break;
        }
        case ACTION_NEXT_UPDATE_ERROR_INFO: {
            const QByteArray body = carried + keyAndSerial(key) + "&mac=" + encoded(presence.m_sMac);
            post(g_endpoints().userClientHandle, ACTION_NEXT_UPDATE_ERROR_INFO, QVariant(), body);
            break;
        }
        default:
            break;
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO,
                            QStringLiteral("-----------异常出现 iNextActionType:") + QString::number(action));
    }
}

void HttpObject::onPostReplyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    const QNetworkRequest request = reply->request();
    const QVariant actionValue = request.attribute(kActionAttribute);
    if (!actionValue.isValid() || !request.attribute(kCarriedAttribute).isValid())
        return;
    const int action = actionValue.toInt();
    try {
        if (reply->error() != QNetworkReply::NoError) {
            qCDebug(lcNet).noquote() << Q_FUNC_INFO << action << kvrnet::answerError(reply);
            if (action == ACTION_NEXT_GET_LIVE_KEY) {
                qCDebug(lcNet).noquote() << "------------获取Live Id失败 1";
            } else if (action == ACTION_NEXT_UPDATE_ERROR_INFO) {
                qCDebug(lcNet).noquote() << "------------ACTION_NEXT_UPDATE_ERROR_INFO 提交更新信息 失败";
                if (!g_sUpdateIni.isEmpty())
                    QFile::remove(g_sUpdateIni);
            }
            return;
        }
        const QByteArray answer = reply->readAll();
        if (action == ACTION_NEXT_GET_LIVE_KEY) {
            g_presenceState().m_sLiveId = QString::fromUtf8(answer);
            qCDebug(lcNet).noquote() << "---------获取到的LiveId:" << answer;
        } else if (action == ACTION_NEXT_UPDATE_ERROR_INFO) {
            qCDebug(lcNet).noquote() << "-----提交更新日志成功 返回bytesData:" << answer;
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO,
                            QStringLiteral("-----------异常出现 iNextActionType:") + QString::number(action));
    }
}

void HttpObject::buildRadioChannels(const QByteArray &answer)
{
    QDomDocument doc;
    QString error;
    if (!doc.setContent(QString::fromUtf8(answer), &error)) {
        qCDebug(lcNet).noquote() << "--ACTION_GET_FM_INFO_LIST 失败:" << error;
        return;
    }
    QList<FmChannelInfo> channels;
    const QDomNodeList nodes = doc.documentElement().childNodes();
    for (int i = 0; i < nodes.size(); ++i) {
        const QDomNode node = nodes.at(i);
        FmChannelInfo channel;
        channel.name = node.firstChildElement(QStringLiteral("name")).text();
        channel.url = node.firstChildElement(QStringLiteral("url")).text();
        qCDebug(lcNet).noquote() << "-----------sFmName:" << channel.name << "---sFmUrl:" << channel.url;
        channels << channel;
    }
    g_mainWindowSeam()->setRadioChannels(channels);
}

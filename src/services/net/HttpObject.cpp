#include "services/net/HttpObject.h"

#include "platform/BoundedAnswer.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
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

bool isHeapReport(int action)
{
    return action == ACTION_NEXT_LOGIN || action == ACTION_NEXT_LOGOUT || action == ACTION_NEXT_LIVE;
}

QByteArray encoded(const QString &value)
{
    return g_encodeQueryValue(value).toUtf8();
}

// "&guid=" key "&sn=" serial, the tail of every report.
QByteArray keyAndSerial(const QString &key)
{
    return "&guid=" + encoded(key) + "&sn=" + encoded(g_mainWindowSeam()->m_sSerial);
}

void postThroughLogPoster(const QByteArray &body)
{
    PostLogObject *poster = g_mainWindowSeam()->m_pPostLogObj;
    if (!poster) {
        qDebug().noquote() << Q_FUNC_INFO << "no report poster; dropped:" << body;
        return;
    }
    poster->setBody(body);
    poster->post();
}

} // namespace

HttpObject::HttpObject(QObject *owner)
    : QObject(owner)
{
}

HttpObject::~HttpObject()
{
    // Replies still in flight hold records that only their answer would free.
    const auto replies = m_nam.findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies) {
        disconnect(reply, nullptr, this, nullptr);
        const QNetworkRequest request = reply->request();
        const QVariant action = request.attribute(kActionAttribute);
        const QVariant user = request.attribute(kUserValueAttribute);
        if (action.isValid() && user.isValid() && !reply->isFinished())
            freeUserValue(action.toInt(), user.value<quintptr>());
        reply->abort();
    }
}

quintptr HttpObject::newReport(const QByteArray &firstPart)
{
    return reinterpret_cast<quintptr>(new QByteArray(firstPart));
}

quintptr HttpObject::newLogUpload(const QByteArray &report, const QString &path)
{
    return reinterpret_cast<quintptr>(new LogUploadRecord{report, path});
}

void HttpObject::freeUserValue(int action, quintptr userValue)
{
    if (!userValue)
        return;
    if (isHeapReport(action))
        delete reinterpret_cast<QByteArray *>(userValue);
    else if (action == ACTION_NEXT_LOG)
        delete reinterpret_cast<LogUploadRecord *>(userValue);
}

void HttpObject::get(const QString &url, int action, quintptr userValue, const QByteArray &carried)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(kActionAttribute, action);
    request.setAttribute(kUserValueAttribute, QVariant::fromValue<quintptr>(userValue));
    request.setAttribute(kCarriedAttribute, carried);
    if (m_nTransferTimeoutMs > 0)
        request.setTransferTimeout(m_nTransferTimeoutMs);
    QNetworkReply *reply = m_nam.get(request);
    kvrnet::boundAnswer(reply);
    connect(reply, &QNetworkReply::finished, this, &HttpObject::onGetReplyFinished);
}

void HttpObject::post(const QString &url, int action, quintptr userValue, const QByteArray &body)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(kActionAttribute, action);
    request.setAttribute(kUserValueAttribute, QVariant::fromValue<quintptr>(userValue));
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
    if (!actionValue.isValid() || !userValue.isValid() || !carriedValue.isValid())
        return;
    const int action = actionValue.toInt();
    const quintptr user = userValue.value<quintptr>();
    const QByteArray carried = carriedValue.toByteArray();
    MainWindowSeam *seam = g_mainWindowSeam();
    try {
        if (reply->error() != QNetworkReply::NoError) {
            qDebug().noquote() << Q_FUNC_INFO << action << kvrnet::answerError(reply);
            switch (action) {
            case ACTION_NEXT_LOGIN:
            case ACTION_NEXT_LOGOUT:
            case ACTION_NEXT_LIVE:
            case ACTION_NEXT_LOG:
                freeUserValue(action, user);
                break;
            case ACTION_NEXT_GET_LIVE_KEY:
                qDebug().noquote() << "-------------ACTION_NEXT_GET_LIVE_KEY 启动时获取Live Key 0 失败";
                break;
            case ACTION_NEXT_UPDATE_ERROR_INFO:
                qDebug().noquote() << "------------ACTION_NEXT_UPDATE_ERROR_INFO 提交更新信息 失败";
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
        case ACTION_NEXT_LOGOUT: {
            const QByteArray first = user ? *reinterpret_cast<QByteArray *>(user) : QByteArray();
            freeUserValue(action, user);
            postThroughLogPoster(first + keyAndSerial(key));
            break;
        }
        case ACTION_NEXT_LIVE: {
            const QByteArray first = user ? *reinterpret_cast<QByteArray *>(user) : QByteArray();
            freeUserValue(action, user);
            const QByteArray body = first + keyAndSerial(key) + "&id=" + encoded(seam->m_sLiveId);
            qDebug().noquote() << "------------------心跳OR退出 bytesDataLive:" << body;
            postThroughLogPoster(body);
            break;
        }
        case ACTION_NEXT_LOG: {
            const QByteArray first = user ? reinterpret_cast<LogUploadRecord *>(user)->report : QByteArray();
            freeUserValue(action, user);
            postThroughLogPoster(first + keyAndSerial(key));
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
            seam->m_slPlayableStates = states;
            qDebug().noquote() << "--------获取到能播放的state:" << states;
            break;
        }
        case ACTION_GET_FM_INFO_LIST:
            buildRadioChannels(answer);
            break;
        case ACTION_NEXT_GET_LIVE_KEY: {
            const QByteArray body = carried + keyAndSerial(key);
            qDebug().noquote() << "-------------需要获取Live ID 的参数:" << body;
            post(g_endpoints().userClientHandle, ACTION_NEXT_GET_LIVE_KEY, 0, body);
            break;
        }
        case ACTION_NEXT_UPDATE_ERROR_INFO: {
            const QByteArray body = carried + keyAndSerial(key) + "&mac=" + encoded(seam->m_sMac);
            post(g_endpoints().userClientHandle, ACTION_NEXT_UPDATE_ERROR_INFO, 0, body);
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
    if (!actionValue.isValid() || !request.attribute(kUserValueAttribute).isValid() ||
        !request.attribute(kCarriedAttribute).isValid())
        return;
    const int action = actionValue.toInt();
    try {
        if (reply->error() != QNetworkReply::NoError) {
            qDebug().noquote() << Q_FUNC_INFO << action << kvrnet::answerError(reply);
            if (action == ACTION_NEXT_GET_LIVE_KEY) {
                qDebug().noquote() << "------------获取Live Id失败 1";
            } else if (action == ACTION_NEXT_UPDATE_ERROR_INFO) {
                qDebug().noquote() << "------------ACTION_NEXT_UPDATE_ERROR_INFO 提交更新信息 失败";
                if (!g_sUpdateIni.isEmpty())
                    QFile::remove(g_sUpdateIni);
            }
            return;
        }
        const QByteArray answer = reply->readAll();
        if (action == ACTION_NEXT_GET_LIVE_KEY) {
            g_mainWindowSeam()->m_sLiveId = QString::fromUtf8(answer);
            qDebug().noquote() << "---------获取到的LiveId:" << answer;
        } else if (action == ACTION_NEXT_UPDATE_ERROR_INFO) {
            qDebug().noquote() << "-----提交更新日志成功 返回bytesData:" << answer;
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
        qDebug().noquote() << "--ACTION_GET_FM_INFO_LIST 失败:" << error;
        return;
    }
    QList<FmChannelInfo> channels;
    const QDomNodeList nodes = doc.documentElement().childNodes();
    for (int i = 0; i < nodes.size(); ++i) {
        const QDomNode node = nodes.at(i);
        FmChannelInfo channel;
        channel.name = node.firstChildElement(QStringLiteral("name")).text();
        channel.url = node.firstChildElement(QStringLiteral("url")).text();
        qDebug().noquote() << "-----------sFmName:" << channel.name << "---sFmUrl:" << channel.url;
        channels << channel;
    }
    g_mainWindowSeam()->setRadioChannels(channels);
}

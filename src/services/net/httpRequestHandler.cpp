#include "services/net/httpRequestHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/SettingsKeys.h"
#include "services/net/ClientRoutes.h"
#include "services/net/ObjectTickets.h"
#include "services/net/RequestTypes.h"
#include "services/pictures/gedanPicHandler.h"
#include "services/seams/MainWindowSeam.h"

#include <QDebug>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

httpRequestHandler *g_phttpHandler = nullptr;

namespace {

constexpr auto kTypeAttribute = QNetworkRequest::User;
constexpr auto kUserDataAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 1);

// The favourite-edit operation of a request type, or -1.
int favOperation(int nType)
{
    switch (nType) {
    case HTTPREQUEST_TYPE_ADDFAVLISTSONG:
        return FAVOP_ADD_SONG;
    case HTTPREQUEST_TYPE_DELFAVLISTSONG:
        return FAVOP_DEL_SONGS;
    case HTTPREQUEST_TYPE_ADDFAVLIST:
        return FAVOP_CREATE_LIST;
    case HTTPREQUEST_TYPE_DELFAVLIST:
        return FAVOP_DEL_LIST;
    case HTTPREQUEST_TYPE_RENFAVLIST:
        return FAVOP_RENAME_LIST;
    case HTTPREQUEST_TYPE_ADDFAVLISTSONGS:
        return FAVOP_ADD_SONGS;
    case HTTPREQUEST_TYPE_MOVEFAVLISTSONGS:
        return FAVOP_MOVE_SONGS;
    default:
        return -1;
    }
}

const char *favFailureLine(int nType)
{
    switch (nType) {
    case HTTPREQUEST_TYPE_DELFAVLIST:
        return "del favlist response error";
    case HTTPREQUEST_TYPE_DELFAVLISTSONG:
        return "del favlistsong response error";
    case HTTPREQUEST_TYPE_ADDFAVLIST:
        return "add favlist response error";
    case HTTPREQUEST_TYPE_ADDFAVLISTSONG:
        return "add favlistsong response error";
    case HTTPREQUEST_TYPE_RENFAVLIST:
        return "ren favlist response error";
    case HTTPREQUEST_TYPE_ADDFAVLISTSONGS:
        return "add favlistsongs response error";
    default:
        return "move favlistsongs response error";
    }
}

QString percentDecoded(const QUrl &url)
{
    return QUrl::fromPercentEncoding(url.toEncoded());
}

} // namespace

httpRequestHandler::httpRequestHandler(QObject *parent)
    : QObject(parent)
    , m_pGedanPicHandler(std::make_unique<gedanPicHandler>())
{
    g_pGedanPicHandler = m_pGedanPicHandler.get();
    g_registerClientRoutes(this);
}

httpRequestHandler::~httpRequestHandler()
{
    // The manager aborts its replies when it goes; their finished signals must not reach this
    // half-destroyed object.
    const auto replies = m_mapNRBA.keys();
    for (QNetworkReply *reply : replies)
        disconnect(reply, nullptr, this, nullptr);
    m_mapNRBA.clear();
}

void httpRequestHandler::startHttpRequest(const QUrl &url, int nType, quintptr uUserData)
{
    QNetworkRequest request(url);
    request.setAttribute(kTypeAttribute, nType);
    request.setAttribute(kUserDataAttribute, QVariant::fromValue<quintptr>(uUserData));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (m_nTransferTimeoutMs > 0)
        request.setTransferTimeout(m_nTransferTimeoutMs);

    QNetworkReply *reply = m_nam.get(request);
    m_mapNRBA.insert(reply, QByteArray());
    connect(reply, &QNetworkReply::readyRead, this, [this, reply]() { netReplyRead(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply]() { netReplyFinished(reply); });
}

void httpRequestHandler::setRoute(int nType, QObject *receiver, AnswerFn onAnswer, AnswerFn onFailure,
                                  WantedFn isWanted)
{
    if (!receiver)
        return;
    m_routes.insert(nType, Route{receiver, std::move(onAnswer), std::move(onFailure), std::move(isWanted)});
}

void httpRequestHandler::removeRoute(int nType)
{
    m_routes.remove(nType);
}

void httpRequestHandler::netReplyRead(QNetworkReply *reply)
{
    const auto found = m_mapNRBA.find(reply);
    if (found == m_mapNRBA.end())
        return;
    if (found.value().size() + reply->bytesAvailable() > m_nMaxAnswerBytes) {
        // Ends as a failure (the finished slot runs now and forgets the reply).
        qDebug().noquote() << Q_FUNC_INFO << "answer too large, dropped:" << reply->url().toString();
        reply->abort();
        return;
    }
    found.value() += reply->readAll();
}

void httpRequestHandler::forget(QNetworkReply *reply)
{
    disconnect(reply, nullptr, this, nullptr);
    m_mapNRBA.remove(reply);
    reply->deleteLater();
}

void httpRequestHandler::netReplyFinished(QNetworkReply *reply)
{
    try {
        if (!m_mapNRBA.contains(reply))
            return;
        // The reply's state leaves the tables before any handler runs: a handler that waits with
        // event processing may see other replies finish meanwhile.
        QByteArray body = m_mapNRBA.take(reply);
        if (reply->isOpen())
            body += reply->readAll();
        const QNetworkRequest request = reply->request();
        const QVariant typeValue = request.attribute(kTypeAttribute);
        const QVariant userValue = request.attribute(kUserDataAttribute);
        forget(reply);
        if (!typeValue.isValid()) {
            qDebug().noquote() << Q_FUNC_INFO << "type invalid";
            return;
        }
        if (!userValue.isValid()) {
            qDebug().noquote() << Q_FUNC_INFO << "nUserData invalid";
            return;
        }

        HttpAnswer answer;
        answer.nType = typeValue.toInt();
        answer.uUserData = userValue.value<quintptr>();
        answer.url = reply->url();
        answer.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (answer.httpStatus == 302) {
            qDebug().noquote() << Q_FUNC_INFO
                               << QStringLiteral("-----------------重定向:") +
                                      QString::fromUtf8(reply->rawHeader("Location")) +
                                      QStringLiteral("------------------");
        }
        if (reply->error() != QNetworkReply::NoError) {
            answer.ok = false;
            answer.errorString = reply->errorString();
            qDebug().noquote() << Q_FUNC_INFO
                               << tr("请求失败: %1 %2.").arg(answer.nType).arg(answer.errorString);
            dispatchFailure(answer);
        } else {
            answer.ok = true;
            answer.data = body;
            answer.text = decodeBody(answer.url, body);
            dispatchAnswer(answer);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

const httpRequestHandler::Route *httpRequestHandler::route(int nType)
{
    const auto found = m_routes.constFind(nType);
    if (found == m_routes.constEnd())
        return nullptr;
    if (!found->receiver) {
        m_routes.erase(found);
        return nullptr;
    }
    return &found.value();
}

bool httpRequestHandler::isWanted(int nType, const HttpAnswer &answer)
{
    const Route *r = route(nType);
    if (!r)
        return false;
    return !r->isWanted || r->isWanted(answer);
}

bool httpRequestHandler::deliver(int nType, const HttpAnswer &answer, bool failure)
{
    const Route *r = route(nType);
    if (!r) {
        qDebug().noquote() << Q_FUNC_INFO << "no handler for request type" << nType;
        return false;
    }
    // A copy: the handler may replace its own route while it runs.
    const AnswerFn handler = failure ? r->onFailure : r->onAnswer;
    if (!handler)
        return false;
    handler(answer);
    return true;
}

bool httpRequestHandler::resolveWaiter(HttpAnswer &answer)
{
    answer.waiter = ObjectTickets::resolve(answer.uUserData);
    if (!answer.waiter) {
        qDebug().noquote() << Q_FUNC_INFO << "the object waiting for request type" << answer.nType
                           << "is gone; answer dropped";
        return false;
    }
    return true;
}

void httpRequestHandler::dealwithIDResponse(const QString &xml, quintptr uUserData, const QString &sId)
{
    HttpAnswer answer;
    answer.nType = HTTPREQUEST_TYPE_ID;
    answer.uUserData = uUserData;
    answer.ok = true;
    answer.text = xml;
    answer.sId = sId;
    deliverSongInfo(answer, false);
}

void httpRequestHandler::dealwithIDResponseError(quintptr uUserData)
{
    HttpAnswer answer;
    answer.nType = HTTPREQUEST_TYPE_ID;
    answer.uUserData = uUserData;
    deliverSongInfo(answer, true);
}

void httpRequestHandler::deliverSongInfo(HttpAnswer &answer, bool failure)
{
    // 0 (lyric lookup) and 1 (the playback engine) are flags; any other value is the ticket of
    // the download that asked.
    if (answer.uUserData > 1 && !resolveWaiter(answer))
        return;
    deliver(HTTPREQUEST_TYPE_ID, answer, failure);
}

void httpRequestHandler::dispatchAnswer(HttpAnswer &a)
{
    MainWindowSeam *seam = g_mainWindowSeam();
    const quintptr user = a.uUserData;
    switch (a.nType) {
    case HTTPREQUEST_TYPE_MAINURL:
        qDebug().noquote() << Q_FUNC_INFO << a.text;
        g_sMainUrl = a.text;
        g_bMainUrlOk = true;
        if (user == 1) {
            if (!m_pUrlIndexTimer) {
                m_pUrlIndexTimer = new QTimer(this);
                connect(m_pUrlIndexTimer, &QTimer::timeout, this,
                        []() { g_mainWindowSeam()->updatePreURL(); });
                m_pUrlIndexTimer->start(m_nUrlIndexRefreshMs);
            }
        } else if (user != 0 && resolveWaiter(a)) {
            deliver(a.nType, a, false);
        }
        break;
    case HTTPREQUEST_TYPE_ID:
        a.sId = songIdFromAnswerUrl(a.url);
        deliverSongInfo(a, false);
        break;
    case HTTPREQUEST_TYPE_LRC:
    case HTTPREQUEST_TYPE_LOGIN:
    case HTTPREQUEST_TYPE_FAVLIST_DETAIL:
    case HTTPREQUEST_TYPE_SINGERPIC:
    case HTTPREQUEST_TYPE_USERPIC:
    case HTTPREQUEST_TYPE_GEDANPIC:
    case HTTPREQUEST_TYPE_LRCREQ:
    case HTTPREQUEST_TYPE_NAVIGATE:
        deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_REG:
    case HTTPREQUEST_TYPE_NETLIST:
    case HTTPREQUEST_TYPE_RESERVED34:
        break;
    case HTTPREQUEST_TYPE_FAVLIST:
        deliver(a.nType, a, false);
        qDebug().noquote() << Q_FUNC_INFO << "-----g_mainWindow->dealwithFavListResponse(s):" << a.text
                           << "------------------end";
        break;
    case HTTPREQUEST_TYPE_DELFAVLIST:
    case HTTPREQUEST_TYPE_DELFAVLISTSONG:
    case HTTPREQUEST_TYPE_ADDFAVLIST:
    case HTTPREQUEST_TYPE_ADDFAVLISTSONG:
    case HTTPREQUEST_TYPE_RENFAVLIST:
    case HTTPREQUEST_TYPE_ADDFAVLISTSONGS:
    case HTTPREQUEST_TYPE_MOVEFAVLISTSONGS:
        qDebug().noquote() << Q_FUNC_INFO << a.text;
        emit favResponseSuccessed(a.text, favOperation(a.nType), user);
        break;
    case HTTPREQUEST_TYPE_SEARCHCOMPLETE:
        a.text = QString::fromLocal8Bit(a.data);
        if (isWanted(a.nType, a))
            deliver(a.nType, a, false);
        qDebug().noquote() << Q_FUNC_INFO << "search complete response ok";
        break;
    case HTTPREQUEST_TYPE_ALBUMPIC:
        a.sPicUrl = percentDecoded(a.url);
        if (isWanted(a.nType, a))
            deliver(a.nType, a, false);
        qDebug().noquote() << Q_FUNC_INFO << "album pic response ok";
        break;
    case HTTPREQUEST_TYPE_ADCONFIG:
        deliver(a.nType, a, false);
        qDebug().noquote() << Q_FUNC_INFO << "ad config response ok";
        break;
    case HTTPREQUEST_TYPE_PLAYMAINURL:
        // Only the song that is still current may start: a late answer for an earlier song
        // changes nothing, not even the stream address.
        if (!isWanted(a.nType, a)) {
            qDebug().noquote() << Q_FUNC_INFO
                               << "stream address for a song that is no longer current:" << user;
            break;
        }
        qDebug().noquote() << Q_FUNC_INFO << a.text;
        g_sMainUrl = a.text;
        g_bMainUrlOk = true;
        deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_NETSEARCHV08:
    case HTTPREQUEST_TYPE_FAVSINGER:
    case HTTPREQUEST_TYPE_SINGERSONG:
    case HTTPREQUEST_TYPE_ADDFAVSINGER:
        emit signalCommon1(a.text, a.nType, user);
        break;
    case HTTPREQUEST_TYPE_ONLINECOUNT:
        try {
            seam->setOnlineCount(
                a.text + QStringLiteral("人"),
                QStringLiteral(
                    "<p style='border: 1px solid green; border-radius: 2px;white-space:pre'>当前<span "
                    "style='color:green;'>%1</span>人与您一起听澜韵音乐</p>")
                    .arg(a.text));
        } catch (...) {
            g_writeExceptionLog(Q_FUNC_INFO, QStringLiteral("---------g_labelCurUserCount 异常"));
        }
        qDebug().noquote() << Q_FUNC_INFO << "onlinecount response:" << a.text;
        break;
    case HTTPREQUEST_TYPE_LOG: {
        bool isNumber = false;
        const int code = a.text.toInt(&isNumber);
        qDebug().noquote() << Q_FUNC_INFO << (isNumber && code < 0 ? "log response err" : "log response");
        QMutexLocker locker(&g_mutexLogCount);
        --g_nPendingLogCount;
        break;
    }
    case HTTPREQUEST_TYPE_QQLOGINCHECK:
        qDebug().noquote() << Q_FUNC_INFO << "HTTPREQUEST_TYPE_QQLOGINCHECK response";
        if (user != 0 && resolveWaiter(a))
            deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_RADIO:
        qDebug().noquote() << Q_FUNC_INFO << "HTTPREQUEST_TYPE_RADIO response";
        deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_SINGERBIGIMAGES:
        if (a.text.isEmpty())
            qDebug().noquote() << Q_FUNC_INFO << "singer big images response error";
        else
            deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA:
        a.sPicUrl = percentDecoded(a.url);
        deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_DELFAVSINGER:
        seam->showHint(QStringLiteral("取消收藏成功"));
        seam->syncFavList();
        break;
    default:
        break;
    }
}

void httpRequestHandler::dispatchFailure(HttpAnswer &a)
{
    MainWindowSeam *seam = g_mainWindowSeam();
    const quintptr user = a.uUserData;
    switch (a.nType) {
    case HTTPREQUEST_TYPE_MAINURL:
        if (user == 0)
            break;
        g_bMainUrlOk = false;
        if (user != 1 && resolveWaiter(a))
            deliver(a.nType, a, true);
        break;
    case HTTPREQUEST_TYPE_ID:
        a.sId = songIdFromFailedUrl(a.url);
        // The playback engine's failure counts only for the song that is still current.
        if (user == 1 && !isWanted(a.nType, a)) {
            qDebug().noquote() << Q_FUNC_INFO
                               << "song information failed for a song that is no longer current:" << a.sId;
            break;
        }
        deliverSongInfo(a, true);
        break;
    case HTTPREQUEST_TYPE_LRC:
        qDebug().noquote() << Q_FUNC_INFO << "lrc response error";
        break;
    case HTTPREQUEST_TYPE_LOGIN:
        deliver(a.nType, a, false);
        seam->execMessageBox(QString(), QStringLiteral("因网络问题，登录失败，请稍后重试"), 2);
        qDebug().noquote() << Q_FUNC_INFO << "login response error";
        break;
    case HTTPREQUEST_TYPE_REG:
        seam->execMessageBox(QString(), QStringLiteral("因网络问题，注册失败，请稍后重试"), 2);
        qDebug().noquote() << Q_FUNC_INFO << "reg response error";
        break;
    case HTTPREQUEST_TYPE_NETLIST:
        seam->execMessageBox(QString(),
                             QStringLiteral("因网络问题，获取随便听听列表失败，2分钟后将自动重新获取"), 1);
        QTimer::singleShot(m_nNetListRetryMs, this, []() { g_mainWindowSeam()->retryRequestNetList(); });
        qDebug().noquote() << Q_FUNC_INFO << "netlist response error";
        break;
    case HTTPREQUEST_TYPE_FAVLIST:
    case HTTPREQUEST_TYPE_FAVLIST_DETAIL:
        seam->enableSyncFavButton();
        seam->cleanFavAfterLogout();
        seam->execMessageBox(QString(), QStringLiteral("因网络问题，获取我的歌单失败，请稍后手动同步"), 2);
        qDebug().noquote() << Q_FUNC_INFO
                           << (a.nType == HTTPREQUEST_TYPE_FAVLIST ? "favlist response error"
                                                                   : "favlistdetail response error");
        break;
    case HTTPREQUEST_TYPE_DELFAVLIST:
    case HTTPREQUEST_TYPE_DELFAVLISTSONG:
    case HTTPREQUEST_TYPE_ADDFAVLIST:
    case HTTPREQUEST_TYPE_ADDFAVLISTSONG:
    case HTTPREQUEST_TYPE_RENFAVLIST:
    case HTTPREQUEST_TYPE_ADDFAVLISTSONGS:
    case HTTPREQUEST_TYPE_MOVEFAVLISTSONGS:
        emit favResponseFailed(favOperation(a.nType), user);
        qDebug().noquote() << Q_FUNC_INFO << favFailureLine(a.nType);
        if (a.nType == HTTPREQUEST_TYPE_ADDFAVLIST)
            bChuangJianGeDan = false;
        break;
    case HTTPREQUEST_TYPE_SEARCHCOMPLETE:
        qDebug().noquote() << Q_FUNC_INFO << "search complete response error";
        break;
    case HTTPREQUEST_TYPE_ALBUMPIC:
        qDebug().noquote() << Q_FUNC_INFO << "album pic response error";
        a.sPicUrl = percentDecoded(a.url);
        deliver(a.nType, a, true);
        break;
    case HTTPREQUEST_TYPE_ADCONFIG:
        qDebug().noquote() << Q_FUNC_INFO << "ad config response error";
        break;
    case HTTPREQUEST_TYPE_PLAYMAINURL:
        if (!isWanted(a.nType, a)) {
            qDebug().noquote() << Q_FUNC_INFO
                               << "stream address failed for a song that is no longer current:" << user;
            break;
        }
        SetTodayLog(g_logKey(LogKeys::kPlayError), QString::number(user));
        qDebug().noquote() << Q_FUNC_INFO << QStringLiteral("播放出现故障-----------歌曲id:") << user;
        g_bMainUrlOk = false;
        deliver(a.nType, a, true);
        break;
    case HTTPREQUEST_TYPE_SINGERPIC:
    case HTTPREQUEST_TYPE_USERPIC:
    case HTTPREQUEST_TYPE_GEDANPIC:
        deliver(a.nType, a, true);
        break;
    case HTTPREQUEST_TYPE_NETSEARCHV08:
    case HTTPREQUEST_TYPE_FAVSINGER:
    case HTTPREQUEST_TYPE_SINGERSONG:
    case HTTPREQUEST_TYPE_ADDFAVSINGER:
        emit signalCommon1(QString(), a.nType, user);
        break;
    case HTTPREQUEST_TYPE_LRCREQ:
        qDebug().noquote() << Q_FUNC_INFO << "lrc response error";
        break;
    case HTTPREQUEST_TYPE_NAVIGATE:
        qDebug().noquote() << Q_FUNC_INFO << "navigate response error";
        deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_ONLINECOUNT:
        qDebug().noquote() << Q_FUNC_INFO << "onlinecount response error";
        break;
    case HTTPREQUEST_TYPE_LOG: {
        qDebug().noquote() << Q_FUNC_INFO << "log response error";
        QMutexLocker locker(&g_mutexLogCount);
        --g_nPendingLogCount;
        break;
    }
    case HTTPREQUEST_TYPE_QQLOGINCHECK:
        qDebug().noquote() << Q_FUNC_INFO << "HTTPREQUEST_TYPE_QQLOGINCHECK response error";
        if (user != 0 && resolveWaiter(a))
            deliver(a.nType, a, true);
        break;
    case HTTPREQUEST_TYPE_RADIO:
        qDebug().noquote() << Q_FUNC_INFO << "HTTPREQUEST_TYPE_RADIO response error";
        deliver(a.nType, a, false);
        break;
    case HTTPREQUEST_TYPE_SINGERBIGIMAGES:
        qDebug().noquote() << Q_FUNC_INFO << "singer big images response error";
        break;
    case HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA:
        a.sPicUrl = percentDecoded(a.url);
        deliver(a.nType, a, true);
        break;
    case HTTPREQUEST_TYPE_DELFAVSINGER:
        seam->showHint(QStringLiteral("因网络问题，取消收藏失败"));
        break;
    default:
        break;
    }
}

QString httpRequestHandler::decodeBody(const QUrl &url, const QByteArray &body)
{
    if (!url.toString().contains(QLatin1String("/html/pxml/")))
        return QString::fromUtf8(body);
    // The song-information documents were written for a GB code page and say so in their XML
    // declaration; the program's own 8-bit code (UTF-8 here) would turn them into garbage.
    static const QRegularExpression gbDeclaration(
        QStringLiteral(
            "^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']\\s*(gb2312|gbk|gb18030|gb_2312-80|x-gbk|cp936)"
            "\\s*[\"']"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.left(256));
    if (gbDeclaration.match(head).hasMatch()) {
        QStringDecoder gb("GB18030");
        if (gb.isValid())
            return gb.decode(body);
    }
    return QString::fromLocal8Bit(body);
}

QString httpRequestHandler::songIdFromAnswerUrl(const QUrl &url)
{
    const QString text = url.toString();
    const int slash = text.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    const int dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return text.mid(slash + 1);
    return text.mid(slash + 1, dot - slash - 1);
}

QString httpRequestHandler::songIdFromFailedUrl(const QUrl &url)
{
    const QString text = percentDecoded(url);
    QString name = text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.size() < 4)
        return QString();
    name.chop(4);
    return name;
}

#include "services/net/httpRequestHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
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

// The favourite edits: the operation number their signals carry and the line a failure logs.
struct FavEdit
{
    HttpRequestType type;
    FavEditOperation operation;
    const char *failureLine;
};
constexpr FavEdit kFavEdits[] = {
    {HTTPREQUEST_TYPE_DELFAVLIST, FAVOP_DEL_LIST, "del favlist response error"},
    {HTTPREQUEST_TYPE_DELFAVLISTSONG, FAVOP_DEL_SONGS, "del favlistsong response error"},
    {HTTPREQUEST_TYPE_ADDFAVLIST, FAVOP_CREATE_LIST, "add favlist response error"},
    {HTTPREQUEST_TYPE_ADDFAVLISTSONG, FAVOP_ADD_SONG, "add favlistsong response error"},
    {HTTPREQUEST_TYPE_RENFAVLIST, FAVOP_RENAME_LIST, "ren favlist response error"},
    {HTTPREQUEST_TYPE_ADDFAVLISTSONGS, FAVOP_ADD_SONGS, "add favlistsongs response error"},
    {HTTPREQUEST_TYPE_MOVEFAVLISTSONGS, FAVOP_MOVE_SONGS, "move favlistsongs response error"},
};

// The search and favourite-singer answers, shared by one signal.
constexpr HttpRequestType kCommonAnswers[] = {HTTPREQUEST_TYPE_NETSEARCHV08, HTTPREQUEST_TYPE_FAVSINGER,
                                              HTTPREQUEST_TYPE_SINGERSONG, HTTPREQUEST_TYPE_ADDFAVSINGER};

QString percentDecoded(const QUrl &url)
{
    return QUrl::fromPercentEncoding(url.toEncoded());
}

// The client's own routes log under one name: they run from the dispatch, not from a function
// of their own.
QDebug answerLog()
{
    return QMessageLogger(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC).debug(lcNet()).noquote()
           << "httpRequestHandler answer:";
}

QDebug failureLog()
{
    return QMessageLogger(QT_MESSAGELOG_FILE, QT_MESSAGELOG_LINE, QT_MESSAGELOG_FUNC).debug(lcNet()).noquote()
           << "httpRequestHandler failure:";
}

} // namespace

httpRequestHandler::httpRequestHandler(QObject *parent)
    : QObject(parent)
    , m_pGedanPicHandler(std::make_unique<gedanPicHandler>())
{
    g_pGedanPicHandler = m_pGedanPicHandler.get();
    registerOwnRoutes();
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
        qCDebug(lcNet).noquote() << Q_FUNC_INFO << "answer too large, dropped:" << reply->url().toString();
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
            qCDebug(lcNet).noquote() << Q_FUNC_INFO << "type invalid";
            return;
        }
        if (!userValue.isValid()) {
            qCDebug(lcNet).noquote() << Q_FUNC_INFO << "nUserData invalid";
            return;
        }

        HttpAnswer answer;
        answer.nType = typeValue.toInt();
        answer.uUserData = userValue.value<quintptr>();
        answer.url = reply->url();
        answer.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (answer.httpStatus == 302) {
            qCDebug(lcNet).noquote() << Q_FUNC_INFO
                                     << QStringLiteral("-----------------重定向:") +
                                            QString::fromUtf8(reply->rawHeader("Location")) +
                                            QStringLiteral("------------------");
        }
        if (reply->error() != QNetworkReply::NoError) {
            answer.ok = false;
            answer.errorString = reply->errorString();
            qCDebug(lcNet).noquote() << Q_FUNC_INFO
                                     << tr("请求失败: %1 %2.").arg(answer.nType).arg(answer.errorString);
            dispatch(answer, true);
        } else {
            answer.ok = true;
            answer.data = body;
            answer.text = decodeBody(answer.url, body);
            dispatch(answer, false);
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
        qCDebug(lcNet).noquote() << Q_FUNC_INFO << "no handler for request type" << nType;
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
        qCDebug(lcNet).noquote() << Q_FUNC_INFO << "the object waiting for request type" << answer.nType
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

void httpRequestHandler::dispatch(HttpAnswer &answer, bool failure)
{
    if (answer.nType < kFirstRequestType || answer.nType > kLastRequestType)
        return;
    const auto own = m_ownRoutes.constFind(answer.nType);
    if (own == m_ownRoutes.constEnd()) {
        deliver(answer.nType, answer, failure);
        return;
    }
    const StepFn &step = failure ? own->onFailure : own->onAnswer;
    if (step)
        step(answer);
}

void httpRequestHandler::setOwnRoute(int nType, StepFn onAnswer, StepFn onFailure)
{
    m_ownRoutes.insert(nType, OwnRoute{std::move(onAnswer), std::move(onFailure)});
}

void httpRequestHandler::registerOwnRoutes()
{
    const StepFn handOn = [this](HttpAnswer &a) { deliver(a.nType, a, false); };
    const StepFn dropped;
    // A failure that is only logged.
    const auto logged = [](const char *line) -> StepFn {
        return [line](HttpAnswer &) { failureLog() << line; };
    };

    setOwnRoute(
        HTTPREQUEST_TYPE_MAINURL,
        [this](HttpAnswer &a) {
            answerLog() << a.text;
            g_sMainUrl = a.text;
            g_bMainUrlOk = true;
            // 1: the start-up request, which keeps the index fresh from then on; a ticket: the
            // download that waits for it.
            if (a.uUserData == 1) {
                if (!m_pUrlIndexTimer) {
                    m_pUrlIndexTimer = new QTimer(this);
                    connect(m_pUrlIndexTimer, &QTimer::timeout, this,
                            []() { g_mainWindowSeam()->updatePreURL(); });
                    m_pUrlIndexTimer->start(m_nUrlIndexRefreshMs);
                }
            } else if (a.uUserData != 0 && resolveWaiter(a)) {
                deliver(a.nType, a, false);
            }
        },
        [this](HttpAnswer &a) {
            if (a.uUserData == 0)
                return;
            g_bMainUrlOk = false;
            if (a.uUserData != 1 && resolveWaiter(a))
                deliver(a.nType, a, true);
        });

    setOwnRoute(
        HTTPREQUEST_TYPE_ID,
        [this](HttpAnswer &a) {
            a.sId = songIdFromAnswerUrl(a.url);
            deliverSongInfo(a, false);
        },
        [this](HttpAnswer &a) {
            a.sId = songIdFromFailedUrl(a.url);
            // The playback engine's failure counts only for the song that is still current.
            if (a.uUserData == 1 && !isWanted(a.nType, a)) {
                failureLog() << "song information failed for a song that is no longer current:" << a.sId;
                return;
            }
            deliverSongInfo(a, true);
        });

    setOwnRoute(HTTPREQUEST_TYPE_LRC, handOn, logged("lrc response error"));
    setOwnRoute(HTTPREQUEST_TYPE_LRCREQ, handOn, logged("lrc response error"));

    // The login's owner gets its failure as an answer with an empty text.
    setOwnRoute(HTTPREQUEST_TYPE_LOGIN, handOn, [this](HttpAnswer &a) {
        deliver(a.nType, a, false);
        g_mainWindowSeam()->execMessageBox(QString(), QStringLiteral("因网络问题，登录失败，请稍后重试"), 2);
        failureLog() << "login response error";
    });

    setOwnRoute(HTTPREQUEST_TYPE_REG, dropped, [](HttpAnswer &) {
        g_mainWindowSeam()->execMessageBox(QString(), QStringLiteral("因网络问题，注册失败，请稍后重试"), 2);
        failureLog() << "reg response error";
    });

    setOwnRoute(HTTPREQUEST_TYPE_NETLIST, dropped, [this](HttpAnswer &) {
        g_mainWindowSeam()->execMessageBox(
            QString(), QStringLiteral("因网络问题，获取随便听听列表失败，2分钟后将自动重新获取"), 1);
        QTimer::singleShot(m_nNetListRetryMs, this, []() { g_mainWindowSeam()->retryRequestNetList(); });
        failureLog() << "netlist response error";
    });

    const auto favListFailed = [](const char *line) -> StepFn {
        return [line](HttpAnswer &) {
            MainWindowSeam *seam = g_mainWindowSeam();
            seam->enableSyncFavButton();
            seam->cleanFavAfterLogout();
            seam->execMessageBox(QString(), QStringLiteral("因网络问题，获取我的歌单失败，请稍后手动同步"),
                                 2);
            failureLog() << line;
        };
    };
    setOwnRoute(
        HTTPREQUEST_TYPE_FAVLIST,
        [this](HttpAnswer &a) {
            deliver(a.nType, a, false);
            answerLog() << "-----g_mainWindow->dealwithFavListResponse(s):" << a.text
                        << "------------------end";
        },
        favListFailed("favlist response error"));
    setOwnRoute(HTTPREQUEST_TYPE_FAVLIST_DETAIL, handOn, favListFailed("favlistdetail response error"));

    for (const FavEdit &edit : kFavEdits) {
        setOwnRoute(
            edit.type,
            [this, edit](HttpAnswer &a) {
                answerLog() << a.text;
                emit favResponseSuccessed(a.text, edit.operation, a.uUserData);
            },
            [this, edit](HttpAnswer &a) {
                emit favResponseFailed(edit.operation, a.uUserData);
                failureLog() << edit.failureLine;
                if (edit.type == HTTPREQUEST_TYPE_ADDFAVLIST)
                    bChuangJianGeDan = false;
            });
    }

    // An answer that its owner no longer waits for (isWanted) is dropped.
    setOwnRoute(
        HTTPREQUEST_TYPE_SEARCHCOMPLETE,
        [this](HttpAnswer &a) {
            a.text = QString::fromLocal8Bit(a.data);
            if (isWanted(a.nType, a))
                deliver(a.nType, a, false);
            answerLog() << "search complete response ok";
        },
        logged("search complete response error"));

    setOwnRoute(
        HTTPREQUEST_TYPE_ALBUMPIC,
        [this](HttpAnswer &a) {
            a.sPicUrl = percentDecoded(a.url);
            if (isWanted(a.nType, a))
                deliver(a.nType, a, false);
            answerLog() << "album pic response ok";
        },
        [this](HttpAnswer &a) {
            failureLog() << "album pic response error";
            a.sPicUrl = percentDecoded(a.url);
            deliver(a.nType, a, true);
        });

    setOwnRoute(
        HTTPREQUEST_TYPE_ADCONFIG,
        [this](HttpAnswer &a) {
            deliver(a.nType, a, false);
            answerLog() << "ad config response ok";
        },
        logged("ad config response error"));

    // Only the song that is still current may start: a late answer for an earlier song changes
    // nothing, not even the stream address; a late failure does not count as a play error.
    setOwnRoute(
        HTTPREQUEST_TYPE_PLAYMAINURL,
        [this](HttpAnswer &a) {
            if (!isWanted(a.nType, a)) {
                answerLog() << "stream address for a song that is no longer current:" << a.uUserData;
                return;
            }
            answerLog() << a.text;
            g_sMainUrl = a.text;
            g_bMainUrlOk = true;
            deliver(a.nType, a, false);
        },
        [this](HttpAnswer &a) {
            if (!isWanted(a.nType, a)) {
                failureLog() << "stream address failed for a song that is no longer current:" << a.uUserData;
                return;
            }
            SetTodayLog(g_logKey(LogKeys::kPlayError), QString::number(a.uUserData));
            failureLog() << QStringLiteral("播放出现故障-----------歌曲id:") << a.uUserData;
            g_bMainUrlOk = false;
            deliver(a.nType, a, true);
        });

    for (const HttpRequestType type : kCommonAnswers) {
        setOwnRoute(
            type, [this](HttpAnswer &a) { emit signalCommon1(a.text, a.nType, a.uUserData); },
            [this](HttpAnswer &a) { emit signalCommon1(QString(), a.nType, a.uUserData); });
    }

    // The navigation's and the radio refill's owners get their failures as answers with an
    // empty text.
    setOwnRoute(HTTPREQUEST_TYPE_NAVIGATE, handOn, [this](HttpAnswer &a) {
        failureLog() << "navigate response error";
        deliver(a.nType, a, false);
    });
    setOwnRoute(
        HTTPREQUEST_TYPE_RADIO,
        [this](HttpAnswer &a) {
            answerLog() << "HTTPREQUEST_TYPE_RADIO response";
            deliver(a.nType, a, false);
        },
        [this](HttpAnswer &a) {
            failureLog() << "HTTPREQUEST_TYPE_RADIO response error";
            deliver(a.nType, a, false);
        });

    setOwnRoute(
        HTTPREQUEST_TYPE_ONLINECOUNT,
        [](HttpAnswer &a) {
            try {
                g_mainWindowSeam()->setOnlineCount(
                    a.text + QStringLiteral("人"),
                    QStringLiteral(
                        "<p style='border: 1px solid green; border-radius: 2px;white-space:pre'>当前<span "
                        "style='color:green;'>%1</span>人与您一起听澜韵音乐</p>")
                        .arg(a.text));
            } catch (...) {
                g_writeExceptionLog(Q_FUNC_INFO, QStringLiteral("---------g_labelCurUserCount 异常"));
            }
            answerLog() << "onlinecount response:" << a.text;
        },
        logged("onlinecount response error"));

    // Either way the log post is no longer pending.
    setOwnRoute(
        HTTPREQUEST_TYPE_LOG,
        [](HttpAnswer &a) {
            bool isNumber = false;
            const int code = a.text.toInt(&isNumber);
            answerLog() << (isNumber && code < 0 ? "log response err" : "log response");
            QMutexLocker locker(&g_mutexLogCount);
            --g_nPendingLogCount;
        },
        [](HttpAnswer &) {
            failureLog() << "log response error";
            QMutexLocker locker(&g_mutexLogCount);
            --g_nPendingLogCount;
        });

    setOwnRoute(
        HTTPREQUEST_TYPE_QQLOGINCHECK,
        [this](HttpAnswer &a) {
            answerLog() << "HTTPREQUEST_TYPE_QQLOGINCHECK response";
            if (a.uUserData != 0 && resolveWaiter(a))
                deliver(a.nType, a, false);
        },
        [this](HttpAnswer &a) {
            failureLog() << "HTTPREQUEST_TYPE_QQLOGINCHECK response error";
            if (a.uUserData != 0 && resolveWaiter(a))
                deliver(a.nType, a, true);
        });

    setOwnRoute(
        HTTPREQUEST_TYPE_SINGERBIGIMAGES,
        [this](HttpAnswer &a) {
            if (a.text.isEmpty())
                answerLog() << "singer big images response error";
            else
                deliver(a.nType, a, false);
        },
        logged("singer big images response error"));

    setOwnRoute(
        HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA,
        [this](HttpAnswer &a) {
            a.sPicUrl = percentDecoded(a.url);
            deliver(a.nType, a, false);
        },
        [this](HttpAnswer &a) {
            a.sPicUrl = percentDecoded(a.url);
            deliver(a.nType, a, true);
        });

    setOwnRoute(HTTPREQUEST_TYPE_RESERVED34, dropped, dropped);

    setOwnRoute(
        HTTPREQUEST_TYPE_DELFAVSINGER,
        [](HttpAnswer &) {
            g_mainWindowSeam()->showHint(QStringLiteral("取消收藏成功"));
            g_mainWindowSeam()->syncFavList();
        },
        [](HttpAnswer &) { g_mainWindowSeam()->showHint(QStringLiteral("因网络问题，取消收藏失败")); });

    // The thumbnails (17, 18, 19) go to their caches as they come: no own route.
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

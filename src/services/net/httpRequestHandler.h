#pragma once

#include "services/net/HttpAnswer.h"

#include <QHash>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkReply;
class gedanPicHandler;
class QTimer;

// The one client through which the player sends its GET requests to the web service and its
// picture and data hosts (global g_phttpHandler). A sender builds the complete URL
// (ServiceEndpoints + ServiceUrl), picks a request type (RequestTypes.h) and a user value, and
// calls startHttpRequest. When the reply finishes the body is decoded and its type looked up:
//
//  - the client's own route of the type, registered by the constructor, does the client's part
//    and hands the answer on to the owner's route where the type has one: the URL index (0, 16),
//    the online count (25), the log post (26), the singer un-favouring (35), the favourite edits
//    (8 to 12, 29, 31: favResponseSuccessed / favResponseFailed with the edit's operation
//    number), the search and favourite singers (20, 21, 22, 30: signalCommon1), the failure
//    messages of the login, the lists and the favourites, the waiting object of 0, 1 and 27, the
//    staleness checks of 1, 13, 14 and 16;
//  - a type without an own route (17, 18, 19) goes straight to its owner's route;
//  - the owner's route is what its owner registered with setRoute (the playback controller for
//    16, the picture caches for 14, 17 to 19, 32, 33, the main window for 2, 3, 6, 7, 13, 15,
//    the song-information answer for 1, and so on). A type without one is dropped with a debug
//    line, so the client works before those owners exist.
//
// The constructor creates the song-list cover cache (g_pGedanPicHandler) and registers the routes
// that the client serves through global pointers (ClientRoutes.h: types 0, 14, 17, 18, 19, 32,
// 33); an owner may replace any of them. Its own routes are never replaced.
//
// User values are carried pointer-wide. Where a user value names a waiting object (types 0 and 1
// with values other than 0 and 1, type 27), it must be a ticket of ObjectTickets; the answer
// reaches the route with HttpAnswer::waiter set, and is dropped when that object is gone.
//
// Redirects are never followed (a 302 is logged and then handled by its error state), and a
// request that receives nothing for the transfer time-out fails instead of waiting forever.
//
// Threads: GUI thread only. Answers are dispatched synchronously inside the finished slot; a
// handler may run a modal loop or wait with event processing, so another answer can be
// dispatched while one is still being handled (each reply's state is taken out of the tables
// before its handler runs).
class httpRequestHandler : public QObject
{
    Q_OBJECT
public:
    using AnswerFn = std::function<void(const HttpAnswer &)>;
    using WantedFn = std::function<bool(const HttpAnswer &)>;

    explicit httpRequestHandler(QObject *parent = nullptr);
    ~httpRequestHandler() override;

    // Sends one GET. Every outcome arrives later through the dispatch.
    void startHttpRequest(const QUrl &url, int nType, quintptr uUserData);

    // Registers the handler of a request type, replacing an earlier one. The route lives as long
    // as receiver does. onAnswer takes the answer, and for types 3, 24 and 28 also the failure
    // (with an empty text); onFailure takes the failure of types with an error handler of their
    // own (0, 1, 14, 16, 17, 18, 19, 27, 33). isWanted tells whether an answer is still for what
    // the owner waits for (type 1 failures with user value 1, types 13, 14, 16); without it every
    // answer is wanted.
    void setRoute(int nType, QObject *receiver, AnswerFn onAnswer, AnswerFn onFailure = {},
                  WantedFn isWanted = {});
    void removeRoute(int nType);

    // The song-information answer and its failure path, handed to the route of type 1.
    void dealwithIDResponse(const QString &xml, quintptr uUserData, const QString &sId);
    void dealwithIDResponseError(quintptr uUserData);

    // How a finished body becomes text: song-information documents ("/html/pxml/") that declare
    // a GB encoding are read with the GB18030 codec, other documents there as local 8-bit text,
    // every other answer as UTF-8.
    static QString decodeBody(const QUrl &url, const QByteArray &body);
    // Type 1: the id between the last "/" and the last "." of the URL (empty without "/").
    static QString songIdFromAnswerUrl(const QUrl &url);
    // Type 1 failures: the percent-decoded name after the last "/" without ".xml".
    static QString songIdFromFailedUrl(const QUrl &url);

    // Test seams and tuning.
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }
    void setNetListRetryInterval(int ms) { m_nNetListRetryMs = ms; }
    void setUrlIndexRefreshInterval(int ms) { m_nUrlIndexRefreshMs = ms; }
    // An answer larger than this fails instead of filling the memory.
    void setMaxAnswerBytes(qint64 bytes) { m_nMaxAnswerBytes = bytes; }
    QTimer *urlIndexRefreshTimer() const { return m_pUrlIndexTimer; }
    int requestsInFlight() const { return m_mapNRBA.size(); }
    QNetworkAccessManager *networkAccessManager() { return &m_nam; }

signals:
    // A favourite edit succeeded / failed; nType is the edit's operation number (FavEditOperation).
    void favResponseSuccessed(const QString &s, int nType, quintptr uUserData);
    void favResponseFailed(int nType, quintptr uUserData);
    // Types 20, 21, 22 and 30 with the request type; s is empty when the request failed.
    void signalCommon1(const QString &s, int nType, quintptr uUserData);

private slots:
    void netReplyRead(QNetworkReply *reply);
    void netReplyFinished(QNetworkReply *reply);

private:
    struct Route
    {
        QPointer<QObject> receiver;
        AnswerFn onAnswer;
        AnswerFn onFailure;
        WantedFn isWanted;
    };

    // The client's own part of a request type: what it does itself with the answer or the
    // failure, and whether and how it hands them on to the owner's route. An empty step drops
    // that side.
    using StepFn = std::function<void(HttpAnswer &)>;
    struct OwnRoute
    {
        StepFn onAnswer;
        StepFn onFailure;
    };

    void dispatch(HttpAnswer &answer, bool failure);
    void setOwnRoute(int nType, StepFn onAnswer, StepFn onFailure);
    void registerOwnRoutes();
    const Route *route(int nType);
    bool isWanted(int nType, const HttpAnswer &answer);
    bool deliver(int nType, const HttpAnswer &answer, bool failure);
    bool resolveWaiter(HttpAnswer &answer);
    void deliverSongInfo(HttpAnswer &answer, bool failure);
    void forget(QNetworkReply *reply);

    QMap<QNetworkReply *, QByteArray> m_mapNRBA; // one body buffer per reply in flight
    QNetworkAccessManager m_nam;
    QHash<int, OwnRoute> m_ownRoutes; // filled once by the constructor
    QHash<int, Route> m_routes;
    QTimer *m_pUrlIndexTimer = nullptr;
    // The song-list cover cache (g_pGedanPicHandler): used only through this client's answers.
    std::unique_ptr<gedanPicHandler> m_pGedanPicHandler;
    int m_nTransferTimeoutMs = 30000;
    int m_nNetListRetryMs = 120000;
    int m_nUrlIndexRefreshMs = 14400000;
    qint64 m_nMaxAnswerBytes = 64 * 1024 * 1024;
};

// The one web-service client, created by the main window's constructor.
extern httpRequestHandler *g_phttpHandler;

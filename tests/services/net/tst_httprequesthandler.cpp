// The web-service client against the fake service: the exact request of every request type and
// of the other service addresses as the service gets it, what every answer and failure reaches
// (handlers, signals, window calls, globals), and bad answers that must end in the failure path
// without a crash.
#include "FakeServiceHosts.h"
#include "KvrTry.h"
#include "RecordingSeam.h"

#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/ProgramHelpers.h"
#include "services/net/ObjectTickets.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceUrl.h"
#include "services/net/httpRequestHandler.h"

#include <QDate>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Where an answer or failure arrived.
struct Delivery
{
    QString via; // "answer", "failure", "fav-ok", "fav-fail", "common1"
    int nType = -1;
    quintptr user = 0;
    HttpAnswer answer;
};

const QDate kDate(2015, 3, 1);
const QString kMember = QStringLiteral("10086");
const QString kRevision = QStringLiteral("2015/03/01 10:00:00");
const QString kRevisionEncoded = QStringLiteral("2015%2F03%2F01%2010%3A00%3A00");
// A record address above 32 bits, as a 64-bit heap pointer is.
const quintptr kRecord = quintptr(0x7f00deadbeef0010ULL);

} // namespace

class TestHttpRequestHandler : public QObject
{
    Q_OBJECT

private:
    // Registers a recording route for every type; wanted() decides the staleness checks.
    void routeEverything()
    {
        for (int type = kFirstRequestType; type <= kLastRequestType; ++type) {
            m_client->setRoute(
                type, &m_owner,
                [this, type](const HttpAnswer &a) {
                    m_got << Delivery{"answer", type, a.uUserData, a};
                },
                [this, type](const HttpAnswer &a) {
                    m_got << Delivery{"failure", type, a.uUserData, a};
                },
                [this](const HttpAnswer &) { return m_wanted; });
        }
        connect(m_client, &httpRequestHandler::favResponseSuccessed, this,
                [this](const QString &s, int op, quintptr user) {
                    HttpAnswer a;
                    a.text = s;
                    m_got << Delivery{"fav-ok", op, user, a};
                });
        connect(m_client, &httpRequestHandler::favResponseFailed, this, [this](int op, quintptr user) {
            m_got << Delivery{"fav-fail", op, user, {}};
        });
        connect(m_client, &httpRequestHandler::signalCommon1, this,
                [this](const QString &s, int type, quintptr user) {
                    HttpAnswer a;
                    a.text = s;
                    m_got << Delivery{"common1", type, user, a};
                });
    }

    void send(const QString &url, int type, quintptr user)
    {
        m_client->startHttpRequest(QUrl::fromEncoded(url.toUtf8(), QUrl::StrictMode), type, user);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_client->requestsInFlight(), 0, 10000);
    }

    QString base(FakeHost host) const { return m_fake.baseUrl(host); }

    // What a delivery looked like to its handler: how it arrived and with which prepared fields.
    QString traced(const Delivery &d) const
    {
        QString line = d.via + QLatin1Char(' ') + QString::number(d.nType);
        if (!d.answer.sId.isEmpty())
            line += " id=" + d.answer.sId;
        if (!d.answer.sPicUrl.isEmpty())
            line += " pic=" + QString(d.answer.sPicUrl).replace(base(FakeHost::Image), "${image}");
        if (d.answer.waiter)
            line += " waiter";
        return line;
    }

    // The globals that answers change, as they are before a request.
    struct Globals
    {
        QString mainUrl;
        bool mainUrlOk = false;
        bool creatingList = false;
        int pendingLogs = 0;
    };
    static Globals globalsNow()
    {
        QMutexLocker locker(&g_mutexLogCount);
        return Globals{g_sMainUrl, g_bMainUrlOk, bChuangJianGeDan, g_nPendingLogCount};
    }

    // Everything a request caused that can be observed: the handlers and signals it reached (in
    // order), the window's calls, and the globals it changed since m_before.
    QStringList effects() const
    {
        QStringList out;
        for (const Delivery &d : m_got)
            out << traced(d);
        out << m_seam.calls;
        const Globals now = globalsNow();
        const auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
        if (now.mainUrl != m_before.mainUrl)
            out << "mainUrl=" + QString(now.mainUrl).replace(base(FakeHost::Files), "${files}");
        if (now.mainUrlOk != m_before.mainUrlOk)
            out << "mainUrlOk=" + flag(now.mainUrlOk);
        if (now.creatingList != m_before.creatingList)
            out << "creatingList=" + flag(now.creatingList);
        if (now.pendingLogs != m_before.pendingLogs)
            out << "pendingLogs=" + QString::number(now.pendingLogs);
        return out;
    }

    // Each request type: its address, the request the service must get, and the effects of its
    // answer and of its failure (a 404 page).
    struct Row
    {
        int type;
        QString url;
        FakeHost host;
        QString target;
        quintptr user;
        QStringList answered;
        QStringList failed;
    };
    QList<Row> everyType()
    {
        const ServiceEndpoints &e = g_endpoints();
        const QString check = g_getCheckValue(kMember, kDate);
        const quintptr ticket = ObjectTickets::issue(&m_owner);
        QList<Row> rows;
        rows
            << Row{0,
                   e.urlIndex,
                   FakeHost::Site,
                   "/sgbox/urlindex.asp",
                   0,
                   {"mainUrl=${files}", "mainUrlOk=true"},
                   {}}
            << Row{1, g_getSongInfoUrl("1001"), FakeHost::Site,       "/html/pxml/1/1001.xml",
                   1, {"answer 1 id=1001"},     {"failure 1 id=1001"}}
            << Row{2,
                   ServiceUrl(e.lyricSearch).value("周杰伦晴天").toString(),
                   FakeHost::Service,
                   "/do/"
                   "apiHandler.ashx?t=GetLrcContent&keyword=%E5%91%A8%E6%9D%B0%E4%BC%A6%E6%99%B4%E5%A4%A9",
                   kRecord,
                   {"answer 2"},
                   {}}
            << Row{3,
                   ServiceUrl(e.login)
                       .value("alice")
                       .add("&d=", "p@ss w&rd")
                       .add("&c=", g_loginCheckValue(kDate))
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=login&n=alice&d=p%40ss%20w%26rd&c=5e1a4a",
                   0,
                   {"answer 3"},
                   {"answer 3", "box:|因网络问题，登录失败，请稍后重试|2"}}
            << Row{4,
                   e.registrationPage,
                   FakeHost::Account,
                   "/reg/reg.asp",
                   0,
                   {},
                   {"box:|因网络问题，注册失败，请稍后重试|2"}}
            << Row{5,
                   e.netList,
                   FakeHost::Service,
                   "/user/phb_2.xml",
                   0,
                   {},
                   {"box:|因网络问题，获取随便听听列表失败，2分钟后将自动重新获取|1", "retryRequestNetList"}}
            << Row{6,
                   ServiceUrl(e.favLists).value(kMember).toString(),
                   FakeHost::Account,
                   "/api/127.0.0.1/gdlist.asp?t=diy-all&n=10086",
                   0,
                   {"answer 6"},
                   {"enableSyncFavButton", "cleanFavAfterLogout",
                    "box:|因网络问题，获取我的歌单失败，请稍后手动同步|2"}}
            << Row{7,
                   ServiceUrl(e.favListDetail).value(kMember).add("&d=", "0").toString(),
                   FakeHost::Account,
                   "/api/127.0.0.1/gdlist.asp?t=diy-gdmusic&n=10086&d=0",
                   1,
                   {"answer 7"},
                   {"enableSyncFavButton", "cleanFavAfterLogout",
                    "box:|因网络问题，获取我的歌单失败，请稍后手动同步|2"}}
            << Row{8,
                   ServiceUrl(e.deleteList)
                       .value(kMember)
                       .add("&d=", "17")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=diy-del&n=10086&d=17&c=29226b&r=" + kRevisionEncoded,
                   kRecord,
                   {"fav-ok 3"},
                   {"fav-fail 3"}}
            << Row{9,
                   ServiceUrl(e.delSongDefault)
                       .value(kMember)
                       .add("&s=", "1001")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=delsong&n=10086&s=1001&c=29226b&r=" + kRevisionEncoded,
                   kRecord,
                   {"fav-ok 1"},
                   {"fav-fail 1"}}
            << Row{10,
                   ServiceUrl(e.createList)
                       .value(kMember)
                       .add("&l=", "摇滚 & 民谣")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/"
                   "apiHandler.ashx?t=diy-add&n=10086&l=%E6%91%87%E6%BB%9A%20%26%20%E6%B0%91%E8%B0%A3&c="
                   "29226b&r=" +
                       kRevisionEncoded,
                   kRecord,
                   {"fav-ok 2"},
                   {"fav-fail 2", "creatingList=false"}}
            << Row{11,
                   ServiceUrl(e.addSongOwn)
                       .value(kMember)
                       .add("&d=", "17")
                       .add("&q=", "1001")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=diy-addsong&n=10086&d=17&q=1001&c=29226b&r=" + kRevisionEncoded,
                   kRecord,
                   {"fav-ok 0"},
                   {"fav-fail 0"}}
            << Row{12,
                   ServiceUrl(e.renameList)
                       .value(kMember)
                       .add("&d=", "17")
                       .add("&l=", "new name")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=diy-update&n=10086&d=17&l=new%20name&c=29226b&r=" +
                       kRevisionEncoded,
                   kRecord,
                   {"fav-ok 4"},
                   {"fav-fail 4"}}
            << Row{13,
                   e.serviceApiBase + "/client/ip.ashx",
                   FakeHost::Service,
                   "/client/ip.ashx",
                   5,
                   {"answer 13"},
                   {}}
            << Row{14,
                   e.imageBase + "/pic/zj/200.jpg",
                   FakeHost::Image,
                   "/pic/zj/200.jpg",
                   1001,
                   {"answer 14 pic=${image}/pic/zj/200.jpg"},
                   {"failure 14 pic=${image}/pic/zj/200.jpg"}}
            << Row{15,
                   e.serviceApiBase + "/ad/config.xml",
                   FakeHost::Service,
                   "/ad/config.xml",
                   0,
                   {"answer 15"},
                   {}}
            << Row{16,
                   e.urlIndex,
                   FakeHost::Site,
                   "/sgbox/urlindex.asp",
                   1001,
                   {"answer 16", "mainUrl=${files}", "mainUrlOk=true"},
                   {"failure 16", "mainUrlOk=false"}}
            << Row{17,
                   e.singerThumbBase + "1/10.jpg",
                   FakeHost::Image,
                   "/pic/gstx/1/10.jpg",
                   10,
                   {"answer 17"},
                   {"failure 17"}}
            << Row{18,
                   e.imageBase + "/user/10086.png",
                   FakeHost::Image,
                   "/user/10086.png",
                   10086,
                   {"answer 18"},
                   {"failure 18"}}
            << Row{19,
                   e.imageBase + "/pic/gedan/17.jpg",
                   FakeHost::Image,
                   "/pic/gedan/17.jpg",
                   17,
                   {"answer 19"},
                   {"failure 19"}}
            << Row{20,
                   ServiceUrl(e.instantSearch).value("晴天 jay").toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=diySearch&k=%E6%99%B4%E5%A4%A9%20jay",
                   0,
                   {"common1 20"},
                   {"common1 20"}}
            << Row{21,
                   ServiceUrl(e.favouriteSingers).value(kMember).toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=FavoriteSinger&loginid=10086",
                   0,
                   {"common1 21"},
                   {"common1 21"}}
            << Row{22,
                   ServiceUrl(e.singerSongs).value("10").toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=SingerSong&singerid=10",
                   10,
                   {"common1 22"},
                   {"common1 22"}}
            << Row{23,
                   ServiceUrl(e.lyricSearch).value("AB").toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=GetLrcContent&keyword=AB",
                   kRecord,
                   {"answer 23"},
                   {}}
            << Row{24, e.navigation, FakeHost::Service, "/navtag.xml", 0, {"answer 24"}, {"answer 24"}}
            << Row{25,
                   e.onlineCount,
                   FakeHost::Service,
                   "/do/apihandler.ashx?t=OnlineCount",
                   0,
                   {"onlineCount:1234人|<p style='border: 1px solid green; border-radius: "
                    "2px;white-space:pre'>当前<span "
                    "style='color:green;'>1234</span>人与您一起听澜韵音乐</p>"},
                   {}}
            << Row{26,
                   e.serviceApiBase + "/client/ip.ashx",
                   FakeHost::Service,
                   "/client/ip.ashx",
                   0,
                   {"pendingLogs=0"},
                   {"pendingLogs=0"}}
            << Row{27,
                   ServiceUrl(e.qqLoginCheck).value("k e/y").toString(),
                   FakeHost::Service,
                   "/do/qqloginHandler.ashx?t=islogin&key=k%20e%2Fy",
                   ticket,
                   {"answer 27 waiter"},
                   {"failure 27 waiter"}}
            << Row{28,
                   ServiceUrl(e.moreRadioSongs).value("3").toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=GetMoreFmSongs_new&fmid=3",
                   0,
                   {"answer 28"},
                   {"answer 28"}}
            << Row{29,
                   ServiceUrl(e.addSongsDefault)
                       .value(kMember)
                       .add("&s=", "1001,10000")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=addsongs&n=10086&s=1001,10000&c=29226b&r=" + kRevisionEncoded,
                   kRecord,
                   {"fav-ok 5"},
                   {"fav-fail 5"}}
            << Row{30,
                   ServiceUrl(e.addFavouriteSinger)
                       .value("10")
                       .add("&userid=", kMember)
                       .add("&username=", "alice")
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=AddColl&singerid=10&userid=10086&username=alice",
                   kRecord,
                   {"common1 30"},
                   {"common1 30"}}
            << Row{31,
                   ServiceUrl(e.moveOwnToOwn)
                       .value(kMember)
                       .add("&d=", "18")
                       .add("&dd=", "17")
                       .add("&q=", "1001,10000")
                       .add("&c=", check)
                       .add("&r=", kRevision)
                       .toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=FromDiyToDiyMoveSongs&n=10086&d=18&dd=17&q=1001,10000&c=29226b&r=" +
                       kRevisionEncoded,
                   kRecord,
                   {"fav-ok 6"},
                   {"fav-fail 6"}}
            << Row{32,
                   ServiceUrl(e.singerBigImages).value("10").toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=GetHDSinger&n=10",
                   10,
                   {"answer 32"},
                   {}}
            << Row{33,
                   e.imageBase + "/pic/hd/10_1.jpg",
                   FakeHost::Image,
                   "/pic/hd/10_1.jpg",
                   10,
                   {"answer 33 pic=${image}/pic/hd/10_1.jpg"},
                   {"failure 33 pic=${image}/pic/hd/10_1.jpg"}}
            << Row{34, e.navigation, FakeHost::Service, "/navtag.xml", 0, {}, {}}
            << Row{35,
                   ServiceUrl(e.deleteFavouriteSinger).value(kMember).add("&singerid=", "10").toString(),
                   FakeHost::Service,
                   "/do/apiHandler.ashx?t=DeleteColl&userid=10086&singerid=10",
                   0,
                   {"hint:取消收藏成功", "syncFavList"},
                   {"hint:因网络问题，取消收藏失败"}};
        return rows;
    }

    void addTypeRows()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("host");
        QTest::addColumn<QString>("target");
        QTest::addColumn<quintptr>("user");
        QTest::addColumn<QStringList>("answered");
        QTest::addColumn<QStringList>("failed");
        const auto rows = everyType();
        for (const Row &row : rows) {
            QTest::addRow("type %d", row.type) << row.type << row.url << int(row.host) << row.target
                                               << row.user << row.answered << row.failed;
        }
    }

    // Every delivery carries the request's user value; an answer its body, a failure none.
    void checkDeliveries(quintptr user, bool failure)
    {
        for (const Delivery &d : std::as_const(m_got)) {
            QCOMPARE(d.user, user);
            if (failure)
                QCOMPARE(d.answer.text, QString());
            else
                QVERIFY(!d.answer.text.isEmpty() || !d.answer.data.isEmpty());
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        g_sLogDir = m_logs.path();
    }
    void init()
    {
        m_fake.clearFaults();
        m_fake.clearRequests();
        m_seam.calls.clear();
        m_got.clear();
        m_wanted = true;
        g_sMainUrl.clear();
        g_bMainUrlOk = false;
        bChuangJianGeDan = true;
        {
            QMutexLocker locker(&g_mutexLogCount);
            g_nPendingLogCount = 1;
        }
        m_before = globalsNow();
        m_client = new httpRequestHandler;
        m_client->setTransferTimeout(1500);
        m_client->setNetListRetryInterval(50);
        routeEverything();
    }
    void cleanup()
    {
        delete m_client;
        m_client = nullptr;
    }

    void everyTypeReachesTheServiceAndItsHandler_data() { addTypeRows(); }
    void everyTypeReachesTheServiceAndItsHandler()
    {
        QFETCH(int, type);
        QFETCH(QString, url);
        QFETCH(int, host);
        QFETCH(QString, target);
        QFETCH(quintptr, user);
        QFETCH(QStringList, answered);
        send(url, type, user);

        // The exact request on the wire.
        const QList<FakeRequest> log = m_fake.requests();
        QCOMPARE(log.size(), 1);
        QCOMPARE(int(log.first().host), host);
        QCOMPARE(log.first().method, QByteArray("GET"));
        QCOMPARE(QString::fromUtf8(log.first().target), target);

        QCOMPARE(effects(), answered);
        checkDeliveries(user, false);
    }

    void everyTypeFailsIntoItsFailurePath_data() { addTypeRows(); }
    void everyTypeFailsIntoItsFailurePath()
    {
        QFETCH(int, type);
        QFETCH(QString, url);
        QFETCH(int, host);
        QFETCH(quintptr, user);
        QFETCH(QStringList, failed);
        m_fake.setFault(FakeHost(host), "/*",
                        FakeFault::errorStatus(
                            404, "<html><head><title>404</title></head><body>Not Found</body></html>"));
        g_bMainUrlOk = true;
        m_before = globalsNow();
        send(url, type, user);
        QCOMPARE(m_fake.requestCount(), 1);

        KVR_TRY_COMPARE(effects(), failed);
        checkDeliveries(user, true);
    }

    // The addresses that the table above does not send: the other lists' variants of the
    // favourite edits and the pages that the player opens in the browser. The service must know
    // each one as it arrives.
    void theOtherAddressesAreOnesTheServiceKnows_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("host");
        QTest::addColumn<QString>("target");
        const ServiceEndpoints &e = g_endpoints();
        const QString check = g_getCheckValue(kMember, kDate);
        const auto edit = [&](const QString &endpoint, const char *key, const QString &value) {
            return ServiceUrl(endpoint)
                .value(kMember)
                .add(key, value)
                .add("&c=", check)
                .add("&r=", kRevision)
                .toString();
        };
        const auto service = int(FakeHost::Service);
        const auto account = int(FakeHost::Account);
        const QString tail = "&c=29226b&r=" + kRevisionEncoded;
        QTest::newRow("delete songs, own list") << edit(e.delSongOwn, "&s=", "1001") << service
                                                << "/do/apiHandler.ashx?t=diy-delsong&n=10086&s=1001" + tail;
        QTest::newRow("add a song, default list") << edit(e.addSongDefault, "&s=", "1001") << service
                                                  << "/do/apiHandler.ashx?t=addsong&n=10086&s=1001" + tail;
        QTest::newRow("add songs, own list") << edit(e.addSongsOwn, "&d=", "17") << service
                                             << "/do/apiHandler.ashx?t=diy-addsongs&n=10086&d=17" + tail;
        QTest::newRow("move default to own")
            << edit(e.moveDefaultToOwn, "&dd=", "17") << service
            << "/do/apiHandler.ashx?t=FromDefaultToDiyMoveSongs&n=10086&dd=17" + tail;
        QTest::newRow("move own to default")
            << edit(e.moveOwnToDefault, "&d=", "18") << service
            << "/do/apiHandler.ashx?t=FromDiyToDefaultMoveSongs&n=10086&d=18" + tail;
        QTest::newRow("external address") << e.externalAddress << service << "/client/ip.ashx";
        QTest::newRow("web search") << ServiceUrl(e.webSearchPage).value("晴天").toString() << service
                                    << "/search.aspx?keyword=%E6%99%B4%E5%A4%A9";
        QTest::newRow("home") << e.homePage << service << "/index.html";
        QTest::newRow("chart") << e.chartPage << service << "/bang.html";
        QTest::newRow("singers") << e.singerPage << service << "/geshou.html";
        QTest::newRow("categories") << e.categoryPage << service << "/fenlei.html";
        QTest::newRow("topics") << e.topicPage << service << "/zhuanti.html";
        QTest::newRow("forgotten password") << e.forgetPasswordPage << account << "/reg/getpass.asp";
        QTest::newRow("suggestions") << e.suggestionPage << account << "/gbook/?r=ruanjian";
    }
    void theOtherAddressesAreOnesTheServiceKnows()
    {
        QFETCH(QString, url);
        QFETCH(int, host);
        QFETCH(QString, target);
        QNetworkReply *reply =
            m_client->networkAccessManager()->get(QNetworkRequest(QUrl::fromEncoded(url.toUtf8())));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        reply->deleteLater();
        const QList<FakeRequest> log = m_fake.requests();
        QCOMPARE(log.size(), 1);
        QCOMPARE(int(log.first().host), host);
        QCOMPARE(QString::fromUtf8(log.first().target), target);
    }

    void transportFaultsEndInTheFailurePath_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("404 page") << "404";
        QTest::newRow("500 page") << "500";
        QTest::newRow("cut inside the headers") << "cut-head";
        QTest::newRow("cut inside the body") << "cut-body";
        QTest::newRow("stall") << "stall";
        QTest::newRow("garbage") << "garbage";
    }
    void transportFaultsEndInTheFailurePath()
    {
        QFETCH(QString, fault);
        FakeFault f;
        if (fault == "404")
            f = FakeFault::errorStatus(404, "<html><body>Not Found</body></html>");
        else if (fault == "500")
            f = FakeFault::errorStatus(500, "<html><body>Server Error in '/' Application.</body></html>");
        else if (fault == "cut-head")
            f = FakeFault::cutAfter(20);
        else if (fault == "cut-body")
            f = FakeFault::cutAfter(200);
        else if (fault == "stall")
            f = FakeFault::stall();
        // Only the time-out ends a stall; every request here stalls, so a short one is theirs alone.
        if (fault == "stall")
            m_client->setTransferTimeout(300);
        else
            f = FakeFault::garbage();
        m_fake.setFault(FakeHost::Site, "/html/pxml/*", f);
        m_fake.setFault(FakeHost::Service, "/do/*", f);

        // A song information request of a download (a ticket) and a search.
        QObject download;
        const quintptr ticket = ObjectTickets::issue(&download);
        m_client->startHttpRequest(QUrl(g_getSongInfoUrl("1001")), HTTPREQUEST_TYPE_ID, ticket);
        m_client->startHttpRequest(QUrl(ServiceUrl(g_endpoints().instantSearch).value("x").toString()),
                                   HTTPREQUEST_TYPE_NETSEARCHV08, 7);
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_client->requestsInFlight(), 0, 10000);
        QCOMPARE(m_got.size(), 2);
        for (const Delivery &d : std::as_const(m_got)) {
            if (d.nType == HTTPREQUEST_TYPE_ID) {
                QCOMPARE(d.via, QStringLiteral("failure"));
                QCOMPARE(d.user, ticket);
                QCOMPARE(d.answer.waiter, &download);
            } else {
                QCOMPARE(d.via, QStringLiteral("common1"));
                QCOMPARE(d.nType, int(HTTPREQUEST_TYPE_NETSEARCHV08));
                QCOMPARE(d.user, quintptr(7));
                QCOMPARE(d.answer.text, QString());
            }
        }
    }

    void badBodiesAreHandedOnAsTheyCame_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::newRow("empty") << QByteArray() << QByteArray("text/xml");
        QTest::newRow("truncated xml")
            << QByteArray("<?xml version=\"1.0\"?><song><wma><![CDATA[/mp3/1.m") << QByteArray("text/xml");
        QTest::newRow("html error page")
            << QByteArray("<html><body><h1>Runtime Error</h1></body></html>") << QByteArray("text/html");
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe", 4)
                                << QByteArray("application/octet-stream");
    }
    void badBodiesAreHandedOnAsTheyCame()
    {
        // A 200 answer is the handler's to judge: it arrives whole, undamaged, with its type and
        // user value, and nothing else happens.
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        m_fake.setAnswer(FakeHost::Site, "/html/pxml/*", FakeAnswer::bytes(body, contentType));
        m_fake.setAnswer(FakeHost::Service, "/navtag.xml", FakeAnswer::bytes(body, contentType));
        send(g_getSongInfoUrl("77"), HTTPREQUEST_TYPE_ID, 0);
        send(g_endpoints().navigation, HTTPREQUEST_TYPE_NAVIGATE, 0);
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_SINGERBIGIMAGES, 10);
        m_fake.setAnswer(FakeHost::Service, "/do/apihandler.ashx?t=OnlineCount",
                         FakeAnswer::bytes(body, contentType));
        send(g_endpoints().onlineCount, HTTPREQUEST_TYPE_ONLINECOUNT, 0);
        QCOMPARE(m_got.size(), 3);
        QCOMPARE(m_got.at(0).via, QStringLiteral("answer"));
        QCOMPARE(m_got.at(0).answer.data, body);
        QCOMPARE(m_got.at(0).answer.sId, QStringLiteral("77"));
        QCOMPARE(m_got.at(1).nType, int(HTTPREQUEST_TYPE_NAVIGATE));
        QCOMPARE(m_got.at(1).answer.data, body);
        QCOMPARE(m_got.at(2).nType, int(HTTPREQUEST_TYPE_SINGERBIGIMAGES)); // the URL index text, not empty
        QCOMPARE(m_seam.calls.size(), 1);
        QVERIFY(m_seam.calls.first().startsWith("onlineCount:"));

        // An empty large-picture list goes nowhere.
        m_got.clear();
        m_fake.setAnswer(FakeHost::Service, "/do/apiHandler.ashx?t=GetHDSinger", FakeAnswer::text(""));
        send(ServiceUrl(g_endpoints().singerBigImages).value("10").toString(),
             HTTPREQUEST_TYPE_SINGERBIGIMAGES, 10);
        QCOMPARE(m_got.size(), 0);
    }

    void redirectsAreNotFollowed()
    {
        m_fake.setFault(FakeHost::Service, "/navtag.xml", FakeFault::redirect("${service}/index.html"));
        send(g_endpoints().navigation, HTTPREQUEST_TYPE_NAVIGATE, 0);
        QCOMPARE(m_fake.requestCount(), 1);
        QCOMPARE(m_got.size(), 1);
        QCOMPARE(m_got.first().via, QStringLiteral("answer"));
        QCOMPARE(m_got.first().answer.httpStatus, 302);
        QVERIFY(m_got.first().answer.text.contains("moved to"));
    }

    void anOversizedAnswerFails()
    {
        m_client->setMaxAnswerBytes(10000);
        m_fake.setAnswer(FakeHost::Image, "/big/huge.jpg",
                         FakeAnswer::bytes(QByteArray(200000, 'x'), "image/jpeg"));
        send(base(FakeHost::Image) + "/big/huge.jpg", HTTPREQUEST_TYPE_SINGERBIGIMAGEDATA, 7);
        QCOMPARE(m_got.size(), 1);
        QCOMPARE(m_got.first().via, QStringLiteral("failure"));
        QVERIFY(m_got.first().answer.data.isEmpty());
    }

    void songInformationIsDecodedByItsDeclaration()
    {
        send(g_getSongInfoUrl("1001"), HTTPREQUEST_TYPE_ID, 0);  // GB18030 bytes, declared gb2312
        send(g_getSongInfoUrl("10000"), HTTPREQUEST_TYPE_ID, 0); // UTF-8
        QCOMPARE(m_got.size(), 2);
        QVERIFY(m_got.at(0).answer.text.contains("<geshou><![CDATA[周杰伦]]></geshou>"));
        QVERIFY(m_got.at(0).answer.text.contains("从出生那年就飘着"));
        QVERIFY(m_got.at(1).answer.text.contains("<geshou><![CDATA[王菲]]></geshou>"));
        // Other answers are UTF-8 whatever they declare.
        QCOMPARE(httpRequestHandler::decodeBody(QUrl("http://x/do/a"),
                                                QByteArray("<?xml version=\"1.0\" "
                                                           "encoding=\"gb2312\"?>\xe6\x99\xb4")),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"gb2312\"?>晴"));
    }

    void songIdsFromAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("answerId");
        QTest::addColumn<QString>("failureId");
        QTest::newRow("song information") << "http://s/html/pxml/2/10001.xml"
                                          << "10001"
                                          << "10001";
        QTest::newRow("escaped") << "http://s/html/pxml/0/a%20b.xml"
                                 << "a b"
                                 << "a b";
        QTest::newRow("no extension") << "http://s/html/pxml/2/10001"
                                      << "10001"
                                      << "1";
        QTest::newRow("short") << "http://s/x"
                               << "x"
                               << "";
    }
    void songIdsFromAddresses()
    {
        QFETCH(QString, url);
        QFETCH(QString, answerId);
        QFETCH(QString, failureId);
        QCOMPARE(httpRequestHandler::songIdFromAnswerUrl(QUrl(url)), answerId);
        QCOMPARE(httpRequestHandler::songIdFromFailedUrl(QUrl(url)), failureId);
    }

    void theUrlIndexStartsItsRefreshOnce()
    {
        m_client->setUrlIndexRefreshInterval(100);
        QVERIFY(!m_client->urlIndexRefreshTimer());
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_MAINURL, 1);
        QTimer *timer = m_client->urlIndexRefreshTimer();
        QVERIFY(timer);
        QVERIFY(timer->isActive());
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_MAINURL, 1);
        QCOMPARE(m_client->urlIndexRefreshTimer(), timer);
        QCOMPARE(m_client->findChildren<QTimer *>().size(), 1);
        KVR_TRY_VERIFY(m_seam.calls.contains("updatePreURL"));

        // A download's ticket gets the answer; its failure resets the flag and reaches it too.
        QObject download;
        const quintptr ticket = ObjectTickets::issue(&download);
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_MAINURL, ticket);
        QCOMPARE(m_got.size(), 1);
        QCOMPARE(m_got.first().answer.waiter, &download);
        m_fake.setFault(FakeHost::Site, "/sgbox/urlindex.asp", FakeFault::errorStatus(503));
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_MAINURL, ticket);
        QVERIFY(!g_bMainUrlOk);
        QCOMPARE(m_got.size(), 2);
        QCOMPARE(m_got.at(1).via, QStringLiteral("failure"));
        // A failure with user value 0 leaves the flag alone.
        g_bMainUrlOk = true;
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_MAINURL, 0);
        QVERIFY(g_bMainUrlOk);
    }

    void answersForAnotherSongChangeNothing()
    {
        m_wanted = false;
        g_sMainUrl = "http://old";
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_PLAYMAINURL, 999);
        QCOMPARE(g_sMainUrl, QStringLiteral("http://old"));
        QVERIFY(!g_bMainUrlOk);
        send(g_endpoints().imageBase + "/pic/zj/1.jpg", HTTPREQUEST_TYPE_ALBUMPIC, 999);
        send(g_endpoints().serviceApiBase + "/client/ip.ashx", HTTPREQUEST_TYPE_SEARCHCOMPLETE, 999);
        QCOMPARE(m_got.size(), 0);

        // Failures: the stream address and the player's song information only for the current
        // song; the album picture falls back to the default whatever song is current.
        m_fake.setFault(FakeHost::Site, "/*", FakeFault::errorStatus(500));
        m_fake.setFault(FakeHost::Image, "/*", FakeFault::errorStatus(500));
        g_bMainUrlOk = true;
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_PLAYMAINURL, 999);
        QVERIFY(g_bMainUrlOk);
        send(g_getSongInfoUrl("999"), HTTPREQUEST_TYPE_ID, 1);
        QCOMPARE(m_got.size(), 0);
        send(g_endpoints().imageBase + "/pic/zj/1.jpg", HTTPREQUEST_TYPE_ALBUMPIC, 999);
        QCOMPARE(m_got.size(), 1);
        QCOMPARE(m_got.first().via, QStringLiteral("failure"));

        // The current song's stream-address failure is logged with its id.
        m_wanted = true;
        send(g_endpoints().urlIndex, HTTPREQUEST_TYPE_PLAYMAINURL, 4242);
        QVERIFY(!g_bMainUrlOk);
        QSettings log(g_sLogDir + "/" + QDate::currentDate().toString("yyyyMMdd") + ".log",
                      QSettings::IniFormat);
        const QStringList keys = log.allKeys().filter(QRegularExpression("^PlayError\\d+$"));
        QVERIFY(!keys.isEmpty());
        QCOMPARE(log.value(keys.last()).toString(), QStringLiteral("4242"));
    }

    void answersForAGoneObjectAreDropped()
    {
        auto *dialog = new QObject;
        const quintptr ticket = ObjectTickets::issue(dialog);
        QCOMPARE(ObjectTickets::issue(dialog), ticket);
        m_fake.setFault(FakeHost::Service, "/do/qqloginHandler.ashx", FakeFault::stall(200));
        m_fake.setFault(FakeHost::Site, "/html/pxml/*", FakeFault::stall(200));
        m_client->startHttpRequest(QUrl(ServiceUrl(g_endpoints().qqLoginCheck).value("k").toString()),
                                   HTTPREQUEST_TYPE_QQLOGINCHECK, ticket);
        m_client->startHttpRequest(QUrl(g_getSongInfoUrl("1001")), HTTPREQUEST_TYPE_ID, ticket);
        QVERIFY(m_fake.waitForRequests(2));
        delete dialog;
        KVR_TRY_COMPARE_WITH_TIMEOUT(m_client->requestsInFlight(), 0, 10000);
        QCOMPARE(m_got.size(), 0);
        QCOMPARE(ObjectTickets::resolve(ticket), nullptr);
        // A new object never gets an old ticket.
        QObject other;
        QVERIFY(ObjectTickets::issue(&other) != ticket);
        QVERIFY(ObjectTickets::isTicket(ticket));
        QVERIFY(!ObjectTickets::isTicket(1));
    }

    void aGoneRouteOwnerGetsNothing()
    {
        auto *owner = new QObject;
        int calls = 0;
        m_client->setRoute(HTTPREQUEST_TYPE_NAVIGATE, owner, [&calls](const HttpAnswer &) { ++calls; });
        delete owner;
        send(g_endpoints().navigation, HTTPREQUEST_TYPE_NAVIGATE, 0);
        QCOMPARE(calls, 0);
    }

    void userValuesKeepTheirFullWidth()
    {
        const quintptr big = quintptr(0xfedcba9876543210ULL);
        send(ServiceUrl(g_endpoints().addSongDefault).value(kMember).add("&s=", "1").toString(),
             HTTPREQUEST_TYPE_ADDFAVLISTSONG, big);
        QCOMPARE(m_got.size(), 1);
        QCOMPARE(m_got.first().user, big);
    }

    void theClientCanGoWithRequestsInFlight()
    {
        m_fake.setFault(FakeHost::Service, "/navtag.xml", FakeFault::stall());
        m_client->startHttpRequest(QUrl(g_endpoints().navigation), HTTPREQUEST_TYPE_NAVIGATE, 0);
        m_client->startHttpRequest(QUrl(g_endpoints().navigation), HTTPREQUEST_TYPE_NAVIGATE, 0);
        QVERIFY(m_fake.waitForRequests(2));
        delete m_client;
        m_client = nullptr;
        // Whatever the client had queued (finished signals, deferred deletions) is delivered now:
        // none of it may reach a handler.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(m_got.size(), 0);
    }

    void typesOutsideTheRangeAreIgnored()
    {
        send(g_endpoints().navigation, 36, 0);
        send(g_endpoints().navigation, -1, 0);
        m_fake.setFault(FakeHost::Service, "/navtag.xml", FakeFault::errorStatus(500));
        send(g_endpoints().navigation, 99, 0);
        QCOMPARE(m_got.size(), 0);
        QCOMPARE(m_seam.calls, QStringList());
    }

private:
    FakeWebService m_fake;
    RecordingSeam m_seam;
    ScopedSeam<MainWindowSeam> m_installedSeam{&m_seam};
    QTemporaryDir m_logs;
    QObject m_owner;
    httpRequestHandler *m_client = nullptr;
    QList<Delivery> m_got;
    Globals m_before;
    bool m_wanted = true;
};

QTEST_GUILESS_MAIN(TestHttpRequestHandler)
#include "tst_httprequesthandler.moc"

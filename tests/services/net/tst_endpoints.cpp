// Hosts configuration, endpoint spelling, query encoding and the check value.
#include "services/core/Globals.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/ServiceHosts.h"
#include "services/net/ServiceUrl.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestEndpoints : public QObject
{
    Q_OBJECT

private slots:
    void hostsComeFromConfigIni()
    {
        QTemporaryDir app;
        {
            QSettings ini(app.filePath("config.ini"), QSettings::IniFormat);
            ini.setValue("softver", "1.0");
            ini.setValue("hosts/service", "http://svc.test:8080/");
            ini.setValue("hosts/image", "  http://img.test  ");
        }
        const ServiceHosts hosts = ServiceHosts::forInstallation(app.path());
        QCOMPARE(hosts.service, QStringLiteral("http://svc.test:8080"));
        QCOMPARE(hosts.image, QStringLiteral("http://img.test"));
        // Keys that are absent keep the built-in hosts.
        QCOMPARE(hosts.site, ServiceHosts::builtIn().site);
        QCOMPARE(hosts.account, ServiceHosts::builtIn().account);
        QCOMPARE(hosts.serviceHostName(), QStringLiteral("svc.test"));

        // KVR_HOSTS_INI takes the place of config.ini.
        QTemporaryDir other;
        {
            QSettings ini(other.filePath("hosts.ini"), QSettings::IniFormat);
            ini.setValue("hosts/site", "http://site.other");
        }
        qputenv("KVR_HOSTS_INI", other.filePath("hosts.ini").toUtf8());
        const ServiceHosts overridden = ServiceHosts::forInstallation(app.path());
        qunsetenv("KVR_HOSTS_INI");
        QCOMPARE(overridden.site, QStringLiteral("http://site.other"));
        QCOMPARE(overridden.service, ServiceHosts::builtIn().service);

        QTemporaryDir empty;
        QCOMPARE(ServiceHosts::forInstallation(empty.path()), ServiceHosts::builtIn());
    }

    void endpointsAreSpelledExactly()
    {
        ServiceHosts hosts;
        hosts.service = "http://s.test";
        hosts.site = "http://site.test";
        hosts.account = "http://a.test";
        hosts.image = "http://i.test";
        const ServiceEndpoints e(hosts);
        QCOMPARE(e.serviceApiBase, e.serviceWebBase);
        QCOMPARE(e.urlIndex, QStringLiteral("http://site.test/sgbox/urlindex.asp"));
        QCOMPARE(e.songInfoBase, QStringLiteral("http://site.test/html/pxml/"));
        QCOMPARE(e.favLists, QStringLiteral("http://a.test/api/s.test/gdlist.asp?t=diy-all&n="));
        QCOMPARE(e.favListDetail, QStringLiteral("http://a.test/api/s.test/gdlist.asp?t=diy-gdmusic&n="));
        QCOMPARE(e.forgetPasswordPage, QStringLiteral("http://a.test/reg/getpass.asp"));
        QCOMPARE(e.registrationPage, QStringLiteral("http://a.test/reg/reg.asp"));
        QCOMPARE(e.suggestionPage, QStringLiteral("http://a.test/gbook/?r=ruanjian"));
        QCOMPARE(e.login, QStringLiteral("http://s.test/do/apiHandler.ashx?t=login&n="));
        QCOMPARE(e.instantSearch, QStringLiteral("http://s.test/do/apiHandler.ashx?t=diySearch&k="));
        QCOMPARE(e.webSearchPage, QStringLiteral("http://s.test/search.aspx?keyword="));
        QCOMPARE(e.homePage, QStringLiteral("http://s.test/index.html"));
        QCOMPARE(e.chartPage, QStringLiteral("http://s.test/bang.html"));
        QCOMPARE(e.singerPage, QStringLiteral("http://s.test/geshou.html"));
        QCOMPARE(e.categoryPage, QStringLiteral("http://s.test/fenlei.html"));
        QCOMPARE(e.topicPage, QStringLiteral("http://s.test/zhuanti.html"));
        QCOMPARE(e.onlineCount, QStringLiteral("http://s.test/do/apihandler.ashx?t=OnlineCount"));
        QCOMPARE(e.fmClasses, QStringLiteral("http://s.test/do/apihandler.ashx?t=GetFMClass"));
        QCOMPARE(e.playStates, QStringLiteral("http://s.test/do/apiHandler.ashx?t=getqinquan"));
        QCOMPARE(e.qqLoginCheck, QStringLiteral("http://s.test/do/qqloginHandler.ashx?t=islogin&key="));
        QCOMPARE(e.netList, QStringLiteral("http://s.test/user/phb_2.xml"));
        QCOMPARE(e.navigation, QStringLiteral("http://s.test/navtag.xml"));
        QCOMPARE(e.singerThumbBase, QStringLiteral("http://i.test/pic/gstx/"));
        QCOMPARE(e.deleteFavouriteSinger,
                 QStringLiteral("http://s.test/do/apiHandler.ashx?t=DeleteColl&userid="));
        QCOMPARE(e.userClientHandle, QStringLiteral("http://s.test/app/UserClientHandle.ashx"));
        QCOMPARE(e.externalAddress, QStringLiteral("http://s.test/client/ip.ashx"));
        QCOMPARE(e.moveOwnToOwn,
                 QStringLiteral("http://s.test/do/apiHandler.ashx?t=FromDiyToDiyMoveSongs&n="));
        QCOMPARE(e.singerBigImages, QStringLiteral("http://s.test/do/apiHandler.ashx?t=GetHDSinger&n="));

        g_setServiceHosts(hosts);
        QCOMPARE(g_endpoints().login, e.login);
    }

    void queryValuesAreEncoded_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("digits") << "10086"
                                << "10086";
        QTest::newRow("id list keeps commas") << "1001,1002"
                                              << "1001,1002";
        QTest::newRow("query syntax") << "a&b=c#d+e%f?g"
                                      << "a%26b%3Dc%23d%2Be%25f%3Fg";
        QTest::newRow("blank and slash") << "2015/03/01 10:00:00"
                                         << "2015%2F03%2F01%2010%3A00%3A00";
        QTest::newRow("chinese") << "摇滚"
                                 << "%E6%91%87%E6%BB%9A";
        QTest::newRow("unreserved") << "A-z_0.9~"
                                    << "A-z_0.9~";
    }
    void queryValuesAreEncoded()
    {
        QFETCH(QString, value);
        QFETCH(QString, encoded);
        QCOMPARE(g_encodeQueryValue(value), encoded);
    }

    void urlsKeepKeysAndOrder()
    {
        const ServiceUrl url = ServiceUrl("http://s.test/do/apiHandler.ashx?t=diy-add&n=")
                                   .value("42")
                                   .add("&l=", "a&b")
                                   .add("&c=", "x")
                                   .add("&r=", "2015/03/01 10:00:00");
        QCOMPARE(
            url.toString(),
            QStringLiteral("http://s.test/do/"
                           "apiHandler.ashx?t=diy-add&n=42&l=a%26b&c=x&r=2015%2F03%2F01%2010%3A00%3A00"));
        // The escapes survive into the address that goes on the wire.
        QCOMPARE(url.toUrl().toEncoded(), url.toString().toUtf8());
        QCOMPARE(ServiceUrl("http://s.test/x?k=").value("晴天").toUrl().toEncoded(),
                 QByteArray("http://s.test/x?k=%E6%99%B4%E5%A4%A9"));
    }

    void checkValues()
    {
        const QDate date(2015, 3, 1);
        // md5("morva20150301") and md5("morva4220150301"), first six hexadecimal digits.
        QCOMPARE(g_loginCheckValue(date), QStringLiteral("5e1a4a"));
        QCOMPARE(g_getCheckValue("42", date), QStringLiteral("81e1fb"));
        g_sMemberId = "42";
        QCOMPARE(g_favEditCheckValue(date), QStringLiteral("81e1fb"));
        g_sMemberId.clear();
        // It changes with the day.
        QVERIFY(g_loginCheckValue(date.addDays(1)) != g_loginCheckValue(date));
        QCOMPARE(g_loginCheckValue().size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestEndpoints)
#include "tst_endpoints.moc"

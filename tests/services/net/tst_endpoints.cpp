// Hosts configuration, endpoints following their hosts, query encoding and the check value.
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

    void endpointsFollowTheConfiguredHosts()
    {
        // The exact addresses are checked where they count, on the wire against the fake service
        // (tst_httprequesthandler, tst_presence). Here: no endpoint keeps a host of its own, so a
        // configured host moves every endpoint on it and nothing else changes.
        ServiceHosts first;
        first.service = "http://s.test";
        first.site = "http://site.test";
        first.account = "http://a.test";
        first.image = "http://i.test";
        ServiceHosts second;
        second.service = "https://svc.example:8443";
        second.site = "http://www.example";
        second.account = "http://user.example";
        second.image = "http://img.example";
        const ServiceEndpoints a(first);
        const ServiceEndpoints b(second);
        const QList<QString ServiceEndpoints::*> every = {
            &ServiceEndpoints::serviceApiBase,
            &ServiceEndpoints::serviceWebBase,
            &ServiceEndpoints::imageBase,
            &ServiceEndpoints::urlIndex,
            &ServiceEndpoints::songInfoBase,
            &ServiceEndpoints::favLists,
            &ServiceEndpoints::favListDetail,
            &ServiceEndpoints::forgetPasswordPage,
            &ServiceEndpoints::registrationPage,
            &ServiceEndpoints::suggestionPage,
            &ServiceEndpoints::webSearchPage,
            &ServiceEndpoints::homePage,
            &ServiceEndpoints::chartPage,
            &ServiceEndpoints::singerPage,
            &ServiceEndpoints::categoryPage,
            &ServiceEndpoints::topicPage,
            &ServiceEndpoints::login,
            &ServiceEndpoints::netList,
            &ServiceEndpoints::deleteList,
            &ServiceEndpoints::delSongDefault,
            &ServiceEndpoints::delSongOwn,
            &ServiceEndpoints::createList,
            &ServiceEndpoints::addSongDefault,
            &ServiceEndpoints::addSongOwn,
            &ServiceEndpoints::renameList,
            &ServiceEndpoints::instantSearch,
            &ServiceEndpoints::favouriteSingers,
            &ServiceEndpoints::singerSongs,
            &ServiceEndpoints::lyricSearch,
            &ServiceEndpoints::navigation,
            &ServiceEndpoints::onlineCount,
            &ServiceEndpoints::qqLoginCheck,
            &ServiceEndpoints::moreRadioSongs,
            &ServiceEndpoints::addSongsDefault,
            &ServiceEndpoints::addSongsOwn,
            &ServiceEndpoints::addFavouriteSinger,
            &ServiceEndpoints::moveDefaultToOwn,
            &ServiceEndpoints::moveOwnToDefault,
            &ServiceEndpoints::moveOwnToOwn,
            &ServiceEndpoints::singerBigImages,
            &ServiceEndpoints::deleteFavouriteSinger,
            &ServiceEndpoints::singerThumbBase,
            &ServiceEndpoints::userClientHandle,
            &ServiceEndpoints::playStates,
            &ServiceEndpoints::fmClasses,
            &ServiceEndpoints::externalAddress,
        };
        const QStringList firstBases = {first.service, first.site, first.account, first.image};
        const QStringList secondBases = {second.service, second.site, second.account, second.image};
        for (QString ServiceEndpoints::*endpoint : every) {
            const QString onFirst = a.*endpoint;
            const QString onSecond = b.*endpoint;
            qsizetype host = 0;
            while (host < firstBases.size() && !onFirst.startsWith(firstBases.at(host)))
                ++host;
            QVERIFY2(host < firstBases.size(), qPrintable(onFirst));
            // The song lists name the service host inside their path.
            const QString rest =
                QString(onFirst.mid(firstBases.at(host).size()))
                    .replace("/" + first.serviceHostName() + "/", "/" + second.serviceHostName() + "/");
            QCOMPARE(onSecond, secondBases.at(host) + rest);
            QVERIFY2(rest.isEmpty() || rest.startsWith('/'), qPrintable(onFirst));
        }

        g_setServiceHosts(first);
        QCOMPARE(g_endpoints().login, a.login);
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

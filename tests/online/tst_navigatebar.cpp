// The navigation bar: its answer table (what becomes buttons and what is left out), clicks, a
// second answer, and the request through the web-service client against the fake service.
#include "FakeServiceHosts.h"
#include "online/WgtNavigateBar.h"
#include "services/net/httpRequestHandler.h"

#include <QLayout>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray tagXml(const QByteArray &name, const QByteArray &url)
{
    return "<Tag><name>" + name + "</name><url>" + url + "</url></Tag>";
}

QString document(const QByteArray &children)
{
    return QString::fromUtf8("<?xml version=\"1.0\" encoding=\"utf-8\"?><kvr>" + children + "</kvr>");
}

QStringList buttonTexts(const WgtNavigateBar &bar)
{
    QStringList texts;
    for (QToolButton *button : bar.buttons())
        texts << button->text();
    return texts;
}

} // namespace

class TestNavigateBar : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("urls");

        QTest::newRow("two tags") << document(tagXml("首页", "http://s/index.html") +
                                              tagXml("排行", "http://s/bang.html"))
                                  << QStringList{"首页", "排行"}
                                  << QStringList{"http://s/index.html", "http://s/bang.html"};
        QTest::newRow("empty answer (failed request)") << QString() << QStringList() << QStringList();
        QTest::newRow("not xml") << QString("<kvr><Tag>") << QStringList() << QStringList();
        QTest::newRow("no Tag child")
            << document("<Item><name>a</name><url>u</url></Item>") << QStringList() << QStringList();
        // Reading starts at the first "Tag"; the siblings after it count whatever their name.
        QTest::newRow("starts at first Tag")
            << document("<Item><name>skip</name><url>s</url></Item>" + tagXml("a", "ua") +
                        "<Other><name>b</name><url>ub</url></Other>")
            << QStringList{"a", "b"} << QStringList{"ua", "ub"};
        QTest::newRow("a comment ends the tags")
            << document(tagXml("a", "ua") + "<!-- end -->" + tagXml("b", "ub")) << QStringList{"a"}
            << QStringList{"ua"};
        QTest::newRow("missing url") << document("<Tag><name>a</name></Tag>") << QStringList{"a"}
                                     << QStringList{""};
        QTest::newRow("CDATA name") << document("<Tag><name><![CDATA[a]]></name><url>ua</url></Tag>")
                                    << QStringList{""} << QStringList{"ua"};
        QTest::newRow("escaped text") << document(tagXml("a &amp; b", "http://s/x?a=1&amp;b=2"))
                                      << QStringList{"a & b"} << QStringList{"http://s/x?a=1&b=2"};

        QByteArray many;
        QStringList names, urls;
        for (int i = 0; i < 20; ++i) {
            many += tagXml("t" + QByteArray::number(i), "u" + QByteArray::number(i));
            if (i < WgtNavigateBar::kMaxTags) {
                names << QString("t%1").arg(i);
                urls << QString("u%1").arg(i);
            }
        }
        QTest::newRow("20 tags keep 16") << document(many) << names << urls;
    }

    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, names);
        QFETCH(QStringList, urls);

        WgtNavigateBar bar;
        QSignalSpy inited(&bar, &WgtNavigateBar::navigateInited);
        bar.loadandShowMe(answer, 0);

        QCOMPARE(bar.tagCount(), names.size());
        QCOMPARE(inited.size(), names.isEmpty() ? 0 : 1);
        QCOMPARE(buttonTexts(bar), names);
        QCOMPARE(bar.findChildren<QToolButton *>("WgtNavigateBar_tb").size(), names.size());
        QCOMPARE(bar.layout() != nullptr, !names.isEmpty());
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(bar.tag(i).name, names[i]);
            QCOMPARE(bar.tag(i).url, urls[i]);
        }
        QCOMPARE(bar.tag(names.size()).name, QString()); // past the end: nothing, no crash
    }

    void clickOpensTheTagsPage()
    {
        WgtNavigateBar bar;
        bar.loadandShowMe(document(tagXml("a", "http://s/a") + tagXml("b", "http://s/b") +
                                   tagXml("a", "http://s/a2") + "<Tag><name>nourl</name></Tag>"),
                          0);
        QSignalSpy navigate(&bar, &WgtNavigateBar::navigate2Url);
        const QList<QToolButton *> buttons = bar.buttons();
        QCOMPARE(buttons.size(), 4);

        buttons[1]->click();
        buttons[2]->click(); // the same name as the first: the first tag's page
        buttons[3]->click();
        QCOMPARE(navigate.size(), 3);
        QCOMPARE(navigate[0][0].toString(), QString("http://s/b"));
        QCOMPARE(navigate[1][0].toString(), QString("http://s/a"));
        QCOMPARE(navigate[2][0].toString(), QString());
    }

    void secondAnswerReplacesTheFirst()
    {
        WgtNavigateBar bar;
        QSignalSpy inited(&bar, &WgtNavigateBar::navigateInited);
        bar.loadandShowMe(document(tagXml("a", "ua") + tagXml("b", "ub") + tagXml("c", "uc")), 0);
        bar.loadandShowMe(document(tagXml("x", "ux")), 0);
        QCOMPARE(inited.size(), 2);
        QCOMPARE(buttonTexts(bar), QStringList{"x"});
        QCOMPARE(bar.findChildren<QToolButton *>().size(), 1);
        QCOMPARE(bar.layout()->count(), 4); // spacing, button, spacing, the closing stretch

        QSignalSpy navigate(&bar, &WgtNavigateBar::navigate2Url);
        bar.buttons().first()->click();
        QCOMPARE(navigate.size(), 1);
        QCOMPARE(navigate[0][0].toString(), QString("ux"));

        // A bad answer later leaves the bar as it is.
        bar.loadandShowMe(QString(), 0);
        bar.loadandShowMe(document("<Item/>"), 0);
        QCOMPARE(buttonTexts(bar), QStringList{"x"});
        QCOMPARE(bar.tagCount(), 1);
        QCOMPARE(inited.size(), 2);
    }

    void requestThroughTheClient()
    {
        WgtNavigateBar withoutClient;
        withoutClient.requestXml(); // no client yet: only a log line

        FakeWebService fake;
        QVERIFY(fake.start());
        useFakeService(fake);
        httpRequestHandler client;
        g_phttpHandler = &client;

        {
            WgtNavigateBar bar;
            QSignalSpy inited(&bar, &WgtNavigateBar::navigateInited);
            bar.requestXml();
            QVERIFY(inited.wait(10000));
            QCOMPARE(fake.requestsTo(FakeHost::Service, "/navtag.xml").size(), 1);
            QCOMPARE(buttonTexts(bar), (QStringList{"首页", "排行"}));
            QCOMPARE(bar.tag(1).url, fake.baseUrl(FakeHost::Service) + "/bang.html");
        }
        {
            fake.setFault(FakeHost::Service, "/navtag.xml", FakeFault::errorStatus(500));
            WgtNavigateBar bar;
            QSignalSpy inited(&bar, &WgtNavigateBar::navigateInited);
            bar.requestXml();
            QTRY_COMPARE(fake.requestsTo(FakeHost::Service, "/navtag.xml").size(), 2);
            QTRY_COMPARE(client.requestsInFlight(), 0);
            QCOMPARE(inited.size(), 0);
            QVERIFY(bar.buttons().isEmpty());
        }
        g_phttpHandler = nullptr;
    }
};

QTEST_MAIN(TestNavigateBar)
#include "tst_navigatebar.moc"

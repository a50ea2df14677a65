// The bridge object's slots as pages call them (the transport itself is in tst_webview).
#include "online/SampleQObject.h"

#include <QSignalSpy>
#include <QTest>

#include <stdexcept>

class TestSampleQObject : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SampleQObject::setLinkHandler({}); }

    void echoSlots_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QVariantMap>("argument");
        QTest::addColumn<QString>("stringValue");

        QTest::newRow("returns with intValue")
            << "slotThatReturns" << QVariantMap{{"intValue", 5}, {"k", "v"}} << "5added bonus.";
        QTest::newRow("returns with text intValue")
            << "slotThatReturns" << QVariantMap{{"intValue", "12"}} << "12added bonus.";
        QTest::newRow("returns without intValue")
            << "slotThatReturns" << QVariantMap{{"k", "v"}} << "0added bonus.";
        QTest::newRow("mp3 with text")
            << "mp3ReturnValue" << QVariantMap{{"stringValue", "abc"}} << "abchello in qt";
        QTest::newRow("mp3 without text") << "mp3ReturnValue" << QVariantMap{} << "hello in qt";
    }

    void echoSlots()
    {
        QFETCH(QString, slot);
        QFETCH(QVariantMap, argument);
        QFETCH(QString, stringValue);

        SampleQObject object;
        QVariantMap result;
        QVERIFY(QMetaObject::invokeMethod(&object, slot.toLatin1().constData(),
                                          Q_RETURN_ARG(QVariantMap, result), Q_ARG(QVariantMap, argument)));
        QCOMPARE(result.value("stringValue").toString(), stringValue);
        // Every other key of the page's map comes back as it was.
        for (auto it = argument.cbegin(); it != argument.cend(); ++it) {
            if (it.key() != "stringValue")
                QCOMPARE(result.value(it.key()), it.value());
        }
    }

    void emitsACountedSignal()
    {
        SampleQObject object;
        QSignalSpy spy(&object, &SampleQObject::signal);
        for (int i = 0; i < 3; ++i)
            object.slotThatEmitsSignal();
        QCOMPARE(spy.size(), 3);
        const QVariantMap third = spy[2][0].toMap();
        QCOMPARE(third.size(), 2);
        QCOMPARE(third.value("signalsEmited").toInt(), 3);
        QCOMPARE(third.value("sender").toString(), QString("SampleQObject::slotThatEmitsSignal"));
    }

    void albumButtonRunsTheLinkCommand()
    {
        SampleQObject object;
        QList<QUrl> handled;
        SampleQObject::setLinkHandler([&handled](const QUrl &url) { handled << url; });

        QVariantMap result = object.zhuanJiReturnValue({{"stringValue", "PLAYZJ=123"}, {"x", 1}});
        QCOMPARE(handled, QList<QUrl>{QUrl("PLAYZJ=123")});
        QCOMPARE(result.value("stringValue").toString(), QString("PLAYZJ=123"));
        QCOMPARE(result.value("x").toInt(), 1);

        result = object.zhuanJiReturnValue({});
        QCOMPARE(handled.size(), 2);
        QVERIFY(handled[1].isEmpty());
        QVERIFY(result.contains("stringValue"));
        QCOMPARE(result.value("stringValue").toString(), QString());
    }

    void albumButtonSurvivesItsHandler()
    {
        SampleQObject object;
        // Without a handler the command is only logged.
        QCOMPARE(object.zhuanJiReturnValue({{"stringValue", "a"}}).value("stringValue").toString(),
                 QString("a"));

        SampleQObject::setLinkHandler([](const QUrl &) { throw std::runtime_error("handler failed"); });
        QCOMPARE(object.zhuanJiReturnValue({{"stringValue", "b"}}).value("stringValue").toString(),
                 QString("b"));

        // A handler that replaces itself while it runs.
        int calls = 0;
        SampleQObject::setLinkHandler([&calls](const QUrl &) {
            ++calls;
            SampleQObject::setLinkHandler({});
        });
        object.zhuanJiReturnValue({{"stringValue", "c"}});
        object.zhuanJiReturnValue({{"stringValue", "d"}});
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(TestSampleQObject)
#include "tst_sampleqobject.moc"

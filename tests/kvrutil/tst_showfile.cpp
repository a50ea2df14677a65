// Showing a file in the file manager goes through the FileManager1 D-Bus interface. The test
// owns that name on a private session bus and checks what arrives.

#include "kvrutil/kvrutil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTemporaryDir>
#include <QtTest>

class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public slots:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        m_uris = uris;
        m_startupId = startupId;
        ++m_calls;
    }

public:
    QStringList m_uris;
    QString m_startupId;
    int m_calls = 0;
};

class TestShowFile : public QObject
{
    Q_OBJECT

private slots:
    void showsItem();
};

void TestShowFile::showsItem()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY2(bus.isConnected(), "needs a session bus (run through dbus-run-session)");
    FakeFileManager manager;
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("歌手 - 歌名.mp3"));
    g_openandSelectTheFile(file);
    QTRY_COMPARE(manager.m_calls, 1);
    QCOMPARE(manager.m_uris, QStringList{QUrl::fromLocalFile(file).toString()});
}

QTEST_GUILESS_MAIN(TestShowFile)
#include "tst_showfile.moc"

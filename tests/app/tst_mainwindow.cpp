// The main window built in-process against the fake web service, under Xvfb: its frame, the
// page switching, the background rule, the window's place, the count badge, the radio channels,
// the start-up reports and the log upload, a second start's text, drives that come and go, and
// the offline report at quit. Saves screenshots into <build>/screenshots.

#include "FakeServiceHosts.h"
#include "MainWindowHarness.h"
#include "PlaybackTestSupport.h"
#include "device/UsbDialog.h"
#include "library/WgtLocalLists.h"
#include "online/MyWebView.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "playlists/downloadWgt.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/playback/songplayHandler.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrlQuery>

#include <memory>

class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    MainWindowHarness m_h;
    FakeWebService &m_fake = m_h.fake;
    QTemporaryDir &m_dir = m_h.dir;
    std::unique_ptr<MainWindow> &m_window = m_h.window;
    QString m_mounts;
    QString m_stick;
    QString m_yesterdayLog;

    void writeMounts(bool withStick)
    {
        QFile file(m_mounts + QStringLiteral(".new"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("proc /proc proc rw 0 0\n");
        if (withStick)
            file.write("/dev/sdz1 " + m_stick.toUtf8() + " vfat rw 0 0\n");
        file.close();
        // Replaced atomically, as the kernel's table never shows a half-written line.
        QFile::remove(m_mounts);
        QVERIFY(QFile::rename(file.fileName(), m_mounts));
    }

    QList<FakeRequest> requestsTo(const QString &path) const
    {
        return m_fake.requestsTo(FakeHost::Service, path);
    }

    QList<FakeRequest> postsWith(const QByteArray &part) const
    {
        QList<FakeRequest> found;
        for (const FakeRequest &request : m_fake.requests(FakeHost::Service)) {
            if (request.method == "POST" && request.body.contains(part))
                found << request;
        }
        return found;
    }

    template <class T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_h.prepare());

        // A USB stick the drive scan can find: a fake mount table and a fake sysfs.
        const QString sys = m_dir.filePath(QStringLiteral("sys"));
        const QString disk =
            QStringLiteral("devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/"
                           "6:0:0:0/block/sdz");
        QVERIFY(QDir().mkpath(sys + QLatin1Char('/') + disk + QStringLiteral("/sdz1")));
        QVERIFY(QDir().mkpath(sys + QStringLiteral("/class/block")));
        QVERIFY(QFile::link(QStringLiteral("../../") + disk + QStringLiteral("/sdz1"),
                            sys + QStringLiteral("/class/block/sdz1")));
        m_stick = m_dir.filePath(QStringLiteral("stick"));
        QVERIFY(QDir().mkpath(m_stick));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("table"))));
        m_mounts = m_dir.filePath(QStringLiteral("table/mounts"));
        writeMounts(false);
        qputenv("KVR_SYSFS_ROOT", sys.toUtf8());
        qputenv("KVR_MOUNTS_FILE", m_mounts.toUtf8());

        // Yesterday's log waits to be uploaded; an older one was uploaded already.
        m_yesterdayLog = g_sLogDir + QLatin1Char('/') +
                         QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyyMMdd")) +
                         QStringLiteral(".log");
        MyIni(nullptr, m_yesterdayLog).setValue(QStringLiteral("SubmitYN"), QStringLiteral("0"));
        MyIni(nullptr, m_yesterdayLog).setValue(QStringLiteral("OpenStr1"), QStringLiteral("a=b&c"));
        MyIni(nullptr, g_sLogDir + QStringLiteral("/20200101.log"))
            .setValue(QStringLiteral("SubmitYN"), QStringLiteral("1"));

        QVERIFY(m_h.makeWindow());
    }

    void cleanupTestCase()
    {
        if (!m_window)
            return;
        m_fake.clearRequests();
        m_window->freeMem();
        // The offline report went out and was answered before the window let go.
        QCOMPARE(postsWith("type=online&live=0").size(), 1);
        m_window.reset();
    }

    void frameLayout()
    {
        QCOMPARE(m_window->size(), QSize(980, 716));
        for (const char *name : {"mainCentralWidget",
                                 "mainCentralWidgetMain",
                                 "left_widget",
                                 "labelUserImage",
                                 "mainm_swPlaylist",
                                 "mainm_wWeb",
                                 "webm_swWebView",
                                 "mainm_swFav",
                                 "webradiom_swWebViewRadio",
                                 "mainm_swLocal",
                                 "top_wTopBtnsPlaylist",
                                 "topm_wTopBtnsWeb",
                                 "topm_wTopBtnsFav",
                                 "top_wTopBtnsRadio",
                                 "topm_wTopBtnsLocal",
                                 "mSheBeiBeiJingTiao",
                                 "playpanel",
                                 "volumeslider",
                                 "RightSearchEdt",
                                 "WgtNavigateBar"}) {
            // The slider has no parent: the volume pop-up carries it.
            if (qstrcmp(name, "volumeslider") == 0)
                continue;
            QVERIFY2(child<QWidget>(name), name);
        }
        QVERIFY(m_window->m_pVolumeSlider);
        QCOMPARE(m_window->m_pVolumeSlider->objectName(), QStringLiteral("volumeslider"));
        QVERIFY(!child<QWidget>("mainCentralWidgetLrc")->isVisible());
        QVERIFY(!child<QWidget>("LeftBtnWoDeSheBei")->isVisible());
        QCOMPARE(m_window->m_pContentStack->currentIndex(), 1);
        QCOMPARE(m_window->m_pTopBarStack->currentIndex(), 1);
        // The play panel floats over its place in the grid.
        QCOMPARE(m_window->m_pPlayPanel->size(), QSize(978, 68));
        QCOMPARE(m_window->m_pPlayPanel->pos(),
                 m_window->m_pPlayPanelHolder->mapTo(m_window.get(), QPoint(0, 0)));
    }

    void homePageLoadsAfterShow()
    {
        MyWebView *home = m_window->m_webViews.first();
        QTRY_VERIFY_WITH_TIMEOUT(!requestsTo(QStringLiteral("/index.html")).isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(home->url().toString().endsWith(QLatin1String("/index.html")), 10000);
        // The other pages wait for their tab.
        QVERIFY(requestsTo(QStringLiteral("/geshou.html")).isEmpty());
        QVERIFY(requestsTo(QStringLiteral("/zhuanti.html")).isEmpty());
    }

    void leftNavigationSwitchesBothStacks_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("index");
        QTest::newRow("play lists") << "left_tbPlaylist" << 0;
        QTest::newRow("radio is third but page 3") << "left_tbRadio" << 3;
        QTest::newRow("favourites is fourth but page 2") << "left_tbFav" << 2;
        QTest::newRow("local") << "left_tbLocal" << 4;
        QTest::newRow("web") << "left_tbWeb" << 1;
    }
    void leftNavigationSwitchesBothStacks()
    {
        QFETCH(QString, button);
        QFETCH(int, index);
        auto *tool = m_window->findChild<QToolButton *>(button);
        QVERIFY(tool);
        QTest::mouseClick(tool, Qt::LeftButton);
        QCOMPARE(m_window->m_pContentStack->currentIndex(), index);
        QCOMPARE(m_window->m_pTopBarStack->currentIndex(), index);
        QVERIFY(tool->isChecked());
    }

    void localButtonShowsAlbumsAndHidesBadge()
    {
        m_window->m_pLabelNewSongs->show();
        QTest::mouseClick(m_window->m_pTbLocal, Qt::LeftButton);
        QVERIFY(!m_window->m_pLabelNewSongs->isVisible());
        QCOMPARE(m_window->m_pLocalStack->currentIndex(), 1);
        QVERIFY(m_window->m_pLabelLocalAlbumCount->isVisible());
        QVERIFY(!m_window->m_pLabelLocalDirCount->isVisible());
        QTest::mouseClick(m_window->m_pTbWeb, Qt::LeftButton);
    }

    void webTabReturnsToItsStartPage()
    {
        QTest::mouseClick(m_window->m_pWebTabs->button(2), Qt::LeftButton);
        MyWebView *singers = m_window->m_webViews.at(2);
        QTRY_VERIFY_WITH_TIMEOUT(singers->url().toString().endsWith(QLatin1String("/geshou.html")), 10000);
        QTest::mouseClick(m_window->m_pWebTabs->button(4), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(requestsTo(QStringLiteral("/zhuanti.html")).size(), 1, 10000);
        // The topic page loads only the first time it is shown.
        QTest::mouseClick(m_window->m_pWebTabs->button(0), Qt::LeftButton);
        QTest::mouseClick(m_window->m_pWebTabs->button(4), Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(requestsTo(QStringLiteral("/zhuanti.html")).size(), 1);
        QTest::mouseClick(m_window->m_pWebTabs->button(0), Qt::LeftButton);
    }

    void backgroundRule_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("expected");
        const QString skin = QStringLiteral(KVR_OUTPUT_DIR) + QStringLiteral("/images/bkimg/bg_mist.png");
        // The path is quoted: a folder with blanks or brackets would end an unquoted url().
        const QString rule = QStringLiteral(
            "#mainCentralWidget,#miniWgt{background-image:url(\"%1\");background-repeat:no-repeat;}");
        const QString fallback = rule.arg(QStringLiteral(":/qss/debug/images/btnimage/else/mainbk-text.png"));
        QTest::newRow("nothing stored") << QString() << QString() << fallback;
        QTest::newRow("existing picture") << skin << QString() << rule.arg(skin);
        QTest::newRow("moved picture found among the skins")
            << "/gone/bg_mist.png" << QString() << rule.arg(skin);
        QTest::newRow("moved picture unknown") << "/gone/nothing.png" << QString() << fallback;
        QTest::newRow("plain colour")
            << ""
            << "#336699"
            << "#mainCentralWidget,#miniWgt{background-image:url();background-color:#336699;}";
        QTest::newRow("empty picture, no colour") << ""
                                                  << "" << fallback;
    }
    void backgroundRule()
    {
        QFETCH(QString, image);
        QFETCH(QString, colour);
        QFETCH(QString, expected);
        {
            QSettings ini(g_sDataDir + QStringLiteral("/configu.ini"), QSettings::IniFormat);
            ini.remove(QStringLiteral("bk"));
            if (!image.isNull())
                ini.setValue(QStringLiteral("bk/bkimage"), image);
            if (!colour.isNull())
                ini.setValue(QStringLiteral("bk/bkclr"), colour);
        }
        QCOMPARE(m_window->backgroundStyleSheet(), expected);
    }

    void startGeometry_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("1366x728") << QRect(0, 0, 1366, 728) << QRect(193, 6, 980, 716);
        QTest::newRow("small desktop") << QRect(0, 0, 800, 560) << QRect(0, 0, 800, 560);
        QTest::newRow("task bar on top: the offset is not added")
            << QRect(0, 40, 1366, 728) << QRect(193, 6, 980, 716);
    }
    void startGeometry()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, expected);
        QCOMPARE(MainWindow::startGeometry(available), expected);
    }

    void playlistBadge_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("9") << 9 << "9" << 12;
        QTest::newRow("10") << 10 << "10" << 16;
        QTest::newRow("99") << 99 << "99" << 16;
        QTest::newRow("100") << 100 << "99+" << 20;
    }
    void playlistBadge()
    {
        QFETCH(int, count);
        QFETCH(QString, text);
        QFETCH(int, width);
        m_window->updateCountLabels(5, count);
        QCOMPARE(m_window->m_pLabelPlaylistBadge->text(), text);
        QVERIFY(m_window->m_pLabelPlaylistBadge->styleSheet().contains(
            QStringLiteral("min-width:%1px").arg(width)));
        QCOMPARE(m_window->m_pCountPlaylistAll->text(), QStringLiteral("共%1首歌曲").arg(count));
        // An unknown kind changes nothing.
        m_window->updateCountLabels(9, 1);
        QCOMPARE(m_window->m_pLabelPlaylistBadge->text(), text);
    }

    void radioChannels()
    {
        // Three channels in the fixture: one button and one page each, only the first loaded.
        QTRY_COMPARE_WITH_TIMEOUT(m_window->m_fmChannels.size(), 3, 10000);
        QCOMPARE(m_window->m_pRadioStack->count(), 3);
        QCOMPARE(m_window->m_pFmGroup->buttons().size(), 3);
        QCOMPARE(m_window->m_fmChannels.first().button->text(), QStringLiteral("流行"));
        QVERIFY(m_window->m_fmChannels.first().button->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(requestsTo(QStringLiteral("/fm/1.html")).size(), 1, 10000);
        QVERIFY(requestsTo(QStringLiteral("/fm/2.html")).isEmpty());
        // A channel's page loads when its button is first clicked, and not again.
        QTest::mouseClick(m_window->m_pTbRadio, Qt::LeftButton);
        QTest::mouseClick(m_window->m_fmChannels.at(1).button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(requestsTo(QStringLiteral("/fm/2.html")).size(), 1, 10000);
        QTest::mouseClick(m_window->m_fmChannels.at(0).button, Qt::LeftButton);
        QTest::mouseClick(m_window->m_fmChannels.at(1).button, Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(requestsTo(QStringLiteral("/fm/2.html")).size(), 1);
        QTest::mouseClick(m_window->m_pTbWeb, Qt::LeftButton);

        // A second channel list replaces the row.
        m_window->setRadioChannels(
            {{QStringLiteral("古典"), m_fake.baseUrl(FakeHost::Service) + QStringLiteral("/fm/9.html")}});
        QCOMPARE(m_window->m_fmChannels.size(), 1);
        QCOMPARE(m_window->m_pRadioStack->count(), 1);
        QCOMPARE(m_window->m_pFmGroup->buttons().size(), 1);
    }

    void startupReportsAndLogUpload()
    {
        QVERIFY(!requestsTo(QStringLiteral("/do/apiHandler.ashx")).isEmpty()); // the play-state query
        QTRY_VERIFY_WITH_TIMEOUT(!requestsTo(QStringLiteral("/client/ip.ashx")).isEmpty(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(postsWith("&live=1").size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(postsWith("type=log").size(), 1, 10000);
        const FakeRequest upload = postsWith("type=log").first();
        const QString name = QFileInfo(m_yesterdayLog).fileName();
        QVERIFY(upload.body.contains("fileName=" + name.toUtf8()));
        // The log's own "=" and "&" are percent-encoded, so the form keeps its shape.
        QVERIFY(upload.body.contains("a%3Db%26c"));
        QTRY_COMPARE_WITH_TIMEOUT(MyIni(nullptr, m_yesterdayLog).value(QStringLiteral("SubmitYN")),
                                  QStringLiteral("1"), 10000);
        // Today's start was recorded in the day log.
        const QString today = g_sLogDir + QLatin1Char('/') +
                              QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                              QStringLiteral(".log");
        const QSettings todayLog(today, QSettings::IniFormat);
        bool openStr = false;
        for (const QString &key : todayLog.allKeys())
            openStr = openStr || key.startsWith(QLatin1String("OpenStr"));
        QVERIFY(openStr);
    }

    void secondStartTextReachesTheQueue()
    {
        WgtPlaylistAll *queue = m_window->m_pPlaylistAll;
        QSignalSpy added(queue, &WgtPlaylistAll::songsAdded);
        m_window->dealWithSecondStart(QStringLiteral("kvr"));
        QCOMPARE(added.size(), 0);
        const QString song = QStringLiteral("/音乐/第二次.mp3");
        m_window->dealWithSecondStart(song);
        QCOMPARE(added.size(), 1);
        QCOMPARE(added.first().at(0).toStringList(), QStringList{song});
        QVERIFY(added.first().at(1).toBool());
        // It plays from the top of the queue.
        QCOMPARE(g_songInfo(queue->model()->item(0))->filePath, song);
        QCOMPARE(g_pSongPlayHandler->m_curSong.title, QStringLiteral("第二次"));
    }

    void aSongThatEndsIsRecorded()
    {
        // Quick and silent: the device plays ten times faster than real time.
        const QString song = m_dir.filePath(QStringLiteral("歌手 - 听完.mp3"));
        QVERIFY(makeToneMp3(song, 0.4));
        WgtPlaylistAll *queue = m_window->m_pPlaylistAll;
        WgtPlaylistRecent *recent = m_window->m_pPlaylistRecent;
        WgtPlaylistChart *chart = m_window->m_pPlaylistChart;
        const int mode = g_nPlayMode;
        g_nPlayMode = 1; // in order: after the last row the queue stops
        queue->addSongstoList({song}, true, false, 0);
        QCOMPARE(m_window->m_pLabelPlaylistBadge->text(), QString::number(queue->rowCount()));
        QTRY_COMPARE_WITH_TIMEOUT(recent->rowCount(), 1, 15000);
        QCOMPARE(g_songInfo(recent->model()->item(0))->filePath, song);
        QCOMPARE(chart->rowCount(), 1);
        QCOMPARE(g_songInfo(chart->model()->item(0))->count, 1);
        QCOMPARE(m_window->m_pCountPlaylistRecent->text(), QStringLiteral("共1首歌曲"));
        QCOMPARE(recent->countLabel()->text(), QStringLiteral("1首"));
        g_nPlayMode = mode;
    }

    void drivesComeAndGo()
    {
        writeMounts(true);
        // The volume watcher notices the new table by itself.
        QTRY_VERIFY_WITH_TIMEOUT(m_window->m_pBtnSheBei->isVisible(), 5000);
        QVERIFY(m_window->m_pLabelNewDevice->isVisible());
        QTRY_VERIFY(m_window->m_pUsbDlg);
        QVERIFY(m_window->m_pUsbDlg->textLabel()->text().contains(QStringLiteral("U盘")));
        QCOMPARE(m_window->getUsbDrives(), m_stick);

        QTest::mouseClick(m_window->m_pBtnSheBei, Qt::LeftButton);
        QCOMPARE(m_window->m_pContentStack->currentIndex(), 5);

        writeMounts(false);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->m_pBtnSheBei->isVisible(), 5000);
        QVERIFY(!m_window->m_pLabelNewDevice->isVisible());
        QTRY_VERIFY(!m_window->m_pUsbDlg);
        // With the device gone the web pages come back, in both stacks.
        QCOMPARE(m_window->m_pContentStack->currentIndex(), 1);
        QCOMPARE(m_window->m_pTopBarStack->currentIndex(), 1);
        QVERIFY(m_window->m_pTbWeb->isChecked());
        QCOMPARE(m_window->getUsbDrives(), QString());
    }

    void screenshots()
    {
        QTest::mouseClick(m_window->m_pTbWeb, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->m_webViews.first()->lastLoadOk(), 10000);
        QTest::qWait(500);
        const QString folder = QStringLiteral(KVR_BINARY_DIR) + QStringLiteral("/screenshots");
        QVERIFY(QDir().mkpath(folder));
        const bool doubled = qgetenv("QT_SCALE_FACTOR") == "2";
        const QString file =
            folder + (doubled ? QStringLiteral("/mainwindow@2x.png") : QStringLiteral("/mainwindow.png"));
        QVERIFY(m_window->grab().save(file));
        QTest::mouseClick(m_window->m_pTbPlaylist, Qt::LeftButton);
        QTest::qWait(200);
        QVERIFY(m_window->grab().save(folder + (doubled ? QStringLiteral("/mainwindow-queue@2x.png")
                                                        : QStringLiteral("/mainwindow-queue.png"))));

        // The downloads: one finished, one under way, one waiting.
        QByteArray bytes(400000, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        for (const char *path : {"/mp3/shot0.mp3", "/mp3/shot1.mp3", "/mp3/shot2.mp3"})
            m_fake.serveFile(FakeHost::Files, path, bytes, "audio/mpeg");
        m_fake.setFault(FakeHost::Files, "/mp3/shot1.mp3", FakeFault::stallAfter(150000));
        const int maxDownloads = g_nMaxDownloads;
        g_nMaxDownloads = 2;
        g_bMainUrlOk = true;
        downloadWgt *downloads = m_window->m_pLocalLists->downloadPage();
        const QStringList titles{QStringLiteral("晴天"), QStringLiteral("七里香"), QStringLiteral("稻香")};
        for (int i = 0; i < 3; ++i)
            m_window->downloadSong(m_fake.baseUrl(FakeHost::Files) + QStringLiteral("/mp3/shot%1.mp3").arg(i),
                                   titles.at(i), QStringLiteral("周小伦"), QString(),
                                   QStringLiteral("0.38 M"), QStringLiteral("03:20"),
                                   QString::number(900 + i));
        QTRY_VERIFY_WITH_TIMEOUT(downloads->recordOf(0) && downloads->recordOf(0)->fin &&
                                     downloads->recordOf(1)->progress > 0,
                                 20000);
        QTest::mouseClick(m_window->m_pTbLocal, Qt::LeftButton);
        m_window->showTheLocalWgt(1);
        QTest::qWait(1200);
        QVERIFY(m_window->grab().save(folder + (doubled ? QStringLiteral("/mainwindow-downloads@2x.png")
                                                        : QStringLiteral("/mainwindow-downloads.png"))));
        m_fake.clearFaults();
        m_fake.releaseStalls();
        QTRY_VERIFY_WITH_TIMEOUT(downloads->curDowningCount() == 0, 20000);
        g_nMaxDownloads = maxDownloads;
        QTest::mouseClick(m_window->m_pTbWeb, Qt::LeftButton);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"

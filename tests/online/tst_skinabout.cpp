// The skin pop-up (its thumbnails, applying and storing a picture, opening and closing) and the
// About dialog (its texts, version and link), with pictures of both at the player's look.

#include "WindowScreenshots.h"
#include "online/SkinStyle.h"
#include "online/WgtAbout.h"
#include "online/WgtSkinSet.h"
#include "services/core/Globals.h"
#include "services/net/ServiceEndpoints.h"
#include "shell/kvrTitleBar.h"

#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// Fixture pictures are single colours, so a shown picture tells which file it came from.
bool writePicture(const QString &path, const QColor &colour, QSize size = QSize(80, 50))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

QColor colourOf(const QString &name)
{
    // Distinct, stable colours from the file name.
    const uint h = qHash(name, 7u);
    return QColor(int(h & 0xff), int((h >> 8) & 0xff), int((h >> 16) & 0xff));
}

// JPEG keeps a single colour only nearly.
bool sameColour(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 4 && qAbs(a.green() - b.green()) <= 4 && qAbs(a.blue() - b.blue()) <= 4;
}

QList<PicLabel *> slotsOf(WgtSkinSet &popup)
{
    auto *container = popup.findChild<QFrame *>(QStringLiteral("mainm_pwgtSkin_container"));
    auto *grid = qobject_cast<QGridLayout *>(container ? container->layout() : nullptr);
    QList<PicLabel *> labels;
    if (!grid)
        return labels;
    for (int slot = 0; slot < 9; ++slot) {
        QLayoutItem *item = grid->itemAtPosition(slot / 3, slot % 3);
        labels << (item ? qobject_cast<PicLabel *>(item->widget()) : nullptr);
    }
    return labels;
}

QColor centreColour(const QLabel *label)
{
    const QImage image = label->pixmap().toImage();
    return image.isNull() ? QColor() : QColor(image.pixel(image.width() / 2, image.height() / 2));
}

// A stand-in for the main window: the frame the background rule selects and the skin button.
struct FakeMainWindow
{
    QWidget window;
    QFrame *central = nullptr;
    QToolButton *skinButton = nullptr;

    FakeMainWindow()
    {
        window.setObjectName(QStringLiteral("mainwnd"));
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setGeometry(40, 30, 980, 716);
        central = new QFrame(&window);
        central->setObjectName(QStringLiteral("mainCentralWidget"));
        central->setGeometry(0, 0, 980, 716);
        skinButton = new QToolButton(&window);
        skinButton->setObjectName(QStringLiteral("btnSkin"));
        skinButton->setGeometry(798, 7, 26, 26);
    }

    QColor backgroundAt(QPoint p)
    {
        return QColor(window.grab().toImage().pixel(p * window.devicePixelRatio()));
    }
};

} // namespace

class TestSkinAbout : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sSavedAppDir;
    QString m_sSavedDataDir;

    // A program folder whose name has blanks and brackets, which a style-sheet url() must survive.
    QString appDir() const { return m_dir.filePath(QStringLiteral("my player (test)")); }
    QString skinDir() const { return appDir() + QStringLiteral("/images/bkimg/"); }
    QString iniPath() const { return g_sDataDir + QStringLiteral("/configu.ini"); }
    void resetFolders()
    {
        QDir(appDir()).removeRecursively();
        QDir(g_sDataDir).removeRecursively();
        QVERIFY(QDir().mkpath(skinDir()));
        QVERIFY(QDir().mkpath(g_sDataDir));
    }
    void addPictures(const QStringList &names)
    {
        // Thumbnails and the empty slot's picture at their size, the full pictures at the window's.
        for (const QString &name : names) {
            const bool small =
                name.contains(QLatin1String("_mini")) || name.contains(QLatin1String("__empty"));
            QVERIFY(writePicture(skinDir() + name, colourOf(name), small ? QSize(80, 50) : QSize(980, 716)));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(WindowScreenshots::dressApplication(), "ss.css is missing or does not decipher");
        m_sSavedAppDir = g_sAppDir;
        m_sSavedDataDir = g_sDataDir;
        g_sAppDir = appDir();
        g_sDataDir = m_dir.filePath(QStringLiteral("data"));
    }
    void cleanupTestCase()
    {
        g_sAppDir = m_sSavedAppDir;
        g_sDataDir = m_sSavedDataDir;
    }
    void init()
    {
        resetFolders();
        g_bChangingSkin = false;
    }

    void thumbnails_data();
    void thumbnails();
    void thumbnailKeepsProportions();
    void clickAppliesAndStores();
    void emptySlotAndBusyClicksDoNothing();
    void backgroundRulesShow_data();
    void backgroundRulesShow();
    void openAndClose();
    void aboutTexts_data();
    void aboutTexts();
    void aboutLinkAndPlace();
    void screenshots();
};

// ---- skins ----

void TestSkinAbout::thumbnails_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("expected"); // the thumbnails of slots 0.., the rest are empty

    const QStringList full = {QStringLiteral("a.png"), QStringLiteral("bg.png"),
                              QStringLiteral("bg__empty.png")};
    QTest::newRow("default first") << (full + QStringList{QStringLiteral("a_mini.png"),
                                                          QStringLiteral("bg_mini.png"),
                                                          QStringLiteral("c_mini.jpg")})
                                   << QStringList{QStringLiteral("bg_mini.png"), QStringLiteral("a_mini.png"),
                                                  QStringLiteral("c_mini.jpg")};
    QTest::newRow("other types and names left out")
        << QStringList{QStringLiteral("bg__empty.png"), QStringLiteral("d_mini.jpeg"),
                       QStringLiteral("e_mini.bmp"), QStringLiteral("minimal.png"),
                       QStringLiteral("f_mini.png")}
        << QStringList{QStringLiteral("d_mini.jpeg"), QStringLiteral("f_mini.png")};
    QStringList many{QStringLiteral("bg__empty.png")};
    for (int i = 0; i < 10; ++i)
        many << QStringLiteral("t%1_mini.png").arg(i);
    many << QStringLiteral("bg_mini.png");
    // Eleven thumbnails, the default background already first by name: the last two are not shown.
    QTest::newRow("ten and more: the first nine")
        << many << QStringList{QStringLiteral("bg_mini.png"), QStringLiteral("t0_mini.png"),
                               QStringLiteral("t1_mini.png"), QStringLiteral("t2_mini.png"),
                               QStringLiteral("t3_mini.png"), QStringLiteral("t4_mini.png"),
                               QStringLiteral("t5_mini.png"), QStringLiteral("t6_mini.png"),
                               QStringLiteral("t7_mini.png")};
    QStringList swapped{QStringLiteral("bg__empty.png")};
    for (const char *name : {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "bg"})
        swapped << QLatin1String(name) + QStringLiteral("_mini.png");
    // The default background was tenth: it takes the first slot, the first goes to its place.
    QTest::newRow("default swapped in from beyond the ninth")
        << swapped << QStringList{QStringLiteral("bg_mini.png"), QStringLiteral("a1_mini.png"),
                                  QStringLiteral("a2_mini.png"), QStringLiteral("a3_mini.png"),
                                  QStringLiteral("a4_mini.png"), QStringLiteral("a5_mini.png"),
                                  QStringLiteral("a6_mini.png"), QStringLiteral("a7_mini.png"),
                                  QStringLiteral("a8_mini.png")};
    QTest::newRow("no thumbnails") << QStringList{QStringLiteral("bg__empty.png")} << QStringList{};
}

void TestSkinAbout::thumbnails()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, expected);
    addPictures(files);

    FakeMainWindow main;
    WgtSkinSet popup(&main.window);
    const QList<PicLabel *> labels = slotsOf(popup);
    QCOMPARE(labels.size(), 9);
    for (int slot = 0; slot < 9; ++slot) {
        PicLabel *label = labels.at(slot);
        QVERIFY(label);
        QCOMPARE(label->objectName(), QStringLiteral("mainm_pwgtSkin_label"));
        QCOMPARE(label->toolTip(), QStringLiteral("点击设置此图为背景图"));
        QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
        const QString tag = QStringLiteral("slot %1").arg(slot);
        if (slot < expected.size()) {
            QCOMPARE(label->m_nType, 0);
            QCOMPARE(label->m_sImage, skinDir() + expected.at(slot));
            QVERIFY2(sameColour(centreColour(label), colourOf(expected.at(slot))), qPrintable(tag));
        } else {
            QCOMPARE(label->m_nType, -1);
            QVERIFY(label->m_sImage.isEmpty());
            QVERIFY2(sameColour(centreColour(label), colourOf(QStringLiteral("bg__empty.png"))),
                     qPrintable(tag));
        }
    }
}

void TestSkinAbout::thumbnailKeepsProportions()
{
    QVERIFY(writePicture(skinDir() + QStringLiteral("wide_mini.png"), Qt::red, QSize(320, 60)));
    QVERIFY(writePicture(skinDir() + QStringLiteral("tall_mini.png"), Qt::blue, QSize(40, 100)));
    FakeMainWindow main;
    WgtSkinSet popup(&main.window);
    const QList<PicLabel *> labels = slotsOf(popup);
    QCOMPARE(labels.at(0)->m_sImage, skinDir() + QStringLiteral("tall_mini.png"));
    QCOMPARE(labels.at(0)->pixmap().size(), QSize(20, 50));
    QCOMPARE(labels.at(1)->pixmap().size(), QSize(80, 15));
    // Without the folder's empty picture the empty slots show nothing, and still do nothing.
    QVERIFY(labels.at(2)->pixmap().isNull());
}

void TestSkinAbout::clickAppliesAndStores()
{
    addPictures({QStringLiteral("bg.png"), QStringLiteral("bg_mini.png"), QStringLiteral("sea.jpg"),
                 QStringLiteral("sea_mini.jpg"), QStringLiteral("bg__empty.png")});
    FakeMainWindow main;
    WgtSkinSet popup(&main.window);
    const QList<PicLabel *> labels = slotsOf(popup);
    QCOMPARE(labels.at(1)->m_sImage, skinDir() + QStringLiteral("sea_mini.jpg"));

    // Any stored colour stays: a stored picture takes precedence over it at start-up.
    QSettings(iniPath(), QSettings::IniFormat).setValue(SkinKeys::kBkColour, QStringLiteral("#102030"));
    QTest::mousePress(labels.at(1), Qt::LeftButton);
    const QString picture = skinDir() + QStringLiteral("sea.jpg");
    QCOMPARE(main.window.styleSheet(), skinPictureStyleSheet(picture));
    QVERIFY(!g_bChangingSkin);
    QSettings ini(iniPath(), QSettings::IniFormat);
    QCOMPARE(ini.value(SkinKeys::kBkImage).toString(), picture);
    QCOMPARE(ini.value(SkinKeys::kBkColour).toString(), QStringLiteral("#102030"));
    // The full picture shows, not its thumbnail, although the folder's name has blanks and brackets.
    QVERIFY(sameColour(main.backgroundAt(QPoint(500, 400)), colourOf(QStringLiteral("sea.jpg"))));

    labels.at(0)->changeSkin();
    QVERIFY(sameColour(main.backgroundAt(QPoint(500, 400)), colourOf(QStringLiteral("bg.png"))));
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value(SkinKeys::kBkImage).toString(),
             skinDir() + QStringLiteral("bg.png"));
}

void TestSkinAbout::emptySlotAndBusyClicksDoNothing()
{
    addPictures({QStringLiteral("bg_mini.png"), QStringLiteral("bg__empty.png")});
    FakeMainWindow main;
    main.window.setStyleSheet(QStringLiteral("#mainCentralWidget{background-color:#123456;}"));
    const QString before = main.window.styleSheet();
    WgtSkinSet popup(&main.window);
    const QList<PicLabel *> labels = slotsOf(popup);

    QTest::mousePress(labels.at(4), Qt::LeftButton);
    QCOMPARE(main.window.styleSheet(), before);

    g_bChangingSkin = true;
    QTest::mousePress(labels.at(0), Qt::LeftButton);
    QCOMPARE(main.window.styleSheet(), before);
    g_bChangingSkin = false;

    QVERIFY(!QFile::exists(iniPath()));
    // A picture that is gone is stored all the same; the window is left without a picture.
    QVERIFY(QFile::remove(skinDir() + QStringLiteral("bg_mini.png")));
    QTest::mousePress(labels.at(0), Qt::LeftButton);
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value(SkinKeys::kBkImage).toString(),
             skinDir() + QStringLiteral("bg.png"));
}

void TestSkinAbout::backgroundRulesShow_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("picture") << skinPictureStyleSheet(skinDir() + QStringLiteral("x.png"))
                             << colourOf(QStringLiteral("x.png"));
    // The main window's built-in default, a resource.
    const QString builtIn = QStringLiteral(":/qss/debug/images/btnimage/else/mainbk-text.png");
    QTest::newRow("resource picture")
        << skinPictureStyleSheet(builtIn) << QColor(QImage(builtIn).pixel(300, 200));
    QTest::newRow("colour") << skinColourStyleSheet(QStringLiteral("#3A7F5C")) << QColor(0x3A, 0x7F, 0x5C);
    QTest::newRow("colour after a picture") << skinPictureStyleSheet(skinDir() + QStringLiteral("x.png")) +
                                                   skinColourStyleSheet(QStringLiteral("#3A7F5C"))
                                            << QColor(0x3A, 0x7F, 0x5C);
}

// The rules the main window will also use at start-up: what they show on the frame they select.
void TestSkinAbout::backgroundRulesShow()
{
    QFETCH(QString, rule);
    QFETCH(QColor, expected);
    // Smaller than the window: shown once, not tiled.
    QVERIFY(writePicture(skinDir() + QStringLiteral("x.png"), colourOf(QStringLiteral("x.png")),
                         QSize(600, 400)));
    FakeMainWindow main;
    main.window.setStyleSheet(rule);
    QCOMPARE(main.backgroundAt(QPoint(300, 200)), expected);
    if (rule.contains(QLatin1String("x.png")) && !rule.contains(QLatin1String("background-color")))
        QVERIFY(main.backgroundAt(QPoint(800, 600)) != expected);
}

void TestSkinAbout::openAndClose()
{
    FakeMainWindow main;
    main.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    WgtSkinSet popup(&main.window);
    QCOMPARE(popup.focusPolicy(), Qt::ClickFocus);
    QVERIFY(popup.isWindow());
    QVERIFY(popup.windowFlags() & Qt::FramelessWindowHint);
    connect(main.skinButton, &QToolButton::clicked, &popup, &WgtSkinSet::showWgt);

    main.skinButton->click();
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.pos(), main.window.pos() + QPoint(693, 30));

    // Focus lost elsewhere: hidden, and the skin button opens it again.
    QCursor::setPos(5, 5);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&popup, &out);
    QVERIFY(!popup.isVisible());
    main.skinButton->click();
    QVERIFY(popup.isVisible());

    // Focus lost to the skin button: the same click closes it and does not reopen it; the next does.
    QCursor::setPos(main.skinButton->mapToGlobal(QPoint(13, 13)));
    QApplication::sendEvent(&popup, &out);
    QVERIFY(!popup.isVisible());
    main.skinButton->click();
    QVERIFY(!popup.isVisible());
    QVERIFY(!popup.m_bSkipShow);
    main.skinButton->click();
    QVERIFY(popup.isVisible());
    popup.hide();
}

// ---- About ----

void TestSkinAbout::aboutTexts_data()
{
    QTest::addColumn<QString>("configIni"); // empty: no file
    QTest::addColumn<QString>("version");
    QTest::newRow("installed version")
        << QStringLiteral("[General]\nsoftver=2.1.3\n") << QStringLiteral("2.1.3");
    QTest::newRow("no config.ini") << QString() << QStringLiteral("1.0");
    QTest::newRow("no softver") << QStringLiteral("[General]\nselfupdate=0\n") << QStringLiteral("1.0");
    QTest::newRow("empty softver") << QStringLiteral("[General]\nsoftver=\n") << QStringLiteral("1.0");
}

void TestSkinAbout::aboutTexts()
{
    QFETCH(QString, configIni);
    QFETCH(QString, version);
    if (!configIni.isNull()) {
        QFile file(appDir() + QStringLiteral("/config.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(configIni.toUtf8());
    }
    WgtAbout about;
    QCOMPARE(about.objectName(), QStringLiteral("WgtAbout"));
    QCOMPARE(about.windowTitle(), QStringLiteral("关于澜韵音乐"));
    QCOMPARE(about.findChild<kvrTitleBar *>()->m_pLabelTitle->text(), QStringLiteral("关于澜韵音乐"));
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(about.testAttribute(Qt::WA_TranslucentBackground)); // offscreen counts as composited
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("WgtAbout_pLabelB143"))->text(),
             QStringLiteral("澜韵音乐2014"));
    const QList<QLabel *> lines = about.findChildren<QLabel *>(QStringLiteral("WgtAbout_pLabel129"));
    QVERIFY(lines.size() >= 1);
    QCOMPARE(lines.first()->text(), QStringLiteral(" 版本号:V") + version);
    QVERIFY(!about.findChild<QLabel *>(QStringLiteral("WgtAbout_pLabelPic"))->pixmap().isNull());
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

void TestSkinAbout::aboutLinkAndPlace()
{
    ServiceHosts hosts = ServiceHosts::builtIn();
    hosts.site = QStringLiteral("http://site.test.example:8080");
    g_setServiceHosts(hosts);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    const auto restore = qScopeGuard([] {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        g_setServiceHosts(ServiceHosts::builtIn());
    });

    QWidget main(nullptr, Qt::FramelessWindowHint);
    main.setGeometry(100, 80, 980, 716);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    WgtAbout about(&main);
    auto *link = about.findChild<QToolButton *>(QStringLiteral("WgtAbout_tbUrl"));
    QCOMPARE(link->text(), QStringLiteral("http://site.test.example:8080/"));
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    link->click();
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("http://site.test.example:8080/"))});

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(qAbs(about.geometry().center().x() - main.geometry().center().x()) <= 1);
    QVERIFY(qAbs(about.geometry().center().y() - main.geometry().center().y()) <= 1);
    // The title bar's close button closes it.
    about.findChild<kvrTitleBar *>()->m_pBtnClose->click();
    QVERIFY(!about.isVisible());
}

// ---- pictures ----

void TestSkinAbout::screenshots()
{
    // The installed program folder: its skin pictures and its "config.ini".
    g_sAppDir = QStringLiteral(KVR_OUTPUT_DIR);
    const auto restore = qScopeGuard([this] { g_sAppDir = appDir(); });

    FakeMainWindow main;
    main.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    WgtSkinSet popup(&main.window);
    popup.setObjectName(QStringLiteral("mainm_pwgtSkin"));
    // Where the main window opens it, with the pointer away from every thumbnail.
    QCursor::setPos(5, 5);
    popup.showWgt();
    QVERIFY(WindowScreenshots::settle(&popup));
    QCOMPARE(popup.size(), QSize(282, 192));
    const QList<PicLabel *> labels = slotsOf(popup);
    QCOMPARE(labels.at(0)->m_sImage, QStringLiteral(KVR_OUTPUT_DIR "/images/bkimg/bg_mini.png"));
    // Every thumbnail lies inside the card.
    for (PicLabel *label : labels)
        QVERIFY(QRect(QPoint(0, 0), popup.size())
                    .contains(QRect(label->mapTo(&popup, QPoint(0, 0)), label->size())));
    QVERIFY(WindowScreenshots::save(WindowScreenshots::onBackdrop(popup.grab(), 24),
                                    QStringLiteral("skin-popup")));
    popup.hide();

    WgtAbout about(&main.window);
    QVERIFY(WindowScreenshots::settle(&about));
    const QString clipped = WindowScreenshots::clippedText(&about);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped));
    QVERIFY(
        WindowScreenshots::save(WindowScreenshots::onBackdrop(about.grab(), 24), QStringLiteral("about")));
    about.close();
}

QTEST_MAIN(TestSkinAbout)
#include "tst_skinabout.moc"

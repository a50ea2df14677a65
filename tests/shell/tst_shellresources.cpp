// The embedded pictures and translation, and the installation files the build puts beside the
// programs: the enciphered style sheet with its variable section, the settings files and skins.

#include "kvrutil/SimpleCrypt.h"
#include "shell/kvrPixmap.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QSettings>
#include <QTest>
#include <QTranslator>

namespace {
const QString kOutput = QStringLiteral(KVR_OUTPUT_DIR);

QString decipheredStyleSheet()
{
    QFile file(kOutput + QStringLiteral("/ss.css"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // The same road as the player: the file is base64 text, deciphered into local 8-bit text.
    const QString cipher = QString::fromLatin1(file.readAll());
    QByteArray buffer(4000000, '\0');
    SimpleCrypt crypt;
    const int n = crypt.decryptToString(cipher, buffer.data(), buffer.size());
    return QString::fromLocal8Bit(buffer.constData(), n);
}

// The style-variable lookup as the player does it: after the name and one character, up to ";".
QString styleValue(const QString &vars, const QString &name)
{
    const int at = vars.indexOf(name);
    if (at < 0)
        return QString();
    const int start = at + name.size() + 1;
    const int end = vars.indexOf(u';', start);
    return end < 0 ? QString() : vars.mid(start, end - start);
}
} // namespace

class TestShellResources : public QObject
{
    Q_OBJECT

private slots:
    void picturesAreEmbedded_data();
    void picturesAreEmbedded();
    void hiDpiNames();
    void applicationIcon();
    void chineseTranslationLoads();
    void styleSheetDeciphersWithItsVariables();
    void styleSheetParses();
    void installationFiles();
};

void TestShellResources::picturesAreEmbedded_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("message box") << ":/qss/debug/images/btnimage/tp/noticeTips.png" << QSize(36, 36);
    QTest::newRow("empty list") << ":/rs/kongkong.png" << QSize(151, 151);
    QTest::newRow("seek handle") << ":/rs/progressBarBtn" << QSize(32, 32);
    QTest::newRow("default background")
        << ":/qss/debug/images/btnimage/else/mainbk-text.png" << QSize(980, 716);
    QTest::newRow("close") << ":/qss/debug/images/btnimage/shell/close.png" << QSize(10, 10);
    QTest::newRow("volume") << ":/qss/debug/images/btnimage/shell/volume.png" << QSize(18, 18);
    QTest::newRow("muted") << ":/qss/debug/images/btnimage/shell/mute.png" << QSize(18, 18);
    QTest::newRow("radio") << ":/qss/debug/images/btnimage/shell/radio_on.png" << QSize(14, 14);
}

void TestShellResources::picturesAreEmbedded()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    // Every small picture has its sharp twin for 2x screens.
    if (size.width() < 200) {
        const QImage twice(kvrPixmapHiDpiName(path));
        QCOMPARE(twice.size(), size * 2);
    }
}

void TestShellResources::hiDpiNames()
{
    QCOMPARE(kvrPixmapHiDpiName(QStringLiteral(":/rs/kongkong.png")), QStringLiteral(":/rs/kongkong@2x.png"));
    QCOMPARE(kvrPixmapHiDpiName(QStringLiteral(":/rs/progressBarBtn")),
             QStringLiteral(":/rs/progressBarBtn@2x"));
    QCOMPARE(kvrPixmapHiDpiName(QStringLiteral(":/a.b/c")), QStringLiteral(":/a.b/c@2x"));
    QCOMPARE(kvrPixmap(QStringLiteral(":/rs/kongkong.png")).size(), QSize(151, 151));
}

void TestShellResources::applicationIcon()
{
    QImageReader reader(QStringLiteral(":/new/prefix1/vyo.ico"));
    QVERIFY(reader.canRead());
    QVERIFY(reader.imageCount() >= 6);
    const QIcon icon(QStringLiteral(":/new/prefix1/vyo.ico"));
    QVERIFY(!icon.isNull());
    QList<int> sizes;
    for (const QSize &s : icon.availableSizes())
        sizes << s.width();
    for (int wanted : {16, 32, 48, 256})
        QVERIFY2(sizes.contains(wanted), qPrintable(QString::number(wanted)));
    // Drawn, not empty: the middle of the 32-pixel image is opaque.
    const QImage small = icon.pixmap(32, 32).toImage();
    QCOMPARE(qAlpha(small.pixel(16, 16)), 255);
}

void TestShellResources::chineseTranslationLoads()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":new/prefix1/qt_zh_CN")));
    QCOMPARE(translator.language(), QStringLiteral("zh_CN"));
    // A text of Qt's own dialogs, from the catalogue the top one pulls in.
    QCOMPARE(translator.translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
}

void TestShellResources::styleSheetDeciphersWithItsVariables()
{
    const QString css = decipheredStyleSheet();
    QVERIFY(!css.isEmpty());
    const int marker = css.indexOf(QStringLiteral("kvrkvrkvr*"));
    QVERIFY(marker > 0);
    const QString vars = css.left(marker);
    for (const char *name : {"wplNormal", "wplAlter", "zspLeft"}) {
        const QStringList parts = styleValue(vars, QLatin1String(name)).split(u',');
        QCOMPARE(parts.size(), 3);
        for (const QString &part : parts) {
            bool ok = false;
            const int v = part.toInt(&ok);
            QVERIFY2(ok && v >= 0 && v <= 255, name);
        }
    }
    // Each name appears once, so the first occurrence is the definition.
    for (const char *name : {"wplNormal", "wplAlter", "zspLeft"})
        QCOMPARE(css.count(QLatin1String(name)), 1);
    // The variables sit inside a comment that the mark's own "*" closes.
    QVERIFY(vars.trimmed().startsWith(QStringLiteral("/*")));
    QVERIFY(!vars.contains(QStringLiteral("*/")));
    QCOMPARE(css.mid(marker + 9, 2), QStringLiteral("*/"));
}

void TestShellResources::styleSheetParses()
{
    const QString css = decipheredStyleSheet();
    QVERIFY(!css.isEmpty());
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    qApp->setStyleSheet(css);
    QWidget probe;
    probe.setObjectName(QStringLiteral("kvrTitleBar"));
    probe.ensurePolished();
    QCOMPARE(probe.minimumHeight(), 36);
    QCOMPARE(probe.maximumHeight(), 36);
    qApp->setStyleSheet(QString());
}

void TestShellResources::installationFiles()
{
    QVERIFY(QFile::exists(kOutput + QStringLiteral("/configu.ini")));
    QSettings config(kOutput + QStringLiteral("/config.ini"), QSettings::IniFormat);
    QVERIFY(!config.value(QStringLiteral("softver")).toString().isEmpty());

    const QDir skins(kOutput + QStringLiteral("/images/bkimg"));
    QVERIFY(skins.exists(QStringLiteral("bg_mini.png")));
    QVERIFY(skins.exists(QStringLiteral("bg__empty.png")));
    const QStringList thumbs = skins.entryList({QStringLiteral("*.png")}).filter(QStringLiteral("_mini"));
    QVERIFY(thumbs.size() >= 2);
    for (const QString &thumb : thumbs) {
        // Every thumbnail has its full picture under the same name without "_mini".
        QString full = thumb;
        full.remove(QStringLiteral("_mini"));
        QVERIFY2(skins.exists(full), qPrintable(full));
        QVERIFY(QImage(skins.filePath(thumb)).width() <= 80);
        QCOMPARE(QImage(skins.filePath(full)).size(), QSize(980, 716));
    }
    QCOMPARE(QImage(skins.filePath(QStringLiteral("bg__empty.png"))).size(), QSize(80, 50));
}

QTEST_MAIN(TestShellResources)
#include "tst_shellresources.moc"

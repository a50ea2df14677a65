// Text the shell shows: the Chinese face that stands in for the fonts the style sheet names, and
// messages holding a long unbroken word (a file path) in the message box and the toast. Run once
// at scale 1 and once with QT_SCALE_FACTOR=2.

#include "shell/ShellGlobals.h"
#include "shell/kvrLabelInfoHint.h"
#include "shell/kvrMessageBox.h"
#include "shell/kvrTextWrap.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QTest>

namespace {

const QChar kZeroWidthSpace(0x200B);

// A 300-character path, the kind of word a failed download or a broken list file reports: long
// folder names joined by "_", "-" and ".", which give the line breaking nothing to break at.
QString longPath()
{
    QString path = QStringLiteral("/media/usb0");
    for (int disc = 1; path.size() < 240; ++disc)
        path += QStringLiteral("/Music_Collection-2019_Remastered.Deluxe_Edition_Disc_%1_of_4").arg(disc);
    path += QStringLiteral("/01_Some-Singer_First.Song.Title_Live_at_the_Arena_2019_(Remastered).flac");
    return path.right(300).prepend(u'/').left(300);
}

QString withoutBreaks(QString text)
{
    return text.remove(kZeroWidthSpace);
}

} // namespace

class TestShellText : public QObject
{
    Q_OBJECT

private slots:
    void chineseFontsUnderAnyLocale();
    void wrapOpportunities_data();
    void wrapOpportunities();
    void messageBoxShowsTheWholeText_data();
    void messageBoxShowsTheWholeText();
    void toastKeepsHeadAndTail();
};

void TestShellText::chineseFontsUnderAnyLocale()
{
    const QString cjk = QStringLiteral("Noto Sans CJK SC");
    if (!QFontDatabase::hasFamily(cjk))
        QSKIP("Noto Sans CJK SC is not installed (fonts-noto-cjk)");
    // The tests run under LANG=C.UTF-8, where a fallback would choose the Japanese forms.
    QCOMPARE(kvrInstallChineseFonts(), cjk);
    for (const QString &named : {QStringLiteral("微软雅黑"), QStringLiteral("宋体"), QStringLiteral("幼圆")})
        QCOMPARE(QFontInfo(QFont(named)).family(), cjk);
    QCOMPARE(QFontInfo(QApplication::font()).family(), cjk);
    // A widget without a font of its own draws with it too.
    QLabel label(QStringLiteral("歌词"));
    QCOMPARE(QFontInfo(label.font()).family(), cjk);
    // Installing again changes nothing: the face stays the first substitute.
    QCOMPARE(kvrInstallChineseFonts(), cjk);
    const QStringList substitutes = QFont::substitutes(QStringLiteral("宋体"));
    QCOMPARE(substitutes.size(), 1);
    QCOMPARE(substitutes.first().compare(cjk, Qt::CaseInsensitive), 0);
}

void TestShellText::wrapOpportunities_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // "|" marks a zero-width space
    QTest::newRow("prose unchanged") << QStringLiteral("因网络问题，登录失败")
                                     << QStringLiteral("因网络问题，登录失败");
    QTest::newRow("short words") << QStringLiteral("cannot save file") << QStringLiteral("cannot save file");
    QTest::newRow("path") << QStringLiteral("/a/b.mp3") << QStringLiteral("/|a/|b.|mp3");
    QTest::newRow("separator at the end or before a space")
        << QStringLiteral("a/ b/") << QStringLiteral("a/ b/");
    QTest::newRow("long run") << QStringLiteral("abcdefghijklmnopqrstu")
                              << QStringLiteral("abcdefghijklmnop|qrstu");
    // 16 letters, then a pair of surrogates that must stay together, then a combining accent.
    QTest::newRow("surrogate pair") << QStringLiteral("abcdefghijklmno\U0001F3B5x")
                                    << QStringLiteral("abcdefghijklmno\U0001F3B5|x");
    QTest::newRow("combining mark") << QStringLiteral("abcdefghijklmnope\u0301x")
                                    << QStringLiteral("abcdefghijklmnop|e\u0301x");
}

void TestShellText::wrapOpportunities()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString got = kvrWrapAnywhere(text);
    QCOMPARE(withoutBreaks(got), text);
    QCOMPARE(got.replace(kZeroWidthSpace, u'|'), expected);
}

void TestShellText::messageBoxShowsTheWholeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("path") << QStringLiteral("不能保存文件 %1: 权限不够.").arg(longPath());
    QTest::newRow("unbroken name") << QStringLiteral("歌单文件已损坏：") + QString(120, u'歌') +
                                          QString(80, u'x');
    QTest::newRow("short") << QStringLiteral("确定要删除选中的歌曲吗？");
}

void TestShellText::messageBoxShowsTheWholeText()
{
    QFETCH(QString, text);
    // The style sheet's bounds of the text label.
    qApp->setStyleSheet(QStringLiteral("#kvrMessageBox_label { min-width: 240px; max-width: 320px; "
                                       "margin: 20px 28px 18px 0px; }"));
    kvrMessageBox box(nullptr, QString(), text, 1);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *label = box.findChild<QLabel *>(QStringLiteral("kvrMessageBox_label"));
    QVERIFY(label);
    QCOMPARE(withoutBreaks(label->text()), text);

    // What the label draws, in the room it has: every line within its width, and every line
    // within its height.
    const QRect room = label->contentsRect();
    const QRect needed =
        label->fontMetrics().boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, label->text());
    QVERIFY2(needed.width() <= room.width(),
             qPrintable(QStringLiteral("needs %1 wide, has %2").arg(needed.width()).arg(room.width())));
    QVERIFY2(needed.height() <= room.height(),
             qPrintable(QStringLiteral("needs %1 high, has %2").arg(needed.height()).arg(room.height())));
    QVERIFY(room.width() <= 320);
    qApp->setStyleSheet(QString());
}

void TestShellText::toastKeepsHeadAndTail()
{
    QWidget window;
    window.setGeometry(0, 0, 980, 716);
    kvrLabelInfoHint hint;
    const QString text = QStringLiteral("已下载完成：%1").arg(longPath());
    hint.showHint(&window, text);

    // Shortened in the middle to fit the window: the beginning says what happened, the end names
    // the file, and the whole text is the tool tip.
    const QString shown = hint.hintText();
    QVERIFY2(shown.size() < text.size(), qPrintable(shown));
    QVERIFY2(shown.startsWith(text.left(12)), qPrintable(shown));
    QVERIFY2(shown.endsWith(text.right(12)), qPrintable(shown));
    QCOMPARE(hint.toolTip(), text);
    QFont font = QApplication::font();
    font.setPixelSize(14);
    QCOMPARE(hint.stripWidth(), QFontMetrics(font).horizontalAdvance(shown) + 45);
    QVERIFY(hint.stripWidth() <= window.width() - 40);
    QVERIFY(hint.width() == hint.stripWidth());

    // A text that fits is shown whole, without a tool tip.
    hint.showHint(&window, QStringLiteral("已添加到播放列表"));
    QCOMPARE(hint.hintText(), QStringLiteral("已添加到播放列表"));
    QVERIFY(hint.toolTip().isEmpty());
}

QTEST_MAIN(TestShellText)
#include "tst_shelltext.moc"

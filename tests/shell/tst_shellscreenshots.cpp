// Draws the shell widgets the way the player shows them (the installed "ss.css", the 12-pixel
// application font with its Chinese fallback) and saves each as a PNG in <build>/screenshots, so
// their look can be checked by eye. Run with QT_SCALE_FACTOR=2 for the 2x screen version
// (<build>/screenshots/2x).

#include "kvrutil/SimpleCrypt.h"
#include "services/core/Globals.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/PlayModeWgt.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/VolumeSliderWgt.h"
#include "shell/kvrDlgQuitHint.h"
#include "shell/kvrLabelInfoHint.h"
#include "shell/kvrMessageBox.h"
#include "shell/kvrProgressDialog.h"
#include "shell/kvrShellState.h"
#include "shell/kvrSlideProg.h"
#include "shell/volButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace {

QString outputDir()
{
    QString dir = QStringLiteral(KVR_BINARY_DIR "/screenshots");
    if (qApp->devicePixelRatio() > 1.0)
        dir += QStringLiteral("/2x");
    QDir().mkpath(dir);
    return dir;
}

QString loadStyleSheet()
{
    QFile file(QStringLiteral(KVR_OUTPUT_DIR "/ss.css"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray buffer(4000000, '\0');
    SimpleCrypt crypt;
    const int n = crypt.decryptToString(QString::fromLatin1(file.readAll()), buffer.data(), buffer.size());
    return QString::fromLocal8Bit(buffer.constData(), n);
}

// A light backdrop like the main window's, so translucent windows and shadows show as they will.
QImage backdrop(QSize size, qreal dpr)
{
    QImage image((QSizeF(size) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    painter.drawImage(QRect(QPoint(0, 0), size),
                      QImage(QStringLiteral(":/qss/debug/images/btnimage/else/mainbk-text.png")));
    return image;
}

QImage onBackdrop(const QPixmap &shot, int margin)
{
    const qreal dpr = shot.devicePixelRatio();
    const QSize logical = (QSizeF(shot.size()) / dpr).toSize();
    QImage image = backdrop(logical + QSize(2 * margin, 2 * margin), dpr);
    QPainter painter(&image);
    painter.drawPixmap(margin, margin, shot);
    return image;
}

void save(const QImage &image, const QString &name)
{
    QVERIFY(image.save(outputDir() + u'/' + name + QStringLiteral(".png")));
}

// Lets a widget lay itself out with the style sheet before it is drawn.
template <typename W> void settle(W *w)
{
    w->ensurePolished();
    w->adjustSize();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QApplication::processEvents();
}

// The text must fit its label: a clipped line would be wider than the label's room for it.
void checkLabelsFit(QWidget *root)
{
    for (QLabel *label : root->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->wordWrap())
            continue;
        const int need = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(need <= label->contentsRect().width(), qPrintable(QStringLiteral("\"%1\" needs %2, has %3")
                                                                       .arg(label->text())
                                                                       .arg(need)
                                                                       .arg(label->contentsRect().width())));
    }
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                 qPrintable(button->text()));
    }
}

} // namespace

class TestShellScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageBoxes_data();
    void messageBoxes();
    void toast();
    void quitQuestion();
    void playModePopup();
    void progressDialog();
    void seekBarAndVolume();
};

void TestShellScreenshots::initTestCase()
{
    // The player's application font: 12 pixels of "微软雅黑", which main maps to the installed
    // Chinese face.
    kvrInstallChineseFonts();
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    const QString css = loadStyleSheet();
    QVERIFY2(!css.isEmpty(), "ss.css is missing or does not decipher");
    qApp->setStyleSheet(css);
}

void TestShellScreenshots::messageBoxes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("messagebox-type0-question")
        << 0 << QString() << QStringLiteral("确定要删除选中的歌曲吗？");
    QTest::newRow("messagebox-type1-notice")
        << 1 << QStringLiteral("登录失败")
        << QStringLiteral("因网络问题，登录失败，请稍后重试。如果问题一直存在，请检查网络设置后再试。");
    QTest::newRow("messagebox-type2-fading") << 2 << QString() << QStringLiteral("已添加到默认歌单");
    QTest::newRow("messagebox-type3-busy") << 3 << QString() << QStringLiteral("努力登录中,请稍候...");
    QTest::newRow("messagebox-type1-path")
        << 1 << QString()
        << QStringLiteral(
               "不能保存文件 /media/usb0/Music_Collection-2019_Remastered.Deluxe_Edition_Disc_1_of_4/"
               "01_Some-Singer_First.Song.Title_Live_at_the_Arena_2019_(Remastered).flac: 权限不够.");
}

void TestShellScreenshots::messageBoxes()
{
    QFETCH(int, type);
    QFETCH(QString, title);
    QFETCH(QString, text);
    kvrMessageBox box(nullptr, title, text, type);
    settle(&box);
    checkLabelsFit(&box);
    // The word-wrapped text shows in full: its label is tall enough for every line.
    auto *label = box.findChild<QLabel *>(QStringLiteral("kvrMessageBox_label"));
    QVERIFY(label->height() >= label->heightForWidth(label->width()));
    save(onBackdrop(box.grab(), 24), QString::fromLatin1(QTest::currentDataTag()));
    box.done(0);
}

void TestShellScreenshots::toast()
{
    QWidget window;
    window.resize(980, 716);
    kvrLabelInfoHint hint;
    hint.showHint(&window, QStringLiteral("已添加到播放列表,并开始播放"));
    QVERIFY(QTest::qWaitForWindowExposed(&hint));
    save(onBackdrop(hint.grab(), 24), QStringLiteral("toast"));
}

void TestShellScreenshots::quitQuestion()
{
    QWidget mainWindow;
    mainWindow.resize(980, 716);
    kvrDlgQuitHint dialog(&mainWindow);
    settle(&dialog);
    checkLabelsFit(&dialog);
    save(onBackdrop(dialog.grab(), 24), QStringLiteral("quit-question"));
    dialog.findChild<QRadioButton *>(QStringLiteral("quithintdlg_rbquit"))->setChecked(true);
    dialog.findChild<QCheckBox *>(QStringLiteral("quithintdlg_cb"))->setChecked(true);
    save(onBackdrop(dialog.grab(), 24), QStringLiteral("quit-question-ticked"));
    dialog.reject();
}

void TestShellScreenshots::playModePopup()
{
    QWidget mainWindow;
    mainWindow.resize(980, 716);
    PlayModeWgt popup(&mainWindow);
    popup.setCheckedMode(3);
    settle(&popup);
    QCOMPARE(popup.size(), QSize(78, 101));
    checkLabelsFit(&popup);
    save(onBackdrop(popup.grab(), 24), QStringLiteral("playmode-popup"));
}

void TestShellScreenshots::progressDialog()
{
    kvrProgressDialog dialog;
    dialog.setWindowTitle(QStringLiteral("添加歌曲"));
    dialog.setLabelText(QStringLiteral("正在扫描文件夹，已找到 128 首歌曲..."));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    dialog.setRange(0, 100);
    dialog.setMinimumDuration(0);
    dialog.setValue(42);
    settle(&dialog);
    checkLabelsFit(&dialog);
    save(onBackdrop(dialog.grab(), 24), QStringLiteral("progress-dialog"));
}

void TestShellScreenshots::seekBarAndVolume()
{
    // main keeps the part before the mark as the style variables.
    g_sStyleVars = qApp->styleSheet().left(qApp->styleSheet().indexOf(QStringLiteral("kvrkvrkvr*")));
    kvrShellState::setStreamOpen(true);
    kvrShellState::setSongSourceKind(1);

    // A strip of the play panel: the seek bar, then the volume and play-mode buttons.
    QWidget mainWindow;
    mainWindow.setObjectName(QStringLiteral("mainwnd"));
    mainWindow.resize(980, 80);
    auto *panel = new QHBoxLayout(&mainWindow);
    auto *bar = new kvrSlideProg(&mainWindow);
    bar->setObjectName(QStringLiteral("SliderProgBar"));
    bar->setRange(0, 1000);
    bar->setValue(640);    // how much of the network song has arrived
    bar->setCurValue(350); // where it plays
    auto *unmute = new volButton(&mainWindow);
    unmute->setObjectName(QStringLiteral("btnunmute"));
    unmute->setToolTip(QStringLiteral("调整声音大小(Ctrl ↑↓)"));
    auto *mute = new volButton(&mainWindow);
    mute->setObjectName(QStringLiteral("btnmute"));
    auto *mode = new QToolButton(&mainWindow);
    mode->setObjectName(QStringLiteral("btnModeAC"));
    // Made as the play panel makes it: without a parent, handed to the pop-up.
    auto *slider = new SliderClick;
    slider->setObjectName(QStringLiteral("volumeslider"));
    slider->setOrientation(Qt::Vertical);
    slider->setRange(0, 10000);
    slider->setValue(7000);
    panel->addWidget(bar, 1);
    panel->addWidget(unmute);
    panel->addWidget(mute);
    panel->addWidget(mode);
    panel->setContentsMargins(20, 24, 20, 24);
    GlobalMainWgtUIRelated relations(&mainWindow);
    relations.m_pBtnUnmute = unmute;
    relations.m_pBtnMute = mute;
    g_pUIRelated = &relations;

    VolumeSliderWgt volume(&mainWindow, slider);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    volume.ensurePolished();
    volume.adjustSize();
    volume.show();
    QVERIFY(QTest::qWaitForWindowExposed(&volume));
    QCOMPARE(volume.size(), QSize(30, 101));
    QCOMPARE(bar->height(), 32);

    // The hover tip over the bar, as the main window fills it.
    connect(bar, &kvrSlideProg::curSliderPosChanging, bar,
            [bar](int) { bar->m_sHoverText = QStringLiteral("02:47/04:05"); });
    QEnterEvent enter(QPointF(300, 10), bar->mapToGlobal(QPointF(300, 10)),
                      bar->mapToGlobal(QPointF(300, 10)));
    QApplication::sendEvent(bar, &enter);
    QMouseEvent move(QEvent::MouseMove, QPointF(600, 10), bar->mapToGlobal(QPointF(600, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QApplication::processEvents();
    QLabel *tip = bar->timeTip();
    QVERIFY(tip->isVisible());
    QVERIFY(tip->fontMetrics().horizontalAdvance(tip->text()) <= tip->contentsRect().width());

    // Panel, with the volume pop-up standing above its button and the tip above the bar.
    const QPixmap strip = mainWindow.grab();
    const qreal dpr = strip.devicePixelRatio();
    const int top = 130;
    QImage image = backdrop(QSize(980, top + 80), dpr);
    QPainter painter(&image);
    painter.fillRect(QRect(0, top, 980, 80), QColor(255, 255, 255, 150));
    painter.drawPixmap(0, top, strip);
    const QPoint button = unmute->mapTo(&mainWindow, QPoint(0, 0));
    painter.drawPixmap(button.x() - 1, top + button.y() - 104, volume.grab());
    const QPoint tipAt = bar->mapTo(&mainWindow, QPoint(600, 10)) - QPoint(5, 28);
    painter.setOpacity(0.85);
    painter.drawPixmap(tipAt.x(), top + tipAt.y(), tip->grab());
    painter.end();
    save(image, QStringLiteral("seekbar-volume"));

    g_pUIRelated = nullptr;
    kvrShellState::setStreamOpen(false);
}

QTEST_MAIN(TestShellScreenshots)
#include "tst_shellscreenshots.moc"

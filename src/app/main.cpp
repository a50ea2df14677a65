// The player's entry point: one player per user, a second start hands its file to the first;
// the data folder, the translation, the fonts and the style sheet; the audio layer's version;
// then the main window and the event loop.

#include "app/AppLog.h"
#include "app/MainWindow.h"
#include "app/ModalAutoAnswer.h"
#include "app/ProgramStartup.h"
#include "audio/kvraudio.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "shell/ShellGlobals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <QTranslator>

namespace {

// Exit codes. A failure is never reported as success: the wrong audio layer and a missing audio
// device end with codes of their own.
constexpr int kExitSecondStart = 1;
constexpr int kExitStyleSheet = 2;
constexpr int kExitNoAudioDevice = 3;
constexpr int kExitWrongAudioVersion = 4;

// Prints once when the window first paints, which is when a user sees it; the benchmark reads
// this line.
class FirstPaintReporter : public QObject
{
public:
    explicit FirstPaintReporter(const QElapsedTimer &clock)
        : m_clock(clock)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            qCInfo(lcApp).noquote() << "started: window shown after" << m_clock.elapsed() << "ms";
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    const QElapsedTimer &m_clock;
};

int runSecondStart(const QString &text)
{
    switch (SingleInstance::sendToFirst(kInstanceMutex, text)) {
    case SingleInstance::SendResult::Delivered:
        break;
    case SingleInstance::SendResult::NoWindow: {
        QMessageBox box(QMessageBox::Information, QString(), g_secondStartText());
        box.addButton(QStringLiteral("ok"), QMessageBox::AcceptRole);
        box.exec();
    } break;
    case SingleInstance::SendResult::Refused:
        qCWarning(lcApp) << "the running player did not take the second start's text";
        break;
    }
    return kExitSecondStart;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    g_chooseWebRendering();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VyoPlayer"));
    ModalAutoAnswer::installFromEnvironment();

    g_sDataDir = g_prepareDataDir();
    g_sUpdateIni = g_sDataDir + QStringLiteral("/update.ini");

    const QStringList args = QCoreApplication::arguments();
    const QString firstArgument = args.value(1);

    SingleInstance instance(kInstanceMutex);
    if (!instance.acquire())
        return runSecondStart(firstArgument.isEmpty() ? QStringLiteral("kvr") : firstArgument);

    g_seedUserConfig(QCoreApplication::applicationDirPath(), g_sDataDir);

    QTranslator translator;
    if (translator.load(QStringLiteral(":/new/prefix1/qt_zh_CN")))
        QCoreApplication::installTranslator(&translator);

    QApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() + QStringLiteral("/plugins"));

    kvrInstallChineseFonts();
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);

    try {
        const StyleSheetLoad style =
            g_loadStyleSheet(QCoreApplication::applicationDirPath() + QStringLiteral("/ss.css"));
        if (!style.ok) {
            QMessageBox::critical(nullptr, QString(), g_integrityMessage(), QMessageBox::Ok);
            return kExitStyleSheet;
        }
        g_sStyleVars = style.styleVars;
        app.setStyleSheet(style.styleSheet);
    } catch (const std::exception &e) {
        g_writeExceptionLog("int __cdecl main(int,char *[])", QString::fromUtf8(e.what()));
    }

    if ((BASS_GetVersion() >> 16) != 0x0204) {
        QMessageBox::critical(nullptr, QStringLiteral("error"), QObject::tr("动态库版本不对，程序将退出"),
                              QMessageBox::Ok);
        return kExitWrongAudioVersion;
    }

    MainWindow window;
    if (!window.audioReady())
        return kExitNoAudioDevice;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint);
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.setObjectName(QStringLiteral("mainwnd"));

    // The channel opens only now: a second start before this sees "no window" and says so.
    QObject::connect(&instance, &SingleInstance::messageReceived, &window, &MainWindow::dealWithSecondStart);
    instance.listen();

    // A kill, a hang-up or the end of the session quit the way the menu does, so nothing is lost.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &window, &MainWindow::quitting);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.quitting(); });

    bool startHidden = false;
    if (!firstArgument.isEmpty()) {
        if (firstArgument == QLatin1String("-min"))
            startHidden = true;
        else
            window.m_sStartFile = firstArgument;
    }

    FirstPaintReporter paintReporter(sinceStart);
    window.installEventFilter(&paintReporter);
    window.show();
    window.runOnceAfterShow();
    if (startHidden) {
        window.hide();
        qCInfo(lcApp) << "started: hidden, the tray icon only";
    }

    return app.exec();
}

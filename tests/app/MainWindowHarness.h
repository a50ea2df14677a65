#pragma once

// The main window built in-process as main builds it (fonts, the installed style sheet, the
// program and data folders), against a fake web service, for the suites of the player program.
// Each suite owns one harness and starts it in initTestCase: the window is expensive to make
// (it starts Chromium), so a suite shares one window between its tests.

#include "FakeWebService.h"
#include "app/MainWindow.h"
#include "app/ProgramStartup.h"
#include "services/core/Globals.h"
#include "shell/ShellGlobals.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class MainWindowHarness
{
public:
    FakeWebService fake;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;

    // Starts the fake service and points the program at it and at fresh folders. Call before
    // makeWindow, and set any further environment (mount tables, time scale) in between.
    bool prepare()
    {
        if (!dir.isValid() || !fake.start())
            return false;
        const QString hostsIni = dir.filePath(QStringLiteral("hosts.ini"));
        if (!fake.writeHostsIni(hostsIni))
            return false;
        qputenv("KVR_HOSTS_INI", hostsIni.toUtf8());
        g_sAppDir = QStringLiteral(KVR_OUTPUT_DIR);
        g_sDataDir = dir.filePath(QStringLiteral("data"));
        g_sLogDir = dir.filePath(QStringLiteral("logs"));
        return QDir().mkpath(g_sDataDir) && QDir().mkpath(g_sLogDir);
    }

    // Dresses the application as main does, so screenshots show the real skin, and makes and
    // shows the window. Returns false when the style sheet or the audio device failed.
    bool makeWindow()
    {
        kvrInstallChineseFonts();
        QFont font = QApplication::font();
        font.setPixelSize(12);
        QApplication::setFont(font);
        const StyleSheetLoad style =
            g_loadStyleSheet(QStringLiteral(KVR_OUTPUT_DIR) + QStringLiteral("/ss.css"));
        if (!style.ok)
            return false;
        g_sStyleVars = style.styleVars;
        qApp->setStyleSheet(style.styleSheet);

        window = std::make_unique<MainWindow>();
        if (!window->audioReady())
            return false;
        window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint);
        window->setObjectName(QStringLiteral("mainwnd"));
        window->show();
        window->runOnceAfterShow();
        return QTest::qWaitForWindowExposed(window.get());
    }

    template <class T> T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
};

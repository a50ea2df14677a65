#pragma once

// A main-window seam that records what the services asked of the window, for tests.
#include "services/seams/LoggingMainWindowSeam.h"
#include "services/seams/Seam.h"

#include <QStringList>

class RecordingSeam : public LoggingMainWindowSeam
{
public:
    QStringList calls; // "hint:<text>", "box:<title>|<text>|<type>", "dialog:...", "critical:...", ...

    void showHint(const QString &text) override { calls << QStringLiteral("hint:") + text; }
    int execMessageBox(const QString &title, const QString &text, int buttonType) override
    {
        calls << QStringLiteral("box:%1|%2|%3").arg(title, text).arg(buttonType);
        return 0;
    }
    void execDialog(const QString &title, const QString &text) override
    {
        calls << QStringLiteral("dialog:%1|%2").arg(title, text);
    }
    void showCriticalMessage(const QString &title, const QString &text) override
    {
        calls << QStringLiteral("critical:%1|%2").arg(title, text);
    }
    void updatePreURL() override { calls << QStringLiteral("updatePreURL"); }
    void retryRequestNetList() override { calls << QStringLiteral("retryRequestNetList"); }
    void syncFavList() override { calls << QStringLiteral("syncFavList"); }
    void cleanFavAfterLogout() override { calls << QStringLiteral("cleanFavAfterLogout"); }
    void enableSyncFavButton() override { calls << QStringLiteral("enableSyncFavButton"); }
    void setOnlineCount(const QString &text, const QString &toolTip) override
    {
        calls << QStringLiteral("onlineCount:%1|%2").arg(text, toolTip);
    }
    void clickNextButton() override { calls << QStringLiteral("clickNextButton"); }
};

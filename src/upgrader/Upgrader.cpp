#include "upgrader/Upgrader.h"

#include "kvrutil/kvrutil.h"
#include "platform/TimeScale.h"
#include "upgrader/UpgraderLog.h"

#include <QCoreApplication>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QThread>

int exitStatus(int code)
{
    switch (code) {
    case ExitFailed:
    case ExitNoServerUrl:
    case ExitAnswerNotXml:
    case ExitAnswerIncomplete:
        return 256 + code;
    case ExitNoInstallFolder:
        return 248;
    default:
        return code & 0xFF;
    }
}

QString playerExecutableName()
{
    const QString name = qEnvironmentVariable("KVR_UPGRADER_PLAYER_NAME");
    return name.isEmpty() ? QString::fromUtf16(kPlayerExecutableName) : name;
}

int changeFiles(const QString &installerPath, const QString &exeName, const QString &workingDir)
{
    QThread::msleep(kvrScaledMs(200));
    QCoreApplication::processEvents();

    if (TermProcess(exeName) == 0) {
        upgraderlog::write(QStringLiteral("cur app Terminate error"));
        return -1;
    }

    // Give the ended player's files a moment to be released before the installer replaces them.
    QCoreApplication::processEvents();
    QThread::msleep(kvrScaledMs(1000));
    QCoreApplication::processEvents();
    upgraderlog::write(QStringLiteral("uncompress"));
    if (!QProcess::startDetached(installerPath, QStringList(), workingDir)) {
        upgraderlog::write(QStringLiteral("start new failed, quitting"));
        return -1;
    }
    return 0;
}

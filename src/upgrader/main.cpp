// The self-update program. Each run either installs a package that an earlier run downloaded
// completely, or asks the update service for a newer version and downloads it for the next run.

#include "kvrutil/BuiltInKey.h"
#include "kvrutil/SimpleCrypt.h"
#include "platform/BoundedAnswer.h"
#include "platform/UpdateShared.h"
#include "upgrader/MainWindow.h"
#include "upgrader/Upgrader.h"
#include "upgrader/UpgraderLog.h"
#include "upgrader/dlManager.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

using namespace kvrupdate;

namespace {

constexpr int kTransferTimeoutMs = 60000;

QString key(const char16_t *name)
{
    return QString::fromUtf16(name);
}

QString configPath(const QString &folder)
{
    return folder + QLatin1Char('/') + key(kConfigFileName);
}

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https");
}

int installWaitingPackage(QLockFile &lock, const QString &installDir, const QString &folder)
{
    upgraderlog::write(QStringLiteral("patch exist"));
    const QString packagePath = folder + QLatin1Char('/') + key(kPackageFileName);
    quint64 size = 0;
    QString packageVersion;
    {
        QSettings config(configPath(installDir), QSettings::IniFormat);
        size = config.value(key(kKeySize), 0).toULongLong();
        packageVersion = config.value(key(kKeySoftVer1)).toString();
    }
    lock.unlock();

    if (quint64(QFileInfo(packagePath).size()) != size) {
        upgraderlog::write(QStringLiteral("down size wrong"));
        // Left in place it would end every later run here; removed, the next run fetches it anew.
        QFile::remove(packagePath);
        return ExitWrongPackageSize;
    }

    const QString installerPath = folder + QLatin1Char('/') + key(kInstallerFileName);
    if (QFile::exists(installerPath))
        QFile::remove(installerPath);
    if (!QFile::rename(packagePath, installerPath) ||
        !QFile::setPermissions(installerPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        // Without an installer to start, the player is left running.
        upgraderlog::write(QStringLiteral("cannot make the installer from the package"));
        return ExitFailed;
    }
    upgraderlog::write(QStringLiteral("installing version ") + packageVersion);

    MainWindow window;
    window.setWindowTitle(MainWindow::tr("更新提示"));
    window.setFixedSize(300, 60);
    window.show();
    QCoreApplication::processEvents();
    upgraderlog::write(QStringLiteral("change b"));

    const int result = changeFiles(installerPath, playerExecutableName(), installDir);
    window.close();
    if (result >= 0) {
        upgraderlog::write(QStringLiteral("change ver successed, quitting"));
        return ExitInstallerStarted;
    }
    upgraderlog::write(QStringLiteral("change ver failed"));
    return ExitFailed;
}

int checkForUpdate(const QString &installDir)
{
    QSettings config(configPath(installDir), QSettings::IniFormat);
    SimpleCrypt crypt(kvrutil::kBuiltInKey);
    const QString serverUrl =
        crypt.decryptToString(config.value(key(kKeyServerUrl), QStringLiteral("none")).toString());
    if (serverUrl.isEmpty() || serverUrl == u"none") {
        upgraderlog::write(QStringLiteral("server url not exist"));
        return ExitNoServerUrl;
    }
    QString installedVersion = config.value(key(kKeySoftVer)).toString();
    if (installedVersion.isEmpty())
        installedVersion = QStringLiteral("1.0");

    upgraderlog::write(QStringLiteral("check new ver..."));
    const QUrl url(serverUrl);
    if (!isWebAddress(url)) {
        upgraderlog::write(QStringLiteral("server url is not a web address"));
        return ExitFailed;
    }
    QNetworkAccessManager nam;
    QNetworkRequest request(url);
    request.setTransferTimeout(kTransferTimeoutMs);
    std::unique_ptr<QNetworkReply> reply(nam.get(request));
    kvrnet::boundAnswer(reply.get());
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (reply->error() != QNetworkReply::NoError) {
        upgraderlog::write(kvrnet::answerError(reply.get()));
        return ExitFailed;
    }

    QDomDocument doc(QStringLiteral("kvr"));
    if (!doc.setContent(QString::fromUtf8(reply->readAll()))) {
        upgraderlog::write(QStringLiteral("server response not valid1"));
        return ExitAnswerNotXml;
    }
    reply.reset();
    config.setValue(key(kKeySelfUpdate), QStringLiteral("0"));
    config.sync();

    const QDomElement root = doc.documentElement();
    // Every element the answer must have, with the log line for its absence.
    const auto element = [&root](const char16_t *name, QString *text, int number) {
        const QDomElement e = root.firstChildElement(QString::fromUtf16(name));
        if (e.isNull()) {
            upgraderlog::write(QStringLiteral("server response not valid%1").arg(number));
            return false;
        }
        *text = e.text();
        return true;
    };
    QString valid, selfUpdate, fileUrl, fileSize, serverVersion;
    if (!element(u"valid", &valid, 2))
        return ExitAnswerIncomplete;
    if (valid == u"0") {
        upgraderlog::write(QStringLiteral("update not allowed"));
        return ExitUpdateNotAllowed;
    }
    if (!element(u"selfupdate", &selfUpdate, 3) || !element(u"fileurl", &fileUrl, 4) ||
        !element(u"filesize", &fileSize, 5))
        return ExitAnswerIncomplete;
    const qint64 size = fileSize.trimmed().toLongLong();
    config.setValue(key(kKeySize), size);
    config.sync();
    if (!element(u"softver", &serverVersion, 6))
        return ExitAnswerIncomplete;

    if (!isNewerVersion(serverVersion, installedVersion)) {
        const QString folder = privateFolder();
        if (!folder.isEmpty()) {
            QSettings temp(configPath(folder), QSettings::IniFormat);
            temp.setValue(key(kKeyUpd), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        }
        upgraderlog::write(installedVersion + QStringLiteral(" client version is newest version"));
        return ExitNewestVersion;
    }

    dlManager manager;
    manager.m_sServerVer = serverVersion;
    manager.m_sSelfUp = selfUpdate;
    manager.m_nTotalSize = size;
    manager.m_sInstallDir = installDir;
    QObject::connect(&manager, &dlManager::FiledownloadFinished, &manager, &dlManager::dlFinished);
    manager.StartFiledownload(QUrl(fileUrl.trimmed()), 1);
    return QCoreApplication::exec();
}

int run()
{
    // Held by a checking run until it ends, so a second upgrader or the player's update
    // dialog never writes the package at the same time. No stale time: a download may take
    // long; a lock left by a process that died is still taken over.
    QLockFile lock(lockFilePath(QString::fromUtf16(kUpdateMutexName)));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return ExitMutexFailed;

    QString installDir = QSettings(key(kRegistryOrganization), key(kRegistryApplication))
                             .value(key(kRegistryInstallFolder))
                             .toString();
    installDir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString logFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vyo");
    if (QDir().mkpath(logFolder))
        upgraderlog::setLogFolder(logFolder);
    upgraderlog::write(installDir);
    if (installDir.isEmpty())
        return ExitNoInstallFolder;

    upgraderlog::write(QStringLiteral("\n\n") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    const QString folder = privateFolder();
    upgraderlog::write(folder);
    if (folder.isEmpty()) {
        upgraderlog::write(QStringLiteral("no private folder for the update"));
        return ExitFailed;
    }

    if (QFile::exists(folder + QLatin1Char('/') + key(kPackageFileName)))
        return installWaitingPackage(lock, installDir, folder);
    return checkForUpdate(installDir);
}

} // namespace

int main(int argc, char *argv[])
{
    // Started by a service, the upgrader may have no display; its only window is a notice,
    // so it then does its work without one instead of failing to start.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return exitStatus(run());
}

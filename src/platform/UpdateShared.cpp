#include "platform/UpdateShared.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace kvrupdate {

QString lockFilePath(const QString &mutexName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    // Percent-encoding is one to one, so two different mutex names never share a lock file,
    // and "/" becomes "%2F".
    const QString name = QString::fromLatin1(QUrl::toPercentEncoding(mutexName));
    return folder + QStringLiteral("/kvr-") + name + QStringLiteral(".lock");
}

QString privateFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache))
        return QString();
    const QString folder = cache + QStringLiteral("/kvr-update");
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    // lstat, not stat: a symbolic link planted in our place must not redirect the package.
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return QString();
    if ((info.st_mode & 07777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return QString();
    return folder;
}

namespace {

// Letters are dropped first, so "v2.1" and "2.1" are the same version.
QList<qulonglong> versionComponents(QString version)
{
    static const QRegularExpression letters(QStringLiteral("[a-zA-Z]"));
    version.remove(letters);
    QList<qulonglong> parts;
    const QStringList texts = version.trimmed().split(QLatin1Char('.'));
    for (const QString &text : texts) {
        bool ok = false;
        const qulonglong n = text.trimmed().toULongLong(&ok);
        parts.append(ok ? n : 0);
    }
    return parts;
}

} // namespace

bool isNewerVersion(const QString &offered, const QString &installed)
{
    const QList<qulonglong> a = versionComponents(offered);
    const QList<qulonglong> b = versionComponents(installed);
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const qulonglong x = a.value(i, 0);
        const qulonglong y = b.value(i, 0);
        if (x != y)
            return x > y;
    }
    return false;
}

void recordDownloadedUpdate(const QString &installDir, const QString &serverVersion,
                            const QString &selfUpdate)
{
    const QDate today = QDate::currentDate();
    QSettings temp(privateFolder() + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                   QSettings::IniFormat);
    temp.setValue(QString::fromUtf16(kKeyUpd), today.toString(QStringLiteral("yyyy-MM-dd")));
    QSettings install(installDir + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                      QSettings::IniFormat);
    install.setValue(QString::fromUtf16(kKeyUpd), today.toString(QStringLiteral("yyyyMMdd")));
    install.setValue(QString::fromUtf16(kKeySoftVer1), serverVersion);
    install.setValue(QString::fromUtf16(kKeySelfUpdate), selfUpdate);
}

} // namespace kvrupdate

#include "UpdateShared.h"

#include <QDir>
#include <QFile>
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

} // namespace kvrupdate

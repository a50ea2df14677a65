#include "ProcessList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace kvrutil {
namespace {

// The name a user knows a process by: the file name of its executable. A program run
// through an interpreter or whose executable was replaced falls back to argv[0], then to comm.
QString executableName(const QString &procDir)
{
    const QString exe = QFileInfo(procDir + QStringLiteral("/exe")).symLinkTarget();
    if (!exe.isEmpty()) {
        QString name = QFileInfo(exe).fileName();
        name.remove(QStringLiteral(" (deleted)"));
        return name;
    }
    QFile cmdline(procDir + QStringLiteral("/cmdline"));
    if (cmdline.open(QIODevice::ReadOnly)) {
        const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
        if (!argv0.isEmpty())
            return QFileInfo(QString::fromLocal8Bit(argv0)).fileName();
    }
    QFile comm(procDir + QStringLiteral("/comm"));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromLocal8Bit(comm.readAll().trimmed());
    return QString();
}

bool hasEnded(const QString &procDir)
{
    QFile stat(procDir + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return true; // gone already
    const QByteArray line = stat.readAll();
    // The state follows the parenthesised command, which may itself hold parentheses.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return true;
    const char state = line.at(close + 2);
    return state == 'Z' || state == 'X';
}

} // namespace

QList<pid_t> findOwnProcesses(const QString &exeName)
{
    QList<pid_t> result;
    if (exeName.isEmpty())
        return result;
    const uid_t me = getuid();
    const pid_t self = getpid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const pid_t pid = pid_t(entry.toInt(&ok));
        if (!ok || pid == self)
            continue;
        const QString dir = QStringLiteral("/proc/") + entry;
        struct stat info;
        if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || info.st_uid != me)
            continue;
        if (executableName(dir).compare(exeName, Qt::CaseInsensitive) != 0 || hasEnded(dir))
            continue;
        result.append(pid);
    }
    return result;
}

bool isRunning(pid_t pid)
{
    return !hasEnded(QStringLiteral("/proc/") + QString::number(pid));
}

} // namespace kvrutil

#include "upgrader/UpgraderLog.h"

#include <QFile>

#include <cstdio>

namespace upgraderlog {
namespace {

constexpr qint64 kMaxLogSize = 1024 * 1024;

QString &logPath()
{
    static QString path;
    return path;
}

} // namespace

void setLogFolder(const QString &folder)
{
    logPath() = folder + QStringLiteral("/upgrader.log");
    QFile log(logPath());
    if (log.exists() && log.size() > kMaxLogSize)
        log.remove();
}

void write(const QString &text)
{
    const QByteArray line = text.toUtf8() + '\n';
    std::fputs(line.constData(), stderr);
    if (logPath().isEmpty())
        return;
    QFile log(logPath());
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(line);
}

} // namespace upgraderlog

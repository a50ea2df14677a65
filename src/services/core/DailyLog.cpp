#include "services/core/DailyLog.h"

#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/core/MyIni.h"
#include "services/core/SettingsKeys.h"

#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTime>

namespace {

QMutex &logLock()
{
    static QMutex lock;
    return lock;
}

} // namespace

void SetTodayLog(const QString &key, const QString &value, bool withTime)
{
    try {
        QMutexLocker locker(&logLock());
        const QString folder = g_sLogDir;
        if (folder.isEmpty()) {
            // Before the main window names the folder there is nowhere to write; a relative or
            // root path would put the log into whatever folder the process happens to be in.
            qCDebug(lcCore).noquote() << Q_FUNC_INFO << "no log folder:" << key << value;
            return;
        }
        // The date is taken at every write, so entries after midnight go to the next day's file.
        const QString path = folder + QLatin1Char('/') +
                             QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                             QLatin1String(".log");
        QString text = value;
        if (withTime)
            text += QLatin1String("--------") + QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
        MyIni ini(nullptr, path);
        ini.setValue(key, text);
    } catch (...) {
        qCDebug(lcCore).noquote() << "-----写日志异常--------" << Q_FUNC_INFO;
    }
}

bool g_writelog(const QString &text)
{
    qCDebug(lcCore).noquote() << QStringLiteral("--------------写日志:") + text +
                                     QStringLiteral("----------------");
    if (!g_hLogFile || !g_hLogFile->isOpen())
        return false;
    const QByteArray bytes = (text + QLatin1String("\r\n")).toLocal8Bit();
    return g_hLogFile->write(bytes) == bytes.size();
}

QStringList g_getLogFiles(const QString &folder, bool fullPaths)
{
    QStringList result;
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return result;
    static const QRegularExpression logName(QStringLiteral("\\.log$"));
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &name : names) {
        if (!logName.match(name).hasMatch())
            continue;
        result << (fullPaths ? dir.filePath(name) : name);
    }
    return result;
}

QString g_logKey(const QString &eventWord)
{
    return eventWord + QString::number(QDateTime::currentMSecsSinceEpoch());
}

void g_writeExceptionLog(const char *signature, const QString &note)
{
    SetTodayLog(g_logKey(LogKeys::kException), QString::fromUtf8(signature) + note);
}

#include "app/ProgramStartup.h"

#include "kvrutil/SimpleCrypt.h"
#include "services/core/Globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

const QString kInstanceMutex = QStringLiteral("[{EFEB2EF6-F8E0-AE44-BABE-1BBEF2C7FD56}]");

namespace {

// No style sheet of this program comes near this; a larger file is not ours.
constexpr qint64 kMaxStyleSheetBytes = 16 * 1024 * 1024;

} // namespace

void g_chooseWebRendering()
{
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    // The web pages want one shared GL context before the application exists, whatever draws them.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QString g_prepareDataDir()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    // mkpath: on a fresh account the parents are missing too, and nothing would be kept.
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return {};
    return dir;
}

bool g_seedUserConfig(const QString &appDir, const QString &dataDir)
{
    const QString target = dataDir + QStringLiteral("/configu.ini");
    if (QFileInfo::exists(target))
        return true;
    return QFile::copy(appDir + QStringLiteral("/configu.ini"), target) &&
           QFile::setPermissions(target,
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

StyleSheetLoad g_loadStyleSheet(const QString &path)
{
    StyleSheetLoad result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxStyleSheetBytes)
        return result;
    const QString cipher = QString::fromLatin1(file.readAll());
    const QByteArray plain = g_crypt.decryptToByteArray(cipher);
    if (plain.isEmpty())
        return result;
    result.styleSheet = QString::fromUtf8(plain);
    const qsizetype marker = result.styleSheet.indexOf(QLatin1String("kvrkvrkvr*"));
    result.styleVars = marker < 0 ? result.styleSheet : result.styleSheet.left(marker);
    result.ok = !result.styleSheet.isEmpty();
    return result;
}

QString g_integrityMessage()
{
    return QCoreApplication::translate("main", "程序完整性出现问题, 请重新安装或者在") +
           QStringLiteral("https://www.vyoplayer.example/") +
           QCoreApplication::translate("main", "最上方“意见箱”中进行反馈");
}

QString g_secondStartText()
{
    return QCoreApplication::translate("main", "已有一个实例在运行，但找不到它的主窗口！");
}

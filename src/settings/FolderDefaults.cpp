#include "settings/FolderDefaults.h"

#include "settings/SettingsLog.h"

#include <QSettings>

QString g_chooseFolderRoot(const QList<FolderVolume> &volumes, const QString &fallbackRoot)
{
    // A volume the user cannot write to, or one that belongs to someone else (the system root,
    // another user's disk), would give folders that cannot be made; only the user's own count.
    qint64 bestMiB = 0;
    const FolderVolume *best = nullptr;
    for (const FolderVolume &volume : volumes) {
        if (!volume.writable || !volume.userOwned || volume.bytesFree < 0)
            continue;
        const qint64 freeMiB = volume.bytesFree >> 20;
        if (freeMiB > bestMiB) {
            bestMiB = freeMiB;
            best = &volume;
        }
    }
    return best ? best->rootPath : fallbackRoot;
}

void g_setDirPathDefaults(const QString &iniPath, const QList<FolderVolume> &volumes,
                          const QString &fallbackRoot)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    // Someone already chose the folders (this start's earlier run, the user, the installation's
    // seed file): keep every one of them, even when only the cache folder is set.
    if (!ini.value(FolderKeys::kCacheDir).toString().isEmpty())
        return;

    QString root = g_chooseFolderRoot(volumes, fallbackRoot);
    root.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    const QString base = root + QStringLiteral("/lanyun_music/");

    ini.setValue(FolderKeys::kCacheDir, base + QStringLiteral("temp"));
    ini.setValue(FolderKeys::kDownDir, base);
    ini.setValue(FolderKeys::kLrcDir, base + QStringLiteral("lrc"));
    ini.sync();
    if (ini.status() != QSettings::NoError)
        qCWarning(lcSettings).noquote() << "cannot write the default folders to" << iniPath;
}

#include "settings/CDManager.h"

#include "services/core/Globals.h"
#include "services/core/SafeFileName.h"
#include "services/core/SettingsKeys.h"
#include "settings/FolderDefaults.h"
#include "settings/SettingsLog.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

CDManager *CD_MANAGER = nullptr;

namespace {

const QString kDefaultPlayed = QStringLiteral("244,227,154,255,244,227,154,255,199,188,31,255");
const QString kDefaultRemain = QStringLiteral("174,212,235,255,68,141,218,255,22,97,174,255");
constexpr int kDefaultFontSize = 32;
// Used only when the main window could not measure the screen before the manager was built.
constexpr int kDefaultOffset = 100;

QString settingsPath()
{
    return g_sDataDir + QLatin1Char('/') + UserKeys::kFileName;
}

// Stored folders may come from older files written with "\" separators; on this system "\" is an
// ordinary file-name character, so a folder made from the raw value would land beside the
// intended one.
QString withSlashes(const QString &folder)
{
    QString result = folder;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return result;
}

// The folder as the services join names to it: "/" separators, no trailing separator (except for
// the root itself).
QString seamFolder(const QString &folder)
{
    QString result = withSlashes(folder);
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

// Makes the folder with all its parents; the path it tried is handed back for the log.
bool makeFolder(const QString &folder, QString *tried)
{
    QString path = withSlashes(folder);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    *tried = path;
    return QDir().mkpath(path);
}

} // namespace

CDManager::CDManager(QObject *parent)
    : QObject(parent)
{
    // Defaults live in the per-user data folder: the program folder is read-only once installed.
    const QString songDir = g_sDataDir + QStringLiteral("/vyosong");
    {
        QSettings ini(settingsPath(), QSettings::IniFormat);
        // An empty folder is as good as none: the services store nothing in an empty folder, so
        // a key left empty (by hand, or a first start that wrote only "cachedir") takes the default.
        const auto folder = [&ini](QLatin1StringView key, const QString &fallback) {
            const QString value = ini.value(key).toString();
            return value.isEmpty() ? fallback : value;
        };
        m_sCacheDir = folder(FolderKeys::kCacheDir, songDir);
        m_sDownDir = folder(FolderKeys::kDownDir, songDir + QLatin1Char('/'));
        m_sLrcDir = folder(FolderKeys::kLrcDir, g_sDataDir + QStringLiteral("/vyolrc"));
        m_sLrcPlayed = ini.value(LrcStyleKeys::kPlayed, kDefaultPlayed).toString();
        m_sLrcRemain = ini.value(LrcStyleKeys::kRemain, kDefaultRemain).toString();
        m_sLrcFont = ini.value(LrcStyleKeys::kFont, tr("幼圆")).toString();
        m_nLrcFontSize = ini.value(LrcStyleKeys::kFontSize, kDefaultFontSize).toInt();
        m_nLrcOffset = ini.value(LrcStyleKeys::kOffset, kDefaultOffset).toInt();
        // The restore copies ("…b") are read by nothing, so they are left in the file as they are.
    }
    makeFolders();
    g_setFolderSeam(this);
}

CDManager::~CDManager()
{
    // Only our own installation is undone: a test or a later manager may have replaced it.
    if (g_folderSeam() == static_cast<FolderSeam *>(this))
        g_setFolderSeam(nullptr);
    if (CD_MANAGER == this)
        CD_MANAGER = nullptr;
}

void CDManager::makeFolders()
{
    QString tried;
    if (!makeFolder(m_sCacheDir, &tried)) {
        qCWarning(lcSettings).noquote() << tr("Failed to create directory %1").arg(tried);
        // Without a cache no song can stream, so all three folders move together to a place the
        // user can always write, and are saved at once so the next start does not fail again.
        const QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                             QStringLiteral("/lanyun_music_temp");
        m_sCacheDir = base + QStringLiteral("/temp");
        m_sDownDir = base + QLatin1Char('/');
        m_sLrcDir = base + QStringLiteral("/lrc");
        for (const QString &folder : {m_sCacheDir, m_sDownDir, m_sLrcDir}) {
            if (!makeFolder(folder, &tried))
                qCWarning(lcSettings).noquote() << tr("Failed to create directory %1").arg(tried);
        }
        QSettings ini(settingsPath(), QSettings::IniFormat);
        ini.setValue(FolderKeys::kCacheDir, m_sCacheDir);
        ini.setValue(FolderKeys::kDownDir, m_sDownDir);
        ini.setValue(FolderKeys::kLrcDir, m_sLrcDir);
        ini.sync();
        if (ini.status() != QSettings::NoError)
            qCWarning(lcSettings).noquote() << "cannot save the moved folders to" << ini.fileName();
        return;
    }
    // A download or lyric folder that cannot be made keeps its value: the writes into it fail
    // where they happen, and the user can pick another folder in the settings.
    for (const QString &folder : {m_sDownDir, m_sLrcDir}) {
        if (!makeFolder(folder, &tried))
            qCWarning(lcSettings).noquote() << tr("Failed to create directory %1").arg(tried);
    }
}

QString CDManager::getCacheDir() const
{
    return seamFolder(m_sCacheDir);
}

QString CDManager::getDownDir() const
{
    return seamFolder(m_sDownDir);
}

QString CDManager::getLrcDir() const
{
    return seamFolder(m_sLrcDir);
}

void CDManager::saveSetting()
{
    QSettings ini(settingsPath(), QSettings::IniFormat);
    ini.setValue(FolderKeys::kCacheDir, m_sCacheDir);
    ini.setValue(FolderKeys::kDownDir, m_sDownDir);
    ini.setValue(FolderKeys::kLrcDir, m_sLrcDir);
    ini.setValue(LrcStyleKeys::kPlayed, m_sLrcPlayed);
    ini.setValue(LrcStyleKeys::kRemain, m_sLrcRemain);
    ini.setValue(LrcStyleKeys::kFont, m_sLrcFont);
    ini.setValue(LrcStyleKeys::kFontSize, m_nLrcFontSize);
    ini.setValue(LrcStyleKeys::kOffset, m_nLrcOffset);
    ini.setValue(LrcStyleKeys::kFontSizeCopy, m_nLrcFontSize);
    ini.sync();
    if (ini.status() != QSettings::NoError)
        qCWarning(lcSettings).noquote() << "cannot save the folder and lyric settings to" << ini.fileName();
}

QString CDManager::findDownloadedSong(const QString &title, const QString &singer) const
{
    // Downloads are saved under both name orders; the names pass through the same helper the
    // downloads use, so they match, and a "/" or ".." in song data never leaves the folder.
    // No folder means no download; never look in the root or the current folder instead.
    if (m_sDownDir.isEmpty())
        return QString();
    const QString folder = withSlashes(m_sDownDir) + QLatin1Char('/');
    const QString mp3 = QStringLiteral(".mp3");
    const QString first = folder + g_safeFileName(singer + QStringLiteral(" - ") + title, mp3);
    if (QFileInfo(first).isFile())
        return first;
    const QString second = folder + g_safeFileName(title + QStringLiteral(" - ") + singer, mp3);
    if (QFileInfo(second).isFile())
        return second;
    return QString();
}

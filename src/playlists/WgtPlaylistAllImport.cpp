// How local songs reach the play queue from the page itself: the file dialog, the folder dialog with
// its recursive search, the quick scan of well-known music folders, and drops from a file manager.
// Nothing here reads a song file: addLocalSongintoModel reads each when it makes the row.
//
// GUI thread only. The long loops let pending events run after every folder or file, behind the
// page's application-modal progress dialog, so it paints and its "停止" button works.

#include "playlists/WgtPlaylistAll.h"

#include "services/core/DailyLog.h"
#include "shell/kvrProgressDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

// The names the player opens; QDir matches them without regard to letter case.
const QStringList &songPatterns()
{
    static const QStringList patterns{QStringLiteral("*.mp3"), QStringLiteral("*.ogg"),
                                      QStringLiteral("*.wav"), QStringLiteral("*.wma")};
    return patterns;
}

// Folders and names are joined with "/", the separator of this desktop and of Qt's file functions.
// A root such as "/" already ends with one and is never shortened.
QString joinPath(const QString &dir, const QString &name)
{
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

// A folder's songs by name, locale-aware. Only files count: a folder named "x.mp3" is no song.
QStringList songsIn(const QString &dir)
{
    QStringList songs;
    const QStringList names =
        QDir(dir).entryList(songPatterns(), QDir::Files, QDir::Name | QDir::LocaleAware);
    for (const QString &name : names)
        songs << joinPath(dir, name);
    return songs;
}

// A folder's subfolders by name, ignoring case. Links to folders are not followed, so a link back
// up the tree cannot make the walk endless.
QStringList subfoldersOf(const QString &dir)
{
    QStringList folders;
    const QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllDirs | QDir::NoSymLinks,
                                                  QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        folders << joinPath(dir, name);
    return folders;
}

// The songs under dir, depth first, each folder's own before those of its subfolders.
void collectFolderSongs(QProgressDialog &progress, const QString &dir, QStringList &out)
{
    progress.setValue(1);
    QCoreApplication::processEvents();
    out << songsIn(dir);
    for (const QString &folder : subfoldersOf(dir))
        collectFolderSongs(progress, folder, out);
}

// The folder add after its dialog, all but the count update: every song under dir becomes a row at
// the top of the queue, so the last one found ends up first.
void addFolderSongs(WgtPlaylistAll &page, QProgressDialog &progress, const QString &dir)
{
    progress.setLabelText(WgtPlaylistAll::tr("请稍候..."));
    progress.setMaximum(100);
    progress.setValue(1);
    QCoreApplication::processEvents();
    QStringList songs;
    collectFolderSongs(progress, dir, songs);
    progress.setValue(50);
    QCoreApplication::processEvents();
    const int count = int(songs.size());
    progress.setMaximum(std::max(count - 1, 0));
    for (int i = 0; i < count; ++i) {
        const QString &path = songs.at(i);
        page.addLocalSongintoModel(path, false);
        // Cut so the label fits the dialog's 500 pixels.
        const QString shown = path.size() > 45 ? path.left(45) + QStringLiteral("...") : path;
        progress.setLabelText(WgtPlaylistAll::tr("正在添加(%1/%2)").arg(i + 1).arg(count) + shown);
        progress.setValue(i);
        QCoreApplication::processEvents();
    }
    progress.hide();
}

// Where drives are: the root, the user's home folder, and the removable drives the desktop mounts
// under /media/<user> or /run/media/<user>.
QStringList mountedRoots()
{
    QStringList roots;
    for (const QFileInfo &drive : QDir::drives())
        roots << drive.absoluteFilePath();
    roots << QDir::homePath();
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QDir::home().dirName();
    if (!user.isEmpty()) {
        roots << subfoldersOf(QStringLiteral("/media/") + user);
        roots << subfoldersOf(QStringLiteral("/run/media/") + user);
    }
    roots.removeDuplicates();
    return roots;
}

// What quickScanRoots() was last filled with by default.
QStringList &defaultRoots()
{
    static QStringList roots;
    return roots;
}

} // namespace

QStringList &WgtPlaylistAll::quickScanRoots()
{
    static QStringList roots = defaultRoots() = mountedRoots();
    return roots;
}

QString &WgtPlaylistAll::musicFolder()
{
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return folder;
}

void WgtPlaylistAll::onDaoRu()
{
    try {
        m_pMenuDaoRu->exec();
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistAll::onDaoRu(void)");
    }
}

void WgtPlaylistAll::onTiaJiaBrnDiGeQu()
{
    try {
        const QStringList files = QFileDialog::getOpenFileNames(this, tr("请选择音乐文件"), musicFolder(),
                                                                tr("音频文件(*.mp3 *.wav *.wma *.ogg)"));
        // Adding the list updates the counts too.
        if (!files.isEmpty())
            addSongstoList(files, false, false, 0);
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistAll::onTiaJiaBrnDiGeQu(void)");
    }
}

void WgtPlaylistAll::addDirSong()
{
    try {
        const QString dir =
            QFileDialog::getExistingDirectory(this, tr("请选择文件夹"), QStringLiteral("."),
                                              QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        if (dir.isEmpty())
            return;
        addDirSongFrom(dir);
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistAll::addDirSong(void)");
    }
}

void WgtPlaylistAll::addDirSongFrom(const QString &dir)
{
    addFolderSongs(*this, *m_pProgressDlg, dir);
    updateRowCount();
}

void WgtPlaylistAll::getDirSong(const QString &dir, QStringList &out)
{
    collectFolderSongs(*m_pProgressDlg, dir, out);
}

void WgtPlaylistAll::onKuaiSuSaoMiaoDaoRu()
{
    try {
        m_slFiles.clear();
        // From now on the page's long operations show the scan's dialog, with the page as parent.
        delete m_pProgressDlg;
        m_pProgressDlg = new kvrProgressDialog(this);
        m_pProgressDlg->setWindowTitle(tr("澜韵音乐"));
        m_pProgressDlg->setCancelButton(nullptr);
        m_pProgressDlg->setMinimum(0);
        m_pProgressDlg->setWindowModality(Qt::ApplicationModal);
        m_pProgressDlg->setMinimumDuration(1000);
        m_pProgressDlg->setAutoClose(false);
        m_pProgressDlg->setLabel(new QLabel);
        m_pProgressDlg->setFixedWidth(500);
        m_pProgressDlg->setLabelText(tr("请稍候..."));
        m_pProgressDlg->setMaximum(100);
        m_pProgressDlg->setValue(1);
        QCoreApplication::processEvents();

        m_slDirs.clear();
        QStringList &roots = quickScanRoots();
        // Drives come and go: a list nobody replaced is taken afresh for every scan.
        if (roots == defaultRoots())
            roots = defaultRoots() = mountedRoots();
        const QStringList knownFolders{QStringLiteral("KuGou"), QStringLiteral("KwDownload/song"),
                                       QStringLiteral("lanyun_music")};
        for (const QString &root : std::as_const(roots)) {
            for (const QString &known : knownFolders) {
                const QString folder = joinPath(root, known);
                if (QFileInfo(folder).isDir())
                    m_slDirs << folder;
            }
        }
        // Without a music folder (no home) there is nothing more to walk; an empty path would
        // walk the working folder instead.
        if (!musicFolder().isEmpty())
            getDir(musicFolder());

        m_pProgressDlg->setCancelButtonText(tr("停止"));
        m_pProgressDlg->setValue(50);
        QCoreApplication::processEvents();

        const int count = int(m_slDirs.size());
        for (int i = 0; i < count; ++i) {
            const QString folder = m_slDirs.at(i);
            QString text = tr("正在扫描文件夹(%1/%2)").arg(i + 1).arg(count) + folder;
            // Cut so the label fits the dialog's 500 pixels.
            if (text.size() > 55)
                text = text.left(55) + QStringLiteral("...");
            m_pProgressDlg->setLabelText(text);
            loadDirtoMem(folder);
            if (m_pProgressDlg->wasCanceled())
                break;
        }

        m_slDirs.clear();
        m_pProgressDlg->hide();
        addSongstoList(m_slFiles, false, false, 0);
        m_slFiles.clear();
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistAll::onKuaiSuSaoMiaoDaoRu(void)");
    }
}

void WgtPlaylistAll::getDir(const QString &dir)
{
    m_slDirs << dir;
    for (const QString &folder : subfoldersOf(dir))
        getDir(folder);
}

void WgtPlaylistAll::loadDirtoMem(const QString &dir)
{
    const QStringList songs = songsIn(dir);
    if (songs.isEmpty()) {
        QCoreApplication::processEvents();
        return;
    }
    m_pProgressDlg->setMaximum(int(songs.size()) - 1);
    for (int i = 0; i < songs.size(); ++i) {
        m_pProgressDlg->setValue(i);
        QCoreApplication::processEvents();
        if (m_pProgressDlg->wasCanceled())
            return;
        m_slFiles << songs.at(i);
    }
}

void WgtPlaylistAll::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
        event->acceptProposedAction();
}

void WgtPlaylistAll::dropEvent(QDropEvent *event)
{
    try {
        static const QStringList extensions{QStringLiteral("mp3"), QStringLiteral("wav"),
                                            QStringLiteral("wma"), QStringLiteral("ogg")};
        const QList<QUrl> urls = event->mimeData()->urls();
        for (const QUrl &url : urls) {
            // Dropped paths keep their "/": it is this desktop's separator.
            const QString path = url.toLocalFile();
            // Only the last three characters are looked at, so "xmp3" passes too; a folder is no
            // song whatever its name, and dropped folders are not searched.
            if (extensions.contains(path.right(3).toLower()) && !QFileInfo(path).isDir())
                addLocalSongintoModel(path, false);
        }
        event->acceptProposedAction();
        updateRowCount();
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistAll::dropEvent(class QDropEvent *)");
    }
}

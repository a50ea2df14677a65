#pragma once

#include "playlists/WgtPlaylistBase.h"

#include <QList>
#include <QStringList>

#include <functional>

class ListEmptyForm;
class QAction;
class QMenu;
class QModelIndex;
class QToolButton;

// The play queue (list id 1): every other page plays songs by handing them here. Besides what the
// base shares it has the list-empty placeholder, the import button and drops (adding files and
// folders lives in WgtPlaylistAllImport.cpp), and a row menu with the "添加到" submenu of the
// user's favourite lists.
class WgtPlaylistAll : public WgtPlaylistBase
{
    Q_OBJECT
public:
    explicit WgtPlaylistAll(QWidget *parent = nullptr);
    ~WgtPlaylistAll() override;

    // Adds local paths (bNet false) or network entries "id[]singer-title[]album" at the top, in
    // reverse order, and plays row nRow of the result when bPlay is set.
    void addSongstoList(const QStringList &list, bool bPlay, bool bNet, int nRow);
    void addNetSongintoModel(const QString &sUrl, const QString &sFileName, const QString &sDur,
                             const QString &sSize, const QString &sAlbumName, bool append);
    void addLocalSongintoModel(const QString &path, bool append);
    // The queue's name for clearing the playing-row mark.
    void closeCurDisplayingEditor() { clearCurPlayingRow(); }

    // What the quick scan looks in besides the music folder: each drive's well-known download
    // folders. Tests point it at a temporary tree.
    static QStringList &quickScanRoots();
    // The user's music folder the file dialog and the quick scan start from.
    static QString &musicFolder();
    // The names of the user's favourite lists, the default list first, for the "添加到" submenu;
    // the favourites page installs them, until then there are none.
    static std::function<QStringList()> &favouriteListNames();
    // Enables the row menu's entries and rebuilds its submenu, as a right-click does before the
    // menu shows.
    void prepareContextMenu();
    // The folder add after its dialog: every song under dir, depth first.
    void addDirSongFrom(const QString &dir);
    QMenu *contextMenu() const { return m_pContextMenu; }
    QMenu *importMenu() const { return m_pMenuDaoRu; }
    const QList<QAction *> &geDanActions() const { return m_listGeDanActions; }

public slots:
    void addDirSong();
    void playListContextMenu(const QPoint &pos);
    void onAcNewHover();
    void onAcCommonHover();
    void onMenuGeDanClicked(QAction *action);
    void onMenuAcClicked();
    void onActionHover() {}
    void onTianJiaDaoHover() {}
    void contextMenuTriggered(QAction *) {}
    void onDaoRu();
    void onTiaJiaBrnDiGeQu();
    void onKuaiSuSaoMiaoDaoRu();

signals:
    // The entries just added by addSongstoList, in order.
    void songsAdded(const QStringList &entries, bool bPlay);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void rowsChanged() override;

private:
    void createContextMenu();
    void setSubmenuIcons(bool firstHovered, bool lastHovered);
    // The folder add's recursive collection, and the quick scan's folder walk and file listing.
    void getDirSong(const QString &dir, QStringList &out);
    void getDir(const QString &dir);
    void loadDirtoMem(const QString &dir);

    ListEmptyForm *m_pEmptyForm = nullptr;
    QToolButton *m_pBtnDaoRu = nullptr;
    QMenu *m_pMenuDaoRu = nullptr;
    QMenu *m_pContextMenu = nullptr;
    QMenu *m_pMenuTianJiaDao = nullptr;
    QAction *m_pActDownPhone = nullptr;
    QAction *m_pActDel = nullptr;
    QAction *m_pActBrowse = nullptr;
    QList<QAction *> m_listGeDanActions;
    QStringList m_slDirs;  // the quick scan's folders still to list
    QStringList m_slFiles; // the quick scan's songs found
};

// The play queue page, published when the main window builds its pages.
extern WgtPlaylistAll *g_pWgtPlaylistAll;

// The order in which the library pages sort their group and singer names: the user's locale's
// (QString::localeAwareCompare), so Chinese names sort as the desktop sorts them.
bool localeLessThan(const QString &a, const QString &b);

#pragma once

#include "playlists/WgtPlaylistBase.h"

#include <QList>

class QAction;
class QMenu;

// What the recently played and the most played pages share beyond the base: their tool buttons,
// their row menu (with the main window's play modes), the removal of rows whose file is gone,
// and the recording of a song that the play queue played to its end: a copy of the queue's
// record goes to the top, the list keeps at most 500 rows.
class WgtPlaylistHistory : public WgtPlaylistBase
{
    Q_OBJECT
public:
    static constexpr int kMaxRows = 500;

    // The main window's three play-mode actions, shown in the row menu's "循环模式" submenu.
    void setPlayModeActions(const QList<QAction *> &actions);
    QMenu *contextMenu() const { return m_pContextMenu; }
    // Enables the entries that need a selection, as a right-click does before the menu shows.
    void prepareContextMenu();

public slots:
    void playListContextMenu(const QPoint &pos);
    void delErrSong();
    void clearTheList() { WgtPlaylistBase::clearTheList(); }

protected:
    WgtPlaylistHistory(const PageTraits &traits, QWidget *parent);

    // The song that ended, from the play queue's item; nothing while list 5 or 6 plays. The row
    // found by sameSong (searched from the bottom) is counted or replaced by the subclass.
    void recordPlayedSong(const QStandardItem *queueItem);
    virtual bool sameSong(const _tag_playlistsonginfo_ &row, const _tag_playlistsonginfo_ &played) const = 0;
    // The row that matched: true when the subclass handled it and nothing is inserted.
    virtual bool recordKnownRow(int nRow) = 0;
    // The copy inserted at the top.
    virtual void prepareCopy(_tag_playlistsonginfo_ &copy) const = 0;

private:
    QMenu *m_pContextMenu = nullptr;
    QMenu *m_pMenuPlayMode = nullptr;
    QAction *m_pActDel = nullptr;
    QAction *m_pActBrowse = nullptr;
};

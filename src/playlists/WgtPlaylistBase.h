#pragma once

#include "playlists/PlayListFile.h"

#include <QFrame>
#include <QRect>
#include <QStringList>

#include <functional>

class Delegate4ListView;
class QLabel;
class QListView;
class QModelIndex;
class QProgressDialog;
class QStandardItem;
class QStandardItemModel;
class kvrListView;
struct _tag_playlistsonginfo_;
struct spis;

// What the play queue (list id 1), the recently played list (5) and the most played list (6)
// share: a kvrListView painted by Delegate4ListView over a one-column model whose rows each own
// their _tag_playlistsonginfo_ record (PlaylistSongInfo.h), the page's list file, the playing-row
// mark and the failure counter of the next-song choice, the removal operations, the favourite and
// download commands and the count label. The subclasses add what only they do.
//
// The playing-row mark is kept by row number, so every operation that inserts or removes rows
// moves it with the song it marks (insertSongRow, removeRows). The page owns its rows' records:
// saving only reads them, removing a row frees its record, the destructor frees the rest.
//
// Threads: GUI thread only. The removal loops let pending events run after every row (so the
// modal progress dialog paints); they work on row numbers taken before the loop, from the highest
// down, and re-entrant edits are kept out by the application-modal dialog.
class WgtPlaylistBase : public QFrame
{
    Q_OBJECT
public:
    ~WgtPlaylistBase() override;

    // The page that plays as list id 1, 5 or 6, or null (no such page exists now).
    static WgtPlaylistBase *forListId(int nListId);

    int listId() const { return m_nListId; }
    QStandardItemModel *model() const { return m_pModel; }
    kvrListView *listView() const { return m_pListView; }
    Delegate4ListView *delegate() const { return m_pDelegate; }
    QLabel *countLabel() const { return m_pCountLabel; }
    // The long-operation progress dialog the removals use (the quick scan replaces it).
    QProgressDialog *progressDialog() const { return m_pProgressDlg; }
    int rowCount() const;
    // The row marked as playing, -1 for none.
    int curPlayingRow() const { return m_nCurPlayingRow; }
    int wrongCount() const { return m_nWrongCount; }
    // The item of the playing row, null when no row is marked.
    QStandardItem *getCurPlayingItem() const;
    // The page's list file in g_sDataDir.
    QString playListPath() const { return m_file.path(); }

    // Writes the first 10000 rows to the list file, keeping every row and record. True when it
    // was written; otherwise the program's message box says why and the old file is untouched.
    bool savePlayList();

    // Plays the row (noScroll: the view keeps its place). The row already playing plays nothing.
    virtual void playTheListSong(const QModelIndex &index, bool noScroll);
    // Moves the playing-row mark to the row (openEditor2 on the play queue): the old row is
    // repainted, the view scrolls the row to its centre unless noScroll, the selection is cleared.
    void setCurPlayingRow(int nRow, bool noScroll);
    // No row plays on this page any more.
    void clearCurPlayingRow();

    // The next-song choice for the playback controller, by the play mode g_nPlayMode.
    void getNextSongandSelIt(spis &s);
    bool getRealNextSongandSelIt(spis &s);
    bool getRealPrevSongandSelIt(spis &s);
    void dealWithWrong(int nReason);
    // The playing row's record takes a network song's information when its id is id; returns the
    // playing row's id ("" when no row is marked).
    QString changePLCurPlayingNetSong(const QString &id, const QString &filePath, const QString &duration,
                                      const QString &size, const QString &albumPic);
    // The playing row's duration from a cached file: sDur gets "mm:ss", the row too.
    void changePLCurPlayingNetSongDur(QString &sDur, const QString &file);

    // The duration text of a length in seconds: two-digit minutes and seconds, "03:07".
    static QString durationText(int nSeconds);
    // Shows a file selected in the desktop's file manager ("浏览本地文件"); tests replace it.
    static std::function<void(const QString &)> &fileManagerOpener();

public slots:
    void tvDoubleClick(const QModelIndex &index);
    void onPlayAll();
    void closePersistEdr(int nRow);
    void delSong();
    void delRedundantSong();
    void openSongDir();
    void listItemClicked(const QModelIndex &index);
    void downtheSelectedSongs();
    void onSHouCang();
    void onXiaZai();
    // Asks, then empties the list.
    void onQIngKong();
    // The main window's count text "共%1首歌曲" shows as "%1首".
    void onGeQuSHu(const QString &sCount);

signals:
    void rowCountChanged(int nRows);

protected:
    // What sets the three pages apart.
    struct PageTraits
    {
        PlayListVariant variant;
        int nListId;
        int nCountKind;           // the main window's count field (updateCountLabels)
        const char *objectPrefix; // "WgtPlaylistAll": the view is prefix + "m_tvLocalList"
        QString sTitle;           // "  全部歌曲"
        QString sLastHeader;      // "时长" or "播放次数"
        int nDelegateKind;        // 2 duration, 3 play count
    };
    WgtPlaylistBase(const PageTraits &traits, QWidget *parent);

    // The top bar's tool buttons (play all, download, favourite, clear, and the queue's import
    // button), added by the subclass's constructor between the spacer and the right margin.
    void addTopBarButton(QWidget *button);
    // Appends the rows of the list file to the model. A file that exists but cannot be read shows
    // the program's message box and is kept aside by the next save.
    void loadPlayList();

    // Inserts a row for info (owned by the row from now on): appended, or at the top with the
    // playing-row mark moved down with its song.
    QStandardItem *insertSongRow(_tag_playlistsonginfo_ *info, bool append);
    // Removes the rows (any order, duplicates ignored) and frees their records, the playing row
    // last; removing the playing row stops playback. The progress dialog shows for several rows.
    void removeRows(QList<int> rows);
    // Removes every row without asking.
    void clearTheList();
    // The count displays after the row count changed: the main window's field, the page's label,
    // and whatever the subclass adds (updateRowCount calls rowsChanged last).
    void updateRowCount();
    virtual void rowsChanged() {}
    // A row is about to be played by hand (the most played list counts it).
    virtual void aboutToPlayRow(_tag_playlistsonginfo_ *) {}
    // The selected rows, each once, top first.
    QList<int> selectedRows() const;
    // Fills s from the row's record and marks the row (scrolling to it).
    void takeRow(int nRow, spis &s);
    // The download of one row through the main window; the most played list first looks for the
    // downloaded file.
    virtual void downloadRow(const _tag_playlistsonginfo_ &info);
    // The song items "id[]artist - title|" of the rows whose id is not empty.
    QString songItems(const QList<int> &rows) const;

    QRect m_rectDownBtn{QPoint(320, 7), QPoint(335, 22)};
    QProgressDialog *m_pProgressDlg = nullptr;

private:
    void setupUi(const PageTraits &traits);
    void commandAll(const char *key, bool bNeedLogin, const QString &localOnlyHint);

    PlayListFile m_file;
    int m_nListId = 0;
    int m_nCountKind = 0;
    QStandardItemModel *m_pModel = nullptr;
    kvrListView *m_pListView = nullptr;
    Delegate4ListView *m_pDelegate = nullptr;
    QLabel *m_pCountLabel = nullptr;
    class QHBoxLayout *m_pTopBar = nullptr;
    int m_nCurPlayingRow = -1;
    int m_nWrongCount = 0;
};

#pragma once

#include "services/downloads/DownloadSongInfo.h"

#include <QFrame>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class Delegate4DownListView;
class QAction;
class QMenu;
class QModelIndex;
class QNetworkAccessManager;
class QNetworkReply;
class QStandardItem;
class QStandardItemModel;
class QTimer;
class QWidget;
class httpDown;
class kvrListView;

// The row record of the download page: the saved download record and the row's downloader.
using _tag_downloadDelegate_ = _tag_downloadsonginfo_;

// The download page: one row per song download and the queue that runs them. At most
// g_nMaxDownloads transfers run at once; a download that ends starts the first waiting row, a
// finished file joins the local library, and the rows are handed to the library file at quit
// and taken back at start (getOneRecord, addLocalSongRecord).
//
// m_nCurDowningCount always equals the number of rows whose downloader is active: every start
// adds one, every end either hands its place to a waiting row or gives it back, every stop gives
// it back.
//
// A row owns its record; the record owns nothing (its downloader is a child of the page, its
// library song belongs to the library). A downloader still waiting for its song-information
// answer when its row goes is cut off from the row (its record and item pointers cleared) and
// discards itself when the answer comes.
//
// Threads: GUI thread only; network answers and downloader signals come through the event loop.
class downloadWgt : public QFrame
{
    Q_OBJECT
public:
    explicit downloadWgt(QWidget *parent = nullptr);
    ~downloadWgt() override;

    // Queues one song (from MainWindow::downloadSong). An empty url asks the service for the
    // song's address first.
    void downTheSong(const QString &url, const QString &title, const QString &artist, const QString &album,
                     const QString &size, const QString &duration, const QString &songId);
    // Starts, resumes or queues one row (record null: the row's own).
    void startDownTheMISong(const QModelIndex &index, _tag_downloadDelegate_ *record = nullptr);
    // Starts the row's transfer now, whatever the queue holds.
    void startDownTheModelIndexSong(const QModelIndex &index);

    // For the library file: the rows, a copy of one row's saved fields (the row keeps its
    // record), and a saved row taken back.
    int getRecordCount() const;
    bool getOneRecord(int row, _tag_downloadsonginfo_ &out) const;
    void addLocalSongRecord(const _tag_downloadsonginfo_ &saved);
    // Removes the rows whose library song was removed from the library.
    void update4DeleteOp();
    void showEmptyPage(bool bEmpty);
    // The page's 800 ms action lock: set now, cleared 800 ms later.
    void rechargeDownloadOperationsLater();
    bool isBusy() const { return m_bBusy; }
    // Stops every download for the quit, whatever the action lock says, and records each
    // unfinished row's partial size.
    void stopAllForQuit();

    // The file name of a song under the current name format ("singer - title.mp3" and so on),
    // safe to join to the download folder.
    static QString fileNameOf(const QString &title, const QString &artist);
    QString downDir() const { return m_sDownDir; }
    int curDowningCount() const { return m_nCurDowningCount; }
    QStandardItemModel *model() const { return m_pModel; }
    kvrListView *listView() const { return m_pListView; }
    _tag_downloadDelegate_ *recordOf(int row) const;
    QMenu *contextMenu() const { return m_pContextMenu; }
    // The downloaded files the library already holds, by path: a finished row is linked to the
    // library's record instead of getting a second one.
    QHash<QString, _tag_localsonginfo_ *> &downloadedTable() { return m_downloaded; }

    // Plays local files from the play queue (the queue page's addSongstoList); tests replace it.
    static std::function<void(const QStringList &)> &queuePlayer();

public slots:
    void startNextQueueingSong(QStandardItem *item);
    void allStartDown();
    void allStopDown();
    void addDownloadedSongtoLocalWgts(QStandardItem *item);
    void onReplyFinished();
    void updateProgress();
    void showDownDirSet();
    void listItemClicked(const QModelIndex &index);
    void playTheSong(const QModelIndex &index);
    void playContextMenu(const QPoint &pos);
    void playSongfromLocalList();
    void delSongfromLocalList();
    void delSongPermanent();
    void openLocalDir();
    void setMyCursor();
    void rechargedDownloadOperations();
    void startDownSelectedSongs();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUi();
    httpDown *attachDownloader(QStandardItem *item, _tag_downloadDelegate_ *record);
    // Sends the probe of a known address; its answer starts the downloader.
    void probe(httpDown *down, const QString &url, const QString &fileName);
    void stopAll();
    void removeSelected(bool fromDisk);
    // The target path a row would write now, and whether another row already writes or holds it.
    QString targetOf(const _tag_downloadDelegate_ &record) const;
    bool targetTaken(const QString &target, const _tag_downloadDelegate_ *except) const;
    // A row whose complete file is already at its target.
    void finishFromDisk(QStandardItem *item, _tag_downloadDelegate_ *record);
    // Hands a finished file to the library; the row is linked when the library kept it.
    void handToLibrary(_tag_downloadDelegate_ *record, const QString &title, const QString &artist,
                       const QString &album);
    // Stops an active downloader so that its place goes to the first waiting row.
    void stopGivingPlace(httpDown *down);
    bool mainWindowBusy() const;
    QList<int> selectedRows() const;

    QStandardItemModel *m_pModel = nullptr;
    QWidget *m_pEmpty = nullptr;
    QWidget *m_pNotEmpty = nullptr;
    kvrListView *m_pListView = nullptr;
    Delegate4DownListView *m_pDelegate = nullptr;
    QMenu *m_pContextMenu = nullptr;
    QNetworkAccessManager *m_pNam = nullptr;
    QTimer *m_pTimerProgress = nullptr;
    QTimer *m_pTimerCursor = nullptr;
    QString m_sDownDir; // ends with "/", so a path is the folder followed by the name
    int m_nCurDowningCount = 0;
    bool m_bBusy = false;
    QHash<QString, _tag_localsonginfo_ *> m_downloaded;
};

// The download page, published when the library page builds it.
extern downloadWgt *g_pDownloadWgt;

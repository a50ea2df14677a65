#pragma once

#include "playlists/PlayListFile.h"

#include <QStringList>
#include <QWidget>

class QListView;
class QStandardItemModel;

// What the three song-list pages share while their editing is still to come: a list view over a
// model of rows, each row bound to its _tag_playlistsonginfo_ record (PlaylistSongInfo.h), the
// page's list file, and the count field each page's tab shows.
//
// The page owns its rows' records: saving only reads them, the destructor frees them.
class WgtPlaylistBase : public QWidget
{
    Q_OBJECT
public:
    ~WgtPlaylistBase() override;

    QStandardItemModel *model() const { return m_pModel; }
    QListView *listView() const { return m_pListView; }
    int rowCount() const;
    // The page's list file in g_sDataDir.
    QString playListPath() const { return m_file.path(); }
    // Writes the first 10000 rows to the list file, keeping every row and record. True when it
    // was written; otherwise the program's message box says why and the old file is untouched.
    bool savePlayList();

public slots:
    // The count field of the page's tab changed.
    void onGeQuSHu(const QString &sCount);

signals:
    void rowCountChanged(int nRows);

protected:
    // The page of the variant's list file in g_sDataDir (as it is when the page is built).
    WgtPlaylistBase(const PlayListVariant &variant, QWidget *parent);

    // Appends the rows of the list file to the model; the constructor calls it when the file
    // exists. A file that exists but cannot be read shows the program's message box.
    void loadPlayList();
    // Rows without record for the entries handed to the page, until the pages make real rows.
    void appendRows(const QStringList &entries);

private:
    QStandardItemModel *m_pModel = nullptr;
    QListView *m_pListView = nullptr;
    PlayListFile m_file;
};

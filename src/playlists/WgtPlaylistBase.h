#pragma once

#include <QStringList>
#include <QWidget>

class QListView;
class QStandardItemModel;

// What the three song-list pages share while their rows, files and editing are still to come: a
// list view over a model of rows, the count field each page's tab shows, and saving. The rows
// hold the paths or entries handed to the page, so the frame can be tried end to end.
class WgtPlaylistBase : public QWidget
{
    Q_OBJECT
public:
    explicit WgtPlaylistBase(QWidget *parent = nullptr);

    QStandardItemModel *model() const { return m_pModel; }
    QListView *listView() const { return m_pListView; }
    int rowCount() const;
    // Saves the list file; true when there was nothing to save or it was saved.
    bool savePlayList();

public slots:
    // The count field of the page's tab changed.
    void onGeQuSHu(const QString &sCount);

signals:
    void rowCountChanged(int nRows);

protected:
    void appendRows(const QStringList &entries);

private:
    QStandardItemModel *m_pModel = nullptr;
    QListView *m_pListView = nullptr;
};

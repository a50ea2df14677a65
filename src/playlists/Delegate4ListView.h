#pragma once

#include "playlists/RowPaint.h"

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QStyledItemDelegate>

class QAbstractItemModel;
class QLabel;
class QMovie;

// Paints one row of a song list (kvrListView): title, artist, album and a fourth column (duration
// or play count), the playing mark, two picture buttons on the hovered, selected or playing row,
// grey text for a song whose file is gone and a mark on play-list songs that were downloaded.
// It only draws: the page owning the list handles clicks, testing them against its own copy of
// the button zones, so setRects and m_rectBtn must stay in step with the page's copy.
//
// Each row's item holds its record's address in role Qt::UserRole + 1 (as a 64-bit value); which
// record depends on m_nListKind:
//   0 _tag_localsonginfo_ (local library pages)     buttons play / more
//   1 _tag_favsonginfo_ (favourite pages)          buttons play / more
//   2 _tag_playlistsonginfo_ (play queue, recent)  buttons download / favourite, network songs
//   3 _tag_playlistsonginfo_ (most played)         as 2, the play count in the fourth column
//
// Painting a list is kept off the disk: whether a song file exists and where a play-list song's
// downloaded copy is are remembered for at most a second, and for the model they were asked for
// only, so a deleted or newly downloaded file shows at the first repaint after that second.
//
// The parent given to the constructor is the list view, which owns the delegate. GUI thread only.
class Delegate4ListView : public QStyledItemDelegate
{
    Q_OBJECT
public:
    Delegate4ListView(QObject *parent, int textLeft);
    ~Delegate4ListView() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The four column positions (row-relative x); the first button zone becomes
    // (x1 - 60, 7)-(x1 - 45, 22). Not called again on resize.
    void setRects(int x0, int x1, int x2, int x3);

    int m_nListKind = 0;
    // Added to the title's x: room for the playing mark on the play-list pages.
    int m_nTextLeft = 0;
    // The first button zone, row-relative with inclusive edges; the second is 22 px to its right.
    QRect m_rectBtn{QPoint(60, 7), QPoint(75, 22)};
    // The animated playing mark: without parent until the playing row is first painted, then a
    // child of the list view placed on that row. Its whatsThis holds the list kind once placed.
    // The play-list pages hide it when they clear their list.
    QPointer<QLabel> m_lblPlaying;

private:
    // The text as its column shows it: cut with an ellipsis to the column's width at 14 px.
    QString elided(int column, const QString &text) const;
    bool fileExists(const QString &path) const;
    QString downloadedFile(const QString &title, const QString &artist) const;
    void resetCachesFor(const QAbstractItemModel *model) const;

    int m_nX0 = 12;
    int m_nX1 = 100;
    int m_nX2 = 200;
    int m_nX3 = 300;

    QFont m_font12;
    // Texts are elided and measured at 14 px but drawn at 12 px, so an elided text ends short.
    QFont m_font14;
    QFontMetrics m_metrics14;
    int m_nAscent12 = 0;

    RowPaint::Brushes m_brushes;
    QBrush m_brushPlaying;

    // The buttons of library and favourite rows, and of play-list rows.
    RowPaint::ButtonPictures m_buttonsPlayMore;
    RowPaint::ButtonPictures m_buttonsDownLove;
    QPixmap m_pixDownloaded;
    QMovie *m_pMovie = nullptr;

    // File facts of the last second for one model: path -> is a file; "title\nartist" -> the
    // downloaded copy ("" for none); downloaded copies whose tags were read already.
    mutable RowPaint::FileCache m_files;
    mutable QHash<QString, QString> m_hashDownloaded;
    mutable QSet<QString> m_setTagsRead;
    // Elided texts of the title, artist and album columns: a list repeats its artists and albums
    // on many rows, and measuring a text costs as much as drawing it.
    mutable QHash<QString, QString> m_hashElided[3];
};

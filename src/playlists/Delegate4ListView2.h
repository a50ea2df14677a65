#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// Paints one row of a group list (albums, singers, folders, favourite song lists, favourite
// singers, the device page's sources): a 50 x 50 picture and two lines, the group's name and its
// song count. It finds a group's picture through the picture caches the first time the row is
// painted and keeps what it found in the group's record (the picture file, or on the device page
// the pointer to the cover bytes), so later paints skip the look-up. It only draws.
//
// Each row's item holds its record's address in role Qt::UserRole + 1 (as a 64-bit value):
//   kind 0                      a LocalGroupRecord (album, singer or folder of the library)
//   kind 1, tag "" or "歌单"     a _tag_favgroupinfo_ (favourite list or singer)
//   kind 1, tag "目录"           a LocalGroupRecord of a folder (device page)
//   kind 1, tag "下载" / "全部"   no record: the song count as an int
// The tag is the item's whatsThis; only the device page sets tags.
//
// The parent given to the constructor is the list view, which owns the delegate. GUI thread only.
class Delegate4ListView2 : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit Delegate4ListView2(QObject *parent);
    ~Delegate4ListView2() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    int m_nListKind = 0; // 0 groups of local songs, 1 favourite and device-page groups
    bool m_bDeviceMode = false;
    bool m_bSingerMode = false;
    bool m_bFolderMode = false;

private:
    QPixmap m_pixDefaultCover;
    QPixmap m_pixNoAlbum;
    QPixmap m_pixNoSinger;
    QPixmap m_pixFolder;
    QPixmap m_pixAllSongs;
    QPixmap m_pixDownloads;
};

#pragma once

#include "playlists/RowPaint.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPixmap>
#include <QRect>
#include <QStaticText>
#include <QStyledItemDelegate>

// Paints one row of the download list: title, singer, a third column with the download's
// progress bar or state (the album once the file is finished), size and duration, and the play
// and more buttons on a finished row that is hovered or selected. Under the cursor, the third
// column of an unfinished row shows what a click there does (pause or resume).
//
// Each row's item holds its _tag_downloadsonginfo_'s address in role Qt::UserRole + 1 (see
// RowRecord.h). The painter only draws: the page owning the list handles clicks, testing the
// cursor against buttonZone() and progressZone(), so both always agree with what is drawn. Like
// the song rows, a zone is tested in the list view's own coordinates against the row's rectangle.
//
// The page repaints the whole list every second and the view repaints on every mouse move, so a
// row's paint reads only its record: texts are laid out once and kept, the cursor is asked for
// only on the hovered row, and whether a finished row's file still exists is remembered for a
// second.
//
// The parent given to the constructor is the list view, which owns the delegate. GUI thread only.
class Delegate4DownListView : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit Delegate4DownListView(QObject *parent);
    ~Delegate4DownListView() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The five column positions (row-relative x): title, singer, third column, size, duration.
    // Places both zones after the singer's and the third column's positions.
    void setRects(int titleX, int singerX, int thirdX, int sizeX, int durationX);

    // Row-relative: the play button (16 x 16; the more button is the same zone 22 px to the
    // right) and the progress bar (175 x 18).
    QRect buttonZone() const { return m_rectBtn; }
    QRect progressZone() const { return m_rectProgress; }

    static constexpr int kBarWidth = 175;
    static constexpr int kBarHeight = 18;

private:
    enum Column
    {
        kTitleColumn,
        kSingerColumn,
        kAlbumColumn,
        kWholeText, // not cut: size, duration, state texts
        kColumnCount
    };
    // The text as its column shows it, cut with an ellipsis to the column's width.
    const QStaticText &columnText(Column column, const QString &text) const;
    int columnWidth(Column column) const;

    int m_nTitleX = 12;
    int m_nSingerX = 100;
    int m_nThirdX = 200;
    int m_nSizeX = 250;
    int m_nDurationX = 300;

    QFont m_font;
    QFontMetrics m_metrics;

    RowPaint::Brushes m_brushes;
    RowPaint::ButtonPictures m_buttons;
    QPixmap m_pixBar;
    QPixmap m_pixBarFilled;
    QPixmap m_pixPause;
    QPixmap m_pixBegin;

    // Until setRects the zones keep the places of the page's columns.
    QRect m_rectBtn{60, 7, 16, 16};
    QRect m_rectProgress{345, 7, kBarWidth, kBarHeight};

    mutable RowPaint::FileCache m_files;
    // Laid-out texts per column; the speeds change every second, so a column's table starts
    // again once it grows large.
    mutable QHash<QString, QStaticText> m_texts[kColumnCount];
};

#include "playlists/Delegate4DownListView.h"

#include "playlists/RowRecord.h"
#include "services/downloads/DownloadSongInfo.h"
#include "services/downloads/httpDown.h"
#include "shell/kvrPixmap.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QPainter>

namespace {

using RowPaint::kRowHeight;
using RowPaint::kTextTop;

// A state text holding a speed stands right of the bar's middle, any other one nearer its start.
constexpr int kSpeedOffset = 115;
constexpr int kStateOffset = 50;
constexpr int kMaxTexts = 4096;
// Where an unhovered row takes the cursor to be: outside every zone of every row.
constexpr int kNoCursor = -100000;

const QColor kHoverLine(100, 170, 35);
const QColor kText(0x66, 0x66, 0x66);
const QColor kMissingText(0xcc, 0xcc, 0xcc);
const QColor kStateText(0x6b, 0x6c, 0x71);
const QColor kSizeText(183, 182, 182);

QPixmap picture(const char *name)
{
    return kvrPixmap(QStringLiteral(":/qss/debug/images/btnimage/local/%1.png").arg(QLatin1String(name)));
}

} // namespace

Delegate4DownListView::Delegate4DownListView(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_font(QApplication::font())
    , m_metrics(m_font)
    , m_buttons(RowPaint::ButtonPictures::playAndMore())
    , m_pixBar(picture("downloadbg"))
    , m_pixBarFilled(picture("downloadSeek"))
    , m_pixPause(picture("downloadPause"))
    , m_pixBegin(picture("downloadBegin"))
{
}

Delegate4DownListView::~Delegate4DownListView() = default;

void Delegate4DownListView::setRects(int titleX, int singerX, int thirdX, int sizeX, int durationX)
{
    m_nTitleX = titleX;
    m_nSingerX = singerX;
    m_nThirdX = thirdX;
    m_nSizeX = sizeX;
    m_nDurationX = durationX;
    m_rectBtn = QRect(singerX - 60, kTextTop, 16, 16);
    m_rectProgress = QRect(thirdX, kTextTop, kBarWidth, kBarHeight);
    for (QHash<QString, QStaticText> &column : m_texts)
        column.clear();
}

QSize Delegate4DownListView::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(m_nDurationX + 66, kRowHeight);
}

int Delegate4DownListView::columnWidth(Column column) const
{
    switch (column) {
    case kTitleColumn:
        return m_nSingerX - m_nTitleX - 60;
    case kSingerColumn:
        return m_nThirdX - m_nSingerX;
    case kAlbumColumn:
        return m_nSizeX - m_nThirdX;
    default:
        return -1;
    }
}

const QStaticText &Delegate4DownListView::columnText(Column column, const QString &text) const
{
    QHash<QString, QStaticText> &cache = m_texts[column];
    auto found = cache.constFind(text);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() >= kMaxTexts)
        cache.clear();
    const int width = columnWidth(column);
    // Plain text: a title such as "<b>" must show as typed, not as markup.
    QStaticText laidOut(width < 0 ? text : m_metrics.elidedText(text, Qt::ElideRight, width));
    laidOut.setTextFormat(Qt::PlainText);
    return *cache.insert(text, laidOut);
}

void Delegate4DownListView::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->setFont(m_font);
    painter->setPen(Qt::NoPen);

    const QRect &rect = option.rect;
    const int left = rect.left();
    const int textTop = rect.top() + kTextTop;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const QBrush &rowBrush = m_brushes.forRow(index.row());
    const auto drawText = [&](int x, Column column, const QString &text) {
        painter->drawStaticText(left + x, textTop, columnText(column, text));
    };

    if (selected) {
        painter->fillRect(rect, m_brushes.selected);
    } else {
        painter->fillRect(rect, rowBrush);
        if (hovered) {
            painter->setPen(kHoverLine);
            painter->drawLine(rect.bottomLeft(), rect.bottomRight());
            painter->setPen(Qt::NoPen);
        }
    }

    const auto *record = g_rowRecord<const _tag_downloadsonginfo_>(index);
    if (!record) {
        painter->restore();
        return;
    }

    // Only the hovered row can have the cursor in one of its zones, so the others never ask for
    // it: on X11 that is a round trip to the server, for every row every second.
    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    if (!view)
        view = qobject_cast<const QAbstractItemView *>(parent());
    QPoint cursor(kNoCursor, kNoCursor);
    if (hovered && view)
        cursor = view->mapFromGlobal(QCursor::pos());
    const QPoint origin = rect.topLeft();
    const bool cursorOnBar = m_rectProgress.translated(origin).contains(cursor);

    if (record->fin && (selected || hovered))
        m_buttons.draw(painter, QPoint(left + m_rectBtn.x(), textTop), selected, m_rectBtn.translated(origin),
                       cursor);

    painter->setPen(selected ? QColor(Qt::white) : kText);
    const QPoint third(left + m_nThirdX, textTop);
    if (record->fin) {
        m_files.renew(index.model());
        if (!selected && !m_files.isFile(record->filepathname))
            painter->setPen(kMissingText);
        drawText(m_nThirdX, kAlbumColumn, record->album.isEmpty() ? RowPaint::unknownAlbum() : record->album);
    } else if (record->downloading && record->pDown && record->pDown->m_bBusy) {
        if (cursorOnBar) {
            painter->drawPixmap(third, m_pixPause);
        } else {
            painter->drawPixmap(third, m_pixBar);
            // The filled part of the bar: its left `progress` pixels, held to the bar.
            const int filled = qBound(0, record->progress, kBarWidth);
            if (filled > 0) {
                const qreal ratio = m_pixBarFilled.devicePixelRatio();
                painter->drawPixmap(QRectF(third, QSizeF(filled, kBarHeight)), m_pixBarFilled,
                                    QRectF(0, 0, filled * ratio, kBarHeight * ratio));
            }
            painter->setPen(kStateText);
            const bool speed = record->status.contains(QStringLiteral("KB/S"));
            drawText(m_nThirdX + (speed ? kSpeedOffset : kStateOffset), kWholeText, record->status);
        }
    } else if (record->queued) {
        if (cursorOnBar)
            painter->drawPixmap(third, m_pixPause);
        else
            drawText(m_nThirdX + kStateOffset, kWholeText, QStringLiteral("等待"));
    } else if (record->stopped) {
        painter->drawPixmap(third, cursorOnBar ? m_pixBegin : m_pixPause);
    } else {
        // Failed, or its downloader is no longer at work.
        painter->drawPixmap(third, m_pixBar);
        if (selected)
            painter->setPen(Qt::black);
        drawText(m_nThirdX + kStateOffset, kWholeText, record->status);
        if (selected)
            painter->setPen(Qt::white);
    }

    if (!record->title.isEmpty())
        drawText(m_nTitleX, kTitleColumn, record->title);
    drawText(m_nSingerX, kSingerColumn,
             record->artist.isEmpty() ? RowPaint::unknownArtist() : record->artist);

    if (!selected)
        painter->setPen(kSizeText);
    drawText(m_nSizeX, kWholeText, record->size);
    drawText(m_nDurationX, kWholeText, record->sDur);

    painter->restore();
}

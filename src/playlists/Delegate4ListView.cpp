#include "playlists/Delegate4ListView.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/RowRecord.h"
#include "playlists/WgtPlaylistBase.h"
#include "playlists/kvrListView.h"
#include "services/core/FavSongInfo.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/ProgramHelpers.h"
#include "services/core/SongConstants.h"
#include "services/core/SongFileInfo.h"
#include "services/playback/PlaybackGlobals.h"
#include "settings/CDManager.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMovie>
#include <QPainter>

namespace {

// Row kinds (m_nListKind).
constexpr int kLocalRows = 0;
constexpr int kFavRows = 1;
constexpr int kQueueRows = 2;
constexpr int kChartRows = 3;

using RowPaint::kRowHeight;
using RowPaint::kTextTop;
// The all-favourite-songs view moves its buttons and middle columns left to make room for the
// column naming each song's favourite list.
constexpr int kAllFavShift = 132;
// Elided texts kept per column before the column's table starts again.
constexpr int kMaxElided = 4096;

const QString &allFavViewTag()
{
    static const QString tag = QStringLiteral("歌单全部歌曲");
    return tag;
}

using RowPaint::unknownAlbum;
using RowPaint::unknownArtist;

const char *const kDownLoveButtons[2][2][2] = {
    {{"pl/liebiao_down1", "pl/liebiao_down3"}, {"pl/liebiao_love1", "pl/liebiao_love3"}},
    {{"pl/downSelect_normal", "pl/liebiao_down2"}, {"pl/loveSelect_normal", "pl/liebiao_love2"}}};

// What one row shows, whatever record it comes from.
struct RowTexts
{
    QString title;
    QString artist;
    QString album;
    QString fourth;
    QString listName; // the favourite list holding the song (all-favourite-songs view)
};

} // namespace

Delegate4ListView::Delegate4ListView(QObject *parent, int textLeft)
    : QStyledItemDelegate(parent)
    , m_nTextLeft(textLeft)
    , m_font12(QApplication::font())
    , m_font14(QApplication::font())
    , m_metrics14(m_font14)
    , m_brushPlaying(QColor(90, 152, 30))
    , m_buttonsPlayMore(RowPaint::ButtonPictures::playAndMore())
    , m_buttonsDownLove(kDownLoveButtons)
{
    // Loaded once: the mark is drawn on every downloaded play-list row.
    m_pixDownloaded.load(QStringLiteral(":/rs/download_ok"));

    m_font12.setPixelSize(12);
    m_font14.setPixelSize(14);
    m_metrics14 = QFontMetrics(m_font14);
    m_nAscent12 = QFontMetrics(m_font12).ascent();

    m_pMovie = new QMovie(QStringLiteral(":/rs/playing"), QByteArray(), this);
    m_lblPlaying = new QLabel;
    m_lblPlaying->resize(14, 8);
    m_lblPlaying->setMovie(m_pMovie);
    m_pMovie->start();
}

Delegate4ListView::~Delegate4ListView()
{
    // Still without parent when no playing row was ever painted; otherwise the view may have
    // freed it already, which the guarded pointer notices.
    delete m_lblPlaying.data();
}

void Delegate4ListView::setRects(int x0, int x1, int x2, int x3)
{
    m_nX0 = x0;
    m_nX1 = x1;
    m_nX2 = x2;
    m_nX3 = x3;
    m_rectBtn = QRect(QPoint(x1 - 60, 7), QPoint(x1 - 45, 22));
    for (QHash<QString, QString> &column : m_hashElided)
        column.clear();
}

QSize Delegate4ListView::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(m_nX3 + 66, kRowHeight);
}

void Delegate4ListView::resetCachesFor(const QAbstractItemModel *model) const
{
    if (!m_files.renew(model))
        return;
    m_hashDownloaded.clear();
    m_setTagsRead.clear();
}

QString Delegate4ListView::elided(int column, const QString &text) const
{
    QHash<QString, QString> &cache = m_hashElided[column];
    auto found = cache.constFind(text);
    if (found != cache.constEnd())
        return *found;
    const int width = column == 0 ? m_nX1 - m_nX0 - 60 : column == 1 ? m_nX2 - m_nX1 : m_nX3 - m_nX2;
    if (cache.size() >= kMaxElided)
        cache.clear();
    return *cache.insert(text, m_metrics14.elidedText(text, Qt::ElideRight, width));
}

bool Delegate4ListView::fileExists(const QString &path) const
{
    return m_files.isFile(path);
}

QString Delegate4ListView::downloadedFile(const QString &title, const QString &artist) const
{
    if (!CD_MANAGER)
        return QString();
    const QString key = title + QLatin1Char('\n') + artist;
    auto found = m_hashDownloaded.constFind(key);
    if (found == m_hashDownloaded.constEnd())
        found = m_hashDownloaded.insert(key, CD_MANAGER->findDownloadedSong(title, artist));
    return *found;
}

void Delegate4ListView::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->setFont(m_font12);
    painter->setPen(Qt::NoPen);

    const QRect &rect = option.rect;
    const int left = rect.left();
    const int top = rect.top();
    const int textTop = top + kTextTop;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const QBrush &rowBrush = m_brushes.forRow(index.row());

    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    if (!view)
        view = qobject_cast<const QAbstractItemView *>(parent());
    const bool allFavView = view && view->whatsThis() == allFavViewTag();

    resetCachesFor(index.model());

    // The row's record, and what it shows.
    RowTexts texts;
    bool missing = false;
    bool networkSong = false;
    _tag_playlistsonginfo_ *playlistSong = nullptr;
    bool hasRecord = false;
    switch (m_nListKind) {
    case kLocalRows:
        if (const auto *song = g_rowRecord<_tag_localsonginfo_>(index)) {
            hasRecord = true;
            texts = {song->title, song->artist, song->album, song->sDur, QString()};
            missing = !fileExists(song->filepathname);
        }
        break;
    case kFavRows:
        if (const auto *song = g_rowRecord<_tag_favsonginfo_>(index)) {
            hasRecord = true;
            texts = {song->mname, song->gsname, song->zjname, song->mp3time, song->sGedanName};
        }
        break;
    case kQueueRows:
    case kChartRows:
        if ((playlistSong = g_rowRecord<_tag_playlistsonginfo_>(index))) {
            hasRecord = true;
            texts = {playlistSong->title, playlistSong->artist, playlistSong->sAlbumName,
                     m_nListKind == kChartRows ? QString::number(playlistSong->count)
                                               : playlistSong->Duartion,
                     QString()};
            networkSong = playlistSong->type == SongType::kNetwork;
            missing = playlistSong->type == SongType::kLocal && !fileExists(playlistSong->filePath);
        }
        break;
    default:
        break;
    }

    // A row without a record (or of an unknown kind) has nothing to show but its background.
    if (!hasRecord) {
        painter->fillRect(rect, selected ? m_brushes.selected : rowBrush);
        painter->restore();
        return;
    }

    bool playing = false;
    if (playlistSong && PlayingListId::isPage(g_nPlayingListId)) {
        const WgtPlaylistBase *page = WgtPlaylistBase::forListId(g_nPlayingListId);
        playing = page && page->curPlayingRow() == index.row() && page->listView() &&
                  page->listView()->model() == index.model();
    }

    // Background, playing mark, and which buttons the row shows.
    bool drawButtons = false;
    if (playing || selected) {
        painter->fillRect(rect, m_brushes.selected);
        if (playing) {
            painter->fillRect(rect, m_brushPlaying);
            if (m_lblPlaying && view) {
                auto *viewWidget = const_cast<QAbstractItemView *>(view);
                if (m_lblPlaying->parentWidget() != viewWidget)
                    m_lblPlaying->setParent(viewWidget);
                m_lblPlaying->setGeometry(8, top + 11, 14, 8);
                m_lblPlaying->setWhatsThis(QString::number(m_nListKind));
                m_lblPlaying->show();
            }
        }
        drawButtons = true;
    } else if (hovered) {
        if (m_lblPlaying) {
            if (m_lblPlaying->whatsThis() == QString::number(m_nListKind))
                m_lblPlaying->show();
            else
                m_lblPlaying->hide();
        }
        painter->fillRect(rect, rowBrush);
        painter->setPen(QColor(90, 152, 30));
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->setPen(Qt::NoPen);
        drawButtons = true;
    } else {
        if (m_lblPlaying)
            m_lblPlaying->hide();
        painter->fillRect(rect, rowBrush);
    }

    if (drawButtons && (!playlistSong || networkSong) && view) {
        // The cursor is looked up only for the few rows that show buttons: on X11 it is a round
        // trip to the server.
        const QRect zone1 = m_rectBtn.translated(view->visualRect(index).topLeft());
        QPoint cursor = view->mapFromGlobal(QCursor::pos());
        int x = left + m_nX1 - 60;
        if (!playlistSong && allFavView) {
            cursor.rx() += kAllFavShift;
            x -= kAllFavShift;
        }
        const RowPaint::ButtonPictures &buttons = playlistSong ? m_buttonsDownLove : m_buttonsPlayMore;
        buttons.draw(painter, QPoint(x, textTop), playing || selected, zone1, cursor);
    }

    const bool brightRow = playing || selected;
    if (missing)
        painter->setPen(QColor(0xcc, 0xcc, 0xcc));
    else if (brightRow)
        painter->setPen(Qt::white);
    else
        painter->setPen(QColor(0x66, 0x66, 0x66));

    const QString title = texts.title.isEmpty() ? QString() : elided(0, texts.title);
    const QString album = texts.album.isEmpty() ? unknownAlbum() : elided(2, texts.album);
    const QString artist = texts.artist.isEmpty() ? unknownArtist() : elided(1, texts.artist);
    const int baseline = textTop + m_nAscent12;
    const int titleX = left + m_nX0 + m_nTextLeft;
    if (!title.isEmpty())
        painter->drawText(QPoint(titleX, baseline), title);

    if (playlistSong) {
        const QString downloaded = downloadedFile(playlistSong->title, playlistSong->artist);
        if (!downloaded.isEmpty()) {
            const int titleWidth = title.isEmpty() ? 0 : m_metrics14.horizontalAdvance(title);
            painter->drawPixmap(titleX + titleWidth + 1, textTop + 3, m_pixDownloaded);
            // The row learns its album from the downloaded copy's tags; it shows from the next
            // repaint. A copy whose tags taught nothing is not read again within the cache's life.
            if ((playlistSong->sAlbumName.isEmpty() || playlistSong->sAlbumName == unknownAlbum()) &&
                !m_setTagsRead.contains(downloaded)) {
                m_setTagsRead.insert(downloaded);
                QString tagTitle;
                QString tagArtist;
                QString tagAlbum;
                g_getSongTag(downloaded, tagTitle, tagArtist, tagAlbum);
                if (tagAlbum != playlistSong->sAlbumName)
                    playlistSong->sAlbumName = tagAlbum;
            }
        }
    }

    const int shift = allFavView ? 130 : 0;
    painter->drawText(QPoint(left + m_nX1 - shift, baseline), artist);
    painter->drawText(QPoint(left + m_nX2 - shift, baseline), album);

    if (!brightRow)
        painter->setPen(QColor(183, 182, 182));
    if (m_nListKind == kFavRows && allFavView) {
        painter->drawText(QPoint(left + m_nX3 - 150, baseline), texts.fourth);
        painter->setPen(selected ? QColor(Qt::white) : QColor(140, 140, 140));
        painter->drawText(QPoint(left + m_nX3 - 56, baseline), texts.listName);
    } else {
        painter->drawText(QPoint(left + m_nX3, baseline), texts.fourth);
    }

    painter->restore();
}

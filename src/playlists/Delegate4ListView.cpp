#include "playlists/Delegate4ListView.h"

#include "playlists/PlaylistSongInfo.h"
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
#include <QFileInfo>
#include <QLabel>
#include <QMovie>
#include <QPainter>

namespace {

// Row kinds (m_nListKind).
constexpr int kLocalRows = 0;
constexpr int kFavRows = 1;
constexpr int kQueueRows = 2;
constexpr int kChartRows = 3;

constexpr int kRowHeight = 30;
constexpr int kTextTop = 7;           // texts and button pictures start 7 px below the row's top
constexpr int kSecondZoneOffset = 22; // the second button zone, right of the first
// The all-favourite-songs view moves its buttons and middle columns left to make room for the
// column naming each song's favourite list.
constexpr int kAllFavShift = 132;
constexpr int kCacheLifeMs = 1000;
// Elided texts kept per column before the column's table starts again.
constexpr int kMaxElided = 4096;

const QString &allFavViewTag()
{
    static const QString tag = QStringLiteral("歌单全部歌曲");
    return tag;
}

const QString &unknownAlbum()
{
    static const QString text = QStringLiteral("未知专辑");
    return text;
}

const QString &unknownArtist()
{
    static const QString text = QStringLiteral("未知艺术家");
    return text;
}

template <typename Record> Record *recordAt(const QModelIndex &index)
{
    return reinterpret_cast<Record *>(quintptr(index.data(kSongInfoRole).toULongLong()));
}

// A style variable "r,g,b" as a colour: missing gives white; a part that is no number, or is
// absent, reads as 0; values are held to 0..255 so a typo cannot give an invalid colour.
QColor styleColour(const QString &key)
{
    const QString value = g_getListValue(key);
    if (value.isEmpty())
        return QColor(Qt::white);
    const QStringList parts = value.split(QLatin1Char(','));
    const auto part = [&parts](int i) { return qBound(0, parts.value(i).toInt(), 255); };
    return QColor(part(0), part(1), part(2), 255);
}

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
{
    m_brushSelected = QBrush(QColor(100, 170, 35));
    m_brushPlaying = QBrush(QColor(90, 152, 30));
    m_brushEven = QBrush(styleColour(QStringLiteral("wplNormal")));
    m_brushOdd = QBrush(styleColour(QStringLiteral("wplAlter")));

    static const char *const names[2][2][2][2] = {
        {{{"local/playing_normal", "local/playing_hover"}, {"local/more_op_normal", "local/more_op_hover"}},
         {{"local/playing_selected__Normal", "local/playing_selected_hover"},
          {"local/more_selected__Normal", "local/more_op_selected_hover"}}},
        {{{"pl/liebiao_down1", "pl/liebiao_down3"}, {"pl/liebiao_love1", "pl/liebiao_love3"}},
         {{"pl/downSelect_normal", "pl/liebiao_down2"}, {"pl/loveSelect_normal", "pl/liebiao_love2"}}}};
    for (int group = 0; group < 2; ++group)
        for (int selected = 0; selected < 2; ++selected)
            for (int zone = 0; zone < 2; ++zone)
                for (int inside = 0; inside < 2; ++inside)
                    m_pixButtons[group][selected][zone][inside].load(
                        QStringLiteral(":/qss/debug/images/btnimage/%1.png")
                            .arg(QLatin1String(names[group][selected][zone][inside])));
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

const QPixmap &Delegate4ListView::buttonPicture(int rowGroup, bool selected, int zone,
                                                bool cursorInside) const
{
    return m_pixButtons[rowGroup][selected ? 1 : 0][zone][cursorInside ? 1 : 0];
}

void Delegate4ListView::resetCachesFor(const QAbstractItemModel *model) const
{
    if (m_pCacheModel == model && m_cacheAge.isValid() && m_cacheAge.elapsed() <= kCacheLifeMs)
        return;
    m_hashExists.clear();
    m_hashDownloaded.clear();
    m_setTagsRead.clear();
    m_pCacheModel = model;
    m_cacheAge.start();
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
    if (path.isEmpty())
        return false;
    auto found = m_hashExists.constFind(path);
    if (found == m_hashExists.constEnd())
        found = m_hashExists.insert(path, QFileInfo(path).isFile());
    return *found;
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
    const bool odd = index.row() % 2 == 1;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const QBrush &rowBrush = odd ? m_brushOdd : m_brushEven;

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
        if (const auto *song = recordAt<_tag_localsonginfo_>(index)) {
            hasRecord = true;
            texts = {song->title, song->artist, song->album, song->sDur, QString()};
            missing = !fileExists(song->filepathname);
        }
        break;
    case kFavRows:
        if (const auto *song = recordAt<_tag_favsonginfo_>(index)) {
            hasRecord = true;
            texts = {song->mname, song->gsname, song->zjname, song->mp3time, song->sGedanName};
        }
        break;
    case kQueueRows:
    case kChartRows:
        if ((playlistSong = recordAt<_tag_playlistsonginfo_>(index))) {
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
        painter->fillRect(rect, selected ? m_brushSelected : rowBrush);
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
        painter->fillRect(rect, m_brushSelected);
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
        const QRect zone2 = zone1.translated(kSecondZoneOffset, 0);
        QPoint cursor = view->mapFromGlobal(QCursor::pos());
        int x = left + m_nX1 - 60;
        if (!playlistSong && allFavView) {
            cursor.rx() += kAllFavShift;
            x -= kAllFavShift;
        }
        const int group = playlistSong ? 1 : 0;
        const bool selectedLook = playing || selected;
        painter->drawPixmap(x, textTop, buttonPicture(group, selectedLook, 0, zone1.contains(cursor)));
        painter->drawPixmap(x + kSecondZoneOffset, textTop,
                            buttonPicture(group, selectedLook, 1, zone2.contains(cursor)));
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

#include "playlists/Delegate4ListView2.h"

#include "library/FavGroupInfo.h"
#include "library/LocalGroupRecord.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/PlaylistsLog.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/gedanPicHandler.h"
#include "services/pictures/singerHandler.h"

#include <QDebug>
#include <QPainter>

namespace {

constexpr int kPictureLeft = 5;
constexpr int kPictureTop = 4;
constexpr int kLowerPictureTop = 6; // the default cover and the no-album picture of lists
constexpr int kPictureSize = 50;
constexpr int kTextLeft = 60;
constexpr int kFirstLineTop = 11;
constexpr int kSecondLineTop = 34;

template <typename Record> Record *recordAt(const QModelIndex &index)
{
    return reinterpret_cast<Record *>(quintptr(index.data(kSongInfoRole).toULongLong()));
}

// A built-in picture, drawn at its own size (they are all 50 x 50).
void drawBuiltIn(QPainter *painter, const QRect &row, const QPixmap &picture, int top = kPictureTop)
{
    painter->drawPixmap(row.left() + kPictureLeft, row.top() + top, picture);
}

// A picture loaded from the data folder or from bytes, scaled to 50 x 50.
void drawScaled(QPainter *painter, const QRect &row, const QPixmap &picture)
{
    drawBuiltIn(painter, row,
                picture.scaled(kPictureSize, kPictureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// Loads a picture file named relative to the data folder and draws it; a failure leaves the
// place empty and says so on the debug output.
void drawDataFile(QPainter *painter, const QRect &row, const QString &file, const char *failText)
{
    const QString path = g_sDataDir + QLatin1Char('/') + file;
    QPixmap picture;
    if (picture.load(path))
        drawScaled(painter, row, picture);
    else
        qCDebug(lcPlaylists).noquote().nospace() << failText << path;
}

QString albumFileOf(const QString &albumName)
{
    return g_pAlbumPicHandler ? g_pAlbumPicHandler->getFilefromName(albumName) : QString();
}

QString songFileOf(const QString &songName)
{
    return g_pAlbumPicHandler ? g_pAlbumPicHandler->getFilefromSongName(songName) : QString();
}

} // namespace

Delegate4ListView2::Delegate4ListView2(QObject *parent)
    : QStyledItemDelegate(parent)
{
    const QString tp = QStringLiteral(":/qss/debug/images/btnimage/tp/");
    m_pixDefaultCover.load(tp + QStringLiteral("defaultAlbumPic.png"));
    m_pixNoAlbum.load(tp + QStringLiteral("noAlbumPic.png"));
    m_pixNoSinger.load(tp + QStringLiteral("noSingerPic.png"));
    m_pixFolder.load(tp + QStringLiteral("folderIcon.png"));
    // Built in, so loading them once is as good as loading them at every paint.
    m_pixAllSongs.load(QStringLiteral(":/rs/rs/9.png"));
    m_pixDownloads.load(QStringLiteral(":/rs/rs/10.png"));
}

Delegate4ListView2::~Delegate4ListView2() = default;

QSize Delegate4ListView2::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(222, 59);
}

void Delegate4ListView2::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    painter->save();
    try {
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->setPen(Qt::NoPen);
        painter->setFont(option.font);

        const QRect &rect = option.rect;
        const int top = rect.top();
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) {
            painter->fillRect(rect, QColor(91, 152, 31));
        } else if (option.state & QStyle::State_MouseOver) {
            painter->fillRect(rect, Qt::white);
        } else {
            painter->fillRect(rect, QColor(232, 232, 232));
            painter->setPen(QColor(216, 216, 216));
            painter->drawLine(rect.bottomLeft(), rect.bottomRight());
            painter->setPen(Qt::NoPen);
        }

        const QModelIndex first = index.sibling(index.row(), 0);
        QString name;
        QString count;
        bool hasTexts = false;

        if (m_nListKind == 0) {
            if (auto *group = recordAt<LocalGroupRecord>(first)) {
                hasTexts = true;
                name = group->sName;
                count = group->sCountText;
                if (m_bFolderMode) {
                    drawBuiltIn(painter, rect, m_pixFolder);
                } else if (!group->sPicFile.isEmpty()) {
                    drawDataFile(painter, rect, group->sPicFile,
                                 m_bSingerMode ? "loadsingerpicfile fail " : "loadpicfile fail ");
                } else if (m_bSingerMode) {
                    QString file;
                    if (g_pSingerHandler) {
                        const QString id = g_pSingerHandler->getSingerIdfromName(group->sName);
                        if (!id.isEmpty())
                            file = g_pSingerHandler->getSingerFilefromId(id);
                    }
                    group->sPicFile = file;
                    if (file.isEmpty())
                        drawBuiltIn(painter, rect, m_pixNoSinger);
                    else
                        drawDataFile(painter, rect, file, "loadsingerpicfile fail ");
                } else {
                    group->sPicFile = albumFileOf(group->sName);
                    if (!group->sPicFile.isEmpty()) {
                        drawDataFile(painter, rect, group->sPicFile, "loadpicfile fail ");
                    } else {
                        // An album without a picture of its own shows that of its first song
                        // which has one, and keeps it.
                        bool found = false;
                        for (const _tag_localsonginfo_ *song : std::as_const(group->listSongs)) {
                            if (!song || song->bDeleted)
                                continue;
                            const QString file =
                                songFileOf(song->artist + QStringLiteral(" - ") + song->title);
                            if (file.isEmpty())
                                continue;
                            group->sPicFile = file;
                            drawDataFile(painter, rect, file, "loadpicfile fail ");
                            found = true;
                            break;
                        }
                        if (!found)
                            drawBuiltIn(painter, rect, m_pixNoAlbum);
                    }
                }
            }
        } else {
            try {
                const QString tag = first.data(Qt::WhatsThisRole).toString();
                if (tag.isEmpty() || tag == QStringLiteral("歌单")) {
                    if (auto *group = recordAt<_tag_favgroupinfo_>(first)) {
                        hasTexts = true;
                        name = group->sName;
                        count = group->sCountText;
                        // Nobody logged in: no list is the member's default list (every id
                        // "contains" an empty id).
                        if (m_bDeviceMode && !g_sMemberId.isEmpty() && group->sId.contains(g_sMemberId)) {
                            drawBuiltIn(painter, rect, m_pixDefaultCover, kLowerPictureTop);
                        } else if (!group->sPicPath.isEmpty()) {
                            drawDataFile(painter, rect, group->sPicPath, "loadpicfile fail ");
                        } else if (m_bDeviceMode) {
                            QPixmap picture;
                            if (group->pPicData) {
                                if (picture.loadFromData(*group->pPicData))
                                    drawScaled(painter, rect, picture);
                                else
                                    qCDebug(lcPlaylists).noquote().nospace()
                                        << "loadpicdata1 fail " << group->sId;
                            } else if (QByteArray *data =
                                           g_pGedanPicHandler
                                               ? g_pGedanPicHandler->getGedanPicfromId(group->sId)
                                               : nullptr) {
                                group->pPicData = data;
                                if (picture.loadFromData(*data)) {
                                    drawScaled(painter, rect, picture);
                                } else {
                                    group->pPicData = nullptr;
                                    qCDebug(lcPlaylists).noquote().nospace()
                                        << "loadpicdata2 fail " << group->sId;
                                }
                            } else {
                                drawBuiltIn(painter, rect, m_pixNoAlbum);
                            }
                        } else {
                            drawBuiltIn(painter, rect, m_pixNoAlbum, kLowerPictureTop);
                        }
                    }
                } else if (tag == QStringLiteral("目录")) {
                    if (const auto *folder = recordAt<LocalGroupRecord>(first)) {
                        hasTexts = true;
                        name = folder->sName;
                        count = folder->sCountText;
                        if (m_bFolderMode)
                            drawBuiltIn(painter, rect, m_pixFolder);
                    }
                } else if (tag == QStringLiteral("下载") || tag == QStringLiteral("全部")) {
                    const bool downloads = tag == QStringLiteral("下载");
                    hasTexts = true;
                    drawBuiltIn(painter, rect, downloads ? m_pixDownloads : m_pixAllSongs);
                    name = downloads ? QStringLiteral("我的下载") : QStringLiteral("全部歌曲");
                    count = QString::number(first.data(kSongInfoRole).toInt()) + QStringLiteral("首");
                }
            } catch (...) {
                g_writeExceptionLog(Q_FUNC_INFO, QStringLiteral("---1"));
            }
        }

        if (hasTexts) {
            const QFontMetrics metrics(painter->font());
            painter->setPen(selected ? QColor(Qt::white) : QColor(102, 102, 102));
            painter->drawText(QPoint(rect.left() + kTextLeft, top + kFirstLineTop + metrics.ascent()), name);
            painter->setPen(selected ? QColor(Qt::white) : QColor(153, 153, 153));
            painter->drawText(QPoint(rect.left() + kTextLeft, top + kSecondLineTop + metrics.ascent()),
                              count);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    painter->restore();
}

#include "playlists/downloadWgt.h"

#include "platform/TimeScale.h"
#include "playlists/Delegate4DownListView.h"
#include "playlists/PlaylistsLog.h"
#include "playlists/RowRecord.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistBase.h"
#include "playlists/kvrListView.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/SafeFileName.h"
#include "services/core/SongFileInfo.h"
#include "services/downloads/httpDown.h"
#include "services/seams/FolderSeam.h"
#include "services/seams/MainWindowSeam.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/MyPushButton.h"
#include "shell/kvrMainWindowActions.h"
#include "shell/kvrPixmap.h"

#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

downloadWgt *g_pDownloadWgt = nullptr;

namespace {

// Each probe carries its own row on its reply, so two probes in flight never mix their rows.
constexpr char kProbeDown[] = "kvrProbeDown";
constexpr char kProbeUrl[] = "kvrProbeUrl";
constexpr char kProbeName[] = "kvrProbeName";

_tag_downloadDelegate_ *recordOfItem(const QStandardItem *item)
{
    return g_rowRecord<_tag_downloadDelegate_>(item);
}

QStandardItem *newItem(_tag_downloadDelegate_ *record)
{
    auto *item = new QStandardItem;
    g_setRowRecord(item, record);
    return item;
}

kvrMainWindowActions *mainWindow()
{
    return g_pUIRelated ? g_pUIRelated->mainWindowActions() : nullptr;
}

template <class Body> void guarded(const char *signature, Body body)
{
    try {
        body();
    } catch (...) {
        g_writeExceptionLog(signature);
    }
}

} // namespace

downloadWgt::downloadWgt(QWidget *parent)
    : QFrame(parent)
    , m_pModel(new QStandardItemModel(this))
    , m_pNam(new QNetworkAccessManager(this))
{
    m_sDownDir = g_folderSeam()->getDownDir();
    if (!m_sDownDir.isEmpty() && !m_sDownDir.endsWith(QLatin1Char('/')))
        m_sDownDir += QLatin1Char('/');
    setupUi();
    m_pTimerProgress = new QTimer(this);
    connect(m_pTimerProgress, &QTimer::timeout, this, &downloadWgt::updateProgress);
    m_pTimerProgress->start(1000);
    m_pTimerCursor = new QTimer(this);
    connect(m_pTimerCursor, &QTimer::timeout, this, &downloadWgt::setMyCursor);
    m_pTimerCursor->start(200);
}

downloadWgt::~downloadWgt()
{
    if (g_pDownloadWgt == this)
        g_pDownloadWgt = nullptr;
    // The rows go with the page; their downloaders (children of the page) must not reach them.
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        _tag_downloadDelegate_ *record = recordOf(row);
        if (!record)
            continue;
        if (record->pDown) {
            record->pDown->m_pRecord = nullptr;
            record->pDown->m_pItem = nullptr;
        }
        delete record;
    }
}

void downloadWgt::setupUi()
{
    m_pEmpty = new QWidget(this);
    m_pEmpty->setObjectName(QStringLiteral("downloadWgtm_wEmpty"));
    auto *emptyBox = new QVBoxLayout(m_pEmpty);
    emptyBox->setContentsMargins(0, 0, 0, 0);
    emptyBox->setSpacing(0);
    emptyBox->addStretch();
    auto *picture = new QLabel(m_pEmpty);
    picture->setPixmap(kvrPixmap(QStringLiteral(":/qss/debug/images/btnimage/local/emptyDown.png")));
    emptyBox->addWidget(picture, 0, Qt::AlignHCenter);
    emptyBox->addStretch();

    m_pNotEmpty = new QWidget(this);
    m_pNotEmpty->setObjectName(QStringLiteral("downloadWgtm_wNotEmpty"));
    auto *listBox = new QVBoxLayout(m_pNotEmpty);
    listBox->setContentsMargins(0, 0, 0, 0);
    listBox->setSpacing(0);

    auto *bar = new QWidget(m_pNotEmpty);
    bar->setObjectName(QStringLiteral("downloadWgt_pWgtTopBtns"));
    auto *barBox = new QHBoxLayout(bar);
    barBox->setContentsMargins(0, 0, 0, 0);
    barBox->setSpacing(0);
    barBox->addStretch();
    const struct
    {
        const char *name;
        void (downloadWgt::*slot)();
    } buttons[] = {{"downloadWgt_allStart", &downloadWgt::allStartDown},
                   {"downloadWgt_allStop", &downloadWgt::allStopDown},
                   {"downloadWgt_downSet", &downloadWgt::showDownDirSet}};
    for (const auto &button : buttons) {
        auto *tool = new QToolButton(bar);
        tool->setObjectName(QLatin1String(button.name));
        tool->setCursor(Qt::PointingHandCursor);
        connect(tool, &QToolButton::clicked, this, button.slot);
        barBox->addWidget(tool);
        barBox->addSpacing(10);
    }
    listBox->addWidget(bar);

    QHBoxLayout *header = MyPushButton::headerRow(
        m_pNotEmpty, {{tr("歌曲"), 211}, {tr("歌手"), 120}, {tr("专辑"), 194}, {tr("大小"), 68}}, tr("时长"));
    listBox->addLayout(header);

    m_pListView = new kvrListView(m_pNotEmpty);
    m_pListView->setObjectName(QStringLiteral("downloadWgtm_lvDownList"));
    m_pListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pListView->setModel(m_pModel);
    m_pDelegate = new Delegate4DownListView(m_pListView);
    m_pDelegate->setRects(10, 222, 345, 538, 610);
    m_pListView->setItemDelegate(m_pDelegate);
    m_pListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pListView, &QAbstractItemView::clicked, this, &downloadWgt::listItemClicked);
    connect(m_pListView, &QAbstractItemView::doubleClicked, this, &downloadWgt::playTheSong);
    connect(m_pListView, &QWidget::customContextMenuRequested, this, &downloadWgt::playContextMenu);
    listBox->addWidget(m_pListView);

    m_pContextMenu = new QMenu(this);
    m_pContextMenu->addAction(tr("播放"), this, &downloadWgt::playSongfromLocalList);
    m_pContextMenu->addSeparator();
    m_pContextMenu->addAction(tr("从列表删除"), this, &downloadWgt::delSongfromLocalList);
    m_pContextMenu->addAction(tr("从磁盘删除"), this, &downloadWgt::delSongPermanent);
    m_pContextMenu->addSeparator();
    m_pContextMenu->addAction(tr("浏览本地文件"), this, &downloadWgt::openLocalDir);

    showEmptyPage(true);
}

void downloadWgt::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_pEmpty->setGeometry(rect());
    m_pNotEmpty->setGeometry(rect());
}

void downloadWgt::showEmptyPage(bool bEmpty)
{
    m_pEmpty->setVisible(bEmpty);
    m_pNotEmpty->setVisible(!bEmpty);
}

_tag_downloadDelegate_ *downloadWgt::recordOf(int row) const
{
    return recordOfItem(m_pModel->item(row));
}

QString downloadWgt::fileNameOf(const QString &title, const QString &artist)
{
    QString stem;
    switch (g_nDownNameFormat) {
    case 1:
        stem = title + QLatin1String(" - ") + artist;
        break;
    case 2:
        stem = title;
        break;
    default:
        stem = artist + QLatin1String(" - ") + title;
        break;
    }
    return stem + QLatin1String(".mp3");
}

QString downloadWgt::targetOf(const _tag_downloadDelegate_ &record) const
{
    const QString name = fileNameOf(record.title, record.artist);
    // The downloader makes the name safe the same way, so the file lands at this path.
    return m_sDownDir + g_safeFileName(name.left(name.size() - 4), QStringLiteral(".mp3"));
}

bool downloadWgt::targetTaken(const QString &target, const _tag_downloadDelegate_ *except) const
{
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        const _tag_downloadDelegate_ *other = recordOf(row);
        if (other && other != except && other->filepathname == target && (other->fin || other->downloading))
            return true;
    }
    return false;
}

// ---- Queueing and starting ----

httpDown *downloadWgt::attachDownloader(QStandardItem *item, _tag_downloadDelegate_ *record)
{
    auto *down = new httpDown(this);
    down->m_pItem = item;
    down->m_pRecord = record;
    connect(down, &httpDown::downSuccessed, this, &downloadWgt::addDownloadedSongtoLocalWgts);
    connect(down, &httpDown::downFinished, this, &downloadWgt::startNextQueueingSong);
    record->downloading = true;
    record->pDown = down;
    return down;
}

void downloadWgt::downTheSong(const QString &url, const QString &title, const QString &artist,
                              const QString &album, const QString &size, const QString &duration,
                              const QString &songId)
{
    guarded("void __thiscall downloadWgt::downTheSong(class QString,class QString,class QString,class "
            "QString,class QString,class QString,class QString)",
            [&] {
                auto record = std::make_unique<_tag_downloadDelegate_>();
                record->title = title;
                record->artist = artist;
                const QString target = targetOf(*record);
                if (QFileInfo::exists(target))
                    return;
                for (int row = m_pModel->rowCount() - 1; row >= 0; --row) {
                    const _tag_downloadDelegate_ *other = recordOf(row);
                    // The same song, or another song that would write the same file.
                    if (other && (other->sId == songId || other->filepathname == target))
                        return;
                }
                record->size = size;
                record->sDur = duration;
                record->album = album;
                record->url = url;
                record->sId = songId;
                record->filepathname = target;
                _tag_downloadDelegate_ *row = record.release();
                if (m_pNotEmpty->isHidden())
                    showEmptyPage(false);
                auto *item = newItem(row);
                m_pModel->appendRow(item);
                if (m_nCurDowningCount >= g_nMaxDownloads) {
                    row->queued = true;
                    return;
                }
                httpDown *down = attachDownloader(item, row);
                down->m_bBusy = true;
                ++m_nCurDowningCount;
                if (url.isEmpty())
                    down->requestSongInfo(songId);
                else
                    probe(down, url, fileNameOf(title, artist));
            });
}

void downloadWgt::probe(httpDown *down, const QString &url, const QString &fileName)
{
    QNetworkReply *reply = m_pNam->get(QNetworkRequest(QUrl(url)));
    reply->setProperty(kProbeDown, QVariant::fromValue(QPointer<QObject>(down)));
    reply->setProperty(kProbeUrl, url);
    reply->setProperty(kProbeName, fileName);
    // The probe only needs the answer's status and Location: it stops once they are in, instead
    // of fetching the song twice. The network thread goes on reading until the abort reaches it:
    // without a bound on its buffer that is megabytes of the song, read only to be thrown away.
    reply->setReadBufferSize(64 * 1024);
    connect(reply, &QNetworkReply::metaDataChanged, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::finished, this, &downloadWgt::onReplyFinished);
}

void downloadWgt::onReplyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    guarded("void __thiscall downloadWgt::onReplyFinished(void)", [&] {
        auto *down = qobject_cast<httpDown *>(reply->property(kProbeDown).value<QPointer<QObject>>().data());
        // A row stopped or removed meanwhile: nothing to start.
        if (!down || !down->m_bBusy || !down->m_pRecord)
            return;
        QString address = reply->property(kProbeUrl).toString();
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 302) {
            const QUrl location = reply->url().resolved(
                QUrl(QString::fromUtf8(reply->rawHeader(QByteArrayLiteral("Location")))));
            if (location.scheme() == QLatin1String("http") || location.scheme() == QLatin1String("https"))
                address = location.toString();
        }
        down->downloadFile(address, m_sDownDir, reply->property(kProbeName).toString());
    });
}

void downloadWgt::startDownTheMISong(const QModelIndex &index, _tag_downloadDelegate_ *record)
{
    guarded("void __thiscall downloadWgt::startDownTheMISong(const class QModelIndex &,struct "
            "_tag_downloadDelegate_ *)",
            [&] {
                if (!record)
                    record = recordOf(index.row());
                if (!record || record->fin)
                    return;
                if (m_nCurDowningCount >= g_nMaxDownloads) {
                    // A row already running keeps its place.
                    if (!(record->pDown && record->pDown->m_bBusy))
                        record->queued = true;
                    return;
                }
                if (record->stopped || record->queued) {
                    record->queued = false;
                    startDownTheModelIndexSong(index);
                    if (record->pDown && record->pDown->m_bBusy)
                        ++m_nCurDowningCount;
                }
            });
}

void downloadWgt::finishFromDisk(QStandardItem *item, _tag_downloadDelegate_ *record)
{
    record->fin = true;
    record->stopped = false;
    record->queued = false;
    record->progress = 175;
    record->progressText = QStringLiteral("下载完成");
    record->downloaded = QFileInfo(record->filepathname).size();
    addDownloadedSongtoLocalWgts(item);
}

void downloadWgt::startDownTheModelIndexSong(const QModelIndex &index)
{
    guarded("void __thiscall downloadWgt::startDownTheModelIndexSong(const class QModelIndex &)", [&] {
        QStandardItem *item = m_pModel->item(index.row());
        _tag_downloadDelegate_ *record = recordOfItem(item);
        if (!record || record->fin)
            return;
        const QString target = targetOf(*record);
        // A file already at the target is never deleted: it may be this song complete, another
        // song of the same name or the user's own file. A complete copy finishes the row.
        if (QFileInfo::exists(target)) {
            record->filepathname = target;
            finishFromDisk(item, record);
            return;
        }
        if (targetTaken(target, record)) {
            record->stopped = true;
            record->status = QStringLiteral("网络错误");
            return;
        }
        record->filepathname = target;
        httpDown *down = record->pDown;
        if (!down)
            down = attachDownloader(item, record);
        record->downloading = true;
        down->m_bBusy = true;
        record->stopped = false;
        if (record->url.isEmpty())
            down->requestSongInfo(record->sId);
        else
            down->downloadFile(record->url, m_sDownDir, fileNameOf(record->title, record->artist));
    });
}

void downloadWgt::startNextQueueingSong(QStandardItem *)
{
    guarded("void __thiscall downloadWgt::startNextQueueingSong(class QStandardItem *)", [&] {
        for (int row = 0; row < m_pModel->rowCount(); ++row) {
            _tag_downloadDelegate_ *record = recordOf(row);
            if (record && record->queued) {
                record->queued = false;
                startDownTheModelIndexSong(m_pModel->index(row, 0));
                // The waiting row took the place of the one that ended, unless it could not start.
                if (!(record->pDown && record->pDown->m_bBusy))
                    --m_nCurDowningCount;
                return;
            }
        }
        --m_nCurDowningCount;
    });
    m_nCurDowningCount = std::max(m_nCurDowningCount, 0);
}

void downloadWgt::allStartDown()
{
    if (m_bBusy)
        return;
    rechargeDownloadOperationsLater();
    for (int row = 0; row < m_pModel->rowCount(); ++row)
        startDownTheMISong(m_pModel->index(row, 0), nullptr);
}

void downloadWgt::allStopDown()
{
    if (m_bBusy)
        return;
    rechargeDownloadOperationsLater();
    stopAll();
}

void downloadWgt::stopGivingPlace(httpDown *down)
{
    // Not quiet: the row's place goes to the first waiting row. A downloader with no transfer out
    // (its address still asked for, or probed) ends without a word, so its place is given here.
    bool ended = false;
    const QMetaObject::Connection watch =
        connect(down, &httpDown::downFinished, this, [&ended] { ended = true; });
    down->stopDownload(false);
    disconnect(watch);
    if (!ended)
        startNextQueueingSong(nullptr);
}

void downloadWgt::stopAllForQuit()
{
    stopAll();
}

void downloadWgt::stopAll()
{
    guarded("void __thiscall downloadWgt::allStopDown(void)", [&] {
        for (int row = 0; row < m_pModel->rowCount(); ++row) {
            _tag_downloadDelegate_ *record = recordOf(row);
            if (!record || record->fin)
                continue;
            if (record->queued) {
                record->queued = false;
                record->stopped = true;
            } else if (record->pDown && record->pDown->m_bBusy) {
                httpDown *down = record->pDown;
                // Quiet: no downFinished, so no waiting row starts in its place.
                down->stopDownload(true);
                --m_nCurDowningCount;
                record->pDown = nullptr;
                record->downloading = false;
                record->stopped = true;
                if (down->m_bWaiting) {
                    // Its answer is still out: it discards itself then, without the row.
                    down->m_pRecord = nullptr;
                    down->m_pItem = nullptr;
                } else {
                    down->deleteLater();
                }
            } else {
                record->stopped = true;
            }
        }
        m_nCurDowningCount = std::max(m_nCurDowningCount, 0);
    });
}

// ---- The library ----

void downloadWgt::handToLibrary(_tag_downloadDelegate_ *record, const QString &title, const QString &artist,
                                const QString &album)
{
    if (_tag_localsonginfo_ *known = m_downloaded.value(record->filepathname)) {
        record->pLocalSong = known;
        return;
    }
    auto *song = new _tag_localsonginfo_;
    song->filepathname = record->filepathname;
    song->title = title;
    song->artist = artist;
    song->album = album;
    song->sDur = record->sDur;
    g_listLocalSongs.append(song);
    g_mainWindowSeam()->refreshLocalWgts();
    // Linked only when the library kept it: a record it dropped is gone.
    if (g_listLocalSongs.size() == 1 && g_listLocalSongs.first() == song) {
        record->pLocalSong = song;
        m_downloaded.insert(record->filepathname, song);
    }
    g_listLocalSongs.clear();
}

void downloadWgt::addDownloadedSongtoLocalWgts(QStandardItem *item)
{
    guarded("void __thiscall downloadWgt::addDownloadedSongtoLocalWgts(class QStandardItem *)", [&] {
        _tag_downloadDelegate_ *record = recordOfItem(item);
        if (!record)
            return;
        const SongFileInfo file = g_readSongFile(record->filepathname);
        if (record->album.isEmpty())
            record->album = file.album;
        record->sDur = g_formatSongDuration(file.seconds);
        // The library takes the file as its tags say; the row keeps what it was queued as.
        handToLibrary(record, file.title, file.artist, file.album);
        m_pListView->update(item->index());
    });
}

void downloadWgt::update4DeleteOp()
{
    for (int row = m_pModel->rowCount() - 1; row >= 0; --row) {
        _tag_downloadDelegate_ *record = recordOf(row);
        if (record && record->pLocalSong && record->pLocalSong->bDeleted) {
            m_downloaded.remove(record->filepathname);
            if (record->pDown) {
                record->pDown->m_pRecord = nullptr;
                record->pDown->m_pItem = nullptr;
            }
            delete record;
            m_pModel->removeRow(row);
        }
    }
}

int downloadWgt::getRecordCount() const
{
    return m_pModel->rowCount();
}

bool downloadWgt::getOneRecord(int row, _tag_downloadsonginfo_ &out) const
{
    const _tag_downloadDelegate_ *record = row >= 0 && row < m_pModel->rowCount() ? recordOf(row) : nullptr;
    if (!record)
        return false;
    out.fin = record->fin;
    out.downloaded = record->downloaded;
    out.progress = record->progress;
    out.album = record->album;
    out.artist = record->artist;
    out.sDur = record->sDur;
    out.filepathname = record->filepathname;
    out.sId = record->sId;
    out.size = record->size;
    out.title = record->title;
    out.url = record->url;
    return true;
}

void downloadWgt::addLocalSongRecord(const _tag_downloadsonginfo_ &saved)
{
    guarded("void __thiscall downloadWgt::addLocalSongRecord(struct _tag_downloadsonginfo_)", [&] {
        auto *record = new _tag_downloadDelegate_;
        record->fin = saved.fin;
        record->downloaded = saved.downloaded;
        record->progress = saved.progress;
        record->album = saved.album;
        record->artist = saved.artist;
        record->sDur = saved.sDur;
        record->filepathname = saved.filepathname;
        record->sId = saved.sId;
        record->size = saved.size;
        record->title = saved.title;
        record->url = saved.url;
        record->stopped = !saved.fin;
        m_pModel->appendRow(newItem(record));
        if (record->fin)
            handToLibrary(record, record->title, record->artist, record->album);
    });
}

// ---- The user's actions ----

void downloadWgt::rechargeDownloadOperationsLater()
{
    m_bBusy = true;
    QTimer::singleShot(kvrScaledMs(800), this, &downloadWgt::rechargedDownloadOperations);
}

void downloadWgt::rechargedDownloadOperations()
{
    m_bBusy = false;
}

void downloadWgt::updateProgress()
{
    if (m_pNotEmpty->isVisible())
        m_pListView->viewport()->update();
}

void downloadWgt::showDownDirSet()
{
    if (g_pUIRelated)
        g_pUIRelated->showTheConfig(2);
}

bool downloadWgt::mainWindowBusy() const
{
    kvrMainWindowActions *window = mainWindow();
    return window && !window->takeBusyGuard();
}

std::function<void(const QStringList &)> &downloadWgt::queuePlayer()
{
    static std::function<void(const QStringList &)> player = [](const QStringList &paths) {
        if (g_pWgtPlaylistAll)
            g_pWgtPlaylistAll->addSongstoList(paths, true, false, 0);
    };
    return player;
}

void downloadWgt::listItemClicked(const QModelIndex &index)
{
    guarded("void __thiscall downloadWgt::listItemClicked(const class QModelIndex &)", [&] {
        _tag_downloadDelegate_ *record = recordOf(index.row());
        if (!record)
            return;
        const QPoint origin = m_pListView->visualRect(index).topLeft();
        const QPoint cursor = m_pListView->mapFromGlobal(QCursor::pos());
        if (!record->fin) {
            if (!m_pDelegate->progressZone().translated(origin).contains(cursor) || m_bBusy)
                return;
            rechargeDownloadOperationsLater();
            if (record->pDown && record->pDown->m_bBusy) {
                // Pausing one row stops it without the quiet flag: its place goes to the first
                // waiting row, as when a download ends.
                httpDown *down = record->pDown;
                record->pDown = nullptr;
                record->downloading = false;
                record->stopped = true;
                stopGivingPlace(down);
                if (down->m_bWaiting) {
                    down->m_pRecord = nullptr;
                    down->m_pItem = nullptr;
                } else {
                    down->deleteLater();
                }
            } else if (record->queued) {
                record->queued = false;
                record->stopped = true;
            } else if (record->stopped) {
                startDownTheMISong(index, record);
            }
            m_pListView->update(index);
            return;
        }
        const QRect play = m_pDelegate->buttonZone().translated(origin);
        if (play.contains(cursor)) {
            if (!mainWindowBusy())
                queuePlayer()({record->filepathname});
        } else if (play.translated(22, 0).contains(cursor)) {
            m_pContextMenu->exec(QCursor::pos());
        }
    });
}

void downloadWgt::playTheSong(const QModelIndex &index)
{
    const _tag_downloadDelegate_ *record = recordOf(index.row());
    if (record && record->fin && !mainWindowBusy())
        queuePlayer()({record->filepathname});
}

void downloadWgt::playContextMenu(const QPoint &)
{
    m_pContextMenu->exec(QCursor::pos());
}

QList<int> downloadWgt::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_pListView->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    return rows;
}

void downloadWgt::playSongfromLocalList()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty() || mainWindowBusy())
        return;
    QStringList paths;
    for (int row : rows) {
        const _tag_downloadDelegate_ *record = recordOf(row);
        if (record && record->fin)
            paths << record->filepathname;
    }
    if (!paths.isEmpty())
        queuePlayer()(paths);
}

void downloadWgt::removeSelected(bool fromDisk)
{
    QList<int> rows = selectedRows();
    if (rows.isEmpty() || m_bBusy)
        return;
    rechargeDownloadOperationsLater();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) {
        _tag_downloadDelegate_ *record = recordOf(row);
        if (!record)
            continue;
        if (httpDown *down = record->pDown) {
            record->pDown = nullptr;
            const bool active = down->m_bBusy;
            // Cut off first: whatever the stop raises must not reach a row on its way out.
            down->m_pRecord = nullptr;
            down->m_pItem = nullptr;
            if (active)
                stopGivingPlace(down);
            if (!down->m_bWaiting)
                down->deleteLater();
        }
        if (fromDisk) {
            // This row's own file only: the song when it is complete, else its partial file.
            if (record->fin)
                QFile::remove(record->filepathname);
            else
                QFile::remove(record->filepathname.left(record->filepathname.size() - 3) +
                              QStringLiteral("vyd"));
        }
        if (record->pLocalSong)
            record->pLocalSong->bDeleted = true;
        m_downloaded.remove(record->filepathname);
        delete record;
        m_pModel->removeRow(row);
    }
}

void downloadWgt::delSongfromLocalList()
{
    guarded("void __thiscall downloadWgt::delSongfromLocalList(void)", [&] { removeSelected(false); });
}

void downloadWgt::delSongPermanent()
{
    guarded("void __thiscall downloadWgt::delSongPermanent(void)", [&] { removeSelected(true); });
}

void downloadWgt::openLocalDir()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    if (const _tag_downloadDelegate_ *record = recordOf(rows.first()))
        WgtPlaylistBase::fileManagerOpener()(record->filepathname);
}

void downloadWgt::startDownSelectedSongs()
{
    if (m_bBusy)
        return;
    rechargeDownloadOperationsLater();
    for (int row : selectedRows())
        startDownTheMISong(m_pModel->index(row, 0), nullptr);
}

void downloadWgt::setMyCursor()
{
    if (!m_pListView->isVisible())
        return;
    const QPoint cursor = m_pListView->mapFromGlobal(QCursor::pos());
    const QModelIndex index = m_pListView->indexAt(m_pListView->viewport()->mapFrom(m_pListView, cursor));
    if (!index.isValid())
        return;
    const _tag_downloadDelegate_ *record = recordOf(index.row());
    const QPoint origin = m_pListView->visualRect(index).topLeft();
    const bool onBar =
        record && !record->fin && m_pDelegate->progressZone().translated(origin).contains(cursor);
    setCursor(onBar ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

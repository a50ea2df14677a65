#include "playlists/WgtPlaylistBase.h"

#include "kvrutil/kvrutil.h"
#include "playlists/Delegate4ListView.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/PlaylistsLog.h"
#include "playlists/kvrListView.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/SongConstants.h"
#include "services/core/SongFileInfo.h"
#include "services/core/spis.h"
#include "services/net/ServiceEndpoints.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/FolderSeam.h"
#include "services/seams/MainWindowSeam.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/MyPushButton.h"
#include "shell/ShellGlobals.h"
#include "shell/kvrMainWindowActions.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardItemModel>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace {

// The pages by list id, so a page that starts playing can take the mark from the one that played.
WgtPlaylistBase *g_pages[7] = {};

// The catch-all log entry of a page operation.
void writeExceptionLog(const QObject *page, const char *function)
{
    const QByteArray signature =
        QByteArray("void __thiscall ") + page->metaObject()->className() + "::" + function;
    g_writeExceptionLog(signature.constData());
}

template <class Body> void guarded(const QObject *page, const char *function, Body body)
{
    try {
        body();
    } catch (...) {
        writeExceptionLog(page, function);
    }
}

// The main window's services, or null in a program part that runs without it.
kvrMainWindowActions *mainWindow()
{
    return g_pUIRelated ? g_pUIRelated->mainWindowActions() : nullptr;
}

bool loggedIn()
{
    return !g_sMemberId.isEmpty();
}

} // namespace

WgtPlaylistBase::WgtPlaylistBase(const PageTraits &traits, QWidget *parent)
    : QFrame(parent)
    , m_file(g_sDataDir, traits.variant)
    , m_nListId(traits.nListId)
    , m_nCountKind(traits.nCountKind)
{
    g_pages[m_nListId] = this;
    m_pProgressDlg = new QProgressDialog;
    m_pProgressDlg->setWindowTitle(tr("澜韵音乐"));
    m_pProgressDlg->setLabel(new QLabel);
    m_pProgressDlg->setCancelButton(nullptr);
    m_pProgressDlg->setMinimum(0);
    m_pProgressDlg->setWindowModality(Qt::ApplicationModal);
    m_pProgressDlg->setMinimumDuration(0);
    m_pProgressDlg->setFixedWidth(500);
    // A new QProgressDialog shows itself once its minimum duration passed: not before it is used.
    m_pProgressDlg->reset();
    m_pProgressDlg->hide();

    setupUi(traits);
    if (QFileInfo::exists(playListPath()))
        loadPlayList();
}

WgtPlaylistBase::~WgtPlaylistBase()
{
    if (g_pages[m_nListId] == this)
        g_pages[m_nListId] = nullptr;
    delete m_pProgressDlg;
    g_clearSongRows(m_pModel);
}

void WgtPlaylistBase::setupUi(const PageTraits &traits)
{
    m_pListView = new kvrListView(nullptr);
    m_pListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pListView->setObjectName(QLatin1String(traits.objectPrefix) + QLatin1String("m_tvLocalList"));
    m_pModel = new QStandardItemModel(this);
    m_pListView->setModel(m_pModel);
    m_pDelegate = new Delegate4ListView(m_pListView, 22);
    m_pDelegate->setRects(10, 380, 570, 825);
    m_pDelegate->m_nListKind = traits.nDelegateKind;
    m_pListView->setItemDelegate(m_pDelegate);
    m_pListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pListView, &QAbstractItemView::clicked, this, &WgtPlaylistBase::listItemClicked);
    connect(m_pListView, &QAbstractItemView::doubleClicked, this, &WgtPlaylistBase::tvDoubleClick);

    m_pTopBar = new QHBoxLayout;
    m_pTopBar->setContentsMargins(0, 0, 18, 0);
    m_pTopBar->setSpacing(8);
    auto *title = new QLabel(traits.sTitle, this);
    QFont font = QApplication::font();
    font.setPixelSize(18);
    title->setFont(font);
    title->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_pTopBar->addWidget(title);
    auto *countBox = new QVBoxLayout;
    countBox->setContentsMargins(0, 13, 0, 2);
    m_pCountLabel = new QLabel(tr("0首"), this);
    m_pCountLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_pCountLabel->setStyleSheet(QStringLiteral("color:rgb(193,193,193);"));
    countBox->addWidget(m_pCountLabel);
    m_pTopBar->addLayout(countBox);
    m_pTopBar->addSpacerItem(new QSpacerItem(40, 58, QSizePolicy::Expanding, QSizePolicy::Minimum));

    QHBoxLayout *header = MyPushButton::headerRow(
        this, {{tr("歌曲"), 364}, {tr("歌手"), 195}, {tr("专辑"), 246}}, traits.sLastHeader);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(m_pTopBar);
    layout->addLayout(header);
    layout->addWidget(m_pListView);
}

void WgtPlaylistBase::addTopBarButton(QWidget *button)
{
    m_pTopBar->addWidget(button);
}

WgtPlaylistBase *WgtPlaylistBase::forListId(int nListId)
{
    return PlayingListId::isPage(nListId) ? g_pages[nListId] : nullptr;
}

int WgtPlaylistBase::rowCount() const
{
    return m_pModel->rowCount();
}

QStandardItem *WgtPlaylistBase::getCurPlayingItem() const
{
    return m_nCurPlayingRow < 0 ? nullptr : m_pModel->item(m_nCurPlayingRow, 0);
}

QString WgtPlaylistBase::durationText(int nSeconds)
{
    return g_formatSongDuration(nSeconds);
}

// ---- The list file ----

void WgtPlaylistBase::loadPlayList()
{
    guarded(this, "loadPlayList(void)", [this] {
        PlayListLoadResult loaded = m_file.load();
        if (loaded.outcome == PlayListLoad::Unreadable) {
            g_mainWindowSeam()->execMessageBox(
                QString(), PlayListFile::readErrorText(m_file.path(), loaded.errorText), 1);
            return;
        }
        QList<QStandardItem *> items;
        items.reserve(qsizetype(loaded.rows.size()));
        for (auto &row : loaded.rows)
            items.append(g_newSongItem(row.release()));
        // In one insertion: the view lays out once, not once per row.
        m_pModel->invisibleRootItem()->appendRows(items);
        m_pCountLabel->setText(tr("%1首").arg(m_pModel->rowCount()));
    });
}

bool WgtPlaylistBase::savePlayList()
{
    bool saved = false;
    guarded(this, "savePlayList(void)", [this, &saved] {
        QString error;
        saved = m_file.save(g_songInfos(m_pModel, PlayListFile::kMaxSavedRows), &error);
        if (!saved)
            g_mainWindowSeam()->execMessageBox(QString(), PlayListFile::writeErrorText(m_file.path(), error),
                                               1);
    });
    return saved;
}

// ---- Rows ----

QStandardItem *WgtPlaylistBase::insertSongRow(_tag_playlistsonginfo_ *info, bool append)
{
    QStandardItem *item = g_newSongItem(info);
    if (append) {
        m_pModel->appendRow(item);
    } else {
        if (m_nCurPlayingRow >= 0)
            ++m_nCurPlayingRow;
        m_pModel->insertRow(0, item);
    }
    return item;
}

QList<int> WgtPlaylistBase::selectedRows() const
{
    QList<int> rows;
    QSet<int> seen;
    for (const QModelIndex &index : m_pListView->selectionModel()->selectedIndexes()) {
        if (!seen.contains(index.row())) {
            seen.insert(index.row());
            rows.append(index.row());
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void WgtPlaylistBase::removeRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= m_pModel->rowCount(); }),
               rows.end());
    // Pending events run between rows (the progress dialog paints), and with them a song's end
    // may record a row or play the next one: persistent indexes follow such changes, and the
    // playing mark is moved as each row goes, never after the loop.
    QList<QPersistentModelIndex> targets;
    targets.reserve(rows.size());
    for (int row : rows)
        targets.append(QPersistentModelIndex(m_pModel->index(row, 0)));

    m_pProgressDlg->setMaximum(std::max(int(targets.size()) - 1, 0));
    m_pProgressDlg->setLabelText(tr("正在删除..."));
    QPersistentModelIndex playingTarget;
    for (int i = 0; i < targets.size(); ++i) {
        const QPersistentModelIndex &target = targets.at(i);
        if (target.isValid()) {
            const int row = target.row();
            if (row == m_nCurPlayingRow) {
                playingTarget = target;
            } else {
                delete g_takeSongInfo(m_pModel->item(row));
                m_pModel->removeRow(row);
                if (m_nCurPlayingRow > row)
                    --m_nCurPlayingRow;
            }
        }
        if (targets.size() > 1)
            m_pProgressDlg->setValue(i);
        QCoreApplication::processEvents();
    }
    if (targets.size() <= 1 || m_pProgressDlg->autoClose())
        m_pProgressDlg->hide();

    // The playing row goes last: it still plays while the others are removed.
    if (playingTarget.isValid()) {
        const int row = playingTarget.row();
        const bool stillPlaying = row == m_nCurPlayingRow;
        if (stillPlaying)
            m_nCurPlayingRow = -1;
        else if (m_nCurPlayingRow > row)
            --m_nCurPlayingRow;
        delete g_takeSongInfo(m_pModel->item(row));
        m_pModel->removeRow(row);
        if (stillPlaying) {
            if (g_pSongPlayHandler)
                g_pSongPlayHandler->stopPlay();
            g_mainWindowSeam()->resetPlayingInfo();
            g_nPlayingListId = PlayingListId::kNone;
        }
    }
    updateRowCount();
}

void WgtPlaylistBase::clearTheList()
{
    guarded(this, "clearTheList(void)", [this] {
        m_nCurPlayingRow = -1;
        g_clearSongRows(m_pModel);
        updateRowCount();
        if (g_nPlayingListId == m_nListId) {
            if (g_pSongPlayHandler)
                g_pSongPlayHandler->stopPlay();
            g_mainWindowSeam()->resetPlayingInfo();
            g_nPlayingListId = PlayingListId::kNone;
        }
    });
}

void WgtPlaylistBase::updateRowCount()
{
    const int rows = m_pModel->rowCount();
    if (kvrMainWindowActions *window = mainWindow())
        window->updateCountLabels(m_nCountKind, rows);
    m_pCountLabel->setText(tr("%1首").arg(rows));
    emit rowCountChanged(rows);
    rowsChanged();
}

// ---- Playing ----

void WgtPlaylistBase::playTheListSong(const QModelIndex &index, bool noScroll)
{
    guarded(this, "playTheListSong(const QModelIndex &,bool)", [&] {
        if (!index.isValid() || index.row() == m_nCurPlayingRow)
            return;
        _tag_playlistsonginfo_ *info = g_songInfo(m_pModel->item(index.row()));
        if (!info)
            return;
        if (g_nPlayingListId != m_nListId) {
            if (WgtPlaylistBase *playing = forListId(g_nPlayingListId))
                playing->clearCurPlayingRow();
        }
        g_nPlayingListId = m_nListId;
        m_nWrongCount = 0;
        aboutToPlayRow(info);
        setCurPlayingRow(index.row(), noScroll);
        if (!g_pSongPlayHandler)
            return;
        spis &song = g_pSongPlayHandler->m_curSong;
        song.artist = info->artist;
        song.duration = info->Duartion;
        song.id = info->id.toUInt();
        song.title = info->title;
        song.albumName = info->sAlbumName;
        song.nType = info->type;
        g_pSongPlayHandler->beforePlayTheSong(info->type, info->filePath, info->Duartion,
                                              g_songDisplayName(info->artist, info->title), info->bytesize,
                                              info->albumpic, song.id);
    });
}

void WgtPlaylistBase::setCurPlayingRow(int nRow, bool noScroll)
{
    if (nRow < 0 || nRow == m_nCurPlayingRow)
        return;
    const int old = m_nCurPlayingRow;
    m_nCurPlayingRow = nRow;
    if (old >= 0)
        closePersistEdr(old);
    const QModelIndex index = m_pModel->index(nRow, 0);
    if (!noScroll) {
        m_pListView->scrollTo(index, QAbstractItemView::PositionAtCenter);
        m_pListView->update(index);
    }
    m_pListView->clearSelection();
}

void WgtPlaylistBase::clearCurPlayingRow()
{
    if (m_nCurPlayingRow < 0)
        return;
    const int row = m_nCurPlayingRow;
    m_nCurPlayingRow = -1;
    closePersistEdr(row);
}

void WgtPlaylistBase::closePersistEdr(int nRow)
{
    if (nRow != m_nCurPlayingRow)
        m_pListView->update(m_pModel->index(nRow, 0));
}

void WgtPlaylistBase::tvDoubleClick(const QModelIndex &index)
{
    guarded(this, "tvDoubleClick(const QModelIndex &)", [&] {
        kvrMainWindowActions *window = mainWindow();
        if (window && !window->takeBusyGuard())
            return;
        playTheListSong(index, true);
    });
}

void WgtPlaylistBase::onPlayAll()
{
    guarded(this, "onPlayAll(void)", [this] {
        if (m_pModel->rowCount() == 0)
            return;
        m_pListView->scrollToTop();
        const QModelIndex first = m_pModel->index(0, 0);
        m_pListView->setCurrentIndex(first);
        tvDoubleClick(first);
    });
}

// ---- The next-song choice ----

void WgtPlaylistBase::takeRow(int nRow, spis &s)
{
    const _tag_playlistsonginfo_ *info = g_songInfo(m_pModel->item(nRow));
    if (!info)
        return;
    s.nType = info->type;
    s.filePath = info->filePath;
    s.duration = info->Duartion;
    s.title = info->title;
    s.bytesize = info->bytesize;
    s.artist = info->artist;
    s.albumpic = info->albumpic;
    s.albumName = info->sAlbumName;
    s.id = info->id.toUInt();
    setCurPlayingRow(nRow, false);
}

void WgtPlaylistBase::getNextSongandSelIt(spis &s)
{
    guarded(this, "getNextSongandSelIt(struct _tag_songplayinfo &)", [&] {
        const int n = m_pModel->rowCount();
        const int c = m_nCurPlayingRow;
        int next = -1;
        if (n == 0) {
            next = -1;
        } else if (c < 0) {
            next = 0;
        } else {
            switch (g_nPlayMode) {
            case 0:
                next = m_nWrongCount == -2 ? -1 : c;
                break;
            case 1:
                next = c + 1 == n ? -1 : c + 1;
                break;
            case 3:
                next = m_nWrongCount == n ? -1 : int(QRandomGenerator::global()->bounded(n));
                break;
            default:
                next = m_nWrongCount == n ? -1 : (c + 1) % n;
                break;
            }
        }
        if (next < 0)
            s.filePath.clear();
        else
            takeRow(next, s);
    });
}

bool WgtPlaylistBase::getRealNextSongandSelIt(spis &s)
{
    bool taken = false;
    guarded(this, "getRealNextSongandSelIt(struct _tag_songplayinfo &)", [&] {
        const int n = m_pModel->rowCount();
        if (m_nCurPlayingRow < 0 || n == 0)
            return;
        const int row =
            g_nPlayMode == 3 ? int(QRandomGenerator::global()->bounded(n)) : (m_nCurPlayingRow + 1) % n;
        takeRow(row, s);
        taken = true;
    });
    return taken;
}

bool WgtPlaylistBase::getRealPrevSongandSelIt(spis &s)
{
    bool taken = false;
    guarded(this, "getRealPrevSongandSelIt(struct _tag_songplayinfo &)", [&] {
        const int n = m_pModel->rowCount();
        if (m_nCurPlayingRow < 0 || n == 0)
            return;
        const int row =
            g_nPlayMode == 3 ? int(QRandomGenerator::global()->bounded(n)) : (m_nCurPlayingRow + n - 1) % n;
        takeRow(row, s);
        taken = true;
    });
    return taken;
}

void WgtPlaylistBase::dealWithWrong(int)
{
    ++m_nWrongCount;
    if (g_nPlayMode == 0)
        m_nWrongCount = -2;
}

QString WgtPlaylistBase::changePLCurPlayingNetSong(const QString &id, const QString &filePath,
                                                   const QString &duration, const QString &size,
                                                   const QString &albumPic)
{
    _tag_playlistsonginfo_ *info = g_songInfo(getCurPlayingItem());
    if (!info)
        return QString();
    if (info->id == id) {
        info->Duartion = duration;
        info->filePath = filePath;
        info->bytesize = size;
        info->albumpic = albumPic;
    }
    return info->id;
}

void WgtPlaylistBase::changePLCurPlayingNetSongDur(QString &sDur, const QString &file)
{
    sDur = durationText(int(g_getSongDuration(file)));
    if (_tag_playlistsonginfo_ *info = g_songInfo(getCurPlayingItem()))
        info->Duartion = sDur;
}

// ---- Editing ----

void WgtPlaylistBase::delSong()
{
    guarded(this, "delSong(void)", [this] { removeRows(selectedRows()); });
}

void WgtPlaylistBase::delRedundantSong()
{
    guarded(this, "delRedundantSong(void)", [this] {
        m_pListView->clearSelection();
        const int n = m_pModel->rowCount();
        m_pProgressDlg->setMaximum(std::max(n - 1, 0));
        m_pProgressDlg->setLabelText(tr("正在删除..."));
        // The first row of each song stays. One pass with a set of keys instead of comparing every
        // pair: the same rows go, without the pairwise scan's quadratic time on a long queue.
        QSet<QString> localSeen;
        QSet<QString> netSeen;
        QList<int> duplicates;
        for (int row = 0; row < n; ++row) {
            const _tag_playlistsonginfo_ *info = g_songInfo(m_pModel->item(row));
            if (!info)
                continue;
            QSet<QString> *seen = info->type == SongType::kLocal     ? &localSeen
                                  : info->type == SongType::kNetwork ? &netSeen
                                                                     : nullptr;
            if (!seen)
                continue;
            const QString &key = info->type == SongType::kLocal ? info->filePath : info->id;
            if (seen->contains(key))
                duplicates.append(row);
            else
                seen->insert(key);
        }
        removeRows(duplicates);
    });
}

void WgtPlaylistBase::onQIngKong()
{
    guarded(this, "onQIngKong(void)", [this] {
        const int answer = g_mainWindowSeam()->execMessageBox(tr("提醒"), tr("您确实要清空播放列表吗？"), 0);
        if (answer == 1 && m_pModel->rowCount() > 0) {
            clearTheList();
            if (m_pDelegate->m_lblPlaying)
                m_pDelegate->m_lblPlaying->hide();
        }
        rowsChanged();
    });
}

void WgtPlaylistBase::openSongDir()
{
    guarded(this, "openSongDir(void)", [this] {
        const QModelIndexList selected = m_pListView->selectionModel()->selectedIndexes();
        if (selected.isEmpty())
            return;
        const _tag_playlistsonginfo_ *info = g_songInfo(selected.first());
        if (!info)
            return;
        QString path = info->filePath;
        if (info->type == SongType::kNetwork)
            path = g_folderSeam()->getDownDir() + QLatin1Char('/') +
                   g_songDisplayName(info->artist, info->title) + QLatin1String(".mp3");
        if (!QFileInfo(path).isFile())
            g_mainWindowSeam()->showHint(tr("该歌曲还没有下载"));
        else
            fileManagerOpener()(path);
    });
}

std::function<void(const QString &)> &WgtPlaylistBase::fileManagerOpener()
{
    static std::function<void(const QString &)> opener = [](const QString &path) {
        g_openandSelectTheFile(path);
    };
    return opener;
}

void WgtPlaylistBase::onGeQuSHu(const QString &sCount)
{
    QString text = sCount;
    text.remove(QStringLiteral("共")).remove(QStringLiteral("歌曲"));
    m_pCountLabel->setText(text);
}

// ---- Downloads and favourites ----

void WgtPlaylistBase::downloadRow(const _tag_playlistsonginfo_ &info)
{
    kvrMainWindowActions *window = mainWindow();
    if (!window)
        return;
    if (info.bytesize == QLatin1String("idvalid")) {
        window->downloadSong(QString(), info.title, info.artist, info.sAlbumName, QString(), QString(),
                             info.id);
        return;
    }
    const QString size = QString::number(info.bytesize.toDouble() / 1048576, 'f', 2) + QLatin1String(" M");
    window->downloadSong(info.filePath, info.title, info.artist, info.sAlbumName, size, info.Duartion,
                         info.id);
}

void WgtPlaylistBase::listItemClicked(const QModelIndex &index)
{
    guarded(this, "listItemClicked(const QModelIndex &)", [&] {
        const _tag_playlistsonginfo_ *info = g_songInfo(index);
        if (!info || info->type != SongType::kNetwork)
            return;
        const QRect row = m_pListView->visualRect(index);
        const QRect downZone = m_rectDownBtn.translated(row.topLeft());
        const QRect loveZone = downZone.translated(22, 0);
        const QPoint cursor = m_pListView->mapFromGlobal(QCursor::pos());
        kvrMainWindowActions *window = mainWindow();
        if (downZone.contains(cursor)) {
            if (!window || window->isDownloadBusy())
                return;
            downloadRow(*info);
            window->showDownloadBadges();
            g_mainWindowSeam()->showHint(tr("已开始下载,详见:本地歌曲 下载的歌曲"));
        } else if (loveZone.contains(cursor)) {
            if (!loggedIn()) {
                if (g_pUIRelated)
                    g_pUIRelated->login();
                return;
            }
            qCDebug(lcPlaylists) << "the favourite lists come with the account pages";
        }
    });
}

void WgtPlaylistBase::downtheSelectedSongs()
{
    guarded(this, "downtheSelectedSongs(void)", [this] {
        const QModelIndexList selected = m_pListView->selectionModel()->selectedIndexes();
        kvrMainWindowActions *window = mainWindow();
        if (selected.isEmpty() || !window || window->isDownloadBusy())
            return;
        for (const QModelIndex &index : selected) {
            const _tag_playlistsonginfo_ *info = g_songInfo(index);
            if (info && info->type == SongType::kNetwork)
                downloadRow(*info);
        }
        window->showDownloadBadges();
        g_mainWindowSeam()->showHint(tr("已开始下载,详见:本地歌曲 下载的歌曲"));
    });
}

QString WgtPlaylistBase::songItems(const QList<int> &rows) const
{
    QString items;
    for (int row : rows) {
        const _tag_playlistsonginfo_ *info = g_songInfo(m_pModel->item(row));
        if (info && !info->id.trimmed().isEmpty())
            items += info->id + QLatin1String("[]") + info->artist + QLatin1String(" - ") + info->title +
                     QLatin1Char('|');
    }
    return items;
}

void WgtPlaylistBase::commandAll(const char *key, bool bNeedLogin, const QString &localOnlyHint)
{
    const int n = m_pModel->rowCount();
    if (n == 0)
        return;
    QList<int> rows(n);
    std::iota(rows.begin(), rows.end(), 0);
    const QString items = songItems(rows);
    if (bNeedLogin && !loggedIn()) {
        if (g_pUIRelated)
            g_pUIRelated->login();
        return;
    }
    const QString link = g_endpoints().hosts.service + QLatin1String("/ZiDingYiSHouCang/KEY=") +
                         QLatin1String(key) + QLatin1String("://") + items;
    if (kvrMainWindowActions *window = mainWindow())
        window->dealWithWebLink(QUrl(link));
    if (items.isEmpty())
        g_mainWindowSeam()->showHint(localOnlyHint);
}

void WgtPlaylistBase::onSHouCang()
{
    guarded(this, "onSHouCang(void)",
            [this] { commandAll("AllLove", true, tr("播放列表里都是本地歌曲，无法收藏哦")); });
}

void WgtPlaylistBase::onXiaZai()
{
    guarded(this, "onXiaZai(void)",
            [this] { commandAll("AllDown", false, tr("播放列表里都是本地歌曲，无法下载哦")); });
}

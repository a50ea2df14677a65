#include "playlists/WgtPlaylistAll.h"

#include "playlists/Delegate4ListView.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/PlaylistsLog.h"
#include "playlists/kvrListView.h"
#include "services/core/DailyLog.h"
#include "services/core/SongConstants.h"
#include "services/core/SongFileInfo.h"
#include "services/seams/MainWindowSeam.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/ListEmptyForm.h"
#include "shell/kvrMainWindowActions.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProgressDialog>
#include <QStandardItemModel>
#include <QToolButton>

#include <memory>

WgtPlaylistAll *g_pWgtPlaylistAll = nullptr;

bool localeLessThan(const QString &a, const QString &b)
{
    return QString::localeAwareCompare(a, b) < 0;
}

namespace {

QToolButton *topBarButton(QWidget *parent, const char *name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

WgtPlaylistAll::WgtPlaylistAll(QWidget *parent)
    : WgtPlaylistBase(
          {kPlayQueueList, PlayingListId::kPlayQueue, 5, "WgtPlaylistAll", tr("  全部歌曲"), tr("时长"), 2},
          parent)
{
    setAcceptDrops(true);
    connect(listView(), &QWidget::customContextMenuRequested, this, &WgtPlaylistAll::playListContextMenu);
    createContextMenu();

    auto *playAll = topBarButton(this, "Left1_btnPlayAll");
    connect(playAll, &QToolButton::clicked, this, &WgtPlaylistAll::onPlayAll);
    addTopBarButton(playAll);

    m_pBtnDaoRu = topBarButton(this, "Left1_DaoRu");
    m_pBtnDaoRu->setPopupMode(QToolButton::InstantPopup);
    m_pBtnDaoRu->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pBtnDaoRu->setStyleSheet(QStringLiteral("QToolButton::menu-indicator{image:None;}"));
    connect(m_pBtnDaoRu, &QToolButton::clicked, this, &WgtPlaylistAll::onDaoRu);
    m_pMenuDaoRu = new QMenu(this);
    m_pMenuDaoRu->addAction(tr("添加本地歌曲..."), this, &WgtPlaylistAll::onTiaJiaBrnDiGeQu);
    m_pMenuDaoRu->addAction(tr("添加本地歌曲文件夹..."), this, &WgtPlaylistAll::addDirSong);
    m_pMenuDaoRu->addAction(tr("快速扫描歌曲导入"), this, &WgtPlaylistAll::onKuaiSuSaoMiaoDaoRu);
    m_pBtnDaoRu->setMenu(m_pMenuDaoRu);
    addTopBarButton(m_pBtnDaoRu);

    const struct
    {
        const char *name;
        void (WgtPlaylistBase::*slot)();
    } buttons[] = {{"Left1_btnXiaZai", &WgtPlaylistBase::onXiaZai},
                   {"Left1_btnShouCang", &WgtPlaylistBase::onSHouCang},
                   {"Left1btnQIngKong", &WgtPlaylistBase::onQIngKong}};
    for (const auto &button : buttons) {
        QToolButton *tool = topBarButton(this, button.name);
        connect(tool, &QToolButton::clicked, this, button.slot);
        addTopBarButton(tool);
    }

    m_pEmptyForm = new ListEmptyForm(this);
    m_pEmptyForm->setGeometry(rect());
    m_pEmptyForm->setVisible(rowCount() == 0);
    // Whoever adds rows, the placeholder leaves with the first of them.
    connect(model(), &QAbstractItemModel::rowsInserted, m_pEmptyForm, &QWidget::hide);
}

WgtPlaylistAll::~WgtPlaylistAll()
{
    if (g_pWgtPlaylistAll == this)
        g_pWgtPlaylistAll = nullptr;
}

void WgtPlaylistAll::resizeEvent(QResizeEvent *event)
{
    WgtPlaylistBase::resizeEvent(event);
    m_pEmptyForm->setGeometry(rect());
}

void WgtPlaylistAll::rowsChanged()
{
    if (rowCount() == 0) {
        m_pEmptyForm->show();
        m_pEmptyForm->raise();
    } else {
        m_pEmptyForm->hide();
    }
}

// ---- Adding rows ----

void WgtPlaylistAll::addSongstoList(const QStringList &list, bool bPlay, bool bNet, int nRow)
{
    try {
        if (list.isEmpty())
            return;
        auto progress = std::make_unique<QProgressDialog>(this);
        progress->setWindowTitle(tr("澜韵音乐"));
        progress->setCancelButton(nullptr);
        progress->setLabelText(QString());
        progress->setRange(0, int(list.size()) - 1);
        progress->setWindowModality(Qt::ApplicationModal);
        for (int i = 0; i < list.size(); ++i) {
            const QString &entry = list.at(i);
            if (bNet) {
                // A short entry reads its missing fields as empty.
                const QStringList parts = entry.split(QStringLiteral("[]"));
                addNetSongintoModel(parts.value(0), parts.value(1), QString(), QStringLiteral("idvalid"),
                                    parts.value(2), false);
            } else {
                addLocalSongintoModel(entry, false);
            }
            progress->setValue(i);
            QCoreApplication::processEvents();
            if (progress->wasCanceled())
                break;
        }
        progress.reset();
        emit songsAdded(list, bPlay);
        if (bPlay) {
            g_mainWindowSeam()->showHint(tr("已添加到播放列表,并开始播放"));
            // A row that does not exist plays nothing.
            if (nRow >= 0 && nRow < rowCount())
                playTheListSong(model()->index(nRow, 0), false);
        }
        updateRowCount();
    } catch (...) {
        g_writeExceptionLog(
            "void __thiscall WgtPlaylistAll::addSongstoList(class QStringList &,bool,bool,int)");
    }
}

void WgtPlaylistAll::addNetSongintoModel(const QString &sUrl, const QString &sFileName, const QString &sDur,
                                         const QString &sSize, const QString &sAlbumName, bool append)
{
    auto info = std::make_unique<_tag_playlistsonginfo_>();
    info->Duartion = sDur;
    info->filePath = sUrl;
    info->sAlbumName = sAlbumName;
    info->type = SongType::kNetwork;
    info->bytesize = sSize;
    info->id = sUrl;
    const qsizetype dash = sFileName.indexOf(QLatin1Char('-'));
    if (dash < 0) {
        info->title = sFileName.trimmed();
    } else {
        info->artist = sFileName.left(dash).trimmed();
        info->title = sFileName.mid(dash + 1).trimmed();
    }
    insertSongRow(info.release(), append);
    m_pEmptyForm->hide();
}

void WgtPlaylistAll::addLocalSongintoModel(const QString &path, bool append)
{
    auto info = std::make_unique<_tag_playlistsonginfo_>();
    // Tags and length in one opening of the file.
    const SongFileInfo file = g_readSongFile(path);
    info->title = file.title;
    info->artist = file.artist;
    info->sAlbumName = file.album;
    info->Duartion = durationText(int(file.seconds));
    info->filePath = path;
    info->type = SongType::kLocal;
    info->bytesize = QStringLiteral("0");
    insertSongRow(info.release(), append);
    m_pEmptyForm->hide();
}

// ---- The row menu ----

void WgtPlaylistAll::createContextMenu()
{
    m_pContextMenu = new QMenu(this);
    auto plainAction = [this](const QString &text) {
        auto *action = new QAction(text, this);
        connect(action, &QAction::hovered, this, &WgtPlaylistAll::onActionHover);
        return action;
    };
    QAction *down = plainAction(tr("下载到电脑"));
    connect(down, &QAction::triggered, this, &WgtPlaylistBase::downtheSelectedSongs);
    m_pContextMenu->addAction(down);
    m_pActDownPhone = plainAction(tr("下载到手机"));
    m_pContextMenu->addAction(m_pActDownPhone);
    m_pMenuTianJiaDao = m_pContextMenu->addMenu(QStringLiteral("添加到"));
    m_pMenuTianJiaDao->installEventFilter(this);
    connect(m_pMenuTianJiaDao, &QMenu::triggered, this, &WgtPlaylistAll::onMenuGeDanClicked);
    m_pContextMenu->addSeparator();
    m_pActDel = plainAction(tr("删除"));
    connect(m_pActDel, &QAction::triggered, this, &WgtPlaylistBase::delSong);
    m_pContextMenu->addAction(m_pActDel);
    QAction *redundant = plainAction(tr("清理重复歌曲"));
    connect(redundant, &QAction::triggered, this, &WgtPlaylistBase::delRedundantSong);
    m_pContextMenu->addAction(redundant);
    m_pActBrowse = plainAction(tr("浏览本地文件"));
    connect(m_pActBrowse, &QAction::triggered, this, &WgtPlaylistBase::openSongDir);
    m_pContextMenu->addAction(m_pActBrowse);
}

void WgtPlaylistAll::prepareContextMenu()
{
    const bool selected = listView()->selectionModel()->hasSelection();
    m_pActDel->setEnabled(selected);
    m_pActBrowse->setEnabled(selected);
    kvrMainWindowActions *window = g_pUIRelated ? g_pUIRelated->mainWindowActions() : nullptr;
    m_pActDownPhone->setEnabled(window && !window->getUsbDrives().isEmpty());

    qDeleteAll(m_listGeDanActions);
    m_listGeDanActions.clear();
    const QStringList lists = favouriteListNames()();
    for (int i = 0; i < lists.size(); ++i) {
        auto *action = new QAction(lists.at(i), this);
        connect(action, &QAction::triggered, this, &WgtPlaylistAll::onMenuAcClicked);
        if (i == 0) {
            action->setIcon(QIcon(QStringLiteral(":/rs/love1.png")));
            connect(action, &QAction::hovered, this, &WgtPlaylistAll::onAcNewHover);
        } else {
            connect(action, &QAction::hovered, this, &WgtPlaylistAll::onAcCommonHover);
        }
        m_listGeDanActions.append(action);
    }
    auto *newList = new QAction(QIcon(QStringLiteral(":/rs/edit1.png")), tr("添加到新歌单"), this);
    connect(newList, &QAction::triggered, this, &WgtPlaylistAll::onMenuAcClicked);
    connect(newList, &QAction::hovered, this, &WgtPlaylistAll::onAcNewHover);
    m_listGeDanActions.append(newList);
    m_pMenuTianJiaDao->addActions(m_listGeDanActions);
    m_pMenuTianJiaDao->setEnabled(true);
}

void WgtPlaylistAll::playListContextMenu(const QPoint &)
{
    try {
        if (!m_pContextMenu)
            return;
        prepareContextMenu();
        m_pContextMenu->exec(QCursor::pos());
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistAll::playListContextMenu(const class QPoint &)");
    }
}

std::function<QStringList()> &WgtPlaylistAll::favouriteListNames()
{
    // The favourites page installs its lists when it exists; without it there are none.
    static std::function<QStringList()> names = [] { return QStringList(); };
    return names;
}

void WgtPlaylistAll::setSubmenuIcons(bool firstHovered, bool lastHovered)
{
    if (m_listGeDanActions.isEmpty())
        return;
    // With no favourite list the new-list entry is both first and last; its own picture wins.
    m_listGeDanActions.first()->setIcon(
        QIcon(firstHovered ? QStringLiteral(":/rs/love0.png") : QStringLiteral(":/rs/love1.png")));
    m_listGeDanActions.last()->setIcon(
        QIcon(lastHovered ? QStringLiteral(":/rs/edit0.png") : QStringLiteral(":/rs/edit1.png")));
}

void WgtPlaylistAll::onAcNewHover()
{
    QObject *from = sender();
    if (m_listGeDanActions.isEmpty())
        return;
    const bool last = from == m_listGeDanActions.last();
    const bool first = !last && from == m_listGeDanActions.first();
    setSubmenuIcons(first, last);
}

void WgtPlaylistAll::onAcCommonHover()
{
    setSubmenuIcons(false, false);
}

bool WgtPlaylistAll::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == listView())
        return false;
    if (watched == m_pMenuTianJiaDao && event->type() == QEvent::Leave) {
        setSubmenuIcons(false, false);
        return true;
    }
    return WgtPlaylistBase::eventFilter(watched, event);
}

void WgtPlaylistAll::onMenuGeDanClicked(QAction *action)
{
    qCDebug(lcPlaylists) << action->text();
}

void WgtPlaylistAll::onMenuAcClicked()
{
    qCDebug(lcPlaylists) << "adding songs to a favourite list comes with the favourite lists";
}

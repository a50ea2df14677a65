#include "online/WgtSkinSet.h"

#include "online/SkinStyle.h"
#include "services/core/Globals.h"
#include "services/core/SettingsKeys.h"
#include "shell/kvrCompositor.h"
#include "shell/kvrPixmap.h"
#include "shell/kvrPopup.h"

#include <QBitmap>
#include <QDir>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QVBoxLayout>

bool g_bChangingSkin = false;

namespace {
const QString kBackground = QStringLiteral(":/qss/debug/images/btnimage/tp/skinBg.png");
// Below the skin button of the main window's title bar, relative to the window's corner.
const QPoint kPlace(693, 30);
const QSize kThumbnail(80, 50);
constexpr int kSlots = 9;
constexpr int kColumns = 3;
const QLatin1StringView kMini("_mini");

QPixmap thumbnail(const QString &path)
{
    const QPixmap picture(path);
    return picture.isNull() ? picture
                            : picture.scaled(kThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The folder's thumbnails, in the order of their slots: by name, the default background's first.
QStringList listThumbnails(const QString &folder)
{
    const QStringList names = QDir(folder).entryList(
        {QStringLiteral("*.jpg"), QStringLiteral("*.png"), QStringLiteral("*.gif"), QStringLiteral("*.jpeg")},
        QDir::Files, QDir::Name | QDir::LocaleAware);
    QStringList thumbnails;
    for (const QString &name : names) {
        // The name, not the whole path: a program folder named "x_mini" must not make every
        // picture a thumbnail.
        if (name.contains(kMini))
            thumbnails << folder + name;
    }
    for (qsizetype i = 0; i < thumbnails.size(); ++i) {
        if (thumbnails.at(i).contains(QLatin1StringView("bg_mini.png"))) {
            if (i != 0)
                thumbnails.swapItemsAt(0, i);
            break;
        }
    }
    return thumbnails;
}
} // namespace

PicLabel::PicLabel(QWidget *parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

PicLabel::~PicLabel() = default;

void PicLabel::changeSkin()
{
    if (m_nType != 0 || m_sImage.isEmpty())
        return;
    const qsizetype slash = m_sImage.lastIndexOf(u'/') + 1;
    const QString picture = m_sImage.left(slash) + m_sImage.mid(slash).remove(kMini);

    // The pop-up is a window of its own; the main window is its parent.
    QWidget *popup = window();
    QWidget *mainWindow = popup != this ? popup->parentWidget() : nullptr;
    g_bChangingSkin = true;
    if (mainWindow)
        mainWindow->setStyleSheet(skinPictureStyleSheet(picture));
    g_bChangingSkin = false;

    QSettings ini(g_sDataDir + u'/' + UserKeys::kFileName, QSettings::IniFormat);
    ini.setValue(SkinKeys::kBkImage, picture);
}

void PicLabel::mousePressEvent(QMouseEvent *event)
{
    // Taken whole: the pop-up behind the thumbnail has nothing to do with the press.
    event->accept();
    if (!g_bChangingSkin)
        changeSkin();
}

WgtSkinSet::WgtSkinSet(QWidget *parent)
    : QFrame(parent)
{
    m_pixBackground = kvrPixmap(kBackground);

    auto *container = new QFrame;
    container->setObjectName(QStringLiteral("mainm_pwgtSkin_container"));
    auto *grid = new QGridLayout(container);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    const QString folder = skinFolder();
    const QStringList thumbnails = listThumbnails(folder);
    const QString empty = folder + QStringLiteral("bg__empty.png");
    for (int slot = 0; slot < kSlots; ++slot) {
        auto *label = new PicLabel;
        label->setObjectName(QStringLiteral("mainm_pwgtSkin_label"));
        label->setToolTip(tr("点击设置此图为背景图"));
        if (slot < thumbnails.size()) {
            label->m_nType = 0;
            label->m_sImage = thumbnails.at(slot);
            label->setPixmap(thumbnail(label->m_sImage));
        } else {
            label->setPixmap(thumbnail(empty));
        }
        grid->addWidget(label, slot / kColumns, slot % kColumns);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(container);

    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    kvrSetTranslucentIfComposited(this);
    // An opaque window keeps the card's outline, not the corners its rounding leaves clear.
    if (!testAttribute(Qt::WA_TranslucentBackground))
        setMask(QPixmap(kBackground).mask());
    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::ActiveWindowFocusReason);
}

WgtSkinSet::~WgtSkinSet() = default;

void WgtSkinSet::showWgt()
{
    if (QWidget *mainWindow = parentWidget())
        move(mainWindow->pos() + kPlace);
    if (m_bSkipShow) {
        m_bSkipShow = false;
        return;
    }
    kvrShowPopup(this, this);
}

void WgtSkinSet::focusOutEvent(QFocusEvent *)
{
    if (QWidget *mainWindow = parentWidget()) {
        if (kvrIsMouseOver(mainWindow->findChild<QWidget *>(QStringLiteral("btnSkin"))))
            m_bSkipShow = true;
    }
    hide();
}

void WgtSkinSet::paintEvent(QPaintEvent *)
{
    QPainter(this).drawPixmap(0, 0, m_pixBackground);
}

#include "online/WgtAbout.h"

#include "platform/UpdateShared.h"
#include "services/core/Globals.h"
#include "services/net/ServiceEndpoints.h"
#include "shell/kvrPixmap.h"
#include "shell/kvrShadowDlg.h"
#include "shell/kvrTitleBar.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString kLogo = QStringLiteral(":/qss/debug/images/btnimage/dlg/aboutLogo.png");

QString installedVersion()
{
    const QSettings ini(g_sAppDir + u'/' + QString::fromUtf16(kvrupdate::kConfigFileName),
                        QSettings::IniFormat);
    const QString version = ini.value(QStringView(kvrupdate::kKeySoftVer)).toString();
    return version.isEmpty() ? QStringLiteral("1.0") : version;
}

QLabel *noticeLine(const QString &text)
{
    auto *label = new QLabel(text);
    label->setObjectName(QStringLiteral("WgtAbout_pLabel129"));
    return label;
}
} // namespace

WgtAbout::WgtAbout(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    kvrShadowDlg::prepareShadowWindow(this);
    setObjectName(QStringLiteral("WgtAbout"));

    const QString title = tr("关于澜韵音乐");
    setWindowTitle(title);
    auto *titleBar = new kvrTitleBar;
    titleBar->m_pLabelTitle->setText(title);
    connect(titleBar->m_pBtnClose, &QToolButton::clicked, this, &QWidget::close);

    auto *logo = new QLabel;
    logo->setObjectName(QStringLiteral("WgtAbout_pLabelPic"));
    logo->setPixmap(kvrPixmap(kLogo));

    auto *name = new QLabel(tr("澜韵音乐2014"));
    name->setObjectName(QStringLiteral("WgtAbout_pLabelB143"));

    auto *link = new QToolButton;
    link->setObjectName(QStringLiteral("WgtAbout_tbUrl"));
    link->setText(homeUrl());
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QToolButton::clicked, this, &WgtAbout::openHomeUrl);

    auto *linkRow = new QHBoxLayout;
    linkRow->setContentsMargins(0, 0, 0, 0);
    linkRow->setSpacing(0);
    linkRow->addWidget(link);
    linkRow->addStretch();

    auto *text = new QFrame;
    text->setObjectName(QStringLiteral("WgtAbout_text"));
    auto *lines = new QVBoxLayout(text);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    lines->addWidget(name);
    lines->addWidget(noticeLine(tr(" 版本号:V") + installedVersion()));
    lines->addWidget(noticeLine(tr("澜韵音乐团队 版权所有")));
    lines->addWidget(noticeLine(tr("在线试听、下载与歌词，请访问官网：")));
    lines->addLayout(linkRow);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(logo);
    row->addWidget(text);
    row->addSpacing(10);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(0);
    layout->addWidget(titleBar);
    layout->addLayout(row);
}

WgtAbout::~WgtAbout() = default;

QString WgtAbout::homeUrl()
{
    return g_endpoints().hosts.site + u'/';
}

void WgtAbout::openHomeUrl()
{
    QDesktopServices::openUrl(QUrl(homeUrl()));
}

void WgtAbout::showEvent(QShowEvent *event)
{
    kvrShadowDlg::centreOn(this, parentWidget());
    QDialog::showEvent(event);
}

void WgtAbout::paintEvent(QPaintEvent *)
{
    kvrShadowDlg::paintShadow(this);
}

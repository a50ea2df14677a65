// What the player tells the service and the user about itself: the start-up report with the
// log upload, the heartbeat, and the network-state notices.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/core/ProgramHelpers.h"
#include "services/downloads/UpdateCheck.h"
#include "services/net/HttpObject.h"
#include "services/net/ServiceEndpoints.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

namespace {

// A well-known public name: when it cannot be looked up, the network is as good as gone.
const QString kLookupHost = QStringLiteral("www.debian.org");

const QString kNoticeTitle = QStringLiteral("澜韵音乐提醒");

QByteArray percent(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}

} // namespace

// The last usable IPv4 address in interface order: not loopback, not link-local.
static QString localIPv4()
{
    static const QRegularExpression linkLocal(QStringLiteral("^169\\.254\\.\\d{1,3}\\.\\d{1,3}"));
    QString found;
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const QString text = address.toString();
        if (text == QLatin1String("127.0.0.1") || linkLocal.match(text).hasMatch())
            continue;
        found = text;
    }
    return found;
}

void MainWindow::onTimerInfo()
{
    m_pTimerInfo->stop();
    usbChaRuBaChu(-1);

    const QString configIni = g_sAppDir + QStringLiteral("/config.ini");
    if (QFileInfo::exists(configIni)) {
        m_sVersion = MyIni(nullptr, configIni).value(QStringLiteral("softver"));
        SetTodayLog(QStringLiteral("Version"), m_sVersion);
    }
    const QString userIni = g_sDataDir + QStringLiteral("/configu.ini");
    if (QFileInfo::exists(userIni))
        m_sFrom = MyIni(nullptr, userIni).value(QStringLiteral("from"));

    g_checkUpdateManually(true);

    QNetworkReply *reply = m_namWaiWang.get(QNetworkRequest(QUrl(g_endpoints().externalAddress)));
    // A service that accepts and never answers must not keep the report waiting for ever.
    QTimer::singleShot(30000, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, &MainWindow::onWaiWangIpReplyFinished);
}

void MainWindow::onWaiWangIpReplyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    // The answer is a few bytes; a bound keeps an odd server from filling the memory.
    QString waiWangIp = QString::fromUtf8(reply->read(4096));
    if (waiWangIp.contains(QLatin1String("Error 503")))
        waiWangIp = QStringLiteral("Unknow");

    SetTodayLog(QStringLiteral("SubmitYN"), QStringLiteral("0"));

    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize desktop = screen ? screen->geometry().size() : QSize();
    const QString description = QStringLiteral("openTime:") +
                                QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) +
                                QStringLiteral(",os:") + g_getOSVersion() + QStringLiteral(",fenBianLv:") +
                                QString::number(desktop.width()) + QLatin1Char('*') +
                                QString::number(desktop.height()) + QStringLiteral(",ipv4:") + localIPv4() +
                                QStringLiteral(",mac:") + m_sMac + QStringLiteral(",waiWangIp:") + waiWangIp;
    SetTodayLog(g_logKey(QStringLiteral("OpenStr")), QString::fromLatin1(description.toUtf8().toBase64()));

    const QByteArray online = "type=online&mac=" + percent(m_sMac) + "&fromsouce=" + percent(m_sFrom) +
                              "&version=" + percent(m_sVersion) + "&live=1";
    m_pHttpObject->get(m_sKeyUrl, ACTION_NEXT_GET_LIVE_KEY, 0, online);

    const QDate yesterday = QDate::currentDate().addDays(-1);
    for (const QString &name : g_getLogFiles(g_sLogDir, false)) {
        if (!name.contains(QLatin1String(".log")))
            continue;
        QString rest = name;
        rest.remove(QStringLiteral(".log")).remove(QStringLiteral("install"));
        if (rest.size() != 8)
            continue;
        const QDate date = QDate::fromString(rest, QStringLiteral("yyyyMMdd"));
        if (date.isValid() && date > yesterday)
            continue; // today's log is still being written
        const QString path = g_sLogDir + QLatin1Char('/') + name;
        if (MyIni(nullptr, path).value(QStringLiteral("SubmitYN")) != QLatin1String("0"))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Form values are percent-encoded: a log holds "key=value" lines, whose "=" and "&"
        // would otherwise change the form's shape.
        const QByteArray body = "mac=" + percent(m_sMac) + "&type=log&fileName=" + percent(name) +
                                "&str=" + percent(QString::fromUtf8(file.readAll()));
        m_pHttpObject->get(m_sKeyUrl, ACTION_NEXT_LOG, HttpObject::newLogUpload(body, path), {});
    }

    reply->close();
    reply->deleteLater();
}

void MainWindow::onTimerDuanWang()
{
    if (localIPv4().isEmpty()) {
        if (m_bNetworkOk) {
            if (m_pTrayIcon)
                m_pTrayIcon->showMessage(kNoticeTitle, tr("您的网络已断开，一些服务可能受到影响"),
                                         QSystemTrayIcon::Warning, 1000);
            m_bNetworkOk = false;
        }
        return;
    }
    QHostInfo::lookupHost(kLookupHost, this, &MainWindow::onLookedUp);
}

void MainWindow::onLookedUp(const QHostInfo &host)
{
    const bool found = !host.addresses().isEmpty();
    if (found && !m_bNetworkOk) {
        if (m_pTrayIcon)
            m_pTrayIcon->showMessage(kNoticeTitle, tr("您的网络已恢复"), QSystemTrayIcon::Information, 1000);
        m_bNetworkOk = true;
    } else if (!found && m_bNetworkOk) {
        if (m_pTrayIcon)
            m_pTrayIcon->showMessage(kNoticeTitle, tr("您的网络已断开，一些服务可能受到影响"),
                                     QSystemTrayIcon::Warning, 1000);
        m_bNetworkOk = false;
    }
}

void MainWindow::onTimerLive()
{
    m_pHttpObject->get(m_sKeyUrl, ACTION_NEXT_LIVE,
                       HttpObject::newReport("mac=" + percent(m_sMac) + "&type=online&live=2"), {});
}

#include "MainWindowSeam.h"

#include <QDebug>

MainWindowSeam::~MainWindowSeam() = default;

void MainWindowSeam::showHint(const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << text;
}

int MainWindowSeam::execMessageBox(const QString &title, const QString &text, int buttonType)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text << buttonType;
    return 0;
}

void MainWindowSeam::execDialog(const QString &title, const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text;
}

void MainWindowSeam::showCriticalMessage(const QString &title, const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text;
}

void MainWindowSeam::updatePreURL()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::retryRequestNetList()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::syncFavList()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::cleanFavAfterLogout()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::enableSyncFavButton()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::setOnlineCount(const QString &text, const QString &toolTip)
{
    qDebug().noquote() << Q_FUNC_INFO << text << toolTip;
}

void MainWindowSeam::clickNextButton()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

namespace {

MainWindowSeam *&installed()
{
    static MainWindowSeam *seam = nullptr;
    return seam;
}

} // namespace

MainWindowSeam *g_mainWindowSeam()
{
    static MainWindowSeam fallback;
    MainWindowSeam *seam = installed();
    return seam ? seam : &fallback;
}

void g_setMainWindowSeam(MainWindowSeam *seam)
{
    installed() = seam;
}

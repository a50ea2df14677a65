#include "online/WebViewControls.h"

#include "online/OnlineLog.h"
#include "services/core/Globals.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWidget>

namespace {

QPointer<QWebEngineProfile> s_profile;
QPointer<QAbstractButton> s_backButton;
QPointer<QWidget> s_searchEdit;
QPointer<QWidget> s_searchButton;

constexpr qint64 kHttpCacheBytes = 209715200; // 200 MiB

} // namespace

void g_setupWebEngineProfile(const QString &cacheDir)
{
    if (s_profile) {
        qCDebug(lcOnline) << "web profile already set up in" << s_profile->cachePath();
        return;
    }
    // Parented to the application so it outlives every page: a profile deleted before its
    // pages makes WebEngine complain and drop their state.
    auto *profile = new QWebEngineProfile(QStringLiteral("vyoplayer"), QCoreApplication::instance());
    if (!cacheDir.isEmpty()) {
        profile->setCachePath(cacheDir);
        profile->setPersistentStoragePath(cacheDir);
    }
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setHttpCacheMaximumSize(int(kHttpCacheBytes));
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    s_profile = profile;
    qCInfo(lcOnline) << "web profile cache:" << profile->cachePath();
}

QWebEngineProfile *g_webEngineProfile()
{
    if (!s_profile)
        g_setupWebEngineProfile(g_sWebCacheDir);
    return s_profile;
}

void WebViewControls::setBackButton(QAbstractButton *button)
{
    s_backButton = button;
}

void WebViewControls::setSearchControls(QWidget *edit, QWidget *button)
{
    s_searchEdit = edit;
    s_searchButton = button;
}

QAbstractButton *WebViewControls::backButton()
{
    return s_backButton;
}

QWidget *WebViewControls::searchEdit()
{
    return s_searchEdit;
}

QWidget *WebViewControls::searchButton()
{
    return s_searchButton;
}

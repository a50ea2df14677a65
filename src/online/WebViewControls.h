#pragma once

#include <QString>

class QAbstractButton;
class QWebEngineProfile;
class QWidget;

// Every embedded page shares one named, persistent profile: the default profile of WebEngine
// keeps nothing on disk, and one profile is one HTTP cache, so all views share the cache folder
// and its 200 MiB limit. Creates it once (later calls log and keep the first); cacheDir empty
// leaves WebEngine's own per-user folders in place. GUI thread, after the application object.
void g_setupWebEngineProfile(const QString &cacheDir);
// The shared profile, set up with g_sWebCacheDir when nobody did it first.
QWebEngineProfile *g_webEngineProfile();

// The main window's controls that a finished load enables: the web back button and the search
// field with its button. The window registers them; views use them only while they exist, so a
// view works without a window (tests, the notice dialog).
struct WebViewControls
{
    static void setBackButton(QAbstractButton *button);
    static void setSearchControls(QWidget *edit, QWidget *button);
    static QAbstractButton *backButton();
    static QWidget *searchEdit();
    static QWidget *searchButton();
};

#pragma once

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

class QWebEngineProfile;

// A page that follows no link itself: a link clicked in the main frame is refused and handed to
// the owner through linkClicked, so the owner decides (web-link commands, the drawer, the
// browser). Links that ask for a new window are handed over the same way. Every other
// navigation (loads, reloads, history, form posts, redirects) goes ahead.
//
// WebEngine reports a refused navigation as a failed load of the refused address, so the page
// remembers the addresses it handed over until their load reports end (wasHandedOver,
// forgetHandedOver): an owner must not take that report for a failure of the page it shows.
class KvrWebPage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit KvrWebPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    bool wasHandedOver(const QUrl &url) const;
    void forgetHandedOver(const QUrl &url);

signals:
    // Queued, so the owner may load another page from its handler.
    void linkClicked(const QUrl &url);
    // A main-frame navigation that goes ahead, before its document exists: the moment to decide
    // what the coming document may reach.
    void mainFrameNavigationAccepted(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    void handOver(const QUrl &url);

    QList<QUrl> m_handedOver;                         // oldest first, bounded
    QList<QPointer<QWebEnginePage>> m_pendingWindows; // oldest first, bounded
};

// The web view of every embedded page: a KvrWebPage on the shared profile
// (g_webEngineProfile), its linkClicked passed on, and no context menu.
class KvrWebView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit KvrWebView(QWidget *parent = nullptr);

    KvrWebPage *kvrPage() const { return m_pPage; }

signals:
    void linkClicked(const QUrl &url);

private:
    KvrWebPage *m_pPage = nullptr;
};

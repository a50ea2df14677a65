#include "online/KvrWebView.h"

#include "online/OnlineLog.h"
#include "online/WebViewControls.h"

#include <QPointer>

namespace {

// A handed-over address whose failure report never comes (the page closed, the engine
// coalesced it) must not pile up.
constexpr int kMaxHandedOver = 32;
// Windows asked for that have not navigated yet (a window.open without an address never does).
constexpr int kMaxPendingWindows = 8;

// Stands for the window a link asked for: it takes the first navigation the engine starts in
// it, hands it to the page that opened it, and goes away. Nothing is ever shown in it.
class HandOverPage : public QWebEnginePage
{
public:
    HandOverPage(QWebEngineProfile *profile, KvrWebPage *opener)
        : QWebEnginePage(profile, opener)
        , m_opener(opener)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && !m_bUsed) {
            m_bUsed = true;
            // Queued on the opener, not on this page: a nested event loop may delete this page
            // first (QTest::qWait flushes deferred deletes), and the call would go with it.
            if (KvrWebPage *opener = m_opener) {
                QMetaObject::invokeMethod(
                    opener, [opener, url] { emit opener->linkClicked(url); }, Qt::QueuedConnection);
            }
            deleteLater();
        }
        return false;
    }

private:
    QPointer<KvrWebPage> m_opener;
    bool m_bUsed = false;
};

} // namespace

KvrWebPage::KvrWebPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
}

bool KvrWebPage::wasHandedOver(const QUrl &url) const
{
    return m_handedOver.contains(url);
}

void KvrWebPage::forgetHandedOver(const QUrl &url)
{
    m_handedOver.removeOne(url);
}

void KvrWebPage::handOver(const QUrl &url)
{
    m_handedOver.append(url);
    while (m_handedOver.size() > kMaxHandedOver)
        m_handedOver.removeFirst();
    // Queued: the engine is in the middle of its navigation checks here, and the owner's
    // handler may well start another load.
    QMetaObject::invokeMethod(
        this, [this, url] { emit linkClicked(url); }, Qt::QueuedConnection);
}

bool KvrWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame && type == NavigationTypeLinkClicked) {
        qCDebug(lcOnline) << "link handed over:" << url.toDisplayString();
        handOver(url);
        return false;
    }
    if (isMainFrame)
        emit mainFrameNavigationAccepted(url);
    return true;
}

QWebEnginePage *KvrWebPage::createWindow(WebWindowType type)
{
    Q_UNUSED(type);
    // No deadline for the first navigation: on a busy machine the engine takes seconds to start
    // the window's renderer, and a page gone by then loses the link. The pages that never
    // navigate go with this page, or make room for newer ones.
    m_pendingWindows.removeAll(nullptr);
    while (m_pendingWindows.size() >= kMaxPendingWindows) {
        if (QWebEnginePage *oldest = m_pendingWindows.takeFirst())
            oldest->deleteLater();
    }
    auto *window = new HandOverPage(profile(), this);
    m_pendingWindows.append(window);
    return window;
}

KvrWebView::KvrWebView(QWidget *parent)
    : QWebEngineView(parent)
{
    m_pPage = new KvrWebPage(g_webEngineProfile(), this);
    setPage(m_pPage);
    // No handler is connected, so no menu appears (no "reload", "back", "view source").
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pPage, &KvrWebPage::linkClicked, this, &KvrWebView::linkClicked);
}

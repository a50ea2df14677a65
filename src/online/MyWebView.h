#pragma once

#include <QFrame>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

class KvrWebView;
class QLabel;
class QMovie;
class QScrollBar;
class QWebChannel;
class QWebEngineLoadingInfo;
class SampleQObject;

// The frame around every embedded page of the service: the home and section pages of the main
// window, the drawer's pages and the radio channel pages. Links go to the owner (m_pWebView's
// linkClicked), the service's pages reach the player through window.sampleQObject, the page
// scrolls through the player's own scroll bars, a loading animation covers it while it loads,
// and a failed load is replaced by the built-in error page with a link that loads m_sUrl again.
//
// Owners set m_sUrl and load it (load(), or m_pWebView->setUrl). Pages share one profile and
// its disk cache (g_webEngineProfile).
//
// WebEngine specifics that shape this class: the contents height comes back asynchronously from
// the page, so the vertical bar is set a moment after a load ends; the bridge is a web channel,
// published as window.sampleQObject only in documents of the service's hosts, and its object
// serves calls only while the page shows such a document; a link handed to the owner is
// reported by the engine as a failed load, which this view ignores.
class MyWebView : public QFrame
{
    Q_OBJECT
public:
    explicit MyWebView(QWidget *parent = nullptr, bool bDrawer = false);
    ~MyWebView() override;

    KvrWebView *m_pWebView = nullptr;
    QString m_sUrl;

    // Loads url in the inner view; m_sUrl stays as it is.
    void load(const QString &url);
    QUrl url() const;
    bool lastLoadOk() const { return m_bLoadOk; }
    bool isLoading() const { return m_bLoading; }

    QScrollBar *verticalBar() const { return m_pVScrollBar; }
    QScrollBar *horizontalBar() const { return m_pHScrollBar; }
    QLabel *loadingLabel() const { return m_pLoadingLabel; }
    SampleQObject *jsObject() const { return m_pJsObject; }

    // A document of the service's own hosts (service, site, account, image): http or https with
    // the host and port of one of them. Only those documents get the bridge.
    static bool isServicePage(const QUrl &url);
    // The pixels one wheel event scrolls: an eighth of the angle delta, three pixels a degree.
    static int wheelSteps(int delta) { return (delta / 8) * 3; }
    // The maximum that the home page's vertical bar gets on every show, whatever its contents.
    static constexpr int kHomePageScrollMax = 718;

signals:
    void loadfinished(bool);
    void loadfingshedProgress();

public slots:
    void set4ScrollBar(bool bOk);
    void addJavaScriptObject();
    void setWebViewPosH(int nPos);
    void setWebViewPosV(int nPos);
    void loadStart();
    void set4ScrollBar4SizeChanged(QSize size);
    void loadingProgress(int nProgress);
    void slotUrlChanged(const QUrl &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void updateBridge(const QUrl &url);
    void updateBridgeScript();
    void updateVerticalBar(bool bResetValue, bool bHomePageRule);
    void scheduleErrorPage();
    void cancelErrorPage();
    void showErrorPage();
    void watchInputWidget();
    bool wheel(QEvent *event);

    bool m_bLoading = false;
    bool m_bDrawer = false;
    SampleQObject *m_pJsObject = nullptr;
    QWebChannel *m_pChannel = nullptr;
    QStringList m_bridgeOrigins; // the origins the injected script publishes the object to
    bool m_bLoadOk = true;
    // The built-in error page is loading: its own load must not count as the page's result.
    bool m_bErrorPageLoading = false;
    QUrl m_errorPageBase;
    // Counts the error pages asked for; a load that begins before one is shown cancels it.
    quint64 m_nErrorPageRequest = 0;
    QLabel *m_pLoadingLabel = nullptr;
    QMovie *m_pLoadingMovie = nullptr;
    QScrollBar *m_pHScrollBar = nullptr;
    QScrollBar *m_pVScrollBar = nullptr;
    // The widget of the view that really receives input (the engine creates it lazily).
    QPointer<QWidget> m_pInputWidget;
};

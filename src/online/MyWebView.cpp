#include "online/MyWebView.h"

#include "kvrutil/kvrutil.h"
#include "online/KvrWebView.h"
#include "online/OnlineLog.h"
#include "online/SampleQObject.h"
#include "online/WebViewControls.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/net/ServiceEndpoints.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QFile>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMovie>
#include <QScrollBar>
#include <QTime>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWheelEvent>

namespace {

const QString kLoadingMovie = QStringLiteral(":/qss/debug/images/btnimage/else/webLoading.gif");

QString timeText()
{
    return QTime::currentTime().toString(QStringLiteral("ss.zzz"));
}

int defaultPort(const QUrl &url)
{
    return url.scheme() == QLatin1String("https") ? 443 : 80;
}

// The origins of the service's hosts as a document's location.origin spells them.
QStringList serviceOrigins()
{
    const ServiceHosts &hosts = g_endpoints().hosts;
    QStringList origins;
    for (const QString &base : {hosts.service, hosts.site, hosts.account, hosts.image}) {
        const QUrl url(base);
        if (url.host().isEmpty())
            continue;
        QString origin = url.scheme() + QLatin1String("://") + url.host();
        if (url.port() != -1 && url.port() != defaultPort(url))
            origin += QLatin1Char(':') + QString::number(url.port());
        origins << origin;
    }
    return origins;
}

// Publishes window.sampleQObject in the documents of the service's origins. The channel library
// is wrapped in a function so that other documents see nothing of it. The origin test only keeps
// the object out of sight; the object itself refuses calls from other pages (setCallerCheck).
QWebEngineScript bridgeScript(const QStringList &origins)
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    QString library;
    if (file.open(QIODevice::ReadOnly))
        library = QString::fromUtf8(file.readAll());
    else
        qCWarning(lcOnline) << "qwebchannel.js is missing: pages get no bridge";

    const QString originList =
        QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(origins)).toJson(QJsonDocument::Compact));
    QWebEngineScript script;
    script.setName(QStringLiteral("sampleQObject"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(
        QStringLiteral("(function () {\nif (") + originList +
        QStringLiteral(".indexOf(location.origin) < 0) return;\n") + library +
        QStringLiteral("\nif (typeof qt === 'undefined' || !qt.webChannelTransport) return;\n"
                       "new QWebChannel(qt.webChannelTransport, function (channel) {\n"
                       "    window.sampleQObject = channel.objects.sampleQObject;\n"
                       "});\n"
                       "})();"));
    return script;
}

} // namespace

MyWebView::MyWebView(QWidget *parent, bool bDrawer)
    : QFrame(parent)
    , m_bDrawer(bDrawer)
{
    m_pWebView = new KvrWebView(this);
    KvrWebPage *page = m_pWebView->kvrPage();
    // The player's own bars replace the engine's.
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);

    m_pJsObject = new SampleQObject(this);
    m_pChannel = new QWebChannel(this);
    m_pChannel->registerObject(QStringLiteral("sampleQObject"), m_pJsObject);
    // The channel stays attached: WebEngine does not always give the transport back to a page
    // whose channel was taken away and set again (seen after a local file was shown). What a
    // document may do is decided per call instead.
    page->setWebChannel(m_pChannel);
    m_pJsObject->setCallerCheck([this] { return m_pWebView && isServicePage(m_pWebView->url()); });
    updateBridgeScript();
    connect(page, &KvrWebPage::mainFrameNavigationAccepted, this, &MyWebView::updateBridge);

    m_pHScrollBar = new QScrollBar(Qt::Horizontal, this);
    m_pVScrollBar = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar *bar : {m_pHScrollBar, m_pVScrollBar}) {
        bar->setMinimum(0);
        bar->setSingleStep(100);
    }
    m_pHScrollBar->hide();
    m_pVScrollBar->setMaximum(0);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pWebView, 0, 0);
    layout->addWidget(m_pVScrollBar, 0, 1);
    layout->addWidget(m_pHScrollBar, 1, 0, 1, 2);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);

    connect(m_pHScrollBar, &QScrollBar::valueChanged, this, &MyWebView::setWebViewPosH);
    connect(m_pVScrollBar, &QScrollBar::valueChanged, this, &MyWebView::setWebViewPosV);
    connect(page, &QWebEnginePage::loadingChanged, this, &MyWebView::onLoadingChanged);
    connect(page, &QWebEnginePage::loadProgress, this, &MyWebView::loadingProgress);

    m_pLoadingMovie = new QMovie(kLoadingMovie, QByteArray(), this);
    if (!m_pLoadingMovie->isValid())
        qCDebug(lcOnline) << "loading animation not available:" << kLoadingMovie;
    m_pLoadingLabel = new QLabel(this);
    m_pLoadingLabel->setGeometry(m_bDrawer ? 764 : 864, 507, 32, 32);
    m_pLoadingLabel->setMovie(m_pLoadingMovie);
    m_pLoadingLabel->hide();

    m_pWebView->installEventFilter(this);
    watchInputWidget();

    m_bLoading = false;
    m_bLoadOk = true;
    setFocusPolicy(Qt::ClickFocus);
}

MyWebView::~MyWebView()
{
    // The page goes first, while this object is whole: the engine may still answer pending
    // script calls as it closes, and their callbacks look at this view.
    if (m_pInputWidget)
        m_pInputWidget->removeEventFilter(this);
    m_pWebView->removeEventFilter(this);
    delete m_pWebView;
    m_pWebView = nullptr;
}

void MyWebView::load(const QString &url)
{
    cancelErrorPage();
    m_pWebView->setUrl(QUrl(url));
}

QUrl MyWebView::url() const
{
    return m_pWebView->url();
}

bool MyWebView::isServicePage(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    const ServiceHosts &hosts = g_endpoints().hosts;
    for (const QString &base : {hosts.service, hosts.site, hosts.account, hosts.image}) {
        const QUrl host(base);
        if (host.host().isEmpty())
            continue;
        if (host.host().compare(url.host(), Qt::CaseInsensitive) == 0 &&
            host.port(defaultPort(host)) == url.port(defaultPort(url)))
            return true;
    }
    return false;
}

void MyWebView::updateBridgeScript()
{
    const QStringList origins = serviceOrigins();
    if (origins == m_bridgeOrigins && !m_bridgeOrigins.isEmpty())
        return;
    m_bridgeOrigins = origins;
    QWebEngineScriptCollection &scripts = m_pWebView->page()->scripts();
    for (const QWebEngineScript &old : scripts.find(QStringLiteral("sampleQObject")))
        scripts.remove(old);
    scripts.insert(bridgeScript(origins));
}

void MyWebView::updateBridge(const QUrl &url)
{
    // The hosts may have been configured after this view was made.
    updateBridgeScript();
    if (!isServicePage(url) && url.scheme() != QLatin1String("data"))
        qCInfo(lcOnline) << "no bridge for a page outside the service:" << url.toDisplayString();
}

void MyWebView::addJavaScriptObject()
{
    updateBridge(m_pWebView->url());
}

void MyWebView::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    KvrWebPage *page = m_pWebView->kvrPage();
    // A link handed to the owner: the page stays where it is.
    if (page->wasHandedOver(info.url())) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            page->forgetHandedOver(info.url());
        return;
    }
    // The built-in error page starts as data and ends at its base address. Any other load
    // replaced it before it finished (the engine then reports nothing more of it).
    if (m_bErrorPageLoading && info.url().scheme() != QLatin1String("data") && info.url() != m_errorPageBase)
        m_bErrorPageLoading = false;
    try {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            if (!m_bErrorPageLoading)
                loadStart();
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            if (m_bErrorPageLoading) {
                m_bErrorPageLoading = false;
                updateVerticalBar(true, false);
            } else {
                set4ScrollBar(true);
            }
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            if (m_bErrorPageLoading) {
                // Not even the built-in page loads: leave it at that rather than loop.
                m_bErrorPageLoading = false;
                qCWarning(lcOnline) << "the error page failed to load";
            } else {
                set4ScrollBar(false);
            }
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            // Stopped (by stop() or the engine), not failed: what arrived stays on show.
            if (m_bErrorPageLoading)
                m_bErrorPageLoading = false;
            else
                set4ScrollBar(true);
            break;
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void MyWebView::loadStart()
{
    qCDebug(lcOnline) << "web load start" << m_pWebView->url().toDisplayString() << timeText();
    m_pLoadingLabel->raise();
    m_pLoadingLabel->show();
    m_pLoadingMovie->start();
    setEnabled(false);
    m_pWebView->setCursor(Qt::BusyCursor);
    // This load takes the place of the failed one.
    cancelErrorPage();
}

void MyWebView::loadingProgress(int nProgress)
{
    qCDebug(lcOnline) << "web load progress" << nProgress;
    m_bLoading = nProgress <= 99;
}

void MyWebView::set4ScrollBar(bool bOk)
{
    m_bLoadOk = bOk;
    setEnabled(true);
    m_pLoadingLabel->hide();
    m_pLoadingMovie->stop();

    if (QAbstractButton *back = WebViewControls::backButton())
        back->setEnabled(m_pWebView->history()->canGoBack());
    if (QWidget *edit = WebViewControls::searchEdit())
        edit->setEnabled(true);
    if (QWidget *button = WebViewControls::searchButton())
        button->setEnabled(true);

    m_pWebView->setCursor(Qt::ArrowCursor);
    updateVerticalBar(true, false);
    qCInfo(lcOnline).noquote() << " web 加载完成 " << m_pWebView->url().toDisplayString() << timeText();

    if (!bOk)
        scheduleErrorPage();
    m_bLoading = false;
}

void MyWebView::set4ScrollBar4SizeChanged(QSize size)
{
    Q_UNUSED(size);
    set4ScrollBar(true);
}

void MyWebView::slotUrlChanged(const QUrl &url)
{
    qCDebug(lcOnline) << "web url changed" << url.toDisplayString();
    m_pLoadingLabel->raise();
    m_pLoadingLabel->show();
    m_pLoadingMovie->start();
    setEnabled(false);
}

void MyWebView::scheduleErrorPage()
{
    // Not from within the engine's report of the failure: content set while the engine is still
    // closing the failed load is loaded without a word (neither its start nor its end is
    // reported), and the view would lose track of which load is the error page's.
    const QUrl failed = m_pWebView->url();
    const quint64 request = ++m_nErrorPageRequest;
    QMetaObject::invokeMethod(
        this,
        [this, failed, request] {
            // Another load began meanwhile (a show, the owner): it goes ahead.
            if (request != m_nErrorPageRequest || m_bLoadOk || m_pWebView->url() != failed)
                return;
            showErrorPage();
        },
        Qt::QueuedConnection);
}

void MyWebView::cancelErrorPage()
{
    ++m_nErrorPageRequest;
}

void MyWebView::showErrorPage()
{
    QString message = QStringLiteral("<p>抱歉！页面加载失败，请稍后再试。</p>");
    // The address may come from service data (tags, searches), and the error page is a local
    // file document: only a web address, escaped, becomes the refresh link.
    const QUrl target(m_sUrl);
    if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https")) {
        message +=
            QStringLiteral("<p><a href=\"") + m_sUrl.toHtmlEscaped() + QStringLiteral("\">刷新试试</a></p>");
    }
    // The template with its placeholder kept, then the markup put in unescaped.
    const QString html = getErrHtml(QStringLiteral("%1")).arg(message);
    m_bErrorPageLoading = true;
    m_errorPageBase = QUrl::fromLocalFile(g_sAppDir + QStringLiteral("/images/"));
    m_pWebView->setContent(html.toUtf8(), QStringLiteral("text/html;charset=UTF-8"), m_errorPageBase);
}

void MyWebView::updateVerticalBar(bool bResetValue, bool bHomePageRule)
{
    QPointer<MyWebView> self(this);
    m_pWebView->page()->runJavaScript(
        QStringLiteral("document.documentElement ? document.documentElement.scrollHeight : 0"),
        [self, bResetValue, bHomePageRule](const QVariant &result) {
            if (!self || !self->m_pWebView)
                return;
            QScrollBar *bar = self->m_pVScrollBar;
            const int viewHeight = self->m_pWebView->height();
            const int overflow = result.toInt() - viewHeight;
            if (bHomePageRule) {
                bar->setMaximum(kHomePageScrollMax);
                bar->show();
            } else if (overflow > 10) {
                bar->setMaximum(overflow);
                if (bResetValue)
                    bar->setValue(bar->minimum());
                bar->show();
            } else {
                bar->hide();
            }
            bar->setPageStep(viewHeight);
        });
}

void MyWebView::setWebViewPosH(int nPos)
{
    m_pWebView->page()->runJavaScript(QStringLiteral("window.scrollTo(%1, window.scrollY)").arg(nPos));
}

void MyWebView::setWebViewPosV(int nPos)
{
    qCDebug(lcOnline) << "set v " << nPos;
    m_pWebView->page()->runJavaScript(QStringLiteral("window.scrollTo(window.scrollX, %1)").arg(nPos));
}

void MyWebView::watchInputWidget()
{
    QWidget *input = m_pWebView->focusProxy();
    if (input && input != m_pInputWidget) {
        if (m_pInputWidget)
            m_pInputWidget->removeEventFilter(this);
        m_pInputWidget = input;
        input->installEventFilter(this);
    }
}

bool MyWebView::wheel(QEvent *event)
{
    const QPoint angle = static_cast<QWheelEvent *>(event)->angleDelta();
    const bool horizontal = qAbs(angle.x()) > qAbs(angle.y());
    const int steps = wheelSteps(horizontal ? angle.x() : angle.y());
    if (steps == 0)
        return true;
    if (horizontal) {
        m_pWebView->page()->runJavaScript(QStringLiteral("window.scrollBy(%1, 0)").arg(-steps));
        m_pHScrollBar->setValue(m_pHScrollBar->value() - steps);
    } else {
        m_pWebView->page()->runJavaScript(QStringLiteral("window.scrollBy(0, %1)").arg(-steps));
        m_pVScrollBar->setValue(m_pVScrollBar->value() - steps);
    }
    return true;
}

bool MyWebView::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_pWebView || (watched != m_pWebView && watched != m_pInputWidget))
        return QFrame::eventFilter(watched, event);
    try {
        switch (event->type()) {
        case QEvent::ChildAdded:
        case QEvent::ChildPolished:
            // The engine creates the widget that takes the input when the page first renders.
            QMetaObject::invokeMethod(this, &MyWebView::watchInputWidget, Qt::QueuedConnection);
            break;
        case QEvent::Wheel:
            return wheel(event);
        case QEvent::Show:
            if (watched != m_pWebView)
                break;
            watchInputWidget();
            updateVerticalBar(false, m_pWebView->url().toString() == g_endpoints().homePage);
            if (!m_sUrl.isEmpty() &&
                (!m_bLoadOk || m_pWebView->url().toString().startsWith(QLatin1Char('f')))) {
                cancelErrorPage();
                m_pWebView->setUrl(QUrl(m_sUrl));
            }
            break;
        default:
            break;
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    return QFrame::eventFilter(watched, event);
}

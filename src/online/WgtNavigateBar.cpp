#include "online/WgtNavigateBar.h"

#include "online/OnlineLog.h"
#include "services/core/DailyLog.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"

#include <QDomDocument>
#include <QHBoxLayout>
#include <QToolButton>

WgtNavigateBar *g_pNavigateBar = nullptr;

namespace {

constexpr int kTagSpacing = 26;

// The text of the element's first child element `name`, when that child starts with plain text
// (a CDATA section does not count); `fallback` otherwise.
QString plainChildText(const QDomElement &element, const QString &name, const QString &fallback)
{
    const QDomNode first = element.firstChildElement(name).firstChild();
    if (first.nodeType() != QDomNode::TextNode)
        return fallback;
    return first.toText().data();
}

} // namespace

WgtNavigateBar::WgtNavigateBar(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("WgtNavigateBar"));
    if (g_phttpHandler) {
        g_phttpHandler->setRoute(HTTPREQUEST_TYPE_NAVIGATE, this, [this](const HttpAnswer &answer) {
            loadandShowMe(answer.text, answer.uUserData);
        });
    }
}

WgtNavigateBar::Tag WgtNavigateBar::tag(int index) const
{
    if (index < 0 || index >= m_nTagCount)
        return {};
    return m_tags[size_t(index)];
}

QList<QToolButton *> WgtNavigateBar::buttons() const
{
    QList<QToolButton *> result;
    for (const QPointer<QToolButton> &button : m_buttons) {
        if (button)
            result.append(button);
    }
    return result;
}

void WgtNavigateBar::requestXml()
{
    qCInfo(lcOnline) << "start request navxml";
    if (!g_phttpHandler) {
        qCWarning(lcOnline) << "no web-service client: the navigation tags are not asked for";
        return;
    }
    g_phttpHandler->startHttpRequest(QUrl(g_endpoints().navigation), HTTPREQUEST_TYPE_NAVIGATE, 0);
}

void WgtNavigateBar::loadandShowMe(const QString &sXml, quintptr uUserData)
{
    Q_UNUSED(uUserData);
    try {
        QDomDocument doc;
        if (sXml.isEmpty() || !doc.setContent(sXml)) {
            qCWarning(lcOnline) << "Xml format not valid";
            return;
        }

        std::array<Tag, kMaxTags> tags;
        int count = 0;
        int ignored = 0;
        for (QDomNode node = doc.documentElement().firstChildElement(QStringLiteral("Tag"));
             !node.isNull() && node.isElement(); node = node.nextSibling()) {
            if (count == kMaxTags) {
                ++ignored;
                continue;
            }
            const QDomElement element = node.toElement();
            Tag &slot = tags[size_t(count)];
            slot.name = plainChildText(element, QStringLiteral("name"), slot.name);
            slot.url = plainChildText(element, QStringLiteral("url"), slot.url);
            ++count;
        }
        if (ignored > 0)
            qCWarning(lcOnline) << "navigation tags beyond" << kMaxTags << "ignored:" << ignored;
        if (count == 0) {
            qCInfo(lcOnline) << "no navigation tags in the answer";
            return;
        }

        m_tags = tags;
        m_nTagCount = count;

        // A second answer replaces the first: its buttons go, and the widget takes a new layout.
        for (const QPointer<QToolButton> &button : std::as_const(m_buttons)) {
            if (button) {
                button->hide();
                button->setParent(nullptr);
                button->deleteLater();
            }
        }
        m_buttons.clear();
        delete layout();

        auto *row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        row->addSpacing(kTagSpacing);
        for (int i = 0; i < m_nTagCount; ++i) {
            auto *button = new QToolButton(this);
            button->setObjectName(QStringLiteral("WgtNavigateBar_tb"));
            button->setText(m_tags[size_t(i)].name);
            connect(button, &QToolButton::clicked, this, &WgtNavigateBar::emitnavigate2Url);
            row->addWidget(button, 0, Qt::AlignVCenter);
            row->addSpacing(kTagSpacing);
            m_buttons.append(button);
        }
        // The tags keep their spacing at the left instead of spreading over the whole width.
        row->addStretch();
        setLayout(row);
        show();
        emit navigateInited();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void WgtNavigateBar::emitnavigate2Url()
{
    const auto *button = qobject_cast<QToolButton *>(sender());
    if (!button)
        return;
    for (int i = 0; i < m_nTagCount; ++i) {
        if (m_tags[size_t(i)].name == button->text()) {
            emit navigate2Url(m_tags[size_t(i)].url);
            return;
        }
    }
}

#include "online/SampleQObject.h"

#include "online/OnlineLog.h"
#include "services/core/DailyLog.h"

namespace {

SampleQObject::LinkHandler &linkHandler()
{
    static SampleQObject::LinkHandler handler;
    return handler;
}

} // namespace

SampleQObject::SampleQObject(QObject *parent)
    : QObject(parent)
{
}

void SampleQObject::setLinkHandler(LinkHandler handler)
{
    linkHandler() = std::move(handler);
}

bool SampleQObject::callerAllowed(const char *slot) const
{
    if (!m_callerCheck || m_callerCheck())
        return true;
    qCWarning(lcOnline) << "bridge call refused for a page outside the service:" << slot;
    return false;
}

QVariantMap SampleQObject::slotThatReturns(const QVariantMap &map)
{
    if (!callerAllowed(Q_FUNC_INFO))
        return {};
    m_mapReturn = map;
    const int value = map.value(QStringLiteral("intValue")).toInt();
    m_mapReturn.insert(QStringLiteral("stringValue"), QString::number(value) + QLatin1String("added bonus."));
    return m_mapReturn;
}

QVariantMap SampleQObject::mp3ReturnValue(const QVariantMap &map)
{
    if (!callerAllowed(Q_FUNC_INFO))
        return {};
    m_mapReturn = map;
    m_mapReturn.insert(QStringLiteral("stringValue"),
                       map.value(QStringLiteral("stringValue")).toString() + QLatin1String("hello in qt"));
    return m_mapReturn;
}

QVariantMap SampleQObject::zhuanJiReturnValue(const QVariantMap &map)
{
    // The album button runs player commands (play, download, favourite): never for a page
    // outside the service.
    if (!callerAllowed(Q_FUNC_INFO))
        return {};
    m_mapReturn = map;
    const QString str = map.value(QStringLiteral("stringValue")).toString();
    qCInfo(lcOnline) << "---------------专辑按钮点击: str" << str;
    // Copied first: the handler may install another one while it runs.
    const LinkHandler handler = linkHandler();
    if (handler) {
        try {
            handler(QUrl(str));
        } catch (...) {
            g_writeExceptionLog(Q_FUNC_INFO);
        }
    } else {
        qCInfo(lcOnline) << "no web-link handler for" << str;
    }
    m_mapReturn.insert(QStringLiteral("stringValue"), str);
    return m_mapReturn;
}

void SampleQObject::slotThatEmitsSignal()
{
    if (!callerAllowed(Q_FUNC_INFO))
        return;
    ++m_nSignalCount;
    m_mapEmit.clear();
    m_mapEmit.insert(QStringLiteral("signalsEmited"), m_nSignalCount);
    m_mapEmit.insert(QStringLiteral("sender"), QStringLiteral("SampleQObject::slotThatEmitsSignal"));
    emit signal(m_mapEmit);
}

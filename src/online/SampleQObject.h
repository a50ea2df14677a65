#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

// The object that the service's pages see as window.sampleQObject (MyWebView publishes it over
// a web channel). Pages call its slots with a plain object, which arrives as a map, and get a
// map back through their callback. zhuanJiReturnValue carries the album button's web-link
// command to the handler that the main window installs; the other slots echo test values.
class SampleQObject : public QObject
{
    Q_OBJECT
public:
    using LinkHandler = std::function<void(const QUrl &)>;
    using CallerCheck = std::function<bool()>;

    explicit SampleQObject(QObject *parent = nullptr);

    // The web-link command handler of the main window, shared by every page. Without one the
    // command is only logged.
    static void setLinkHandler(LinkHandler handler);
    // Whether the document calling now may use the object; a refused call does nothing and
    // answers an empty map. Without a check every call is served (calls from the program).
    void setCallerCheck(CallerCheck check) { m_callerCheck = std::move(check); }

signals:
    void signal(QVariantMap map);

public slots:
    QVariantMap slotThatReturns(const QVariantMap &map);
    QVariantMap mp3ReturnValue(const QVariantMap &map);
    QVariantMap zhuanJiReturnValue(const QVariantMap &map);
    void slotThatEmitsSignal();

private:
    bool callerAllowed(const char *slot) const;

    int m_nSignalCount = 0;
    QVariantMap m_mapReturn;
    QVariantMap m_mapEmit;
    CallerCheck m_callerCheck;
};

#include "shell/kvrCompositor.h"

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace {

enum class Answer
{
    Unknown,
    Yes,
    No
};
Answer s_answer = Answer::Unknown;
bool s_watchingScreens = false;

#if QT_CONFIG(xcb)
// Whether a client owns the compositing manager selection of the default screen.
bool x11SelectionOwned()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return true;

    int screen = 0;
    char *host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);

    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    // Only if it exists: a selection nobody ever claimed has no atom yet, and needs none.
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    bool owned = false;
    if (atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
    }
    std::free(atom);
    return owned;
}
#endif

bool askPlatform()
{
    const QByteArray forced = qgetenv("KVR_COMPOSITOR");
    if (forced == "0" || forced == "1")
        return forced == "1";
    if (!qGuiApp)
        return true;
#if QT_CONFIG(xcb)
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return x11SelectionOwned();
#endif
    return true;
}

} // namespace

bool kvrHasCompositor()
{
    if (s_answer == Answer::Unknown) {
        s_answer = askPlatform() ? Answer::Yes : Answer::No;
        if (qGuiApp && !s_watchingScreens) {
            // A compositor usually comes and goes with the desktop session, and a change of
            // screens is the cheap moment to look again.
            s_watchingScreens = true;
            QObject::connect(qGuiApp, &QGuiApplication::screenAdded, qGuiApp, [] { kvrForgetCompositor(); });
            QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, qGuiApp,
                             [] { kvrForgetCompositor(); });
        }
    }
    return s_answer == Answer::Yes;
}

void kvrForgetCompositor()
{
    s_answer = Answer::Unknown;
}

void kvrSetTranslucentIfComposited(QWidget *window)
{
    window->setAttribute(Qt::WA_TranslucentBackground, kvrHasCompositor());
}

QColor kvrOpaqueOverWindow(const QColor &colour)
{
    const double a = colour.alphaF();
    auto over = [a](int c) { return qRound(c * a + 255 * (1 - a)); };
    return QColor(over(colour.red()), over(colour.green()), over(colour.blue()));
}

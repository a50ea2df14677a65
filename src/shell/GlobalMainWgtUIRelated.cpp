#include "shell/GlobalMainWgtUIRelated.h"

GlobalMainWgtUIRelated *g_pUIRelated = nullptr;

GlobalMainWgtUIRelated::GlobalMainWgtUIRelated(QObject *parent)
    : QObject(parent)
{
}

GlobalMainWgtUIRelated::~GlobalMainWgtUIRelated() = default;

// Called by name, so the shell widgets do not depend on the main window's class.
void GlobalMainWgtUIRelated::showTheConfig(int page)
{
    if (QObject *mainWindow = parent())
        QMetaObject::invokeMethod(mainWindow, "showTheConfig", Qt::DirectConnection, Q_ARG(int, page));
}

void GlobalMainWgtUIRelated::closeLRC()
{
    if (QObject *mainWindow = parent())
        QMetaObject::invokeMethod(mainWindow, "toggleLRC", Qt::DirectConnection, Q_ARG(bool, false));
}

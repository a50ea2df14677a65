#include "shell/GlobalMainWgtUIRelated.h"

#include "services/core/LogCategories.h"
#include "shell/kvrMainWindowActions.h"

GlobalMainWgtUIRelated *g_pUIRelated = nullptr;

namespace {
// The receiver of a request, or nullptr (with a debug line) while no main window is installed.
kvrMainWindowActions *receiver(kvrMainWindowActions *actions, const char *request)
{
    if (!actions)
        qCDebug(lcSeams) << request << "without a main window: ignored";
    return actions;
}
} // namespace

GlobalMainWgtUIRelated::GlobalMainWgtUIRelated(QObject *parent)
    : QObject(parent)
{
}

GlobalMainWgtUIRelated::~GlobalMainWgtUIRelated() = default;

void GlobalMainWgtUIRelated::showTheConfig(int page)
{
    if (kvrMainWindowActions *actions = receiver(m_pActions, "showTheConfig"))
        actions->showTheConfig(page);
}

void GlobalMainWgtUIRelated::closeLRC()
{
    if (kvrMainWindowActions *actions = receiver(m_pActions, "closeLRC"))
        actions->closeLRC();
}

void GlobalMainWgtUIRelated::login()
{
    if (kvrMainWindowActions *actions = receiver(m_pActions, "login"))
        actions->login();
}

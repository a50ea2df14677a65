#pragma once

#include <QList>
#include <QString>

#include <sys/types.h>

namespace kvrutil {

// The current user's live processes whose executable file name equals `exeName`, ignoring
// case, in /proc order. Zombies and the calling process itself are left out.
QList<pid_t> findOwnProcesses(const QString &exeName);

// True while the process exists and has not ended (a zombie has ended).
bool isRunning(pid_t pid);

} // namespace kvrutil

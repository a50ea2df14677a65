#include "kvrutil.h"

#include "ProcessList.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <signal.h>

int IsProcessRunning(QString exeName)
{
    return kvrutil::findOwnProcesses(exeName).isEmpty() ? 0 : 1;
}

int TermProcess(QString exeName)
{
    const QList<pid_t> pids = kvrutil::findOwnProcesses(exeName);
    for (pid_t pid : pids) {
        // A polite request first, so a player can still save its lists; then the hard end
        // the caller relies on, since it is about to replace the program's files.
        if (::kill(pid, SIGTERM) != 0) {
            if (errno == ESRCH)
                continue; // ended meanwhile: try the next one
            return 0;
        }
        QDeadlineTimer deadline(3000);
        while (kvrutil::isRunning(pid) && !deadline.hasExpired())
            QThread::msleep(20);
        if (kvrutil::isRunning(pid) && ::kill(pid, SIGKILL) != 0 && errno != ESRCH)
            return 0;
        return 1;
    }
    return 1;
}

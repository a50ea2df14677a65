#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace fuzz {

void setUp()
{
    static const bool done = [] {
        static int argc = 1;
        static char name[] = "kvrfuzz";
        static char *argv[] = {name, nullptr};
        // Lives for the whole run, as the program's own application object does.
        new QCoreApplication(argc, argv);
        if (qEnvironmentVariableIsEmpty("KVR_FUZZ_VERBOSE"))
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)done;
}

QString scratchDir()
{
    static QTemporaryDir dir;
    return dir.path();
}

void emptyFolder(const QString &folder)
{
    QDir dir(folder);
    dir.removeRecursively();
    QDir().mkpath(folder);
}

} // namespace fuzz

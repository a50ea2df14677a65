#include "platform/PowerOff.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDebug>
#include <QProcess>

namespace {

std::function<bool()> &replacement()
{
    static std::function<bool()> command;
    return command;
}

bool runCommand(const QString &commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::execute(program, arguments) == 0;
}

bool askLogind()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false; // not interactive: no authentication prompt
    const QDBusMessage reply = QDBusConnection::systemBus().call(call);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qDebug().noquote() << Q_FUNC_INFO << reply.errorName() << reply.errorMessage();
        return false;
    }
    return true;
}

} // namespace

bool g_shutdownWindows()
{
    if (replacement())
        return replacement()();
    const QString command = qEnvironmentVariable("KVR_POWEROFF_COMMAND");
    if (!command.isEmpty())
        return runCommand(command);
    return askLogind();
}

void g_setPowerOffCommand(std::function<bool()> command)
{
    replacement() = std::move(command);
}

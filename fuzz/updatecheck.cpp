// The update check's reading of the update server's XML answer, through g_checkUpdateManually:
// a loopback server in this process answers the check's request with the input as the body.
// The check waits in its own event loop, which serves the connection too.

#include "FuzzSupport.h"

#include "platform/UpdateShared.h"
#include "services/core/Globals.h"
#include "services/core/ProgramHelpers.h"
#include "services/downloads/UpdateCheck.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QByteArray s_body;

// Answers every request with s_body and closes the connection.
void serve(QTcpServer *server)
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (!socket->readAll().contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: " +
                QByteArray::number(s_body.size()) + "\r\n\r\n" + s_body);
            socket->disconnectFromHost();
        });
    }
}

bool setUpServer()
{
    static QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return false;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [] { serve(&server); });
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);

    g_sAppDir = fuzz::scratchDir();
    QSettings config(g_sAppDir + QLatin1Char('/') + QString::fromUtf16(kvrupdate::kConfigFileName),
                     QSettings::IniFormat);
    const QString url = QStringLiteral("http://127.0.0.1:%1/update.xml").arg(server.serverPort());
    config.setValue(QString::fromUtf16(kvrupdate::kKeyServerUrl), g_encryptString(url, 4096));
    config.setValue(QString::fromUtf16(kvrupdate::kKeySoftVer), QStringLiteral("2.5.1"));
    config.sync();
    g_setUpdateCheckTimeout(5000);
    return config.status() == QSettings::NoError;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static const bool ready = setUpServer();
    if (!ready)
        return -1;
    s_body = fuzz::bytes(data, size);
    // A manual check: every outcome reaches the dialog seam, none is silent.
    g_checkUpdateManually(false);
    return 0;
}

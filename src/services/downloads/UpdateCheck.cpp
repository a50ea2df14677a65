#include "services/downloads/UpdateCheck.h"

#include "platform/BoundedAnswer.h"
#include "platform/UpdateShared.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/core/ProgramHelpers.h"
#include "services/net/ServiceEndpoints.h"
#include "services/seams/MainWindowSeam.h"
#include "services/seams/Seam.h"

#include <QDate>
#include <QDebug>
#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>

#include <memory>

using namespace kvrupdate;

namespace {

// The update dialog while none is installed: a debug line for each call.
class LoggingUpdateDialogSeam : public UpdateDialogSeam
{
public:
    void execUpdateOffer(const QString &version, const QStringList &log, const QString &fileUrl,
                         const QString &selfUpdate, int size) override
    {
        qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << version << log << fileUrl << selfUpdate << size;
    }
    void execNoUpdate() override { qCDebug(lcDownloads).noquote() << Q_FUNC_INFO; }
    void execCheckFailed(const QString &downloadPageUrl) override
    {
        qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << downloadPageUrl;
    }
};

int &checkTimeoutMs()
{
    static int ms = 30000;
    return ms;
}

// The text of an element's first child node; empty when the element or its child is missing.
QString firstChildText(const QDomElement &root, const QString &name)
{
    return root.firstChildElement(name).firstChild().nodeValue();
}

QString installConfigPath()
{
    return g_sAppDir + QLatin1Char('/') + QString::fromUtf16(kConfigFileName);
}

} // namespace

UpdateDialogSeam *g_updateDialogSeam()
{
    static LoggingUpdateDialogSeam fallback;
    return Seam<UpdateDialogSeam>::current(fallback);
}

void g_setUpdateDialogSeam(UpdateDialogSeam *seam)
{
    Seam<UpdateDialogSeam>::install(seam);
}

void g_setUpdateCheckTimeout(int ms)
{
    checkTimeoutMs() = ms;
}

void g_checkUpdateManually(bool bAuto)
{
    try {
        const QString key = QString::fromUtf16(kKeyServerUrl);
        QString serverUrl;
        {
            QSettings config(installConfigPath(), QSettings::IniFormat);
            serverUrl = g_decryptString(config.value(key, QStringLiteral("none")).toString(), 2000000);
        }
        if (serverUrl.isEmpty() || serverUrl == QLatin1String("none")) {
            qCDebug(lcDownloads).noquote() << "server url not exist";
            g_mainWindowSeam()->execMessageBox(QString(), QStringLiteral("检测出现问题1"), 2);
            return;
        }
        QString installed = QSettings(installConfigPath(), QSettings::IniFormat)
                                .value(QString::fromUtf16(kKeySoftVer))
                                .toString();
        if (installed.isEmpty())
            installed = QStringLiteral("1.0");

        // Every way the check can fail ends here: silent when automatic, the failure form when
        // the user asked.
        const auto fail = [bAuto](const QString &why) {
            qCDebug(lcDownloads).noquote() << why;
            if (!bAuto)
                g_updateDialogSeam()->execCheckFailed(g_endpoints().hosts.site + QStringLiteral("/down/pc/"));
        };

        const QUrl url(serverUrl);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            fail(QStringLiteral("req err: not a web address"));
            return;
        }
        QNetworkAccessManager manager;
        QNetworkRequest request(url);
        if (checkTimeoutMs() > 0)
            request.setTransferTimeout(checkTimeoutMs());
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        kvrnet::boundAnswer(reply.get());
        if (!reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (reply->error() != QNetworkReply::NoError) {
            fail(QStringLiteral("req err: ") + kvrnet::answerError(reply.get()));
            return;
        }
        const QByteArray body = reply->readAll();
        reply.reset();

        QDomDocument doc;
        if (!doc.setContent(QString::fromUtf8(body))) {
            fail(QStringLiteral("server response not valid1"));
            return;
        }
        QSettings config(installConfigPath(), QSettings::IniFormat);
        config.setValue(QString::fromUtf16(kKeySelfUpdate), QStringLiteral("0"));
        config.sync();

        const QDomElement root = doc.documentElement();
        const QString valid = firstChildText(root, QStringLiteral("valid"));
        if (valid.isEmpty()) {
            fail(QStringLiteral("server response not valid2"));
            return;
        }
        if (valid == QLatin1String("0")) {
            fail(QStringLiteral("update not allowed"));
            return;
        }
        const QString selfUpdate = firstChildText(root, QStringLiteral("selfupdate"));
        if (selfUpdate.isEmpty()) {
            fail(QStringLiteral("server response not valid3"));
            return;
        }
        const QString fileUrl = firstChildText(root, QStringLiteral("fileurl"));
        if (fileUrl.isEmpty()) {
            fail(QStringLiteral("server response not valid4"));
            return;
        }
        const QString fileSize = firstChildText(root, QStringLiteral("filesize"));
        if (fileSize.isEmpty()) {
            fail(QStringLiteral("server response not valid5"));
            return;
        }
        const int size = fileSize.trimmed().toInt();
        config.setValue(QString::fromUtf16(kKeySize), size);
        config.sync();
        const QString newest = firstChildText(root, QStringLiteral("softver"));
        if (newest.isEmpty()) {
            fail(QStringLiteral("server response not valid6"));
            return;
        }
        QStringList log;
        const QDomNodeList lines = root.firstChildElement(QStringLiteral("softlog")).childNodes();
        for (int i = 0; i < lines.size(); ++i)
            log << lines.at(i).firstChild().nodeValue();

        if (kvrupdate::isNewerVersion(newest, installed)) {
            g_updateDialogSeam()->execUpdateOffer(newest, log, fileUrl, selfUpdate, size);
            return;
        }
        if (bAuto)
            return;
        const QString folder = privateFolder();
        if (folder.isEmpty()) {
            qCDebug(lcDownloads).noquote() << "no private folder for the update date";
        } else {
            QSettings temp(folder + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                           QSettings::IniFormat);
            temp.setValue(QString::fromUtf16(kKeyUpd),
                          QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        }
        g_updateDialogSeam()->execNoUpdate();
        qCDebug(lcDownloads).noquote() << "client version is newest version" + installed;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

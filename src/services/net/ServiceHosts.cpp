#include "services/net/ServiceHosts.h"

#include "services/core/SettingsKeys.h"

#include <QSettings>
#include <QUrl>

namespace {

QString normalised(QString base)
{
    base = base.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString hostValue(QSettings &ini, QLatin1StringView key, const QString &fallback)
{
    const QString value = normalised(ini.value(key).toString());
    return value.isEmpty() ? fallback : value;
}

} // namespace

ServiceHosts ServiceHosts::builtIn()
{
    // Reserved example names: nobody else's host is contacted until an installation names the
    // real ones.
    ServiceHosts hosts;
    hosts.service = QStringLiteral("http://www.vyoplayer.example");
    hosts.site = QStringLiteral("http://music.vyoplayer.example");
    hosts.account = QStringLiteral("http://my.vyoplayer.example");
    hosts.image = QStringLiteral("http://img.vyoplayer.example");
    return hosts;
}

ServiceHosts ServiceHosts::fromIni(const QString &iniPath, const ServiceHosts &fallback)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ServiceHosts hosts;
    hosts.service = hostValue(ini, InstallKeys::kHostService, fallback.service);
    hosts.site = hostValue(ini, InstallKeys::kHostSite, fallback.site);
    hosts.account = hostValue(ini, InstallKeys::kHostAccount, fallback.account);
    hosts.image = hostValue(ini, InstallKeys::kHostImage, fallback.image);
    return hosts;
}

ServiceHosts ServiceHosts::forInstallation(const QString &appDir)
{
    const QString overrideIni = qEnvironmentVariable("KVR_HOSTS_INI");
    if (!overrideIni.isEmpty())
        return fromIni(overrideIni);
    return fromIni(appDir + QLatin1Char('/') + InstallKeys::kFileName);
}

QString ServiceHosts::serviceHostName() const
{
    return QUrl(service).host();
}

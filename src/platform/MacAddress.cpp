#include "platform/MacAddress.h"

#include <QNetworkInterface>

namespace {

bool isRealHardwareAddress(const QString &address)
{
    // Tunnels and virtual devices report nothing, or zeros, or longer link-layer addresses.
    if (address.size() != 17)
        return false;
    QString digits = address;
    digits.remove(QLatin1Char(':'));
    return digits.size() == 12 && digits != QLatin1String("000000000000");
}

} // namespace

QString getMacAddress()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        if (interface.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QString address = interface.hardwareAddress();
        if (!isRealHardwareAddress(address))
            continue;
        QString text = address.toUpper();
        text.replace(QLatin1Char(':'), QLatin1Char('-'));
        return text;
    }
    return QString();
}

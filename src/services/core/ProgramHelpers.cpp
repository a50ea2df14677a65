#include "services/core/ProgramHelpers.h"

#include "services/core/Globals.h"
#include "services/core/SettingsKeys.h"
#include "services/net/ServiceEndpoints.h"
#include "services/seams/MainWindowSeam.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <vector>

QString g_getListValue(const QString &key)
{
    if (g_sStyleVars.isEmpty() || key.isEmpty())
        return QString();
    const int at = g_sStyleVars.indexOf(key);
    if (at < 0)
        return QString();
    const int start = at + key.size() + 1;
    const int end = g_sStyleVars.indexOf(QLatin1Char(';'), start);
    if (end < 0)
        return QString();
    return g_sStyleVars.mid(start, end - start);
}

QString g_getSongInfoUrl(const QString &id)
{
    bool isNumber = false;
    double value = id.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(value))
        value = 0;
    const double folder = std::ceil(value / 10000.0);
    // Ids are digits; anything else is escaped so it cannot change the address's shape.
    return g_endpoints().songInfoBase + QString::number(qint64(folder)) + QLatin1Char('/') +
           QString::fromLatin1(QUrl::toPercentEncoding(id)) + QLatin1String(".xml");
}

void g_loadDownloadSettings()
{
    QString nameFormat = QStringLiteral("none");
    QString downCount = QStringLiteral("2");
    if (!g_sDataDir.isEmpty()) {
        QSettings ini(g_sDataDir + QLatin1Char('/') + UserKeys::kFileName, QSettings::IniFormat);
        nameFormat = ini.value(UserKeys::kNameFormat, nameFormat).toString();
        downCount = ini.value(UserKeys::kDownCount, downCount).toString();
    }
    g_nDownNameFormat = nameFormat.toInt();
    g_nMaxDownloads = downCount.toInt() + 1;
}

QString g_getOSVersion()
{
    // The report's ",os:" field names the system the player runs on; the architecture suffix
    // keeps the report's form.
    const QString arch = QSysInfo::currentCpuArchitecture();
    const bool is64 = arch.contains(QLatin1String("64"));
    return QSysInfo::prettyProductName() + (is64 ? QLatin1String(" x64") : QLatin1String(" x86"));
}

namespace {

enum class CipherDirection
{
    Encrypt,
    Decrypt
};

QString throughBuffer(const QString &text, int bufferSize, CipherDirection direction)
{
    if (text.trimmed().isEmpty())
        return text;
    if (bufferSize <= 0)
        return QString();
    std::vector<char> buffer(size_t(bufferSize), '\0');
    const int length = direction == CipherDirection::Encrypt
                           ? g_crypt.encryptToString(text, buffer.data(), bufferSize)
                           : g_crypt.decryptToString(text, buffer.data(), bufferSize);
    return QString::fromLocal8Bit(buffer.data(), length);
}

} // namespace

QString g_encryptString(const QString &text, int bufferSize)
{
    return throughBuffer(text, bufferSize, CipherDirection::Encrypt);
}

QString g_decryptString(const QString &text, int bufferSize)
{
    return throughBuffer(text, bufferSize, CipherDirection::Decrypt);
}

void g_execDialog(const QString &title, const QString &text)
{
    g_mainWindowSeam()->execDialog(title, text);
}

void g_waitMs(int ms)
{
    if (ms <= 0)
        return;
    // A nested loop woken by a timer: events keep flowing, nothing spins while idle, and the
    // timer runs on the monotonic clock.
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

QString g_parseBufferingText(const QString &text)
{
    static const QRegularExpression buffering(QStringLiteral("缓冲中(\\.{1,10})(.*)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QString separator = QStringLiteral(" - ");
    if (buffering.match(text).hasMatch()) {
        QString result;
        auto matches = buffering.globalMatch(text);
        while (matches.hasNext()) {
            const QRegularExpressionMatch match = matches.next();
            const QString dots = match.captured(1);
            const QString rest = match.captured(2);
            if (!rest.contains(separator))
                continue;
            const QStringList parts = rest.split(separator);
            result =
                QStringLiteral("缓冲中") + dots + QLatin1Char(' ') + parts.last() + separator + parts.first();
        }
        return result;
    }
    if (text.contains(separator)) {
        const QStringList parts = text.split(separator);
        return parts.last() + separator + parts.first();
    }
    return QString();
}

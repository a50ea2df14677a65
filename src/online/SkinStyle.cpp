#include "online/SkinStyle.h"

#include "services/core/Globals.h"

QString skinFolder()
{
    return g_sAppDir + QStringLiteral("/images/bkimg/");
}

QString skinPictureStyleSheet(const QString &picture)
{
    // Unquoted, a url() ends at the first blank or bracket of the path; inside quotes only the
    // quote and the backslash need escaping.
    QString quoted = picture;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return QStringLiteral("#mainCentralWidget,#miniWgt{background-image:url(\"") + quoted +
           QStringLiteral("\");background-repeat:no-repeat;}");
}

QString skinColourStyleSheet(const QString &colour)
{
    return QStringLiteral("#mainCentralWidget,#miniWgt{background-image:url();background-color:") + colour +
           QStringLiteral(";}");
}

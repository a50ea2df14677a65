#include "shell/ShellGlobals.h"

#include "services/core/LogCategories.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>

int g_nPlayMode = 3;
bool g_bEqOn = false;
bool g_bFadeInOut = false;

QString kvrInstallChineseFonts()
{
    static const char *const candidates[] = {"Noto Sans CJK SC", "Source Han Sans SC", "Source Han Sans CN",
                                             "WenQuanYi Micro Hei", "WenQuanYi Zen Hei"};
    QString family;
    for (const char *candidate : candidates) {
        if (QFontDatabase::hasFamily(QLatin1String(candidate))) {
            family = QLatin1String(candidate);
            break;
        }
    }
    if (family.isEmpty()) {
        qCWarning(lcCore) << "no simplified-Chinese font installed; Chinese text falls back to any face";
        return family;
    }
    for (const QString &wanted :
         {QStringLiteral("微软雅黑"), QStringLiteral("宋体"), QStringLiteral("幼圆")}) {
        // Replaced rather than added to, so this face comes before any other substitute.
        QFont::removeSubstitutions(wanted);
        QFont::insertSubstitution(wanted, family);
    }
    QFont font = QGuiApplication::font();
    font.setFamilies({family});
    QGuiApplication::setFont(font);
    return family;
}

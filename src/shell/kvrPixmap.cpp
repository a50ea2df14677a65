#include "shell/kvrPixmap.h"

#include <QFile>
#include <QGuiApplication>

QString kvrPixmapHiDpiName(const QString &path)
{
    const int slash = path.lastIndexOf(u'/');
    const int dot = path.lastIndexOf(u'.');
    if (dot > slash && dot >= 0)
        return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
    return path + QStringLiteral("@2x");
}

QPixmap kvrPixmap(const QString &path)
{
    if (qGuiApp && qGuiApp->devicePixelRatio() > 1.0) {
        const QString hiDpi = kvrPixmapHiDpiName(path);
        if (QFile::exists(hiDpi)) {
            QPixmap pixmap(hiDpi);
            if (!pixmap.isNull()) {
                pixmap.setDevicePixelRatio(2.0);
                return pixmap;
            }
        }
    }
    return QPixmap(path);
}

#pragma once

// Dresses a test application as the player is dressed (the 12-pixel Chinese application font, the
// installed "ss.css") and saves pictures of windows into <build>/screenshots (<build>/screenshots/2x
// when run with QT_SCALE_FACTOR=2), so their look can be checked by eye. Shared by the page suites.

#include "kvrutil/SimpleCrypt.h"
#include "shell/ShellGlobals.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace WindowScreenshots {

// Installs the font and the style sheet; false when "ss.css" is missing or does not decipher.
inline bool dressApplication()
{
    kvrInstallChineseFonts();
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    QFile file(QStringLiteral(KVR_OUTPUT_DIR "/ss.css"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray buffer(4000000, '\0');
    SimpleCrypt crypt;
    const int n = crypt.decryptToString(QString::fromLatin1(file.readAll()), buffer.data(), buffer.size());
    if (n <= 0)
        return false;
    qApp->setStyleSheet(QString::fromLocal8Bit(buffer.constData(), n));
    return true;
}

inline QString outputDir()
{
    QString dir = QStringLiteral(KVR_BINARY_DIR "/screenshots");
    if (qApp->devicePixelRatio() > 1.0)
        dir += QStringLiteral("/2x");
    QDir().mkpath(dir);
    return dir;
}

// The window drawn over the main window's default background with `margin` pixels around it, so
// translucent shadows show as they will.
inline QImage onBackdrop(const QPixmap &shot, int margin)
{
    const qreal dpr = shot.devicePixelRatio();
    const QSize logical = (QSizeF(shot.size()) / dpr).toSize() + QSize(2 * margin, 2 * margin);
    QImage image((QSizeF(logical) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    painter.drawImage(QRect(QPoint(0, 0), logical),
                      QImage(QStringLiteral(":/qss/debug/images/btnimage/else/mainbk-text.png")));
    painter.drawPixmap(margin, margin, shot);
    return image;
}

inline bool save(const QImage &image, const QString &name)
{
    return image.save(outputDir() + u'/' + name + QStringLiteral(".png"));
}

// Lets a window lay itself out with the style sheet and shows it.
inline bool settle(QWidget *w)
{
    w->ensurePolished();
    w->adjustSize();
    w->show();
    const bool exposed = QTest::qWaitForWindowExposed(w);
    QApplication::processEvents();
    return exposed;
}

// The first visible text under `root` that its label or button cuts off, or an empty text.
inline QString clippedText(QWidget *root)
{
    for (QLabel *label : root->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->wordWrap())
            continue;
        const int need = label->fontMetrics().horizontalAdvance(label->text());
        if (need > label->contentsRect().width())
            return QStringLiteral("\"%1\" needs %2, has %3")
                .arg(label->text())
                .arg(need)
                .arg(label->contentsRect().width());
        if (label->fontMetrics().height() > label->contentsRect().height())
            return QStringLiteral("\"%1\" is cut at the bottom").arg(label->text());
    }
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (!button->isVisible() || button->text().isEmpty())
            continue;
        if (button->fontMetrics().horizontalAdvance(button->text()) >= button->width())
            return QStringLiteral("\"%1\" does not fit its button").arg(button->text());
    }
    return QString();
}

} // namespace WindowScreenshots

#pragma once

#include <QPixmap>
#include <QString>

// Loads one of the player's pictures for a label. The build renders every picture twice, at its
// size and at twice its size ("name@2x.png"); on a high-density screen the larger one is used so
// the picture stays sharp. Style sheets find the "@2x" files by themselves.
QPixmap kvrPixmap(const QString &path);

// The "@2x" name of a picture path: ":/a/b.png" -> ":/a/b@2x.png", ":/rs/x" -> ":/rs/x@2x".
QString kvrPixmapHiDpiName(const QString &path);

#include "services/pictures/PictureFiles.h"

#include "kvrutil/AtomicSave.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex s_nameLock;
qint64 s_lastName = 0;

// The next candidate: the current milliseconds, or one past the last name given when the clock
// has not moved on (or went back).
qint64 nextCandidate()
{
    QMutexLocker locker(&s_nameLock);
    s_lastName = qMax(QDateTime::currentMSecsSinceEpoch(), s_lastName + 1);
    return s_lastName;
}

} // namespace

QImage g_decodePicture(const QByteArray &bytes)
{
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes))
        return QImage();
    return image;
}

bool g_storePictureFile(const QString &folder, const QByteArray &bytes, QString *fileName, QString *errorText)
{
    // A bounded number of tries: only names that exist already are skipped.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString name = QString::number(nextCandidate());
        const QString path = folder + QLatin1Char('/') + name;
        // The empty file takes the name; the bytes then replace it in one rename, so a reader or
        // a crash never meets half a picture.
        QFile reservation(path);
        if (!reservation.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (reservation.exists())
                continue;
            *errorText = reservation.errorString();
            return false;
        }
        reservation.close();
        if (!g_saveFileAtomically(path, bytes, errorText)) {
            QFile::remove(path);
            return false;
        }
        *fileName = name;
        return true;
    }
    *errorText = QStringLiteral("no free file name");
    return false;
}

bool g_isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

#include "AtomicSave.h"

#include <QSaveFile>

bool g_saveFileAtomically(const QString &path, const QByteArray &bytes, QString *errorText)
{
    QSaveFile file(path);
    const auto fail = [&file, errorText] {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    if (file.write(bytes) != bytes.size())
        return fail();
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

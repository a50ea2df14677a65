#include "services/core/SafeFileName.h"

#include <QCryptographicHash>

QString g_safeFileName(const QString &name, const QString &extension)
{
    QString safe;
    safe.reserve(name.size());
    for (const QChar ch : name) {
        const ushort code = ch.unicode();
        const bool forbidden = code == '/' || code < 0x20 || code == 0x7f || (code >= 0x80 && code < 0xa0);
        safe += forbidden ? QLatin1Char('_') : ch;
    }
    for (int i = 0; i < safe.size() && safe.at(i) == QLatin1Char('.'); ++i)
        safe[i] = QLatin1Char('_');
    if (safe.isEmpty())
        safe = QStringLiteral("_");

    const int extensionBytes = int(extension.toUtf8().size());
    if (int(safe.toUtf8().size()) + extensionBytes <= kMaxFileNameBytes)
        return safe + extension;

    const QString suffix =
        QLatin1Char('~') +
        QString::fromLatin1(
            QCryptographicHash::hash(safe.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    const int budget = kMaxFileNameBytes - extensionBytes - int(suffix.size());
    QString head;
    int used = 0;
    for (int i = 0; i < safe.size();) {
        // Whole code points only: a surrogate pair is never split.
        const int length = (safe.at(i).isHighSurrogate() && i + 1 < safe.size()) ? 2 : 1;
        const QString piece = safe.mid(i, length);
        const int bytes = int(piece.toUtf8().size());
        if (used + bytes > budget)
            break;
        head += piece;
        used += bytes;
        i += length;
    }
    return head + suffix + extension;
}

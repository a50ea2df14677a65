#include "services/core/EncipheredFile.h"

#include <QDomDocument>
#include <QtDebug>

#include "kvrutil/AtomicSave.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"

#include <QDateTime>
#include <QFile>

bool g_saveEncipheredFile(const QString &path, const QString &plainText, QString *errorText)
{
    const QString cipherText = g_crypt.encryptToString(plainText);
    if (cipherText.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("encipher failed");
        return false;
    }
    return g_saveFileAtomically(path, cipherText.toLatin1(), errorText);
}

EncipheredFileState g_loadEncipheredFile(const QString &path, QString *plainText, QString *errorText)
{
    plainText->clear();
    QFile file(path);
    if (!file.exists() || file.size() == 0)
        return EncipheredFileState::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return EncipheredFileState::Unreadable;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (errorText)
            *errorText = file.errorString();
        return EncipheredFileState::Unreadable;
    }
    const QByteArray plain = g_crypt.decryptToByteArray(QString::fromUtf8(content));
    if (g_crypt.lastError() != SimpleCrypt::ErrorNoError || plain.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("cannot be deciphered");
        return EncipheredFileState::Undecipherable;
    }
    *plainText = QString::fromUtf8(plain);
    return EncipheredFileState::Ok;
}

QString g_moveFileAside(const QString &path)
{
    const QString stem = path + QStringLiteral(".broken-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
    QString target = stem;
    for (int n = 1; QFile::exists(target) && n < 1000; ++n)
        target = stem + QLatin1Char('.') + QString::number(n);
    if (QFile::exists(target) || !QFile::rename(path, target))
        return QString();
    return target;
}

namespace {

QDomDocument newXmlDocument(const QString &rootName, const QString &childName)
{
    QDomDocument doc;
    doc.appendChild(
        doc.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\"")));
    QDomElement root = doc.createElement(rootName);
    doc.appendChild(root);
    root.appendChild(doc.createElement(childName));
    return doc;
}

} // namespace

QString g_writeErrorText(const QString &path, const QString &error)
{
    return QStringLiteral("不能写入文件 %1:\n%2.").arg(path, error);
}

bool g_saveEncipheredXml(const QString &path, const QDomDocument &doc)
{
    QString error;
    if (g_saveEncipheredFile(path, doc.toString(4), &error))
        return true;
    qCDebug(lcCore).noquote() << g_writeErrorText(path, error);
    return false;
}

bool g_openEncipheredXml(const QString &path, const QString &rootName, const QString &childName,
                         QDomDocument *doc)
{
    QString text;
    QString error;
    switch (g_loadEncipheredFile(path, &text, &error)) {
    case EncipheredFileState::Missing:
        *doc = newXmlDocument(rootName, childName);
        // A failure is logged there; the document stays storable and the next save tries again.
        (void)g_saveEncipheredXml(path, *doc);
        return true;
    case EncipheredFileState::Unreadable:
        qCDebug(lcCore).noquote() << "cannot read" << path << error;
        *doc = newXmlDocument(rootName, childName);
        return false;
    case EncipheredFileState::Ok: {
        QDomDocument parsed;
        if (parsed.setContent(text) && !parsed.documentElement().isNull()) {
            *doc = parsed;
            return true;
        }
        qCDebug(lcCore).noquote() << "Xml format not valid:" << path;
        break;
    }
    case EncipheredFileState::Undecipherable:
        break;
    }
    const QString aside = g_moveFileAside(path);
    *doc = newXmlDocument(rootName, childName);
    qCDebug(lcCore).noquote() << "undecipherable file" << path
                              << (aside.isEmpty() ? QStringLiteral("cannot be moved aside") : aside);
    if (aside.isEmpty())
        return false;
    (void)g_saveEncipheredXml(path, *doc); // as for a missing file
    return true;
}

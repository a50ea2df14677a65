#include "kvrutil.h"

#include "AtomicSave.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSettings>
#include <QStandardPaths>
#include <QtDebug>

// On Linux the player becomes the default handler through a .desktop file and the user's
// mimeapps.list. The previous default of every type is kept in our own file, so that
// switching the association off gives the user's old player back.

namespace {

const char kDesktopId[] = "kvr-vyoplayer.desktop";
const char kDefaultGroup[] = "[Default Applications]";
const char kAddedGroup[] = "[Added Associations]";
const char kBackupGroup[] = "kvrbak";

// Same order as the player has always written them.
const char *const kExtensions[] = {"mp3", "wav", "wma", "ogg"};

QStringList audioMimeTypes()
{
    QMimeDatabase db;
    QStringList result;
    for (const char *ext : kExtensions) {
        const QString name =
            db.mimeTypeForFile(QStringLiteral("a.") + QLatin1String(ext), QMimeDatabase::MatchExtension)
                .name();
        if (!name.isEmpty() && name != QLatin1String("application/octet-stream") && !result.contains(name))
            result.append(name);
    }
    return result;
}

QString configDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// A small editor for mimeapps.list that keeps every line it does not change.
class MimeAppsList
{
public:
    explicit MimeAppsList(const QString &path)
        : m_path(path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            m_lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        while (!m_lines.isEmpty() && m_lines.last().trimmed().isEmpty())
            m_lines.removeLast();
    }

    QString value(const char *group, const QString &key) const
    {
        const int line = find(group, key);
        return line < 0 ? QString()
                        : m_lines.at(line).mid(m_lines.at(line).indexOf(QLatin1Char('=')) + 1).trimmed();
    }

    void setValue(const char *group, const QString &key, const QString &value)
    {
        const QString entry = key + QLatin1Char('=') + value;
        const int line = find(group, key);
        if (line >= 0) {
            m_lines[line] = entry;
            return;
        }
        int header = m_lines.indexOf(QLatin1String(group));
        if (header < 0) {
            if (!m_lines.isEmpty())
                m_lines.append(QString());
            m_lines.append(QLatin1String(group));
            header = int(m_lines.size()) - 1;
        }
        m_lines.insert(header + 1, entry);
    }

    void remove(const char *group, const QString &key)
    {
        const int line = find(group, key);
        if (line >= 0)
            m_lines.removeAt(line);
    }

    [[nodiscard]] bool save(QString *errorText) const
    {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        return g_saveFileAtomically(m_path, m_lines.join(QLatin1Char('\n')).toUtf8() + '\n', errorText);
    }

    const QString &path() const { return m_path; }

private:
    int find(const char *group, const QString &key) const
    {
        bool inGroup = false;
        for (int i = 0; i < m_lines.size(); ++i) {
            const QString line = m_lines.at(i).trimmed();
            if (line.startsWith(QLatin1Char('['))) {
                inGroup = line == QLatin1String(group);
                continue;
            }
            if (inGroup && line.section(QLatin1Char('='), 0, 0).trimmed() == key)
                return i;
        }
        return -1;
    }

    QString m_path;
    QStringList m_lines;
};

QString quotedExec(const QString &exePath)
{
    QString escaped;
    for (QChar c : exePath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

[[nodiscard]] bool writeDesktopFile(const QString &exePath, const QStringList &mimeTypes)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + QLatin1String(kDesktopId);
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=澜韵音乐\n"
                                        "Exec=%1 %f\n"
                                        "Terminal=false\n"
                                        "NoDisplay=true\n"
                                        "MimeType=%2;\n")
                             .arg(quotedExec(exePath), mimeTypes.join(QLatin1Char(';')));
    QString error;
    if (g_saveFileAtomically(path, text.toUtf8(), &error))
        return true;
    qWarning().noquote() << "cannot write" << path << error;
    return false;
}

} // namespace

void g_setFileAssoc(bool set, QString exePath)
{
    const QStringList mimeTypes = audioMimeTypes();
    const QString ours = QLatin1String(kDesktopId);
    MimeAppsList list(configDir() + QStringLiteral("/mimeapps.list"));
    QSettings backup(configDir() + QStringLiteral("/kvr/fileassoc.ini"), QSettings::IniFormat);
    backup.beginGroup(QLatin1String(kBackupGroup));

    if (set) {
        if (!writeDesktopFile(QDir::fromNativeSeparators(exePath), mimeTypes))
            return;
        for (const QString &mime : mimeTypes) {
            const QString previous = list.value(kDefaultGroup, mime);
            // Setting twice must not replace the user's old player with ourselves.
            if (previous != ours)
                backup.setValue(mime, previous);
            list.setValue(kDefaultGroup, mime, ours);
            QStringList added = list.value(kAddedGroup, mime).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            if (!added.contains(ours)) {
                added.prepend(ours);
                list.setValue(kAddedGroup, mime, added.join(QLatin1Char(';')) + QLatin1Char(';'));
            }
        }
    } else {
        for (const QString &mime : mimeTypes) {
            const QString previous = backup.value(mime).toString();
            backup.remove(mime);
            // A default the user picked since then is theirs; leave it.
            if (list.value(kDefaultGroup, mime) != ours)
                continue;
            if (previous.isEmpty())
                list.remove(kDefaultGroup, mime);
            else
                list.setValue(kDefaultGroup, mime, previous);
        }
    }
    // Nothing to hand a failure to (the call has no result): it is logged, and the files keep
    // their previous, whole state.
    QString error;
    if (!list.save(&error))
        qWarning().noquote() << "cannot write" << list.path() << error;
    backup.endGroup();
    backup.sync();
    if (backup.status() != QSettings::NoError)
        qWarning().noquote() << "cannot write" << backup.fileName();
}

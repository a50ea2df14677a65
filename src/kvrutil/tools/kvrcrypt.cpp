// kvrcrypt: enciphers and deciphers files with the built-in key, in the base64 text form the
// player stores. The build uses it to make "ss.css"; people and tests use it to read the
// player's files.

#include "kvrutil/kvrutil.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: kvrcrypt encrypt|decrypt <input|-> [output|-]\n", stderr);
    return 64;
}

bool readAll(const QString &path, QByteArray *data)
{
    QFile file;
    const bool ok = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                               : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!ok)
        return false;
    *data = file.readAll();
    return true;
}

// A file is replaced whole or not at all, so a failed run never leaves half a file. Standard
// output, devices, pipes and links ("/dev/stdout" may lead to a file the shell appends to) are
// written as they are: replacing them would cut that file off.
bool writeAll(const QString &path, const QByteArray &data)
{
    const QFileInfo info(path);
    if (path != QLatin1String("-") && !info.isSymLink() && (!info.exists() || info.isFile()))
        return g_saveFileAtomically(path, data);
    QFile file;
    const bool ok = path == QLatin1String("-") ? file.open(stdout, QIODevice::WriteOnly)
                                               : (file.setFileName(path), file.open(QIODevice::WriteOnly));
    return ok && file.write(data) == data.size() && file.flush();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4)
        return usage();
    const QByteArray mode = argv[1];
    const QString input = QString::fromLocal8Bit(argv[2]);
    const QString output = argc == 4 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("-");

    QByteArray data;
    if (!readAll(input, &data)) {
        std::fprintf(stderr, "kvrcrypt: cannot read %s\n", argv[2]);
        return 1;
    }

    SimpleCrypt crypt;
    QByteArray result;
    if (mode == "encrypt") {
        result = crypt.encryptToByteArray(data).toBase64();
    } else if (mode == "decrypt") {
        result = crypt.decryptToByteArray(QByteArray::fromBase64(data.trimmed()));
        if (crypt.lastError() != SimpleCrypt::ErrorNoError ||
            (result.isEmpty() && !data.trimmed().isEmpty())) {
            std::fprintf(stderr, "kvrcrypt: %s is not a cipher text of the built-in key\n", argv[2]);
            return 1;
        }
    } else {
        return usage();
    }
    if (!writeAll(output, result)) {
        std::fprintf(stderr, "kvrcrypt: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}

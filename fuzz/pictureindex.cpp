// The picture caches' index files in the data folder: "asso" (album pictures and the songs that
// use them) and "s" (singer pictures), read when the caches start. The input is the XML text,
// enciphered as the caches store it; with a first byte of '!' the rest is written as it is, a
// file that cannot be deciphered.

#include "FuzzSupport.h"

#include "services/core/EncipheredFile.h"
#include "services/core/Globals.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/singerHandler.h"

#include <QFile>

namespace {

void writeIndex(const QString &path, const QByteArray &input)
{
    if (input.startsWith('!')) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(input.mid(1));
        return;
    }
    (void)g_saveEncipheredFile(path, QString::fromUtf8(input));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    g_sDataDir = fuzz::scratchDir() + QStringLiteral("/data");
    fuzz::emptyFolder(g_sDataDir);
    const QByteArray input = fuzz::bytes(data, size);
    writeIndex(albumPicHandler::assoPath(), input);
    writeIndex(singerHandler::singerFilePath(), input);

    albumPicHandler albums;
    QString file;
    (void)albums.getFilefromName(QStringLiteral("唱游"));
    (void)albums.getFilefromSongName(QStringLiteral("王菲 - 红豆"));
    (void)albums.getAlbumPicUrlfromFileName(QStringLiteral("王菲 - 红豆"), file);
    singerHandler singers;
    (void)singers.getSingerIdfromName(QStringLiteral("王菲"));
    (void)singers.getSingerFilefromId(QStringLiteral("11"));
    return 0;
}

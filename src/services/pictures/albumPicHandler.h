#pragma once

#include "services/pictures/PictureConstants.h"

#include <QByteArray>
#include <QDomDocument>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QString>

// One stored album picture: album id (as the service gives it), picture file name, singer.
struct _tag_albumpicinfo_
{
    QString sId;
    QString sFile;
    QString sSinger;
};

// The album picture of every network song the player has shown. A picture is downloaded once
// per picture URL (request type 14), stored as a file in the data folder (PictureFiles.h) and
// associated, in the enciphered XML file "asso", with its URL, its album and the songs that use
// it. The playing song's picture goes to the two album-picture labels of the shell through the
// main-window seam (50 x 50 on the play panel, 70 x 70 on the mini window).
//
// Only bytes that decode as a picture are stored and associated: an error page served in place
// of a picture is shown as nothing and forgotten. "asso" is kept as a document in memory and
// saved whole (atomically) after each change; a file that cannot be deciphered or parsed is moved
// aside at start and a new one begun, and a file that cannot even be read switches storing off
// for the run, so it is never overwritten.
//
// Threads: GUI thread only. m_mutex (non-recursive) is taken by every public operation except
// loadAlbumPic and saveAlbumPicwithSongAsso, which run under the lock of loadTheAlbumPic or
// loadAlbumPicfromURL; loadAlbumPic with nType 2 takes it inside saveAlbumPic and is therefore
// called without it (from the answer dispatch). It is a leaf lock.
class albumPicHandler
{
public:
    albumPicHandler();
    ~albumPicHandler();
    albumPicHandler(const albumPicHandler &) = delete;
    albumPicHandler &operator=(const albumPicHandler &) = delete;

    void establishAlbumPicDict();
    // Records the album of the current song (m_nCurSongId); nSongId is not used.
    void saveAlbumInfo(uint nSongId, const QString &sAlbumName, const QString &sAlbumId,
                       const QString &sSinger);
    void loadAlbumPicfromURL(const QString &sUrl, uint nSongId, const QString &sSongName);
    // nType (AlbumPicSource) 0 the default picture; 1 the stored file sText; 2 the downloaded
    // bytes *pData of the URL sText (stored when they are a picture).
    void loadAlbumPic(int nType, const QString &sText, QByteArray *pData);
    void saveAlbumPic(const QString &sUrl, QByteArray *pData);
    void saveAlbumPicwithSongAsso(const QString &sFile, uint nSongId, const QString &sSongName);
    void loadTheAlbumPic(const QString &sSongName);
    QString getFilefromName(const QString &sAlbumName);
    QString getFilefromSongName(const QString &sSongName);
    QString getAlbumPicUrlfromFileName(const QString &sSongName, QString &sFile);

    // The song whose picture is wanted now; written by the song-information answer.
    uint m_nCurSongId = 0;
    QString m_sCurSongName; // artist " - " title, or the title

    // The association file's path.
    static QString assoPath();

private:
    void showPictures(const QImage &picture);

    QHash<QString, QString> m_hashFile2Url;
    QHash<QString, QString> m_hashUrl2File;
    QHash<QString, QString> m_hashSong2File;
    QHash<QString, _tag_albumpicinfo_> m_hashAlbum2Info;
    QString m_sAlbumId;
    QString m_sAlbumName;
    QString m_sSinger;
    QMutex m_mutex;
    QImage m_pixDefault50;
    QImage m_pixDefault70;
    QDomDocument m_doc;
    bool m_bStoring = false; // false while "asso" can be neither read nor replaced
};

extern albumPicHandler *g_pAlbumPicHandler;

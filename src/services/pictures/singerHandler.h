#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QPixmap>
#include <QString>

// One singer: the name as first given, the thumbnail's file name in the data folder (empty until
// stored), and the large pictures: their URLs in the service's order and, at the same index, the
// bytes (null until arrived). The cache owns the arrays.
struct _tag_singerpicinfo_
{
    QString name;
    QString file;
    QList<QString> bigUrls;
    QList<QByteArray *> bigData;

    _tag_singerpicinfo_() = default;
    _tag_singerpicinfo_(const _tag_singerpicinfo_ &) = delete;
    _tag_singerpicinfo_ &operator=(const _tag_singerpicinfo_ &) = delete;
    ~_tag_singerpicinfo_() { qDeleteAll(bigData); }
};

// Singer pictures. A thumbnail per singer id is downloaded once from the image host (request type
// 17), stored as a file in the data folder (PictureFiles.h) and recorded in the enciphered XML
// file "s"; the large pictures of a singer (list: type 32, each picture: type 33; at most 1,000
// of one singer) live in memory for the run, for the lyric box's background. Names map to ids for singers
// whose thumbnail is stored, so the playback controller can ask for large pictures by the artist's name.
//
// Only bytes that decode as a picture are stored or kept: an error page in place of a thumbnail
// counts as a failed download (the record goes, so a later request tries again), and one in
// place of a large picture is dropped like a failed one. "s" is kept in memory and saved whole
// (atomically); a file that cannot be deciphered or parsed is moved aside at start and a new one
// begun, and one that cannot be read switches storing off for the run.
//
// Threads: GUI thread only. m_mutex (non-recursive, a leaf) is taken by every public operation
// for its whole run, except dealRequestErrPrivate, which runs under the lock of dealRequestErr or
// saveSingerPic, and establishSingerData, which takes it around filling the tables.
class singerHandler
{
public:
    singerHandler();
    ~singerHandler();
    singerHandler(const singerHandler &) = delete;
    singerHandler &operator=(const singerHandler &) = delete;

    void establishSingerData();
    void requestSingerPic(uint nSingerId, const QString &sSingerName);
    void requestSingerBigImagesFromName(const QString &sSingerName);
    void saveSingerPic(uint nSingerId, QByteArray *pData);
    void dealRequestErr(uint nSingerId);
    void dealRequestErrPrivate(uint nSingerId);
    void dealWithBigSingerImages(const QString &sAnswer, uint nSingerId);
    // pData null: the picture's request failed.
    void dealWithBigSingerImageData(uint nSingerId, const QString &sUrl, QByteArray *pData);
    QString getSingerFilefromId(const QString &sSingerId);
    QString getSingerIdfromName(const QString &sSingerName);
    // Large picture n (taken modulo their number) of the singer; false when there is none yet,
    // it has not arrived, it does not decode, or n is negative. Needs a GUI application.
    [[nodiscard]] bool loadTheBigSingerImage(uint nSingerId, int n, QPixmap &picture);

    // The thumbnail's address: image host + "/pic/gstx/" + ceil(id / 10000) + "/" + id + ".jpg".
    static QString thumbnailUrl(uint nSingerId);
    // The name under which a singer is found: a trailing "(...)" removed, blanks before it kept.
    static QString nameKey(const QString &sSingerName);
    static QString singerFilePath();

private:
    void sendBigImagesRequest(uint nSingerId);

    QHash<uint, _tag_singerpicinfo_ *> m_hashId2Singer;
    QHash<QString, QString> m_hashName2Id;
    QMutex m_mutex;
    QDomDocument m_doc;
    bool m_bStoring = false; // false while "s" can be neither read nor replaced
};

extern singerHandler *g_pSingerHandler;

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class FakeWebService;

// The demo catalogue of the fake web service: a dozen short songs with their singers, albums and
// radio channels, read from tests/fixtures/demo/catalogue.txt, and everything the player asks
// about them made from it: song files (generated with the ffmpeg command), song information
// documents, lyrics, album and singer pictures, the radio channels and their pages, and the
// service's web pages, whose links are the player's link commands.
//
//     FakeDemoCatalogue demo;
//     if (!demo.load() || !demo.install(&service))   // service already started
//         qWarning("%s", qPrintable(demo.errorString()));
//
// install() adds its routes over whatever the service answers already (the test fixtures, say),
// so the catalogue's answers win where both have one. The song files are generated into a
// temporary folder, read into the service and the folder removed before install() returns: a
// server that is killed leaves nothing behind. Unless a song cache is set (setSongCache), which
// is how a test shares the songs it made with the server program it starts.
class FakeDemoCatalogue
{
public:
    struct Singer
    {
        quint32 id = 0;
        QString name;
    };
    struct Album
    {
        quint32 id = 0;
        QString name;
        quint32 singerId = 0;
    };
    struct Song
    {
        quint32 id = 0;
        QString title;
        quint32 singerId = 0;
        quint32 albumId = 0;
        int seconds = 0;
        int beatMs = 0;
        QList<int> notes; // MIDI note numbers, -1 for a rest
        QStringList lyricLines;
    };
    struct Channel
    {
        quint32 id = 0;
        QString name;
        QList<quint32> songIds;
    };

    static QString defaultDir(); // tests/fixtures/demo of the source tree

    // Reads catalogue.txt of dir and checks that every reference in it and in the page templates
    // resolves; false with errorString() otherwise.
    bool load(const QString &dir = defaultDir());
    // Generates the files and adds every demo route to the running service. Needs the ffmpeg
    // command on the PATH.
    bool install(FakeWebService *service);
    // Keeps the song files in dir (made when missing) instead of a temporary folder, and takes a
    // song from there when it was made from the same catalogue entry before; empty: no cache.
    void setSongCache(const QString &dir) { m_songCache = dir; }
    QString errorString() const { return m_error; }

    const QList<Singer> &singers() const { return m_singers; }
    const QList<Album> &albums() const { return m_albums; }
    const QList<Song> &songs() const { return m_songs; }
    const QList<Channel> &channels() const { return m_channels; }
    const Singer *singer(quint32 id) const;
    const Album *album(quint32 id) const;
    const Song *song(quint32 id) const;

    // Addresses as the player builds or receives them (paths on the site, files, image and
    // service hosts).
    static QString songInfoPath(quint32 songId);        // "/html/pxml/<id / 10000 rounded up>/<id>.xml"
    static QString songFilePath(quint32 songId);        // "/mp3/<id>.mp3"
    static QString singerPicturePath(quint32 singerId); // "/pic/gstx/<id / 10000 rounded up>/<id>.jpg"
    static QString albumPicturePath(quint32 albumId);   // "/pic/zj/<id>.png"
    static QString channelPagePath(quint32 channelId);  // "/fmclass/<id>.html"

    QString artistOf(const Song &song) const;
    // The lyric in LRC form: the title at the start, then the lines spread over the song so the
    // last one is shown a little before its end.
    QString lrc(const Song &song) const;
    // The song information document, with "${image}" for the picture host.
    QByteArray songInfoXml(const Song &song, qint64 fileSize) const;
    // A page template of pages/ with its "<!--@...-->" directives replaced; channel pages need
    // their channel. Empty with errorString() set when a directive is unknown or names an
    // unknown song.
    QByteArray renderPage(const QString &templateName, const Channel *channel = nullptr);

private:
    bool parseLine(const QString &kind, const QStringList &fields);
    bool songsFromArgument(const QString &argument, QList<quint32> *ids);
    QString itemsOf(const QList<quint32> &ids, bool withAlbum) const;
    QString radioItemsOf(const QList<quint32> &ids) const;
    QString songTable(const QList<quint32> &ids, const Channel *channel) const;
    QString actionBar(const QList<quint32> &ids) const;
    QString singerCards() const;
    QString albumCards() const;
    QString channelList() const;
    QList<quint32> songsOfAlbum(quint32 albumId) const;
    QList<quint32> songsOfSinger(quint32 singerId) const;
    bool fail(const QString &error);

    QString m_dir;
    QString m_songCache;
    QString m_error;
    QList<Singer> m_singers;
    QList<Album> m_albums;
    QList<Song> m_songs;
    QList<Channel> m_channels;
};

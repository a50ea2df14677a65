#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

class httpRequestHandler;
struct SongInfoDocument;

// The song-information answer (request type 1): an XML document of the site host that gives a
// network song's stream path, play state, duration, size, singer, album, album picture and lyric
// texts, read by SongInfoDocument. It fills in what the lists lack, stores the lyric in the lyric folder, and
// continues the work of whoever asked: the playback engine (user value 1), a lyric lookup (user value 0) or
// a download (any other value: the ticket of its httpDown).
//
// The lyric cache: one file per song in the lyric folder, named by the song's display name and
// ".qrc" (word-timed text) or ".lrc" (line-timed text), holding the text enciphered with the
// shared cipher in its base64 form. An existing lyric file is never overwritten.
//
// Threads: GUI thread only (inside the client's finished slot; a refused play state waits with
// event processing, so other answers may be handled meanwhile).
class SongInfoAnswer : public QObject
{
    Q_OBJECT
public:
    explicit SongInfoAnswer(QObject *parent = nullptr);

    // Registers itself as the handler of request type 1.
    void registerRoutes(httpRequestHandler *client);

    // waiter: the download that asked (user values other than 0 and 1), resolved by the client.
    void dealwithIDResponse(const QString &xml, quintptr uUserData, const QString &sId, QObject *waiter);
    void dealwithIDResponseError(quintptr uUserData, QObject *waiter);

    // The wait between the "cannot play" hint and the next song (1800 ms); shortened by tests.
    void setRefusalWaitMs(int ms) { m_nRefusalWaitMs = ms; }

    // SongInfoDocument::durationText: "mm:ss" of the document's duration in seconds; "00:00" when
    // it is unknown (absent, not a number, not positive, not finite or out of range).
    static QString durationText(const QString &seconds);
    // Enciphers the lyric into a buffer of kLyricBufferSize bytes and writes its base64 form
    // atomically. False when the cipher text does not fit or the file cannot be written.
    static bool storeLyric(const QString &path, const QString &lyric, bool asUtf8);
    static constexpr int kLyricBufferSize = 2000000;

private:
    // The play state may not be played: the asker learns it (playback skips the song, a download
    // fails, a lyric lookup is dropped).
    void refusePlayState(quintptr uUserData, quint32 songId, QObject *waiter);
    // The album name goes to the song's row among the play queue's first ten when it has none.
    void fillInAlbumName(const QString &sId, const QString &albumName);
    // Stores the document's lyric under the song's name unless a lyric file exists; returns the
    // lyric file's path.
    QString keepLyric(const SongInfoDocument &info, const QString &songName);
    void answerPlayback(const SongInfoDocument &info, const QString &sId);
    void answerLyricLookup(const SongInfoDocument &info, const QString &xml);

    int m_nRefusalWaitMs = 1800;
};

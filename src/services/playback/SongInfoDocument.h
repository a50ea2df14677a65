#pragma once

#include <QString>

// The song-information document (the answer to request type 1) read into plain values: what a
// network song's stream path, play state, duration, size, singer, album, album picture and lyric
// are. Reading it touches nothing else (no globals, no files, no network), so any text can be fed
// to it on its own; SongInfoAnswer decides what the values mean for whoever asked.
//
// The document is the site host's XML: a root element whose children hold either a CDATA section
// (wma, geshou, zjname, zjpic, tqrcword, tlrcword) or plain text (playstate, mp3time, mp3size,
// gsid, zjid). A child of the other kind reads as empty, as the service has always been read.
//
// Threads: any; no shared state.
struct SongInfoDocument
{
    enum class Status
    {
        Parsed,
        NotXml,      // the text is no XML document (error says why)
        NoStreamPath // XML without a stream path: nothing to play or download
    };

    Status status = Status::NotXml;
    QString error; // NotXml: the parser's message and line

    QString streamPath;   // wma: the song's path on the stream server
    QString playState;    // playstate, without surrounding blanks
    QString duration;     // mp3time as "mm:ss" (durationText)
    QString size;         // mp3size: bytes as decimal text
    QString singerId;     // gsid
    QString singer;       // geshou
    QString albumId;      // zjid
    QString albumName;    // zjname
    QString albumPicture; // zjpic: the album picture's URL
    // The lyric: the word-timed text (tqrcword) when there is one, else the line-timed text
    // (tlrcword); empty when the document has neither.
    QString lyric;
    bool lyricWordTimed = true; // false: lyric is the line-timed text (or absent with it)

    static SongInfoDocument parse(const QString &xml);

    // "mm:ss" of a duration in seconds as the document writes it ("185.9" gives "03:05"; minutes
    // go past 99 when they must). "00:00", the unknown duration, when the text is absent, not a
    // number, not positive, not finite, or too large for a count of seconds.
    static QString durationText(const QString &seconds);
};

#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Length and tags of local audio files, through the audio layer, and the texts of its errors.

// The length of a local audio file in seconds; 0 when it cannot be opened.
float g_getSongDuration(const QString &path);

// Length and tags of a local file as g_getSongDuration and g_getSongTag give them, from one opening of
// the file and without a stream, about ten times faster: what the play queue reads for every song it
// adds. Needs no BASS_Init. The one difference: a file whose container opens but whose first frame
// does not decode still shows its container's length and tags, where a stream of it fails.
struct SongFileInfo
{
    float seconds = 0; // 0 when the file cannot be opened
    QString title;
    QString artist;
    QString album;
};
SongFileInfo g_readSongFile(const QString &path);

// Title, artist and album of a local file: tags first, then the file name decides ("Singer -
// Title.mp3" gives artist and title); album only comes from the tags. Defaults: empty title,
// "未知艺术家", "未知专辑".
void g_getSongTag(const QString &path, QString &title, QString &artist, QString &album);

// The rules of g_getSongTag without the file access: tagText is what the tag reader returned
// for "%TITL|%ARTI|%ALBM" (empty when the file has no tags or cannot be opened).
void g_applySongTagRules(const QString &path, const QString &tagText, QString &title, QString &artist,
                         QString &album);

// A critical box titled "error" with the text; withBassError appends the sentence of the audio
// layer's last error code on this thread (g_bassErrorSentence). Returns once the box is shown and
// closed; a caller that must stop does so itself.
void g_showBassError(const QString &text, bool withBassError);
// The sentence appended for an error code: ": The file could not be opened" for 2, and so on;
// " " and the code for codes without a sentence.
QString g_bassErrorSentence(int code);

// Streams that these helpers opened are handed to the stream-free queue, not freed on the spot.
// The playback engine installs its queue; until then a stream is freed at once.
void g_setStreamFreeQueue(std::function<void(quint32 handle)> queue);
void g_handStreamToFreeQueue(quint32 handle);

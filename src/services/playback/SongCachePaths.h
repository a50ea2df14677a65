#pragma once

#include <QString>

// Where the files made from a song's name live. Every name comes from song data (the service, web
// pages, tags), so each one goes through g_safeFileName: it never leaves its folder, and a name too
// long for the file system is shortened the same way wherever it is looked up, renamed or copied.
// A folder given as empty text gives an empty path (never a file in the root or the current
// folder); callers treat an empty path as "cannot be stored".
//
// songName is the display name: artist " - " title, or the title alone (g_songDisplayName).

// The complete cached copy of a streamed song: <cacheDir>/<file-name-safe Base64 of name>.dat
QString g_cachedSongPath(const QString &cacheDir, const QString &songName);
// The partial cache file a song streams into: <cacheDir>/<name>.vyo
QString g_partialSongPath(const QString &cacheDir, const QString &songName);
// A downloaded copy of the song in the download folder: <downDir><name>.mp3
QString g_downloadedSongPath(const QString &downDir, const QString &songName);
// A song's cached lyric: <lrcDir>/<name><extension> (".qrc" or ".lrc")
QString g_lyricFilePath(const QString &lrcDir, const QString &songName, const QString &extension);

// The folder and the file name joined by one "/" (the folder may end with a separator or not).
QString g_joinPath(const QString &folder, const QString &fileName);

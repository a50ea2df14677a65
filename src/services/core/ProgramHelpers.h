#pragma once

#include <QString>

// Program-wide helpers that every subsystem calls. All run on the caller's thread and share
// nothing but the globals they name.

// The value of a style variable in g_sStyleVars: the text after the first occurrence of the key
// and one separator character, up to the next ";". Empty when there is none.
QString g_getListValue(const QString &key);

// The song-information address of a network song: the site's "/html/pxml/", the id divided by
// 10000 rounded up, "/", the id and ".xml". An id that is not a number gives the folder 0.
QString g_getSongInfoUrl(const QString &id);

// Reads "nameformat" and "downCount" from "configu.ini" in g_sDataDir into g_nDownNameFormat
// (missing: 0) and g_nMaxDownloads (the stored zero-based choice + 1; missing: 3).
void g_loadDownloadSettings();

// The operating system as text for the start-up report, with " x64" or " x86".
QString g_getOSVersion();

// Enciphers / deciphers a text with g_crypt through a buffer of bufferSize bytes. A blank text
// comes back unchanged; a result that does not fit the buffer (or a failure) gives an empty text.
QString g_encryptString(const QString &text, int bufferSize);
QString g_decryptString(const QString &text, int bufferSize);

// The program's message box without parent, close button only, modal (through the main-window
// seam). Returns when it is closed.
void g_execDialog(const QString &title, const QString &text);

// Waits ms milliseconds while the event loop goes on (any slot may run meanwhile). The deadline
// is taken on a monotonic clock, so a wait across midnight or a clock change still waits.
void g_waitMs(int ms);

// "缓冲中" + dots + artist " - " title becomes "缓冲中" + dots + " " + title " - " artist; a bare
// artist " - " title becomes title " - " artist; anything else an empty text.
QString g_parseBufferingText(const QString &text);

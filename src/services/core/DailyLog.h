#pragma once

#include <QString>
#include <QStringList>

// The day's log: an INI file named "yyyyMMdd.log" in g_sLogDir, one key per event. Keys are an
// event word followed by the time in milliseconds since the epoch, so entries do not repeat.
//
// Threads: any thread may write; one program-wide lock serialises every entry (the GUI thread,
// the stream workers of the thread pool and the audio layer's callback threads all log). The
// lock is a leaf: nothing else is locked while it is held.

// Writes key = value into today's log; withTime appends "--------" and "hh:mm:ss" to the value.
// Failures are silent (debug output only). Without a log folder nothing is written.
void SetTodayLog(const QString &key, const QString &value, bool withTime = false);

// Appends text and CR LF to g_hLogFile with one write; false when it is not open.
bool g_writelog(const QString &text);

// The entries of the folder whose names end in ".log" (hidden ones excluded, unsorted), as full
// paths or bare names; empty when the folder does not exist.
QStringList g_getLogFiles(const QString &folder, bool fullPaths);

// The event word followed by the current time in milliseconds since the epoch.
QString g_logKey(const QString &eventWord);

// What every catch-all handler writes: "YiChang" + ms = the function's signature and a note.
void g_writeExceptionLog(const char *signature, const QString &note = QString());

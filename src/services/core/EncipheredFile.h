#pragma once

#include <QString>

class QDomDocument;

// The one way to keep an enciphered file of the player (the picture associations "asso", the
// singer file "s", and every list file that needs the same): the text is enciphered with g_crypt
// in the cipher-text format and its base64 text is the file's whole content.
//
// Saving goes through g_saveFileAtomically, so a crash, a full disk or a failed write leaves the previous
// file whole instead of a truncated one. A file that cannot be deciphered is not overwritten by
// an empty one: the caller moves it aside (g_moveFileAside) and starts a new one.
//
// Threads: GUI thread only (g_crypt is not thread-safe).

// Writes plainText (as UTF-8, the local 8-bit code) enciphered to path, replacing the file at
// once. False when it could not be written; errorText then says why and the old file is
// untouched.
[[nodiscard]] bool g_saveEncipheredFile(const QString &path, const QString &plainText,
                                        QString *errorText = nullptr);

enum class EncipheredFileState
{
    Ok,
    Missing,        // no file, or an empty one
    Unreadable,     // it exists but cannot be opened or read
    Undecipherable, // not cipher text of g_crypt's key (damaged, truncated, foreign)
};

// Reads and deciphers path into plainText (empty unless Ok).
[[nodiscard]] EncipheredFileState g_loadEncipheredFile(const QString &path, QString *plainText,
                                                       QString *errorText = nullptr);

// Renames a file that cannot be used to path + ".broken-" + the time "yyyyMMddhhmmsszzz" (with
// a counter when that is taken), so its content is kept for inspection and a new file can take
// its place. The new path, or empty when the rename failed.
[[nodiscard]] QString g_moveFileAside(const QString &path);

// Opens the enciphered XML document at path into doc; a new document is "<?xml version="1.0"?>"
// with the element rootName holding one empty element childName. A missing file starts a new
// document and saves it. A file that cannot be deciphered or is not XML is moved aside and a
// new one started, since a damaged file would make every later store fail while the data it
// indexes kept piling up. A file that cannot be read at all gives a new document that must not
// be saved, so what the file holds survives the run.
// Returns whether the caller may save the document (false: keep it in memory only).
[[nodiscard]] bool g_openEncipheredXml(const QString &path, const QString &rootName, const QString &childName,
                                       QDomDocument *doc);

// Saves doc (indented by 4) with g_saveEncipheredFile; a failure is logged to the debug output
// with the Chinese write-error text and gives false.
[[nodiscard]] bool g_saveEncipheredXml(const QString &path, const QDomDocument &doc);

// The debug text for a file or folder that cannot be written.
QString g_writeErrorText(const QString &path, const QString &error);

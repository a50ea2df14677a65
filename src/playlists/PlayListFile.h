#pragma once

#include "playlists/PlaylistSongInfo.h"

#include <QByteArray>
#include <QLatin1String>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// The list file of the play queue ("defaultList"), the recently played list ("ChangTing") and the
// most played list ("TingGuo"), in the per-user data folder.
//
// A file is one line: the base64 cipher text of g_crypt (no line break after it). Deciphered, it
// is a UTF-8 XML document, indented by four spaces:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <kvr version="1.0">
//       <list>
//           <song Duartion="03:07" filePath="..." type="3" title="..." bytesize="0" artist="..."
//                 id="" albumpic="" sAlbumName="..."/>      (one line per song, top row first)
//       </list>
//   </kvr>
//
// with the attributes in exactly that order, and "count" after them in the most played file
// only. The three files differ only in what PlayListVariant describes.
//
// Saving never loses a list: the file is replaced in one rename (g_saveFileAtomically), so a
// crash or a failed write leaves the previous file whole; and a file that existed but could not
// be used (unreadable, too large, not deciphering, not a list document, broken off) is renamed
// aside (g_moveFileAside: "<name>.broken-<time>") before the first save would replace it.
//
// No widgets: the pages show the message boxes. Threads: GUI thread only (g_crypt is shared).

struct PlayListVariant
{
    QLatin1String fileName;  // in the data folder, no extension
    QLatin1String container; // the element holding the songs
    bool bWithCount;         // "count" is written and read (else read as 0)
    bool bTrimTitle;         // titles are trimmed on reading and a blank one drops its song
    int nMaxSongs;           // "song" elements taken at most, blank-titled ones included
};

inline constexpr PlayListVariant kPlayQueueList{QLatin1String("defaultList"), QLatin1String("list"), false,
                                                true, 10000};
// The two history lists read up to 10001 songs, one more than any save writes.
inline constexpr PlayListVariant kRecentList{QLatin1String("ChangTing"), QLatin1String("list_Recent"), false,
                                             false, 10001};
inline constexpr PlayListVariant kChartList{QLatin1String("TingGuo"), QLatin1String("list_Count"), true,
                                            false, 10001};

enum class PlayListLoad
{
    Loaded,         // a list document (possibly without songs)
    Missing,        // no such file
    TooLarge,       // larger than PlayListFile::kMaxFileSize: not read
    Unreadable,     // it exists but cannot be opened or read (errorText says why)
    Undecipherable, // not g_crypt cipher text, or empty
    NotAList,       // no root "kvr" with version "1.0"
    BrokenOff,      // the XML breaks off or goes wrong; the songs before that point are loaded
};

struct PlayListLoadResult
{
    PlayListLoad outcome = PlayListLoad::Missing;
    std::vector<std::unique_ptr<_tag_playlistsonginfo_>> rows;
    QString errorText;
};

class PlayListFile
{
public:
    // The largest file that is read. A 10000-row queue is about 280 bytes of XML a row, 2.8 MB,
    // some 0.3 MB in the file once compressed; the limit leaves room for 10001 rows of 2 KiB each
    // that do not compress at all, in base64 (27 MB). Anything larger is not a list of ours and
    // is kept aside, never dropped.
    static constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;
    // Rows written at most (rows without record count).
    static constexpr int kMaxSavedRows = 10000;

    // The file of the variant in dataDir ("/" separators).
    PlayListFile(const QString &dataDir, const PlayListVariant &variant);

    const QString &path() const { return m_sPath; }
    const PlayListVariant &variant() const { return m_variant; }

    // Reads the file. An outcome other than Loaded and Missing marks the file to be kept aside
    // before the first save.
    PlayListLoadResult load();

    // Writes the rows (null entries are rows without record: they write nothing but count
    // towards kMaxSavedRows). Rows are only read, never freed. False when the file could not be
    // written; errorText then holds the reason and the previous file is as it was (or, when it
    // was unusable and the rename aside succeeded, at keptAsidePath()).
    bool save(const QList<const _tag_playlistsonginfo_ *> &rows, QString *errorText = nullptr);

    // Whether the next save first renames the file aside, and where the last one put it.
    bool mustKeepAside() const { return m_bKeepAside; }
    const QString &keptAsidePath() const { return m_sKeptAside; }

    // The pure halves of load and save, for the file's content in memory.
    static PlayListLoadResult parseFileContent(const QByteArray &content, const PlayListVariant &variant);
    static PlayListLoadResult parseDocument(const QByteArray &xml, const PlayListVariant &variant);
    static QByteArray document(const QList<const _tag_playlistsonginfo_ *> &rows,
                               const PlayListVariant &variant);

    // The texts of the pages' message boxes.
    static QString readErrorText(const QString &path, const QString &error);
    static QString writeErrorText(const QString &path, const QString &error);

private:
    QString m_sPath;
    PlayListVariant m_variant;
    bool m_bKeepAside = false;
    QString m_sKeptAside;
};

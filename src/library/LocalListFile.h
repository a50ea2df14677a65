#pragma once

#include "services/core/LocalSongInfo.h"
#include "services/downloads/DownloadSongInfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// The local library file "loclist1" in the per-user data folder: the imported songs of the
// library and the rows of the download page, kept from one run to the next.
//
// The file is one line: the base64 cipher text of g_crypt (no line break after it). Deciphered,
// it is a UTF-8 XML document without indentation, one line break after the root's end tag:
//
//   <?xml version="1.0" encoding="UTF-8"?><kvr version="1.0"><import>
//   <file filepathname="..." title="..." artist="..." album="..." sDur="..."/>...</import>
//   <downrecord><file fin="1" downloaded="..." progress="..." album="..." artist="..." sDur="..."
//   filepathname="..." sId="..." size="..." title="..." url="..."/>...</downrecord></kvr>
//
// (shown wrapped here; the file has no line break before the last one). The attributes come in
// exactly that order; an empty section is written "<import/>" or "<downrecord/>".
//
// Songs in the play-cache folder never enter the file: they are neither written nor loaded (the
// cache folder is passed in, empty when there is none). Download rows are not tested.
//
// The loader hands back new records and touches no page or list; the caller hands them to the
// pages. The saver only reads the records it is given and frees none of them.
//
// Saving never loses the library: the file is replaced in one rename (g_saveFileAtomically), so a
// crash or a failed write leaves the previous file whole; and a file that was not read whole
// (unreadable, too large, not deciphering, not a library document, broken off, too many songs,
// or never loaded by this object) is renamed aside (g_moveFileAside: "<name>.broken-<time>")
// before the first save would replace it.
//
// No widgets. Threads: GUI thread only (g_crypt is shared).

enum class LocalListLoad
{
    Loaded,         // a library document (possibly empty); read whole
    Missing,        // no such file, or an empty one
    TooLarge,       // larger than LocalListFile::kMaxFileSize: not read
    Unreadable,     // it exists but cannot be opened or read (errorText says why)
    Undecipherable, // not g_crypt cipher text
    NotAList,       // no root "kvr" with version "1.0"
    BrokenOff,      // the XML breaks off or goes wrong; the records before that point are loaded
    TooManySongs,   // more than kMaxImportEntries import entries: the first ones are loaded and
                    // the rest of the document, download rows included, is not read
};

struct LocalListLoadResult
{
    LocalListLoad outcome = LocalListLoad::Missing;
    // The library songs, in file order (removed flag false, the two extra texts empty).
    std::vector<std::unique_ptr<_tag_localsonginfo_>> songs;
    // The download rows, in file order: the eleven stored fields, stopped when not finished,
    // neither downloading nor queued, no status, no library record and no downloader.
    std::vector<std::unique_ptr<_tag_downloadsonginfo_>> downloads;
    QString errorText;
};

class LocalListFile
{
public:
    // The largest file that is read. A library of 20000 songs is some 300 bytes of XML a song
    // (6 MB), with downloads at some 600 bytes a row, and compresses to a fraction of that. The
    // cipher cannot carry more than 64 MiB of plain text (kMaxDocumentSize), whose base64 form
    // without any compression is 85.4 MiB; the limit is above that, so no file the saver writes
    // is ever refused here. Anything larger is not a library of ours and is kept aside.
    static constexpr qint64 kMaxFileSize = 96 * 1024 * 1024;
    // The largest document saved: what g_crypt deciphers again. A larger one is not written and
    // the previous file stays.
    static constexpr qint64 kMaxDocumentSize = 64 * 1024 * 1024;
    // Import entries written and read at most; cache-folder songs count.
    static constexpr int kMaxImportEntries = 20000;

    // The file "loclist1" in dataDir ("/" separators).
    explicit LocalListFile(const QString &dataDir);

    const QString &path() const { return m_sPath; }

    // Reads the file; songs lying in cacheDir are left out. Any outcome other than Loaded and
    // Missing (and a load that throws) marks the file to be kept aside before the first save.
    LocalListLoadResult load(const QString &cacheDir);

    // Writes the library: the import rows top to bottom (null ones and removed ones write nothing;
    // the first kMaxImportEntries others are visited, and those lying in cacheDir are not
    // written), then every download row (null ones write nothing). Records are only read. False
    // when the file could not be written; errorText then holds the reason and the previous file is
    // as it was (or, when it had to be kept aside and the rename succeeded, at keptAsidePath()).
    bool save(const QList<const _tag_localsonginfo_ *> &importRows,
              const QList<const _tag_downloadsonginfo_ *> &downloadRows, const QString &cacheDir,
              QString *errorText = nullptr);

    // Whether the next save first renames the file aside, and where the last one put it. True
    // until a load has read the file whole or found none.
    bool mustKeepAside() const { return m_bKeepAside; }
    const QString &keptAsidePath() const { return m_sKeptAside; }

    // The pure halves of load and save, for the file's content in memory.
    static LocalListLoadResult parseFileContent(const QByteArray &content, const QString &cacheDir);
    static LocalListLoadResult parseDocument(const QByteArray &xml, const QString &cacheDir);
    static QByteArray document(const QList<const _tag_localsonginfo_ *> &importRows,
                               const QList<const _tag_downloadsonginfo_ *> &downloadRows,
                               const QString &cacheDir);

private:
    QString m_sPath;
    // A file this object has not read whole is not in what a save writes.
    bool m_bKeepAside = true;
    QString m_sKeptAside;
};

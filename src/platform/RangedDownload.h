#pragma once

#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class PartDownload;

// The ranged download of the update package that the player and the upgrader share: splits the
// file into parts (each a PartDownload with its own request, writing at its own offset of one
// shared file), counts their reports, closes the file when all have reported and signals the
// overall result once through FiledownloadFinished. Each program's dlManager is this class with
// its own parts, its own log and what it records after the download.
//
// The package ("updpkg") lives in the per-user private folder (kvrupdate::privateFolder(), mode
// 0700): it is executed later, so it never sits in a folder where others can write. Only a web
// address is a source: a "file:" address would copy a local file into that package. The package
// counts as complete only when its size is the announced total and the parts cover it without a
// gap; anything else is a failure (removePackage() then takes the file away).
//
// Threads: the thread that made the object (the GUI thread); the parts' byte counts are read
// under their own locks (PartDownload.h).
class RangedDownload : public QObject
{
    Q_OBJECT
public:
    explicit RangedDownload(QObject *parent = nullptr);
    ~RangedDownload() override;

    // The package file: the private folder + "/updpkg" (empty without a private folder).
    static QString packagePath();

    // Test seam and tuning: a part that receives nothing for this long fails.
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }

signals:
    void FiledownloadFinished(bool ok);

public slots:
    void SubPartFinished(bool ok);

protected:
    // Starts nParts parts of url into the package; total is the announced size. Every failure to
    // start is reported from the event loop, as a real download's end would be, so the caller has
    // connected and is waiting when the result arrives.
    void startParts(const QUrl &url, int nParts, qint64 total);
    // What the parts have written so far.
    qint64 partBytes() const;
    void cancelParts();
    // Closes the package and removes it; true when a file was removed.
    bool removePackage();
    // The parts go (later: this may run inside a part's own report).
    void releaseParts();

    // One line of the program's own log.
    virtual void note(const QString &line);
    // A new part; its parent is this object.
    virtual PartDownload *newPart(int nPart) = 0;

private:
    void failSoon(const QString &why);

    QFile m_file;
    QList<PartDownload *> m_listParts;
    int m_nParts = 0;
    int m_nReported = 0;
    qint64 m_nTotal = 0;
    bool m_bFailed = false;
    int m_nTransferTimeoutMs = 60000;
};

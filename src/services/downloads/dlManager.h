#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QFile;
class download;

// The player's ranged downloader of the installer package: splits the file into parts (each a
// `download` with its own request, writing at its own offset of one shared file), counts their
// reports, closes the file when all have reported and signals the overall result. On success
// (dlFinished(true)) it records the update in the two "config.ini" files.
//
// The package ("updpkg") and the update's "config.ini" live in the per-user private folder that
// the upgrader uses too (kvrupdate::privateFolder(), mode 0700): the package is executed later,
// so it never sits in a folder where others can write. The package counts as complete only when
// its size is the announced total; anything else is a failure and the file is removed.
//
// The update dialog sets m_sServerVer, m_sSelfUp and m_nTotalSize, connects FiledownloadFinished
// to dlFinished, starts it, polls getDownloadedBytes every 100 ms and cancels it when closed.
//
// Threads: GUI thread; the parts' byte counts are read under their own locks (download.h).
class dlManager : public QObject
{
    Q_OBJECT
public:
    explicit dlManager(QObject *parent = nullptr);
    ~dlManager() override;

    QString m_sServerVer; // written as "softver1" after a complete download
    QString m_sSelfUp;    // written as "selfupdate" after a complete download
    int m_nTotalSize = 0; // the announced size in bytes, set before the start

    void StartFiledownload(const QString &url, int nParts);
    // The total size after success, -1 after failure, otherwise the bytes the parts have written.
    int getDownloadedBytes();
    void cancelDownload();

    // The package file: the private folder + "/updpkg" (empty without a private folder).
    static QString packagePath();
    // Test seam and tuning: a part that receives nothing for this long fails.
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }
    int state() const { return m_nState; }

signals:
    void FiledownloadFinished(bool ok);

public slots:
    void SubPartFinished(bool ok);
    void dlFinished(bool ok);

private:
    void failSoon(const QString &why);

    QFile *m_pFile;
    QList<download *> m_listParts;
    int m_nState = -1; // -1 downloading, 1 succeeded, 0 failed
    int m_nParts = 0;
    int m_nReported = 0;
    QUrl m_url;
    bool m_bFailed = false;
    int m_nTransferTimeoutMs = 60000;
};

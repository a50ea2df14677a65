#pragma once

#include "platform/RangedDownload.h"

#include <QString>

// The player's ranged downloader of the installer package. Splitting, the parts, the checks of a
// whole package and the package's place are the platform's RangedDownload, shared with the
// upgrader; this class adds the player's side: on success (dlFinished(true)) it records the update
// in the two "config.ini" files (the installation's in g_sAppDir), on failure it removes the
// package, and it keeps the state the update dialog polls.
//
// The update dialog sets m_sServerVer, m_sSelfUp and m_nTotalSize, connects FiledownloadFinished
// to dlFinished, starts it, polls getDownloadedBytes every 100 ms and cancels it when closed.
//
// Threads: GUI thread; the parts' byte counts are read under their own locks (PartDownload.h).
class dlManager : public RangedDownload
{
    Q_OBJECT
public:
    explicit dlManager(QObject *parent = nullptr);

    QString m_sServerVer; // written as "softver1" after a complete download
    QString m_sSelfUp;    // written as "selfupdate" after a complete download
    int m_nTotalSize = 0; // the announced size in bytes, set before the start

    void StartFiledownload(const QString &url, int nParts);
    // The total size after success, -1 after failure, otherwise the bytes the parts have written.
    int getDownloadedBytes();
    void cancelDownload();

    int state() const { return m_nState; }

public slots:
    void dlFinished(bool ok);

protected:
    PartDownload *newPart(int nPart) override;

private:
    int m_nState = -1; // -1 downloading, 1 succeeded, 0 failed
};

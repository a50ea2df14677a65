#pragma once

#include "platform/RangedDownload.h"

#include <QString>
#include <QUrl>

// The upgrader's ranged downloader of the package. Splitting, the parts, the checks of a whole
// package and the package's place are the platform's RangedDownload, shared with the player;
// this class adds the upgrader's side: its log, the update recorded in the two "config.ini" files
// after success, the package removed after failure, and the end of the run either way
// (dlFinished). Lives on the GUI thread.
class dlManager : public RangedDownload
{
    Q_OBJECT

public:
    explicit dlManager(QObject *parent = nullptr);

    void StartFiledownload(const QUrl &url, int parts);

    // Set by the caller before StartFiledownload().
    QString m_sServerVer;    // written as "softver1" after a complete download
    QString m_sSelfUp;       // written as "selfupdate" after a complete download
    qint64 m_nTotalSize = 0; // announced size; 64-bit so the part arithmetic cannot overflow
    QString m_sInstallDir;   // the folder of the installation's "config.ini"

public slots:
    void dlFinished(bool ok);

protected:
    void note(const QString &line) override;
    PartDownload *newPart(int nPart) override;
};

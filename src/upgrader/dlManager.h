#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QFile;

// Splits one file into parts, lets a `download` fetch each into the package file of the
// private update folder, and reports once when every part has finished. Lives on the GUI
// thread.
class dlManager : public QObject
{
    Q_OBJECT

public:
    explicit dlManager(QObject *parent = nullptr);
    ~dlManager() override;

    void StartFiledownload(const QUrl &url, int parts);

    // Set by the caller before StartFiledownload().
    QString m_sServerVer;    // written as "softver1" after a complete download
    QString m_sSelfUp;       // written as "selfupdate" after a complete download
    qint64 m_nTotalSize = 0; // announced size; 64-bit so the part arithmetic cannot overflow
    QString m_sInstallDir;   // the folder of the installation's "config.ini"

signals:
    void FiledownloadFinished(bool ok);

public slots:
    void SubPartFinished(bool ok);
    void dlFinished(bool ok);

private:
    void failSoon(const QString &why);

    int m_nParts = 0;
    int m_nFinished = 0;
    QUrl m_url;
    QFile *m_pFile = nullptr;
    QString m_sFolder; // the private update folder
    bool m_bFailed = false;
};

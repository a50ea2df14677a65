#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QFile;
class QNetworkReply;

// One part of a ranged download: fetches bytes m_nStart..m_nEnd (or the whole file when
// m_nEnd is -1) and writes them at their own offset of a file shared with the other parts.
// Lives on the GUI thread; the parts take turns writing as their data arrives, so the shared
// file needs no lock.
class download : public QObject
{
    Q_OBJECT

public:
    download(QObject *parent, int index);

    // `maxBytes` (-1: no bound) is the most this part may write; a server sending more is cut
    // off and the part fails, so a broken or hostile answer cannot fill the disk.
    void startDownload(const QUrl &url, QFile *file, qint64 start, qint64 end, qint64 maxBytes = -1);

signals:
    void downloadFinished(bool ok);

public slots:
    void FinishedSlot();
    void HttpReadyRead();

private:
    bool acceptsAnswer() const;
    void refuse(const QString &why);

    QNetworkAccessManager m_nam;
    QNetworkReply *m_pReply = nullptr;
    QFile *m_pFile = nullptr;
    int m_nIndex;
    qint64 m_nWritten = 0;
    qint64 m_nStart = 0;
    qint64 m_nEnd = -1;
    qint64 m_nMaxBytes = -1;
    bool m_bAnswerChecked = false;
    bool m_bRefused = false;
    bool m_bReported = false;
};

#pragma once

#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QFile;
class QNetworkReply;

// One part of a ranged download (dlManager): fetches bytes start..end, both included ("Range:
// Bytes=start-end"), or the whole file without a Range header when end is -1, and writes them at
// their own offset of the file shared with the other parts. Reports once through
// downloadFinished.
//
// A ranged part takes only a 206 whose Content-Range starts at its start (a server that ignores
// Range would otherwise write the whole file at this part's offset), and no part writes more than
// its share of the announced size. A transfer that receives nothing for the time-out fails.
//
// Threads: the transfer runs on the GUI thread; m_mutex guards m_nWritten only, because the
// update dialog's progress query reads every part's count. The file writes need no lock: the
// parts take turns on the GUI thread. Leaf lock.
class download : public QObject
{
    Q_OBJECT
public:
    download(QObject *parent, int nPart);
    ~download() override;

    // Nothing without a file. maxBytes (-1: no bound) caps what this part may write.
    void startDownload(const QUrl &url, QFile *file, qint64 start, qint64 end, qint64 maxBytes = -1);
    void cancel();
    qint64 written();
    qint64 start() const { return m_nStart; }
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }

signals:
    void downloadFinished(bool ok);

public slots:
    void HttpReadyRead();
    void FinishedSlot();

private:
    bool acceptsAnswer() const;
    void refuse(const QString &why);

    qint64 m_nWritten = 0;
    QMutex m_mutex;
    QNetworkAccessManager m_nam;
    QPointer<QNetworkReply> m_pReply;
    QFile *m_pFile = nullptr; // the manager's, not owned
    bool m_bCanceled = false;
    int m_nPart;
    qint64 m_nStart = 0;
    qint64 m_nEnd = -1;
    qint64 m_nMaxBytes = -1;
    bool m_bAnswerChecked = false;
    bool m_bRefused = false;
    bool m_bReported = false;
    int m_nTransferTimeoutMs = 60000;
};

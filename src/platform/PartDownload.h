#pragma once

#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QFile;
class QNetworkReply;

// One part of a ranged download (RangedDownload): fetches bytes start..end, both included
// ("Range: Bytes=start-end"), or the whole file without a Range header when end is -1, and writes
// them at their own offset of the file shared with the other parts. Reports once through
// downloadFinished. The player's and the upgrader's `download` are this class with their own log.
//
// What a part takes: the whole file only as a 200; a range only as a 206 whose Content-Range
// starts at its start (a server that ignores Range would otherwise write the whole file at this
// part's offset). An answer with no body is checked at its end all the same. No part writes more
// than maxBytes. A transfer that receives nothing for the time-out fails. A refusal ends the
// reply from the event loop, never inside the reply's own signal, and nothing more is written.
//
// Threads: the transfer runs on the thread that made the object (the GUI thread); m_mutex guards
// m_nWritten only, because a progress query reads every part's count. The file writes need no
// lock: the parts take turns on that one thread. Leaf lock.
class PartDownload : public QObject
{
    Q_OBJECT
public:
    PartDownload(QObject *parent, int nPart);
    ~PartDownload() override;

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

protected:
    // One line of the program's own log.
    virtual void note(const QString &line);

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

#pragma once

#include "services/downloads/DownloadSongInfo.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>

class QAuthenticator;
class QNetworkReply;
class QStandardItem;

// Downloads one song file for one row of a download list (or of the transfer page). The file is
// written beside its final name with the extension "vyd" (x.mp3 is written as x.vyd), appended
// to across runs, resumed with "Range: bytes=<size of the partial file>-", and renamed to its
// final name once complete. A song already complete in the streamed-song cache is copied instead.
// The row's record gets the size, speed, progress and texts once a second.
//
// How a creator starts a row: make it with the page as parent, set m_pItem and m_pRecord, connect
// downSuccessed and downFinished, set m_bBusy and the record's "downloading" flag; then call
// downloadFile when the record has its address, otherwise requestSongInfo (the answer arrives
// through dealwithIDResponse or dealwithNetReponseErr). A row removed while this object still
// waits for an answer must set m_pRecord and m_pItem to null first.
//
// What the transfer accepts, so that a partial file only ever holds the song's own bytes:
//  - a resume answered 206 only when its Content-Range starts where the partial file ends;
//  - a resume answered 200 (the server ignored Range): the partial file starts over from byte 0;
//  - an error status, a redirect or any other answer: nothing of its body is written, the row
//    fails ("网络错误") and the partial file stays for a later resume (a 416 empties it, since the
//    server does not know its end);
//  - a body shorter than announced, a cut or a transfer that stalls past the time-out: failure;
//  - the song is complete only when the file reaches a known total: the song's own size from the
//    Content-Range, or the partial size plus the answer's length. An answer that tells neither
//    ("bytes 1000-1009/*" without a length, or a 200 without one) leaves a partial file and the
//    row fails; a total that does not fit 64 bits is refused, and nothing past a known total is
//    written;
//  - a failed rename, or a temporary file that cannot be opened, fails the row ("保存失败") and
//    still ends it (downFinished), so the list goes on.
// File names from the service pass through g_safeFileName, so they never leave the folder.
// Credentials are answered only for the configured song-file host.
//
// Threads: GUI thread only; replies, the timer and the client's answers arrive through the
// event loop.
class httpDown : public QObject
{
    Q_OBJECT
public:
    explicit httpDown(QObject *parent = nullptr);
    ~httpDown() override;

    // Set by the creator.
    QStandardItem *m_pItem = nullptr;
    _tag_downloadsonginfo_ *m_pRecord = nullptr;
    bool m_bBusy = false;    // the active mark: from the start until the transfer ends or stops
    bool m_bWaiting = false; // a URL-index or song-information request for this object is out

    void downloadFile(const QString &sUrl, const QString &sLocalDir, const QString &sFileName);
    void startRequest(const QUrl &url);
    void realDownStart();
    void stopDownload(bool bForGood);
    void dealwithMainResponse();
    void dealwithNetReponseErr();
    void dealwithIDResponse(const QString &sUrl);
    // Sends the song-information request of songId with this object's ticket as user value and
    // shows "请求中..." in the row.
    void requestSongInfo(const QString &songId);

    // The song-file host ("http://host[:port]"): the one host that gets the pre-request and the
    // built-in credentials. From the installation's "config.ini" ([hosts] songfile, or the file
    // named by KVR_HOSTS_INI) unless set here.
    static QString songFileHost();
    static void setSongFileHost(const QString &base);
    static bool isSongFileHost(const QUrl &url);

    // Test seam and tuning: a transfer that receives nothing for this long fails (0: never).
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }
    QString temporaryPath() const { return m_sTempPath; }
    QString finalPath() const { return m_sFinalPath; }

signals:
    void downSuccessed(QStandardItem *psi);
    void downFinished(QStandardItem *psi);
    // The progress text and "下载完成" for a row of the transfer page (its item's what's-this is
    // "歌单"); the page writes it into the favourite song that the item carries.
    void songListStateText(QStandardItem *psi, const QString &text);

private slots:
    void onReplyFinished();
    void updateProgress();
    void httpFinished();
    void httpReadyRead();
    void updateDataReadProgress(qint64 bytesRead, qint64 totalBytes);
    void slotAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator);

private:
    QUrl resolvedAddress() const;
    bool checkAnswer();
    // false (and the answer refused) for a total the partial file cannot grow into.
    bool setTotal(qint64 total);
    bool retireIfStopped();
    bool setTotalAfterBase(qint64 length);
    void refuse(const QString &why);
    void finishStopped(QNetworkReply *reply);
    void failTransfer(int status, bool saveFailure);
    void endRow();
    void closeFile();
    void setProgressText(const QString &text);
    void setStatus(const QString &text);

    QUrl m_url;                     // the address; a relative one is resolved against the stream address
    QNetworkAccessManager m_nam;    // the transfer
    QNetworkAccessManager m_namPre; // the pre-request to the song-file host
    QPointer<QNetworkReply> m_pReply;
    QPointer<QNetworkReply> m_pPreReply;
    std::unique_ptr<QFile> m_pFile;
    QString m_sTempPath;
    QString m_sFinalPath;
    bool m_bAborted = false;
    bool m_bForGood = false;
    bool m_bAnswerChecked = false;
    // A whole-song answer that gave no length: its clean end is the song's end.
    bool m_bEndIsTotal = false;
    bool m_bRefused = false;
    bool m_bSaveFailed = false;
    qint64 m_nBase = 0;  // bytes on disk before this answer (where its body goes)
    qint64 m_nTotal = 0; // the whole song (see above); 0 while unknown
    qint64 m_nRead = 0;  // bytes of this answer written to the file
    qint64 m_nLastRead = 0;
    QTimer m_timer;
    int m_nTransferTimeoutMs = 30000;
};

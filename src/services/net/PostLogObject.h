#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>

class QNetworkReply;

// Sends one form-encoded POST to the service's presence address and handles its answer. The
// presence reports put their final body here before each post. It marks an uploaded log file as
// sent ("SubmitYN" = "1" in that file) and notes when the offline report ("type=online&live=0")
// has been answered, which the main window waits for while the program quits.
//
// Threads: GUI thread only.
class PostLogObject : public QObject
{
    Q_OBJECT
public:
    PostLogObject(QObject *parent, const QString &url, const QByteArray &body);

    void setBody(const QByteArray &body) { m_baBody = body; }
    QByteArray body() const { return m_baBody; }
    QString url() const { return m_sUrl; }
    // Set once the answer to an offline report arrived, successfully or not; never cleared.
    bool isQuitDone() const { return m_bQuitDone; }

    void post();

    // The log file name a body uploads: the text after the last "fileName=" up to the first
    // ".log", followed by ".log"; empty when the body uploads no log.
    static QString uploadedLogName(const QByteArray &body);

private slots:
    void onReplyFinished();

private:
    bool m_bQuitDone = false;
    const QString m_sUrl;
    QByteArray m_baBody;
    QNetworkAccessManager m_nam;
};

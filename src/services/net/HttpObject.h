#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QtGlobal>

class QNetworkReply;

// What to do with the answer of a presence or report request.
enum HttpObjectAction
{
    ACTION_NEXT_LOGIN = 110,             // key, then the login report
    ACTION_NEXT_LOGOUT = 111,            // key, then the logout report
    ACTION_NEXT_LIVE = 112,              // key, then the heartbeat or offline report
    ACTION_NEXT_LOG = 113,               // key, then a log-file upload
    ACTION_GET_PLAY_STATES = 114,        // the play states under which network songs may play
    ACTION_GET_FM_INFO_LIST = 115,       // the radio channel list
    ACTION_NEXT_GET_LIVE_KEY = 116,      // key, then the start-up report, whose answer is the live id
    ACTION_NEXT_UPDATE_ERROR_INFO = 117, // key, then the update report
};

// The user value of a log upload (action 113): the report's first part and the log file's path.
struct LogUploadRecord
{
    QByteArray report;
    QString path;
};

// The player's presence and report requests. Most reports go in two steps: a GET of a fresh key
// from the key-query address, then a form-encoded POST of the report with "&guid=" + key and
// "&sn=" + the serial appended (live reports "&id=" + the live id, the update report "&mac=" +
// the MAC), through the main window's PostLogObject or this object's own POST. Two further
// requests fetch the playable states and the radio channels once per run.
//
// Every request carries the action (attribute User), a user value (User + 1, pointer-wide) and a
// carried text (User + 2). For actions 110 to 112 the user value is a heap QByteArray (the
// report's first part) and for 113 a heap LogUploadRecord, made with newReport / newLogUpload;
// this object frees them on every path, also when it goes with requests still in flight. Values
// appended to a body (key, serial, live id, MAC) are percent-encoded, so an odd answer cannot
// change the form's shape.
//
// The main window's values (serial, key-query address, MAC, live id, playable states, the
// PostLogObject) are read and written through the main-window seam; the radio channel row is
// built by it (setRadioChannels).
//
// Threads: GUI thread only.
class HttpObject : public QObject
{
    Q_OBJECT
public:
    explicit HttpObject(QObject *owner = nullptr);
    ~HttpObject() override;

    void get(const QString &url, int action, quintptr userValue, const QByteArray &carried);
    void post(const QString &url, int action, quintptr userValue, const QByteArray &body);

    // User values for 110 to 112 and for 113.
    static quintptr newReport(const QByteArray &firstPart);
    static quintptr newLogUpload(const QByteArray &report, const QString &path);

    // Test seam and tuning: a request that receives nothing for this long fails (0: never).
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }

public slots:
    void onGetReplyFinished();
    void onPostReplyFinished();

private:
    static void freeUserValue(int action, quintptr userValue);
    void buildRadioChannels(const QByteArray &answer);

    QNetworkAccessManager m_nam;
    int m_nTransferTimeoutMs = 30000;
};

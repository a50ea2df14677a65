#pragma once

#include "services/net/PostLogObject.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
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
Q_DECLARE_METATYPE(LogUploadRecord)

// What the presence reports know of this installation and this run. The main window fills in the
// serial, the key-query address and the MAC at start-up and hands over its report poster; the
// answers fill in the live id and the playable states, which the song-information answer reads.
// GUI thread only.
struct PresenceState
{
    QString m_sSerial;                     // the installation's "sn"
    QString m_sKeyUrl;                     // the key-query address of the presence reports
    QString m_sMac;                        // getMacAddress()
    QString m_sLiveId;                     // empty until the start-up report is answered
    QStringList m_slPlayableStates;        // play states under which network songs may play
    QPointer<PostLogObject> m_pPostLogObj; // the report poster (owned by the main window)
};

// The one presence state of the run.
PresenceState &g_presenceState();

// The player's presence and report requests. Most reports go in two steps: a GET of a fresh key
// from the key-query address, then a form-encoded POST of the report with "&guid=" + key and
// "&sn=" + the serial appended (live reports "&id=" + the live id, the update report "&mac=" +
// the MAC), through the main window's PostLogObject or this object's own POST. Two further
// requests fetch the playable states and the radio channels once per run.
//
// Every request carries the action (attribute User), a user value (User + 1) and a carried text
// (User + 2). For actions 110 to 112 the user value is the report's first part and for 113 a
// LogUploadRecord, made with newReport / newLogUpload. The request holds them by value, so they
// go with it whether its answer arrives, fails, or never comes because this object went first.
// Values appended to a body (key, serial, live id, MAC) are percent-encoded, so an odd answer
// cannot change the form's shape.
//
// The values the reports carry and learn (serial, key-query address, MAC, live id, playable
// states, the PostLogObject) live in g_presenceState(); the radio channel row is built through
// the main-window seam (setRadioChannels).
//
// Threads: GUI thread only.
class HttpObject : public QObject
{
    Q_OBJECT
public:
    explicit HttpObject(QObject *owner = nullptr);
    ~HttpObject() override;

    // userValue: what newReport or newLogUpload made for the action; anything else (0) for the
    // other actions.
    void get(const QString &url, int action, const QVariant &userValue, const QByteArray &carried);
    void post(const QString &url, int action, const QVariant &userValue, const QByteArray &body);

    // User values for 110 to 112 and for 113.
    static QVariant newReport(const QByteArray &firstPart);
    static QVariant newLogUpload(const QByteArray &report, const QString &path);

    // Test seam and tuning: a request that receives nothing for this long fails (0: never).
    void setTransferTimeout(int ms) { m_nTransferTimeoutMs = ms; }

public slots:
    void onGetReplyFinished();
    void onPostReplyFinished();

private:
    void buildRadioChannels(const QByteArray &answer);

    QNetworkAccessManager m_nam;
    int m_nTransferTimeoutMs = 30000;
};

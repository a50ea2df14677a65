#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPixmap>

// The logged-in user's picture: shown on the main window's user-picture label (through the
// main-window seam) and kept in g_pUserPixmap for the user-info pop-up. The default picture
// stands in when nobody is logged in and when the picture cannot be fetched or decoded. A late
// answer for a member who is no longer the logged-in one changes nothing.
//
// Needs a GUI application (g_pUserPixmap is a QPixmap).
//
// Threads: GUI thread only; no lock.
class UserpicHandler : public QObject
{
    Q_OBJECT
public:
    explicit UserpicHandler(QObject *parent = nullptr);
    ~UserpicHandler() override;

    void loadDefaultUserPic();
    void dealwithUserPicResponse(uint nMemberId, QByteArray *pData);
    void dealRequestErr(uint nMemberId);

private:
    void showPicture(const QImage &picture);
    static bool isLoggedInMember(uint nMemberId);

    QImage m_pixDefaultAvatar;
};

// The current user picture, replaced on every change (the previous one freed); null until the
// first picture is shown. Read by the user-info pop-up, which never frees it.
extern QPixmap *g_pUserPixmap;
extern UserpicHandler *g_pUserpicHandler;

#include "services/pictures/UserpicHandler.h"

#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/pictures/PictureFiles.h"
#include "services/seams/MainWindowSeam.h"

QPixmap *g_pUserPixmap = nullptr;
UserpicHandler *g_pUserpicHandler = nullptr;

UserpicHandler::UserpicHandler(QObject *parent)
    : QObject(parent)
    , m_pixDefaultAvatar(QStringLiteral(":/qss/debug/images/btnimage/else/defaultAvatar.png"))
{
}

UserpicHandler::~UserpicHandler()
{
    if (g_pUserpicHandler == this)
        g_pUserpicHandler = nullptr;
}

bool UserpicHandler::isLoggedInMember(uint nMemberId)
{
    // Nobody logged in: no answer is for the current member, not even one for member 0.
    return !g_sMemberId.isEmpty() && g_sMemberId.toUInt() == nMemberId;
}

void UserpicHandler::showPicture(const QImage &picture)
{
    g_mainWindowSeam()->showUserPicture(picture);
    delete g_pUserPixmap;
    g_pUserPixmap = new QPixmap(QPixmap::fromImage(picture));
}

void UserpicHandler::loadDefaultUserPic()
{
    try {
        showPicture(m_pixDefaultAvatar);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void UserpicHandler::dealwithUserPicResponse(uint nMemberId, QByteArray *pData)
{
    try {
        if (!isLoggedInMember(nMemberId))
            return;
        const QImage picture = pData ? g_decodePicture(*pData) : QImage();
        if (picture.isNull()) {
            loadDefaultUserPic();
            return;
        }
        showPicture(picture.scaled(70, 70, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void UserpicHandler::dealRequestErr(uint nMemberId)
{
    if (isLoggedInMember(nMemberId))
        loadDefaultUserPic();
}

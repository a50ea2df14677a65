#include "online/WgtInstantSearch.h"

#include "online/OnlineLog.h"

WgtInstantSearch::WgtInstantSearch(QWidget *parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("WgtInstantSearch"));
}

void WgtInstantSearch::searchNetResponse(const QString &s, int nType, quintptr uUserData)
{
    qCDebug(lcOnline) << "instant search answer not shown yet:" << nType << uUserData << s.size();
}

void WgtInstantSearch::searchEditFinished()
{
    hide();
}

#include "library/WgtFavLists.h"

#include "library/LibraryLog.h"

WgtFavLists::WgtFavLists(QWidget *parent)
    : QWidget(parent)
{
}

void WgtFavLists::dealwithFavOp(const QString &s, int nType, quintptr uUserData)
{
    qCDebug(lcLibrary) << "favourite edit answered, not applied yet:" << nType << uUserData << s.left(80);
}

void WgtFavLists::dealwithFavOpErr(int nType, quintptr uUserData)
{
    qCDebug(lcLibrary) << "favourite edit failed:" << nType << uUserData;
}

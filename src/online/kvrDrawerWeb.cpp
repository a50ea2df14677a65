#include "online/kvrDrawerWeb.h"

kvrDrawerWeb *g_pWebDrawer = nullptr;

kvrDrawerWeb::kvrDrawerWeb(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("kvrDrawerWeb"));
    setStyleSheet(QStringLiteral("#kvrDrawerWeb{background-color:rgba(0,0,0,70%);}"));
}

QString kvrDrawerWeb::getCurUrl() const
{
    return {};
}

void kvrDrawerWeb::closeMyself()
{
    if (isVisible())
        hide();
}

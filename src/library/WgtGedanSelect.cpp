#include "library/WgtGedanSelect.h"

WgtGedanSelect *g_pGedanSelect = nullptr;

WgtGedanSelect::WgtGedanSelect(QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("WgtGedanSelect"));
}

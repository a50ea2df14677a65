#include "shell/CusEvent.h"

CusEvent::CusEvent(int type)
    : QEvent(static_cast<QEvent::Type>(type))
{
}

CusEvent::~CusEvent() = default;

#include "lyrics/kvrBoxLrc.h"

kvrBoxLrc *g_pBoxLrc = nullptr;

kvrBoxLrc::kvrBoxLrc(QWidget *parent)
    : QWidget(parent)
{
}

void kvrBoxLrc::lineRect() {}

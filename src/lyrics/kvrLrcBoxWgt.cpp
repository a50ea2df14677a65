#include "lyrics/kvrLrcBoxWgt.h"

kvrLrcBoxWgt::kvrLrcBoxWgt(QWidget *parent)
    : QFrame(parent)
{
}

#include "lyrics/kvrLrcBoxWgt.h"

#include "lyrics/LyricsLog.h"

kvrLrcBoxWgt::kvrLrcBoxWgt(QWidget *parent)
    : QFrame(parent)
{
}

void kvrLrcBoxWgt::changeBK(uint uSingerId, int n)
{
    qCDebug(lcLyrics) << "lyric box background: singer" << uSingerId << "picture" << n << "(not drawn yet)";
}

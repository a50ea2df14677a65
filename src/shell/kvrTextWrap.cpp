#include "shell/kvrTextWrap.h"

namespace {
constexpr QChar kZeroWidthSpace(0x200B);
constexpr QChar kZeroWidthJoiner(0x200D);
// Longer than nearly every word of prose, short enough for a label of a few hundred pixels.
constexpr int kLongestRun = 16;

bool isSeparator(QChar c)
{
    static const QString separators = QStringLiteral("/\\_-.?&=:;,|+~");
    return separators.contains(c);
}
} // namespace

QString kvrWrapAnywhere(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        out += c;
        if (c.isSpace() || c == kZeroWidthSpace) {
            run = 0;
            continue;
        }
        ++run;
        if (i + 1 == text.size())
            break;
        // Never inside a character: not between the halves of a surrogate pair nor before a mark
        // that combines with what precedes it, and never where the text may break anyway.
        const QChar next = text.at(i + 1);
        if (c.isHighSurrogate() || next.isMark() || next.isSpace() || next == kZeroWidthSpace ||
            c == kZeroWidthJoiner || next == kZeroWidthJoiner)
            continue;
        if (isSeparator(c) || run >= kLongestRun) {
            out += kZeroWidthSpace;
            run = 0;
        }
    }
    return out;
}

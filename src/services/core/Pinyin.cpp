#include "services/core/Pinyin.h"

#include <QStringEncoder>

namespace {

#include "services/core/PinyinData.inc"

constexpr int kFirstLevelStart = 1601;
constexpr int kSecondLevelStart = 5601;
constexpr int kSecondLevelEnd = 8794;

} // namespace

std::string pinyinOfGbCode(int code)
{
    if (code >= kSecondLevelStart && code <= kSecondLevelEnd) {
        const int zone = code / 100 - 56;
        const int position = code % 100;
        if (position < 1 || position > 94)
            return "?";
        const quint16 entry = kSecondLevel[zone * 94 + position - 1];
        return entry ? std::string(kSyllables[entry - 1]) : std::string("?");
    }
    if (code < kFirstLevelStart || code >= kSecondLevelStart)
        return "?";
    // The ranges ascend; a code between two ranges (an empty cell) maps to nothing.
    for (const FirstLevelRange &range : kFirstLevel) {
        if (code < range.first)
            break;
        if (code <= range.last)
            return kSyllables[range.syllable];
    }
    return "?";
}

std::string toPinyin(const std::string &gbText)
{
    std::string result;
    const size_t size = gbText.size();
    for (size_t i = 0; i < size;) {
        const unsigned char lead = static_cast<unsigned char>(gbText[i]);
        if (lead < 128) {
            result += char(lead);
            ++i;
            continue;
        }
        const unsigned char trail = i + 1 < size ? static_cast<unsigned char>(gbText[i + 1]) : '0';
        if (lead >= 161 && trail >= 161) {
            result += pinyinOfGbCode((lead - 160) * 100 + (trail - 160));
            i += 2;
        } else {
            ++i; // not the start of a GB2312 character: skip this byte alone
        }
    }
    return result;
}

std::string g_toPinyin(const QString &text)
{
    std::string result;
    if (text.trimmed().isEmpty())
        return result;
    QStringEncoder gb("GB18030");
    if (!gb.isValid())
        return result;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray bytes = gb.encode(QStringView(text).mid(i, length));
        const std::string syllable = toPinyin(std::string(bytes.constData(), size_t(bytes.size())));
        if (!syllable.empty())
            result += syllable.front();
        i += length;
    }
    return result;
}

#pragma once

#include <QString>

#include <string>

// Pinyin of Chinese characters, for the instant search's matching by initials. The texts are
// 8-bit GB text: ASCII, and GB2312 two-byte characters (a lead and a trail byte, both 0xA1 or
// more). Chinese text is turned into GB bytes with the GB18030 codec whatever the locale is.

// The syllable of a GB2312 zone-position code (100 x (lead - 160) + (trail - 160); 1601 is the
// first Chinese character) in capitals without tone, "?" when the code maps to none. Both levels
// of GB2312 are covered: zones 16-55 by pronunciation ranges, zones 56-87 character by character.
// The ü of "LÜ" and "NÜ" is the GB2312 letter (0xA8 0xB9).
std::string pinyinOfGbCode(int code);

// ASCII bytes are copied; a pair of bytes both 0xA1 or more becomes its syllable; any other byte
// of 0x80 or more is skipped on its own.
std::string toPinyin(const std::string &gbText);

// One byte per character of the text: ASCII characters themselves, Chinese characters the
// capital initial of their syllable, unmapped characters "?". Empty for a blank text.
std::string g_toPinyin(const QString &text);

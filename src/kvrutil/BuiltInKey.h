#pragma once

#include <QtGlobal>

namespace kvrutil {

// The key of every enciphered file of the player and the upgrader. Changing it makes every
// file users have unreadable.
constexpr quint32 kBuiltInKeyLow = 0x5A3C9E17u;
constexpr quint32 kBuiltInKeyHigh = 0x2B7D04F1u;
constexpr quint64 kBuiltInKey = (quint64(kBuiltInKeyHigh) << 32) | kBuiltInKeyLow;

} // namespace kvrutil

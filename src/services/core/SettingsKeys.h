#pragma once

// Settings keys used by the engine services, one constant per key, grouped by the file they
// live in. The texts are the files' own and must not change: users' files carry them.

#include <QLatin1StringView>

namespace InstallKeys {
// The installation's "config.ini" beside the program.
inline constexpr QLatin1StringView kFileName{"config.ini"};
// The hosts of the web service (ours to configure; built-in defaults when absent).
inline constexpr QLatin1StringView kHostService{"hosts/service"};
inline constexpr QLatin1StringView kHostSite{"hosts/site"};
inline constexpr QLatin1StringView kHostAccount{"hosts/account"};
inline constexpr QLatin1StringView kHostImage{"hosts/image"};
} // namespace InstallKeys

namespace UserKeys {
// The per-user "configu.ini" in the data folder.
inline constexpr QLatin1StringView kFileName{"configu.ini"};
inline constexpr QLatin1StringView kNameFormat{"nameformat"};
inline constexpr QLatin1StringView kDownCount{"downCount"};
} // namespace UserKeys

namespace LogKeys {
// Event words of the daily log; most are followed by the time in milliseconds.
inline constexpr QLatin1StringView kException{"YiChang"};
inline constexpr QLatin1StringView kPlayError{"PlayError"};
inline constexpr QLatin1StringView kDownloadError{"DownloadError"};
inline constexpr QLatin1StringView kSubmitted{"SubmitYN"};
} // namespace LogKeys

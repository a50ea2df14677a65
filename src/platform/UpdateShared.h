#pragma once

// What the upgrader and the player's update dialog must agree on: the update lock, the private
// folder holding the package and the update dates, and the names of the shared settings.
// Qt Core only: the player compiles UpdateShared.cpp into itself, since it must not link the
// upgrader and the upgrader must not link the player's libraries.

#include <QString>

namespace kvrupdate {

// The update mutex of both programs. On Linux it is a QLockFile at lockFilePath().
inline constexpr char16_t kUpdateMutexName[] = u"[{879676B3-4AC4-4a14-839D-74C594711270}]";

// File names inside privateFolder().
inline constexpr char16_t kPackageFileName[] = u"updpkg";
inline constexpr char16_t kInstallerFileName[] = u"vyoInstaller.exe";
inline constexpr char16_t kConfigFileName[] = u"config.ini";

// Keys of the installation's "config.ini" (and "upd" of the private one).
inline constexpr char16_t kKeyServerUrl[] = u"serverurl";
inline constexpr char16_t kKeySoftVer[] = u"softver";
inline constexpr char16_t kKeySoftVer1[] = u"softver1";
inline constexpr char16_t kKeySize[] = u"size";
inline constexpr char16_t kKeySelfUpdate[] = u"selfupdate";
inline constexpr char16_t kKeyUpd[] = u"upd";

// The registry stand-in: QSettings(kRegistryOrganization, kRegistryApplication), value "Default".
inline constexpr char16_t kRegistryOrganization[] = u"kvr";
inline constexpr char16_t kRegistryApplication[] = u"vyoplayer";
inline constexpr char16_t kRegistryInstallFolder[] = u"Default";

// The lock file that stands for the named mutex `mutexName`. Every program that takes the same
// mutex name gets the same path: the name is percent-encoded into one file name (so no text can
// climb out of the folder) in the user's runtime folder, or the temporary folder without one.
QString lockFilePath(const QString &mutexName);

// Whether `offered` is a newer version than `installed`. Versions compare by their dotted
// numeric components (letters dropped), a missing component or one that is not a number
// counting as 0:
// 1.2.10 > 1.2.9, 1.3 > 1.2.9, 1.0 == 1.0.0. Gluing the digits together instead would take
// 1.2.0 (120) for newer than 1.10 (110) and install a downgrade.
bool isNewerVersion(const QString &offered, const QString &installed);

// The per-user folder for the update package and the update dates, created with mode 0700 on
// first use. Empty when it cannot be made private (not a folder, a symbolic link, another
// user's, or no cache location at all): the package is executed later, so it must never sit
// where other users can write.
QString privateFolder();

// After a complete download of the package: "upd" (yyyy-MM-dd) in the private folder's
// "config.ini", and "upd" (yyyyMMdd), "softver1" and "selfupdate" in the installation's
// (installDir + "/config.ini"), so the next upgrader run installs it.
void recordDownloadedUpdate(const QString &installDir, const QString &serverVersion,
                            const QString &selfUpdate);

} // namespace kvrupdate

#pragma once

#include <QString>

// The results of one upgrader run. Codes below zero cannot be a Linux exit status (0..255);
// exitStatus() turns every code into the status the process ends with.
enum UpgraderExitCode : int
{
    ExitInstallerStarted = 0,
    ExitUpdateNotAllowed = 1,
    ExitNewestVersion = 2,
    ExitWrongPackageSize = 11,
    ExitMutexFailed = 100,
    ExitFailed = -1,
    ExitNoServerUrl = -2,
    ExitAnswerNotXml = -3,
    ExitAnswerIncomplete = -4,
    ExitNoInstallFolder = -888,
};

// -1..-4 become 255..252 (their own low byte). -888 becomes 248 rather than its low byte 136,
// since shells report 129..192 for a program ended by a signal.
int exitStatus(int code);

// The player's executable, ended before the installer starts.
inline constexpr char16_t kPlayerExecutableName[] = u"VyoPlayer";

// kPlayerExecutableName, or the name in the environment variable KVR_UPGRADER_PLAYER_NAME.
// Tests run in parallel with suites that start the real player; with a name of their own
// they never end a player they did not start.
QString playerExecutableName();

// Ends the player (`exeName`, the current user's first process of that name) and starts the
// installer detached, with no arguments, in `workingDir`. 0 when the installer was started;
// -1 when the player could not be ended (the installer is then not started) or the installer
// could not be started.
int changeFiles(const QString &installerPath, const QString &exeName, const QString &workingDir);

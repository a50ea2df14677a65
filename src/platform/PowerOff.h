#pragma once

#include <functional>

// Shuts the computer down (the timed shutdown). The real call asks logind over the system bus to
// power off. Two seams keep tests and trial runs away from it:
//  - KVR_POWEROFF_COMMAND in the environment: a command line run instead (for example "true",
//    or a script that records the call); its exit status 0 counts as success;
//  - g_setPowerOffCommand: an in-process replacement, which takes precedence.
// Returns whether the shutdown was accepted.
bool g_shutdownWindows();

// nullptr restores the real behaviour.
void g_setPowerOffCommand(std::function<bool()> command);

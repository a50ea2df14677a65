#pragma once

#include <QString>

// The upgrader runs unattended (started by a service), so what it does goes to a log file in
// its folder as well as to the standard error output.
namespace upgraderlog {

// Later lines are appended to "upgrader.log" in `folder`. A log that has grown past 1 MiB is
// started afresh, so a program run every few minutes for years cannot fill the disk.
void setLogFolder(const QString &folder);

void write(const QString &text);

} // namespace upgraderlog

#pragma once

#include <QString>

// The four hosts of the web service, each as a base address: scheme and host (and port), no
// trailing "/". The real service is outside the system, so the hosts are configuration: built-in
// defaults, overridden by the installation's "config.ini" ([hosts] service, site, account,
// image). Tests point them at the fake service; a whole-program test may name another INI file
// in the environment variable KVR_HOSTS_INI, which then takes the place of "config.ini" for the
// hosts only.
class ServiceHosts
{
public:
    QString service; // the programming interface, the player's web pages, presence
    QString site;    // the URL index and the song-information documents
    QString account; // song-list files, registration and password pages
    QString image;   // singer pictures

    // The defaults when nothing is configured.
    static ServiceHosts builtIn();
    // The hosts that an INI file names; a missing or empty key keeps the fallback's host.
    // Trailing "/" are removed, so a base followed by a path never has "//".
    static ServiceHosts fromIni(const QString &iniPath, const ServiceHosts &fallback = builtIn());
    // The hosts of an installation: KVR_HOSTS_INI when set, else appDir + "/config.ini".
    static ServiceHosts forInstallation(const QString &appDir);

    // The service host's name without scheme and port, which the song-list addresses on the
    // account host carry in their path.
    QString serviceHostName() const;

    bool operator==(const ServiceHosts &other) const = default;
};

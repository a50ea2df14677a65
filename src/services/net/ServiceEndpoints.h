#pragma once

#include "services/net/ServiceHosts.h"

#include <QString>

// The web service's endpoints as complete URL prefixes: a sender appends its (percent-encoded)
// query values with ServiceUrl and hands the result to httpRequestHandler. Each prefix is the
// host base immediately followed by the path, exactly as spelled here (the online-count and
// radio-channel stems really are "apihandler" in lower case).
class ServiceEndpoints
{
public:
    explicit ServiceEndpoints(const ServiceHosts &hosts = ServiceHosts::builtIn());

    ServiceHosts hosts;

    // The service host base, held twice: one copy for the programming-interface stems, one for
    // the web pages and search. Both hold the same text.
    QString serviceApiBase;
    QString serviceWebBase;
    QString imageBase; // large singer pictures: the image base followed by a path of the answer

    // Site host.
    QString urlIndex;     // request types 0 and 16
    QString songInfoBase; // "/html/pxml/", see g_getSongInfoUrl

    // Account host.
    QString favLists;      // type 6, then the member id
    QString favListDetail; // type 7, then the member id and "&d="
    QString forgetPasswordPage;
    QString registrationPage;
    QString suggestionPage;

    // Service host: pages.
    QString webSearchPage;
    QString homePage;
    QString chartPage;
    QString singerPage;
    QString categoryPage;
    QString topicPage;

    // Service host: programming interface, by request type.
    QString login;                 // 3
    QString netList;               // 5
    QString deleteList;            // 8
    QString delSongDefault;        // 9
    QString delSongOwn;            // 9
    QString createList;            // 10
    QString addSongDefault;        // 11
    QString addSongOwn;            // 11
    QString renameList;            // 12
    QString instantSearch;         // 20
    QString favouriteSingers;      // 21
    QString singerSongs;           // 22
    QString lyricSearch;           // 23
    QString navigation;            // 24
    QString onlineCount;           // 25
    QString qqLoginCheck;          // 27
    QString moreRadioSongs;        // 28
    QString addSongsDefault;       // 29
    QString addSongsOwn;           // 29
    QString addFavouriteSinger;    // 30
    QString moveDefaultToOwn;      // 31
    QString moveOwnToDefault;      // 31
    QString moveOwnToOwn;          // 31
    QString singerBigImages;       // 32
    QString deleteFavouriteSinger; // 35

    // Image host: singer thumbnails (type 17), then "N/id.jpg".
    QString singerThumbBase;

    // Presence and reports.
    QString userClientHandle; // presence, heartbeat, key query, log upload
    QString playStates;       // "getqinquan"
    QString fmClasses;        // radio channels
    QString externalAddress;  // the start-up report's external-address query
};

// The endpoints in force. Until g_setServiceHosts or g_loadServiceHosts runs they are built
// from the installation beside the running program (or the built-in hosts without an
// application object). Set them at start, before any request; GUI thread.
const ServiceEndpoints &g_endpoints();
void g_setServiceHosts(const ServiceHosts &hosts);
void g_loadServiceHosts(const QString &appDir);

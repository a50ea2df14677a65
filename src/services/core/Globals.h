#pragma once

// The program-wide values that exist before main runs and live until the process ends. Each is
// written by the subsystem named beside it and read everywhere. They are plain globals on
// purpose: every page of the player reads them, and the names are the design's own.
//
// Threads: the strings are assigned on the GUI thread (main, the main window, the login) and
// read by the GUI thread; the log folder is also read by the daily log from worker threads, so
// it must be set before any worker starts (the main window sets it first thing).

#include "kvrutil/SimpleCrypt.h"

#include <QFile>
#include <QMutex>
#include <QString>

// Folders and paths.
extern QString g_sDataDir;     // per-user data folder, set by main
extern QString g_sLogDir;      // daily-log folder, set by the main window's constructor
extern QString g_sAppDir;      // the program folder, set by the main window's constructor
extern QString g_sUpdateIni;   // "update.ini" in the data folder, set by main
extern QString g_sWebCacheDir; // the web pages' storage folder, set by the main-window layout
extern QString g_sStyleVars;   // the style-variable section of the style sheet, set by main

// Account state (the login and favourite synchronisation own it).
extern QString g_sMemberId; // empty while nobody is logged in
extern QString g_sMemberExtra;
extern QString g_sFavRevision; // sent as "&r="
extern QString g_sUserAccount;
extern QString g_sPwd;
extern bool g_bIsQQLoginSuc;

// Songs waiting for a favourite list that is being created (the favourites pages own them).
extern QString SGeQuIdStr;
extern QString LoveStr;
extern bool bChuangJianGeDan;

// The song whose lyric the lyric-search answer asked for.
extern QString g_sPendingLrcId;
extern QString g_sPendingLrcName; // artist " - " title

// The URL index: the stream address prefix of network songs, and whether it is known.
extern QString g_sMainUrl;
extern bool g_bMainUrlOk;

// The count badges' style: %1 is the badge width, %2 its height in pixels.
extern const QString g_sBadgeStyleTemplate;

// The one cipher object, with the built-in key. Not thread-safe: GUI thread only.
extern SimpleCrypt g_crypt;

// Pending log uploads, lowered by the answers of request type 26 (never sent by this program).
extern QMutex g_mutexLogCount;
extern int g_nPendingLogCount;

// Download settings, loaded by g_loadDownloadSettings and changed by the download settings page.
extern int g_nDownNameFormat; // 0 singer - title, 1 title - singer, 2 title
extern int g_nMaxDownloads;   // simultaneous downloads

// The raw log file of g_writelog. Nothing opens it, so it stays null.
extern QFile *g_hLogFile;

#pragma once

// Saves every program-wide value of services/core/Globals.h and services/playback/PlaybackGlobals.h,
// and the presence state (g_presenceState), when made and puts them back when it goes, so that a test
// function leaves no trace in the next one and each runs alone as it runs in the suite. Make one in init()
// and drop it in cleanup():
//
//     std::optional<GlobalsGuard> m_globals;
//     void init() { m_globals.emplace(); ... }
//     void cleanup() { ...; m_globals.reset(); }
//
// Threads: GUI thread, with no worker of the services running (as the globals themselves
// require).
#include "services/core/Globals.h"
#include "services/net/HttpObject.h"
#include "services/playback/PlaybackGlobals.h"

#include <QMutexLocker>

class GlobalsGuard
{
public:
    GlobalsGuard()
        : m_sDataDir(g_sDataDir)
        , m_sLogDir(g_sLogDir)
        , m_sAppDir(g_sAppDir)
        , m_sUpdateIni(g_sUpdateIni)
        , m_sWebCacheDir(g_sWebCacheDir)
        , m_sStyleVars(g_sStyleVars)
        , m_sMemberId(g_sMemberId)
        , m_sMemberExtra(g_sMemberExtra)
        , m_sFavRevision(g_sFavRevision)
        , m_sUserAccount(g_sUserAccount)
        , m_sPwd(g_sPwd)
        , m_bIsQQLoginSuc(g_bIsQQLoginSuc)
        , m_sGeQuIdStr(SGeQuIdStr)
        , m_sLoveStr(LoveStr)
        , m_bChuangJianGeDan(bChuangJianGeDan)
        , m_sPendingLrcId(g_sPendingLrcId)
        , m_sPendingLrcName(g_sPendingLrcName)
        , m_sMainUrl(g_sMainUrl)
        , m_bMainUrlOk(g_bMainUrlOk)
        , m_crypt(g_crypt)
        , m_nDownNameFormat(g_nDownNameFormat)
        , m_nMaxDownloads(g_nMaxDownloads)
        , m_hLogFile(g_hLogFile)
        , m_hStream(g_hStream.load())
        , m_nSongSourceKind(g_nSongSourceKind)
        , m_bNetSongComplete(g_bNetSongComplete)
        , m_nPlayingListId(g_nPlayingListId)
        , m_presence(g_presenceState())
    {
        QMutexLocker locker(&g_mutexLogCount);
        m_nPendingLogCount = g_nPendingLogCount;
    }

    ~GlobalsGuard()
    {
        g_sDataDir = m_sDataDir;
        g_sLogDir = m_sLogDir;
        g_sAppDir = m_sAppDir;
        g_sUpdateIni = m_sUpdateIni;
        g_sWebCacheDir = m_sWebCacheDir;
        g_sStyleVars = m_sStyleVars;
        g_sMemberId = m_sMemberId;
        g_sMemberExtra = m_sMemberExtra;
        g_sFavRevision = m_sFavRevision;
        g_sUserAccount = m_sUserAccount;
        g_sPwd = m_sPwd;
        g_bIsQQLoginSuc = m_bIsQQLoginSuc;
        SGeQuIdStr = m_sGeQuIdStr;
        LoveStr = m_sLoveStr;
        bChuangJianGeDan = m_bChuangJianGeDan;
        g_sPendingLrcId = m_sPendingLrcId;
        g_sPendingLrcName = m_sPendingLrcName;
        g_sMainUrl = m_sMainUrl;
        g_bMainUrlOk = m_bMainUrlOk;
        g_crypt = m_crypt;
        g_nDownNameFormat = m_nDownNameFormat;
        g_nMaxDownloads = m_nMaxDownloads;
        g_hLogFile = m_hLogFile;
        g_hStream = m_hStream;
        g_nSongSourceKind = m_nSongSourceKind;
        g_bNetSongComplete = m_bNetSongComplete;
        g_nPlayingListId = m_nPlayingListId;
        g_presenceState() = m_presence;
        QMutexLocker locker(&g_mutexLogCount);
        g_nPendingLogCount = m_nPendingLogCount;
    }

    GlobalsGuard(const GlobalsGuard &) = delete;
    GlobalsGuard &operator=(const GlobalsGuard &) = delete;

private:
    const QString m_sDataDir;
    const QString m_sLogDir;
    const QString m_sAppDir;
    const QString m_sUpdateIni;
    const QString m_sWebCacheDir;
    const QString m_sStyleVars;
    const QString m_sMemberId;
    const QString m_sMemberExtra;
    const QString m_sFavRevision;
    const QString m_sUserAccount;
    const QString m_sPwd;
    const bool m_bIsQQLoginSuc;
    const QString m_sGeQuIdStr;
    const QString m_sLoveStr;
    const bool m_bChuangJianGeDan;
    const QString m_sPendingLrcId;
    const QString m_sPendingLrcName;
    const QString m_sMainUrl;
    const bool m_bMainUrlOk;
    const SimpleCrypt m_crypt;
    const int m_nDownNameFormat;
    const int m_nMaxDownloads;
    QFile *const m_hLogFile;
    const quint32 m_hStream;
    const int m_nSongSourceKind;
    const bool m_bNetSongComplete;
    const int m_nPlayingListId;
    const PresenceState m_presence;
    int m_nPendingLogCount = 0;
};

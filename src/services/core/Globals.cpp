#include "services/core/Globals.h"

QString g_sDataDir;
QString g_sLogDir;
QString g_sAppDir;
QString g_sUpdateIni;
QString g_sWebCacheDir;
QString g_sStyleVars;

QString g_sMemberId;
QString g_sMemberExtra;
QString g_sFavRevision;
QString g_sUserAccount;
QString g_sPwd;
bool g_bIsQQLoginSuc = false;

QString SGeQuIdStr;
QString LoveStr;
bool bChuangJianGeDan = false;

QString g_sPendingLrcId;
QString g_sPendingLrcName;

QString g_sMainUrl;
bool g_bMainUrlOk = false;

const QString g_sBadgeStyleTemplate = QStringLiteral(
    "color:white;min-width:%1px;max-width:%1px;min-height:%2px;max-height:%2px;border-image:url(:/qss/"
    "debug/images/btnimage/tp/newDot.png) 4 4;border-width:4px 4px;padding:-4px -1px;");

SimpleCrypt g_crypt;

QMutex g_mutexLogCount;
int g_nPendingLogCount = 0;

int g_nDownNameFormat = 0;
int g_nMaxDownloads = 3;

QFile *g_hLogFile = nullptr;

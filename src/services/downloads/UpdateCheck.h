#pragma once

#include <QString>
#include <QStringList>

// The in-app update dialog (WgtUpdate, online subsystem) as the update check drives it. The
// dialog belongs to a page above this layer; it installs its implementation
// (g_setUpdateDialogSeam) and removes it before it goes. Until then a default that writes a debug
// line for each call answers.
//
// Each operation runs its dialog modally with the main window as parent; the caller is written
// for the modal loop's re-entrance.
class UpdateDialogSeam
{
public:
    virtual ~UpdateDialogSeam() = default;

    // A newer version: WgtUpdate(main window, 0, version, log) replacing (and deleting) the one
    // in g_pWgtUpdate, then setVersionInfo(fileUrl, version, selfUpdate, size), run modally. It
    // stays in g_pWgtUpdate after it closes.
    virtual void execUpdateOffer(const QString &version, const QStringList &log, const QString &fileUrl,
                                 const QString &selfUpdate, int size) = 0;
    // The installed version is current (manual check only): WgtUpdate(main window, 1, "", {})
    // replacing the one in g_pWgtUpdate, run modally.
    virtual void execNoUpdate() = 0;
    // A manual check failed: WgtUpdate(main window, 1, "", {}) in its failure form (the texts and
    // looks below, a link button to downloadPageUrl calling onOpenUrl), built on the spot, not
    // kept in g_pWgtUpdate, run modally and destroyed.
    virtual void execCheckFailed(const QString &downloadPageUrl) = 0;
};

// The failure form of the update dialog.
namespace UpdateFailureForm {
inline const QString kTitle = QStringLiteral("升级检测失败");
inline const QString kVersionText = QStringLiteral("检测失败请到官网下载最新版");
inline const QString kVersionLabelName = QStringLiteral("WgtUpdate_label11_offline");
inline const QString kLinkStyle =
    QStringLiteral("color:#5c9921;font-weight:bold;font-size:16px;border-style:flat;");
inline const QString kPicture = QStringLiteral(":/qss/debug/images/btnimage/tp/noticeTips.png");
} // namespace UpdateFailureForm

UpdateDialogSeam *g_updateDialogSeam();
void g_setUpdateDialogSeam(UpdateDialogSeam *seam);

// Asks the update server (the enciphered "serverurl" of the installation's "config.ini") whether
// a version newer than "softver" exists and hands the outcome to the update dialog. bAuto (the
// start-up report) stays silent unless a newer version exists; a manual check always shows a
// result. Waits for the answer in a local event loop; a server that does not answer within the
// time-out ends in the failure path.
void g_checkUpdateManually(bool bAuto);

// Test seam and tuning: how long the check waits for the server (ms).
void g_setUpdateCheckTimeout(int ms);

#pragma once

#include "services/seams/MainWindowSeam.h"

// The main window as the services see it while none is installed, and the base of test seams:
// every operation writes a debug line and returns at once; message boxes answer 0 ("no"). Two
// operations keep the program going without a window: refreshLocalWgts frees the records no
// page takes over, and songPlayStopped starts the next song itself.
class LoggingMainWindowSeam : public MainWindowSeam
{
public:
    void showHint(const QString &text) override;
    int execMessageBox(const QString &title, const QString &text, int buttonType) override;
    void execDialog(const QString &title, const QString &text) override;
    void showCriticalMessage(const QString &title, const QString &text) override;
    void updatePreURL() override;
    void retryRequestNetList() override;
    void syncFavList() override;
    void cleanFavAfterLogout() override;
    void enableSyncFavButton() override;
    void setOnlineCount(const QString &text, const QString &toolTip) override;
    void clickNextButton() override;
    void changeNetplayStatus(int nStatus, const QString &s) override;
    void dealWithPlayStarted() override;
    void resetPlayingInfo() override;
    void DisableSth(bool bAutoEnable) override;
    void stopElapsedTimer() override;
    void changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong) override;
    void setLoveBtnState(quint32 id) override;
    void refreshLocalWgts() override;
    void hideSliderTimeHint() override;
    void songPlayStopped(int nReason) override;
    void showAlbumPictures(const QImage &pic50, const QImage &pic70) override;
    void showUserPicture(const QImage &picture) override;
    void setRadioChannels(const QList<FmChannelInfo> &channels) override;
};

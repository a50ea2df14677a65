#pragma once

#include <QString>
#include <QtGlobal>

struct _tag_localsonginfo_;
class httpDown;

// One row of the download list, and its saved form in the local-library file. The download list
// owns it (each row's item carries its address in Qt::UserRole+1); the row's downloader (httpDown)
// writes the progress fields while it works. The transfer page fills records of the same type for
// its own downloads.
struct _tag_downloadsonginfo_
{
    QString size;         // "size": megabytes with two decimals and " M" once the answer's length is known
    QString sDur;         // "sDur": "mm:ss"
    QString album;        // "album"
    QString title;        // "title"
    QString artist;       // "artist"
    int progress = 0;     // "progress": filled pixels of the 175-pixel bar; 100 once finished
    QString status;       // "请求中...", "%1 KB/S", "0 KB/S", "网络错误", "保存失败"; not saved
    bool stopped = false; // halted by the user, waits to be started again; not saved
    bool fin = false;     // "fin": the file is complete at the target path
    bool downloading = false;                  // a downloader works on the row (its active flag); not saved
    bool queued = false;                       // waits for a free download place; not saved
    QString filepathname;                      // "filepathname": the target file, download folder + safe name
    _tag_localsonginfo_ *pLocalSong = nullptr; // the library record of the finished file; not owned
    QString url;               // "url": the song file's address; empty until the song information gives it
    qint64 downloaded = 0;     // "downloaded": bytes of the partial file, where a resume starts
    QString sId;               // "sId": the service's song id
    QString progressText;      // "已下载" + percent + "%", "下载完成"; not saved
    httpDown *pDown = nullptr; // the row's downloader, none when idle; not saved
};

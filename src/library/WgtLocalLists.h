#pragma once

#include <QWidget>

#include <memory>
#include <vector>

class QToolButton;
class LocalListFile;
class downloadWgt;
struct _tag_localsonginfo_;

// The local song lists (albums) with the downloads tab: the download page and the library file
// "loclist1" (loaded at start, saved at quit). The album lists come with the library pages.
class WgtLocalLists : public QWidget
{
    Q_OBJECT
public:
    explicit WgtLocalLists(QWidget *parent = nullptr);
    ~WgtLocalLists() override;

    void loadLocalListFile();
    // true when there was nothing to save or it was saved.
    bool saveLocalList();
    void allStopDown();
    // The rows of the downloads tab, and whether there are some and every one has finished.
    int downloadRowCount() const;
    bool allDownloadsFinished() const;
    // The downloads tab, which carries the new-songs dot.
    QToolButton *downloadsTabButton() const { return m_pTbDownloads; }
    downloadWgt *downloadPage() const { return m_pDownload; }

private:
    QToolButton *m_pTbDownloads = nullptr;
    downloadWgt *m_pDownload = nullptr;
    std::unique_ptr<LocalListFile> m_pFile;
    // The library's songs as the file gave them, kept and written back whole until the library
    // pages own them.
    std::vector<std::unique_ptr<_tag_localsonginfo_>> m_importSongs;
};

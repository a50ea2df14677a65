#pragma once

#include <QWidget>

class QToolButton;

// The local song lists (albums) with the downloads tab. The library store, its file and the
// downloads come with the library; the main window calls these at start and at quit.
class WgtLocalLists : public QWidget
{
    Q_OBJECT
public:
    explicit WgtLocalLists(QWidget *parent = nullptr);

    void loadLocalListFile();
    // true when there was nothing to save or it was saved.
    bool saveLocalList();
    void allStopDown();
    // The rows of the downloads tab, and whether there are some and every one has finished.
    int downloadRowCount() const;
    bool allDownloadsFinished() const;
    // The downloads tab, which carries the new-songs dot.
    QToolButton *downloadsTabButton() const { return m_pTbDownloads; }

private:
    QToolButton *m_pTbDownloads = nullptr;
};

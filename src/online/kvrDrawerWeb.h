#pragma once

#include <QFrame>

// The dimmed panel over the page area where navigation tags, web searches and page links open
// their pages. The main window creates it hidden and closes it whenever another section is
// shown; opening pages in it comes with the web-link commands.
class kvrDrawerWeb : public QFrame
{
    Q_OBJECT
public:
    explicit kvrDrawerWeb(QWidget *parent = nullptr);

    // The top page's address; empty while the drawer is hidden or holds no page.
    QString getCurUrl() const;

public slots:
    void closeMyself();
};

// The drawer of the main window, created once the window is shown.
extern kvrDrawerWeb *g_pWebDrawer;

#pragma once

#include <QFrame>

class KvrWebView;

// The small notice window in the desktop's bottom-right corner: a title strip with a close
// button above one service page whose links go to the owner. The main window sizes, places,
// loads, shows and hides it.
class WebAdDlg : public QFrame
{
    Q_OBJECT
public:
    explicit WebAdDlg(QWidget *parent = nullptr);

    bool m_bLoadOk = false;
    KvrWebView *m_pWebView = nullptr;

public slots:
    void pageLoadFinished(bool bSuc);
};

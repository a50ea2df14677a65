#pragma once

#include "shell/kvrShadowDlg.h"

class QPushButton;

// The player's own message box. The type chooses the buttons and how the box ends:
//   0  "是" (accepts) and "否" (rejects)
//   1  "关闭"
//   2  no buttons; fades out by itself 1000 ms after it is shown (600 ms fade)
//   3 and above: no buttons; the creator closes it
// exec() returns accepted only for "是"; every other way of closing it returns rejected.
class kvrMessageBox : public kvrShadowDlg
{
    Q_OBJECT

public:
    kvrMessageBox(QWidget *parent, QString title, QString text, int type);
    ~kvrMessageBox() override;

    int type() const { return m_nType; }

public slots:
    void closeAnimatOpacity();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPushButton *m_ppbYes = nullptr;
    QPushButton *m_ppbNo = nullptr;
    QPushButton *m_ppbOk = nullptr;
    int m_nType = 0;
};

#pragma once

#include "shell/kvrShadowDlg.h"

class QCheckBox;
class QRadioButton;

// The question asked when the main window's close button is clicked: quit, or minimise to the
// tray (the default), and whether to stop asking. It only collects the answer; the caller reads
// the two results after exec() and acts on them.
class kvrDlgQuitHint : public kvrShadowDlg
{
    Q_OBJECT

public:
    explicit kvrDlgQuitHint(QWidget *parent = nullptr);
    ~kvrDlgQuitHint() override;

    // Set only by "确定": don't-ask-again ticked, and the quit choice taken.
    bool m_bNoMoreAsk = false;
    bool m_bQuit = false;

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void dealWithOk();

private:
    QRadioButton *m_prbIcon = nullptr;
    QRadioButton *m_prbQuit = nullptr;
    QCheckBox *m_pcbNoMoreAsk = nullptr;
};

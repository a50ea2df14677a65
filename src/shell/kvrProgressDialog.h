#pragma once

#include <QProgressDialog>

// The progress dialog of long list edits (imports, scans, removals). The work runs on the GUI
// thread behind it, so Escape must not cancel or close it halfway; every other key behaves as in
// any dialog.
class kvrProgressDialog : public QProgressDialog
{
    Q_OBJECT

public:
    explicit kvrProgressDialog(QWidget *parent = nullptr);
    ~kvrProgressDialog() override;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

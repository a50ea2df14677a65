#pragma once

#include <QDialog>

class QToolButton;

// The About dialog: logo, name, the installed version ("softver" of the installation's
// "config.ini", read once) and a link to the web site's home page. The main window runs it
// modally with itself as parent; it centres on its parent when shown.
class WgtAbout : public QDialog
{
    Q_OBJECT

public:
    explicit WgtAbout(QWidget *parent = nullptr);
    ~WgtAbout() override;

    // The address the link shows and opens: the site host from the installation's hosts.
    static QString homeUrl();

public slots:
    void openHomeUrl();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

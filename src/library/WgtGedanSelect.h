#pragma once

#include <QFrame>

// The pop-up that adds songs to one of the user's lists. Created once by the main window;
// choosing a list comes with the favourites.
class WgtGedanSelect : public QFrame
{
    Q_OBJECT
public:
    explicit WgtGedanSelect(QWidget *parent = nullptr);
};

extern WgtGedanSelect *g_pGedanSelect;

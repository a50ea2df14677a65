#pragma once

#include <QWidget>

// The user's online song lists. The lists, their editing and their answers come with the
// favourites; the main window already routes the answers of favourite edits here.
class WgtFavLists : public QWidget
{
    Q_OBJECT
public:
    explicit WgtFavLists(QWidget *parent = nullptr);

public slots:
    void dealwithFavOp(const QString &s, int nType, quintptr uUserData);
    void dealwithFavOpErr(int nType, quintptr uUserData);
};

#pragma once

#include <QWidget>

// The singers the user follows. The main window stacks the page; its rows come with the library.
class WgtFavSinger : public QWidget
{
    Q_OBJECT
public:
    explicit WgtFavSinger(QWidget *parent = nullptr);
};

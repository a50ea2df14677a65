#pragma once

#include <QWidget>

// Every song of the user's favourite lists. The main window stacks the page; its rows come with the library.
class WgtFavAllSong : public QWidget
{
    Q_OBJECT
public:
    explicit WgtFavAllSong(QWidget *parent = nullptr);
};

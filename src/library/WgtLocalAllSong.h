#pragma once

#include <QWidget>

// Every local song. The main window stacks the page; its rows come with the library.
class WgtLocalAllSong : public QWidget
{
    Q_OBJECT
public:
    explicit WgtLocalAllSong(QWidget *parent = nullptr);
};

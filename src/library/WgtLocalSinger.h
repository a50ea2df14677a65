#pragma once

#include <QWidget>

// The local songs by singer. The main window stacks the page; its rows come with the library.
class WgtLocalSinger : public QWidget
{
    Q_OBJECT
public:
    explicit WgtLocalSinger(QWidget *parent = nullptr);
};

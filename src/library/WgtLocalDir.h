#pragma once

#include <QWidget>

// The local songs by folder. The main window stacks the page; its rows come with the library.
class WgtLocalDir : public QWidget
{
    Q_OBJECT
public:
    explicit WgtLocalDir(QWidget *parent = nullptr);
};

#pragma once

#include <QWidget>

// The large lyric box over the singer's picture. Its lines and pictures come with the lyrics.
class kvrBoxLrc : public QWidget
{
    Q_OBJECT
public:
    explicit kvrBoxLrc(QWidget *parent = nullptr);

    // Recomputes the rectangles of the lines for the box's size.
    void lineRect();

signals:
    void doubleClicked(bool bFull);
};

extern kvrBoxLrc *g_pBoxLrc;

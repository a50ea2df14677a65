#pragma once

#include <QFrame>

// The full-window lyric page: its title bar above the lyric box.
class kvrLrcBoxWgt : public QFrame
{
    Q_OBJECT
public:
    explicit kvrLrcBoxWgt(QWidget *parent = nullptr);

    bool m_bFullScreen = false;

public slots:
    // The background becomes the singer's large picture n (the default picture without one).
    void changeBK(uint uSingerId, int n);
};

#pragma once

#include <QFrame>

class QLabel;
class QSlider;
class QToolButton;

// The pop-up of the tray icon. The main window creates it at start: its title line and its
// volume slider follow the main window's; the buttons come with the tray pop-up itself.
class kvrTrayWgt : public QFrame
{
    Q_OBJECT
public:
    explicit kvrTrayWgt(QWidget *parent = nullptr);

    void setTitle(const QString &text);

    QSlider *m_slider = nullptr;
    QToolButton *m_tbSwitchMini = nullptr;
    QToolButton *m_tbSwitchtoNormal = nullptr;

private:
    QLabel *m_pTitle = nullptr;
};

extern kvrTrayWgt *g_pTrayWgt;

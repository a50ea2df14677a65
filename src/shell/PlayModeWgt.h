#pragma once

#include <QFrame>

class QAbstractButton;
class QButtonGroup;
class QToolButton;

// The small dark pop-up of the play panel's play-mode button: loop all (mode 2), repeat one
// (mode 0) and random (mode 3). A pick sets g_nPlayMode and announces it; losing the focus hides
// the pop-up, and when the focus went to the play-mode button that button's click closes it
// instead of reopening it.
//
// The main window is its parent; its play-mode buttons are "btnModeAC", "btnModeSC", "btnModeR".
class PlayModeWgt : public QFrame
{
    Q_OBJECT

public:
    explicit PlayModeWgt(QWidget *parent = nullptr);
    ~PlayModeWgt() override;

    // Shows the stored mode checked: 0 repeat one, 2 loop all, 3 random; anything else changes
    // nothing.
    void setCheckedMode(int mode);

    QToolButton *m_btnModeAC = nullptr;
    QToolButton *m_btnModeSC = nullptr;
    QToolButton *m_btnModeR = nullptr;

signals:
    void playmodeChanged(int nPlayMode);

public slots:
    void showPlayModeWgt();

private slots:
    void changePlayMode(QAbstractButton *button);

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_bJustClosed = false;
    QButtonGroup *m_pGroup = nullptr;
};

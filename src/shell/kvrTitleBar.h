#pragma once

#include <QFrame>
#include <QPoint>

class QLabel;
class QToolButton;

// The draggable title row of the player's dialogs: a title on the left, a close button on the
// right. Dragging it with any mouse button moves its parent, so it must sit directly inside the
// dialog's top-level widget, 16 pixels in from its corner (the shadow margin).
class kvrTitleBar : public QFrame
{
    Q_OBJECT

public:
    explicit kvrTitleBar(QWidget *parent = nullptr);
    ~kvrTitleBar() override;

    // Owners connect the button's clicked() and set the label's text.
    QToolButton *m_pBtnClose = nullptr;
    QLabel *m_pLabelTitle = nullptr;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_bPressed = false;
    QPoint m_ptOrigin;
    QPoint m_ptPress;
};

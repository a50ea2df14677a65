#pragma once

#include <QPushButton>

// The flat column header of the song lists: light grey, a line above and below, a divider on the
// right for every header but the last, bold text that turns green under the mouse. Text that does
// not fit is clipped, never elided.
class MyPushButton : public QPushButton
{
    Q_OBJECT

public:
    MyPushButton(QWidget *parent, bool rightLine);
    ~MyPushButton() override;

    bool isHovered() const { return m_bHover; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_bHover = false;
    bool m_bRightLine = false;
};

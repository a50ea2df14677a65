#pragma once

#include <QSlider>

// A slider that jumps to where it is clicked: the volume slider, the tray panel's slider and a
// slider of the lyric settings. The top of a vertical one is its maximum.
class SliderClick : public QSlider
{
    Q_OBJECT

public:
    explicit SliderClick(QWidget *parent = nullptr);
    ~SliderClick() override;

    // The value a release at `pos` sets.
    int valueAt(const QPoint &pos) const;

signals:
    void leaved();
    void focusOut();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    int m_nHandleLength = 24;
};

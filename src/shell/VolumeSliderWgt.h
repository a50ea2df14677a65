#pragma once

#include <QFrame>

class SliderClick;

// The pop-up that holds the main window's volume slider ("volumeslider"). A volume button opens
// it; it closes when the slider loses the focus. When the focus went to a volume button, that
// button's click closes the pop-up rather than opening it again.
//
// The main window is its parent and creates the slider, as its own child, before the pop-up.
class VolumeSliderWgt : public QFrame
{
    Q_OBJECT

public:
    explicit VolumeSliderWgt(QWidget *parent = nullptr);
    ~VolumeSliderWgt() override;

    SliderClick *slider() const { return m_pSlider; }

public slots:
    void showVolumeSliderWgt();
    void hideVolumeSliderWgt();

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool m_bJustClosed = false;
    SliderClick *m_pSlider = nullptr;
};

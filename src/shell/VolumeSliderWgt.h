#pragma once

#include <QFrame>

class SliderClick;

// The pop-up that holds the main window's volume slider ("volumeslider"). A volume button opens
// it; it closes when the slider loses the focus. When the focus went to a volume button, that
// button's click closes the pop-up rather than opening it again.
//
// The main window is its parent. The play panel creates the slider without a parent (and keeps
// it in a global) and hands it over, by the constructor or setSlider(); the pop-up then carries it
// in its layout and owns it.
class VolumeSliderWgt : public QFrame
{
    Q_OBJECT

public:
    explicit VolumeSliderWgt(QWidget *parent = nullptr, SliderClick *slider = nullptr);
    ~VolumeSliderWgt() override;

    SliderClick *slider() const { return m_pSlider; }
    // Takes `slider` into the layout in place of the one held before, which goes back to having
    // no parent and is not deleted: whoever created it still holds it.
    void setSlider(SliderClick *slider);

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

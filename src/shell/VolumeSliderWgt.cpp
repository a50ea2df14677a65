#include "shell/VolumeSliderWgt.h"

#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/SliderClick.h"
#include "shell/kvrPopup.h"
#include "shell/volButton.h"

#include <QVBoxLayout>

namespace {
// Above the volume button of the play panel, relative to the main window's corner.
const QPoint kPlace(817, 565);
// The dark panel; the rest of the window stays clear.
const QRect kPanel(0, 0, 30, 101);
} // namespace

VolumeSliderWgt::VolumeSliderWgt(QWidget *parent, SliderClick *slider)
    : QFrame(parent)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    kvrPreparePopupPanel(this, kPanel);

    auto *layout = new QVBoxLayout;
    layout->setSpacing(0);
    layout->setContentsMargins(0, 5, 0, 5);
    setLayout(layout);
    setSlider(slider);
}

VolumeSliderWgt::~VolumeSliderWgt() = default;

void VolumeSliderWgt::setSlider(SliderClick *slider)
{
    if (slider == m_pSlider)
        return;
    if (m_pSlider) {
        layout()->removeWidget(m_pSlider);
        m_pSlider->setParent(nullptr);
    }
    m_pSlider = slider;
    if (m_pSlider)
        layout()->addWidget(m_pSlider);
}

void VolumeSliderWgt::showVolumeSliderWgt()
{
    const QPoint corner = parentWidget() ? parentWidget()->pos() : QPoint();
    move(corner + kPlace);
    if (m_bJustClosed) {
        m_bJustClosed = false;
        return;
    }
    kvrShowPopup(this, m_pSlider);
}

void VolumeSliderWgt::hideVolumeSliderWgt()
{
    if (g_pUIRelated &&
        (kvrIsMouseOver(g_pUIRelated->m_pBtnUnmute) || kvrIsMouseOver(g_pUIRelated->m_pBtnMute)))
        m_bJustClosed = true;
    hide();
}

void VolumeSliderWgt::paintEvent(QPaintEvent *)
{
    kvrPaintPopupPanel(this, kPanel);
}

void VolumeSliderWgt::focusOutEvent(QFocusEvent *) {}

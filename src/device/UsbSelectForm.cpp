#include "device/UsbSelectForm.h"

#include "platform/VolumeList.h"

#include <QLabel>
#include <QVBoxLayout>

UsbSelectForm::UsbSelectForm(QWidget *parent)
    : QWidget(parent)
    , m_pLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("UsbSelectForm"));
    m_pLabel->setAlignment(Qt::AlignCenter);
    m_pLabel->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pLabel);
}

void UsbSelectForm::shuaXinUsbSheBei()
{
    m_slDrives.clear();
    for (const MountedVolume &volume : g_mountedVolumes()) {
        if (volume.usb)
            m_slDrives << volume.rootPath;
    }
    m_pLabel->setText(m_slDrives.join(QLatin1Char('\n')));
}

#pragma once

#include <QWidget>

class QLabel;

// The device chooser: one tile per connected USB drive. The tiles, the transfer page and the
// copying come with the device pages; the list of drives is already real.
class UsbSelectForm : public QWidget
{
    Q_OBJECT
public:
    explicit UsbSelectForm(QWidget *parent = nullptr);

    // Reads the connected USB drives again.
    void shuaXinUsbSheBei();
    QStringList drives() const { return m_slDrives; }

private:
    QLabel *m_pLabel = nullptr;
    QStringList m_slDrives;
};

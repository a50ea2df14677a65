#pragma once

#include <QFrame>

class QLabel;

// The corner pop-up that says a device was plugged in. It deletes itself when closed.
class UsbDialog : public QFrame
{
    Q_OBJECT
public:
    explicit UsbDialog(QWidget *parent = nullptr);

    QLabel *textLabel() const { return m_pText; }
    QLabel *pictureLabel() const { return m_pPicture; }

private:
    QLabel *m_pText = nullptr;
    QLabel *m_pPicture = nullptr;
};

#pragma once

#include <QWidget>

class QLabel;

// The notice shown while a waiting package is being installed.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

private:
    QLabel *m_pLabel;
};

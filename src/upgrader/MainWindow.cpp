#include "upgrader/MainWindow.h"

#include <QHBoxLayout>
#include <QLabel>

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , m_pLabel(new QLabel(this))
{
    m_pLabel->setText(tr("<p style='border: 1px solid black; font-size:14px'><span "
                         "style='color:green;'>检测到新版本，正在更新，请稍后...</span></p>"));
    m_pLabel->setAlignment(Qt::AlignCenter);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pLabel);
}

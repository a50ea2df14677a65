#include "shell/MyPushButton.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStaticText>

MyPushButton::MyPushButton(QWidget *parent, bool rightLine)
    : QPushButton(parent)
    , m_bRightLine(rightLine)
{
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    setFont(bold);
    setMinimumHeight(27);
    setMaximumHeight(27);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

MyPushButton::~MyPushButton() = default;

QHBoxLayout *MyPushButton::headerRow(QWidget *parent, const QList<Column> &columns, const QString &last)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (const Column &column : columns) {
        auto *button = new MyPushButton(parent, true);
        button->setText(column.text);
        button->setMinimumWidth(column.width);
        button->setSizePolicy(QSizePolicy::Fixed, button->sizePolicy().verticalPolicy());
        row->addWidget(button);
    }
    auto *lastButton = new MyPushButton(parent, false);
    lastButton->setText(last);
    row->addWidget(lastButton, 1);
    return row;
}

void MyPushButton::enterEvent(QEnterEvent *)
{
    m_bHover = true;
    update();
}

void MyPushButton::leaveEvent(QEvent *)
{
    m_bHover = false;
    update();
}

void MyPushButton::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRect(0, 0, w - 1, h - 1), QColor(248, 248, 248));

    painter.setPen(QColor(210, 210, 210));
    painter.drawLine(0, 0, w, 0);
    painter.drawLine(0, h - 1, w, h - 1);
    if (m_bRightLine)
        painter.drawLine(w - 1, 0, w - 1, h);

    painter.setPen(m_bHover ? QColor(37, 154, 37) : QColor(50, 50, 50));
    painter.setFont(font());
    painter.drawStaticText(QPoint(10, 5), QStaticText(text()));
}

#pragma once

#include <QList>
#include <QPushButton>

class QHBoxLayout;

// The flat column header of the song lists: light grey, a line above and below, a divider on the
// right for every header but the last, bold text that turns green under the mouse. Text that does
// not fit is clipped, never elided.
class MyPushButton : public QPushButton
{
    Q_OBJECT

public:
    MyPushButton(QWidget *parent, bool rightLine);
    ~MyPushButton() override;

    bool isHovered() const { return m_bHover; }

    // One column header of a song list: its text and the width of its column.
    struct Column
    {
        QString text;
        int width = 0;
    };
    // The header row of a song list: the columns at their widths, each with the right line, and
    // the last header, without it, taking the rest of the row. The rows below are drawn at fixed
    // column positions, so the widths hold however wide the page is.
    static QHBoxLayout *headerRow(QWidget *parent, const QList<Column> &columns, const QString &last);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_bHover = false;
    bool m_bRightLine = false;
};

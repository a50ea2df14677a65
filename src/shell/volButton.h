#pragma once

#include <QToolButton>

// The play panel's volume buttons ("btnunmute", "btnmute"): tool buttons that also announce the
// mouse entering and leaving them.
class volButton : public QToolButton
{
    Q_OBJECT

public:
    explicit volButton(QWidget *parent = nullptr);
    ~volButton() override;

signals:
    void leaved();
    void enterd();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};

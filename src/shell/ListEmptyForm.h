#pragma once

#include <QWidget>

namespace Ui {
class ListEmptyForm;
}

// What the play queue page shows while the queue is empty: a picture and an invitation whose
// link-like button takes the user to the online music library.
class ListEmptyForm : public QWidget
{
    Q_OBJECT

public:
    explicit ListEmptyForm(QWidget *parent = nullptr);
    ~ListEmptyForm() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_toolButton_clicked();

private:
    Ui::ListEmptyForm *ui = nullptr;
};

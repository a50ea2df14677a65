#include "shell/ListEmptyForm.h"

#include "shell/kvrPixmap.h"
#include "ui_ListEmptyForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>

namespace {
// The main window's navigation button of the online music library (group id 1).
const char *const kLibraryButton = "left_tbWeb";

QAbstractButton *findLibraryButton(QWidget *from)
{
    const QString name = QLatin1String(kLibraryButton);
    if (QWidget *top = from->window()) {
        if (auto *button = top->findChild<QAbstractButton *>(name))
            return button;
    }
    // The form may sit in a window of its own; the main window is then one of the top levels.
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (QWidget *top : tops) {
        if (top->objectName() == QLatin1String("mainwnd")) {
            if (auto *button = top->findChild<QAbstractButton *>(name))
                return button;
        }
    }
    return nullptr;
}
} // namespace

ListEmptyForm::ListEmptyForm(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ListEmptyForm)
{
    ui->setupUi(this);
    ui->label->setPixmap(kvrPixmap(QStringLiteral(":/rs/kongkong.png")));
}

ListEmptyForm::~ListEmptyForm()
{
    delete ui;
}

void ListEmptyForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

void ListEmptyForm::on_toolButton_clicked()
{
    if (QAbstractButton *button = findLibraryButton(this))
        button->click();
}

#include "shell/kvrProgressDialog.h"

#include <QKeyEvent>

kvrProgressDialog::kvrProgressDialog(QWidget *parent)
    : QProgressDialog(parent)
{
}

kvrProgressDialog::~kvrProgressDialog() = default;

bool kvrProgressDialog::event(QEvent *event)
{
    // The progress dialog's own cancel shortcut would act on Escape before any key handling;
    // claiming the key here turns it into an ordinary key press, which is then dropped.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QProgressDialog::event(event);
}

void kvrProgressDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

#include "app/ModalAutoAnswer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdio>

ModalAutoAnswer::ModalAutoAnswer(bool accept, QObject *parent)
    : QObject(parent)
    , m_bAccept(accept)
{
}

void ModalAutoAnswer::installFromEnvironment()
{
    const QByteArray answer = qgetenv("KVR_AUTO_ANSWER");
    if (answer != "accept" && answer != "reject")
        return;
    qApp->installEventFilter(new ModalAutoAnswer(answer == "accept", qApp));
}

bool ModalAutoAnswer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (!dialog || !dialog->isWindow())
        return false;
    QStringList texts;
    for (const QLabel *label : dialog->findChildren<QLabel *>()) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    std::fprintf(stderr, "KVR_DIALOG: %s | %s\n", qPrintable(dialog->windowTitle()),
                 qPrintable(texts.join(QLatin1Char(' '))));
    std::fflush(stderr);
    const QPointer<QDialog> guard(dialog);
    const bool accept = m_bAccept;
    QTimer::singleShot(0, dialog, [guard, accept] {
        if (!guard)
            return;
        if (accept)
            guard->accept();
        else
            guard->reject();
    });
    return false;
}

#pragma once

#include <QObject>

// A test seam: with KVR_AUTO_ANSWER=accept or reject in the environment, every dialog the
// program opens is written to standard error as "KVR_DIALOG: <title> | <texts>" and answered at
// once (accepted or rejected), so a whole-program test can run the paths that ask the user and
// read what was asked. Without the variable nothing is installed.
class ModalAutoAnswer : public QObject
{
    Q_OBJECT
public:
    // Installs the answerer on the application when the variable asks for it.
    static void installFromEnvironment();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ModalAutoAnswer(bool accept, QObject *parent);
    bool m_bAccept;
};

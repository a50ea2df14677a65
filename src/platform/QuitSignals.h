#pragma once

// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C) become one Qt signal on the GUI
// thread, so they run the program's normal quit path and nothing unsaved is lost.
//
// Threads: the handler may run on any thread; it only writes the signal number into a socket
// pair (async-signal-safe). The notifier on the other end lives on the thread that made the
// object and emits quitRequested there. Only one object may exist at a time.

#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    // Puts back the dispositions found at construction (the defaults, normally).
    ~QuitSignals() override;

signals:
    void quitRequested(int signalNumber);

private:
    void readSignals();

    int m_fds[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    bool m_installed = false;
};

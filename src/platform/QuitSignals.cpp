#include "platform/QuitSignals.h"

#include <QByteArray>
#include <QDebug>
#include <QPointer>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end the handler uses; -1 while no object exists. Set before the handlers are
// installed and cleared after they are removed, so a handler never sees a closed descriptor.
std::atomic<int> g_writeFd{-1};
struct sigaction g_previous[std::size(kSignals)];

void handleSignal(int number)
{
    const int saved = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(number);
        // Non-blocking: with the pipe full the program already knows it must quit.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free descriptor");
    if (g_writeFd.load() >= 0) {
        qWarning("quit signals: a second QuitSignals does nothing");
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0) {
        qWarning("quit signals: socketpair failed (errno %d)", errno);
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readSignals);
    g_writeFd.store(m_fds[0]);

    struct sigaction action = {};
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls elsewhere in the program go on as if nothing happened.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    m_installed = true;
}

QuitSignals::~QuitSignals()
{
    if (m_installed) {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &g_previous[i], nullptr);
        g_writeFd.store(-1);
    }
    delete m_notifier;
    for (int fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
    }
}

void QuitSignals::readSignals()
{
    QByteArray numbers;
    unsigned char chunk[16];
    for (;;) {
        const ssize_t count = ::read(m_fds[1], chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        numbers.append(reinterpret_cast<const char *>(chunk), count);
    }
    // A slot may end the program's objects, this one included.
    const QPointer<QuitSignals> self(this);
    for (const char number : std::as_const(numbers)) {
        if (!self)
            return;
        emit quitRequested(static_cast<unsigned char>(number));
    }
}

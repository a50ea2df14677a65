#include "FileSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvraudio {

std::unique_ptr<FileSource> FileSource::open(const std::string &path)
{
    // Without O_NONBLOCK, opening a FIFO (or a device) waits for a writer that may never come, on
    // whatever thread asked; with it the open returns at once and the type check below refuses it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat st;
    // A folder opens read-only too; only regular files hold audio.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    // Regular files never block; the flag only mattered for the open itself.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::unique_ptr<FileSource>(new FileSource(fd, st.st_size));
}

FileSource::FileSource(int fd, int64_t size)
    : m_fd(fd)
    , m_size(size)
{
}

FileSource::~FileSource()
{
    ::close(m_fd);
}

int FileSource::readAt(int64_t pos, uint8_t *buffer, int size)
{
    for (;;) {
        ssize_t n = pread(m_fd, buffer, size_t(size), off_t(pos));
        if (n >= 0)
            return int(n);
        if (errno != EINTR)
            return -1;
    }
}

} // namespace kvraudio

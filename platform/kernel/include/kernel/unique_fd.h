// Host file descriptors inside the platform and the simulator: one owner that closes it, and flock that
// waits through signals.
#pragma once

#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace ce
{

// A file descriptor owned by one object and closed with it.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// flock(2), taken again when a signal interrupts the wait: 0, or -1 with errno (EWOULDBLOCK for a
// LOCK_NB that would have to wait).
inline int Flock(int fd, int operation)
{
    int result;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace ce

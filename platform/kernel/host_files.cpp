#include <kernel/host_files.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ce
{

UniqueFd OpenHostFile(const char* path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC | O_NOCTTY, mode);
    while (fd < 0 && errno == EINTR);
    return UniqueFd(fd);
}

std::optional<std::string> ReadAll(int fd, std::size_t limit)
{
    std::string text;
    char chunk[4096];
    for (;;)
    {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return text;
        if (text.size() + static_cast<std::size_t>(n) > limit)
        {
            errno = EFBIG;
            return std::nullopt;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty())
    {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace ce

#include "station_test_util.h"

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace station_test
{

std::vector<ws::Message> Receive(size_t count, std::chrono::milliseconds timeout)
{
    std::vector<ws::Message> got;
    ws::SetMessageHandler([&](const ws::Message& m) { got.push_back(m); });
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{ws::ReceiveFd(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) > 0)
            ws::Dispatch();
    }
    ws::SetMessageHandler(nullptr);
    return got;
}

fs::path StationDir()
{
    return ce::RuntimeDir() / "ws";
}

fs::path SocketOf(uint32_t pid)
{
    return StationDir() / (std::to_string(pid) + ".sock");
}

namespace
{
template <typename T> void Put(std::vector<uint8_t>& out, T v)
{
    for (size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
}
} // namespace

std::vector<uint8_t> Bytes(const RawRecord& r)
{
    std::vector<uint8_t> out;
    Put(out, r.magic);
    Put(out, r.version);
    Put(out, r.kind);
    Put(out, r.hwnd);
    Put(out, r.message);
    Put(out, r.wParam);
    Put(out, r.lParam);
    Put(out, r.declaredLength.value_or(static_cast<uint32_t>(r.payload.size())));
    Put(out, r.requestId);
    out.insert(out.end(), r.payload.begin(), r.payload.end());
    return out;
}

int ConnectRaw(const fs::path& socket)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = socket.string();
    if (path.size() >= sizeof addr.sun_path)
        return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WriteRaw(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return "-";
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes)
    {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<uint8_t> PortHeader(std::u16string_view name, uint32_t size)
{
    std::vector<uint8_t> out;
    Put(out, size);
    Put(out, uint32_t{3}); // DBT_DEVTYP_PORT
    Put(out, uint32_t{0});
    for (char16_t c : name)
        Put(out, static_cast<uint16_t>(c));
    out.resize(size, 0);
    return out;
}

} // namespace station_test

// Test peer of the window station. Usage:
//   serve [--title T]... [--answer] [--no-dispatch]
//       listens, publishes one window per title and prints "ready <pid> <hwnd>...", then one line per
//       message: "msg <hwnd> <message> <wParam> <lParam> <payload hex or -> <sender pid>"; with --answer
//       requests are answered with "re:" and the request. Ends when its standard input closes.
//   post <hwnd> <message> <wParam> <lParam> <payload hex or ->     prints "ok" or "failed"
//   broadcast <message> <wParam> <lParam> <payload hex or ->       prints the number reached
//   alloc <count>                                                  prints one new handle per line
// Numbers take C prefixes (0x...). Titles are UTF-8.
#include <kernel/winstation.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace ws = ce::winstation;

namespace
{

std::u16string FromUtf8(const std::string& s)
{
    std::u16string out;
    for (size_t i = 0; i < s.size();)
    {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += 1 + extra;
        if (cp >= 0x10000)
        {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
        else
            out.push_back(static_cast<char16_t>(cp));
    }
    return out;
}

std::vector<uint8_t> FromHex(const std::string& hex)
{
    std::vector<uint8_t> out;
    if (hex == "-")
        return out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return out;
}

std::string ToHex(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return "-";
    std::string out;
    char b[3];
    for (uint8_t v : bytes)
    {
        std::snprintf(b, sizeof b, "%02x", v);
        out += b;
    }
    return out;
}

ws::Message ParseMessage(char** argv)
{
    ws::Message m;
    m.message = static_cast<uint32_t>(std::strtoul(argv[0], nullptr, 0));
    m.wParam = std::strtoull(argv[1], nullptr, 0);
    m.lParam = std::strtoll(argv[2], nullptr, 0);
    m.payload = FromHex(argv[3]);
    return m;
}

int Serve(int argc, char** argv)
{
    bool answer = false;
    bool dispatch = true;
    std::vector<std::u16string> titles;
    for (int i = 0; i < argc; ++i)
    {
        std::string a = argv[i];
        if (a == "--title" && i + 1 < argc)
            titles.push_back(FromUtf8(argv[++i]));
        else if (a == "--answer")
            answer = true;
        else if (a == "--no-dispatch")
            dispatch = false;
    }
    if (!ws::Listen())
    {
        std::printf("listen failed\n");
        return 1;
    }
    std::string ready = "ready " + std::to_string(::getpid());
    for (const auto& t : titles)
    {
        uint32_t hwnd = ws::AllocateWindowHandle();
        if (!ws::PublishWindow(hwnd, t))
        {
            std::printf("publish failed\n");
            return 1;
        }
        ready += " " + std::to_string(hwnd);
    }
    ws::SetMessageHandler(
        [](const ws::Message& m)
        {
            std::printf("msg %u %u %llu %lld %s %u\n", m.hwnd, m.message,
                        static_cast<unsigned long long>(m.wParam), static_cast<long long>(m.lParam),
                        ToHex(m.payload).c_str(), m.senderPid);
            std::fflush(stdout);
        });
    if (answer)
        ws::SetRequestHandler(
            [](const std::vector<uint8_t>& request)
            {
                std::vector<uint8_t> reply(request.size() + 3);
                reply[0] = 'r';
                reply[1] = 'e';
                reply[2] = ':';
                std::copy(request.begin(), request.end(), reply.begin() + 3);
                return reply;
            });
    std::printf("%s\n", ready.c_str());
    std::fflush(stdout);
    for (;;)
    {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0},
                         {ws::ReceiveFd(), static_cast<short>(dispatch ? POLLIN : 0), 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[0].revents)
        {
            char c;
            if (::read(STDIN_FILENO, &c, 1) <= 0)
                return 0; // Shutdown runs at exit
        }
        if (fds[1].revents & POLLIN)
            ws::Dispatch();
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "serve")
        return Serve(argc - 2, argv + 2);
    if (command == "post" && argc == 7)
    {
        ws::Message m = ParseMessage(argv + 3);
        m.hwnd = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
        bool ok = ws::PostToWindow(m);
        std::printf("%s\n", ok ? "ok" : "failed");
        return ok ? 0 : 1;
    }
    if (command == "broadcast" && argc == 6)
    {
        std::printf("%d\n", ws::Broadcast(ParseMessage(argv + 2)));
        return 0;
    }
    if (command == "alloc" && argc == 3)
    {
        long count = std::strtol(argv[2], nullptr, 0);
        std::string out;
        for (long i = 0; i < count; ++i)
            out += std::to_string(ws::AllocateWindowHandle()) + "\n";
        std::fputs(out.c_str(), stdout);
        return 0;
    }
    std::fprintf(stderr, "usage: kernel_winstation_peer serve|post|broadcast|alloc ...\n");
    return 2;
}

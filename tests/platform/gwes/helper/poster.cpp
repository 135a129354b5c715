// Posts window messages from a process of its own, for the tests of the window station:
//   gwes_poster broadcast-device <event> <port name>   WM_DEVICECHANGE to HWND_BROADCAST with a port header
//   gwes_poster post <title> <message> <wParam>        PostMessageW to the window found by its title
//   gwes_poster register <name>                        prints the registered message number
//   gwes_poster raw-device <event> <lParam> <bytes> <size> WM_DEVICECHANGE broadcast straight through the
//                                                      station: <bytes> of payload whose header claims <size>
#include <windows.h>

#include <kernel/winstation.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::u16string Widen(const char* s)
{
    std::u16string out;
    for (; *s; ++s)
        out.push_back(static_cast<unsigned char>(*s));
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "broadcast-device") == 0)
    {
        // A port header: size, device type 3, reserved, then the port name.
        std::u16string name = Widen(argv[3]);
        std::vector<uint8_t> header(12 + (name.size() + 1) * 2, 0);
        DWORD size = static_cast<DWORD>(header.size()), type = 3;
        std::memcpy(header.data(), &size, 4);
        std::memcpy(header.data() + 4, &type, 4);
        std::memcpy(header.data() + 12, name.c_str(), (name.size() + 1) * 2);
        WPARAM event = std::strtoul(argv[2], nullptr, 0);
        return PostMessageW(HWND_BROADCAST, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(header.data()))
                   ? 0
                   : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "post") == 0)
    {
        HWND h = FindWindowW(nullptr, Widen(argv[2]).c_str());
        if (!h)
            return 2;
        UINT msg = static_cast<UINT>(std::strtoul(argv[3], nullptr, 0));
        return PostMessageW(h, msg, std::strtoul(argv[4], nullptr, 0), 0) ? 0 : 1;
    }
    if (argc == 6 && std::strcmp(argv[1], "raw-device") == 0)
    {
        // What a faulty or hostile process could send: a payload shorter than its header says, or a
        // pointer of its own in lParam.
        ce::winstation::Message m;
        m.hwnd = ce::winstation::kBroadcastHwnd;
        m.message = WM_DEVICECHANGE;
        m.wParam = std::strtoul(argv[2], nullptr, 0);
        m.lParam = static_cast<int64_t>(std::strtoull(argv[3], nullptr, 0));
        m.payload.assign(std::strtoul(argv[4], nullptr, 0), 0);
        auto size = static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 0));
        if (m.payload.size() >= 4)
            std::memcpy(m.payload.data(), &size, 4);
        return ce::winstation::Broadcast(m, true) >= 0 ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "register") == 0)
    {
        std::printf("%u\n", RegisterWindowMessageW(Widen(argv[2]).c_str()));
        return 0;
    }
    return 64;
}

// simulator_device_listener COUNT TIMEOUT_MS: listens on the handheld's window station, prints "ready",
// then one line per message received ("message <msg> <wParam> <payload hex>"), and exits after COUNT
// messages or TIMEOUT_MS milliseconds.
#include <kernel/winstation.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1;
    const int timeout = argc > 2 ? std::atoi(argv[2]) : 5000;
    int received = 0;
    ce::winstation::SetMessageHandler(
        [&](const ce::winstation::Message& m)
        {
            std::printf("message %04X %04llX ", m.message, static_cast<unsigned long long>(m.wParam));
            for (uint8_t b : m.payload)
                std::printf("%02X", b);
            std::printf("\n");
            std::fflush(stdout);
            ++received;
        });
    if (!ce::winstation::Listen())
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    while (received < count && std::chrono::steady_clock::now() < end)
    {
        pollfd fd{ce::winstation::ReceiveFd(), POLLIN, 0};
        if (::poll(&fd, 1, 50) > 0)
            ce::winstation::Dispatch();
    }
    ce::winstation::Shutdown();
    return received >= count ? 0 : 2;
}

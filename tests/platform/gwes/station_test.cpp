// The window station between processes: a helper program posts and broadcasts to windows of this one.
#include "gwes_test.h"

#include <run_tool.h>

#include <cstring>
#include <string>

using gwes_test::PumpUntil;
using gwes_test::TestWindow;

namespace
{

// Runs the helper with the given arguments; its exit code and what it printed.
std::pair<int, std::string> RunPoster(const std::string& args)
{
    std::string out;
    int code = testing_support::RunTool("gwes_poster", args, &out, testing_support::Streams::OutputOnly);
    return {code, out};
}

} // namespace

TEST(WindowStation, ABroadcastPostedInAnotherProcessReachesAWindowHereWithItsPayload)
{
    TestWindow w(WS_OVERLAPPED, nullptr, 0, u"Station target");
    TestWindow other(WS_OVERLAPPED, nullptr, 0, u"Second window");
    std::vector<uint8_t> payload;
    w.handler = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT>
    {
        if (msg == WM_DEVICECHANGE && wParam == 0x8004 && lParam)
        {
            auto p = reinterpret_cast<const uint8_t*>(lParam);
            DWORD size = 0;
            std::memcpy(&size, p, 4);
            payload.assign(p, p + size);
        }
        return std::nullopt;
    };
    ASSERT_EQ(RunPoster("broadcast-device 0x8004 COM3:").first, 0);
    ASSERT_TRUE(PumpUntil([&] { return !payload.empty(); }));
    ASSERT_EQ(payload.size(), 12u + 6 * 2);
    DWORD type = 0;
    std::memcpy(&type, payload.data() + 4, 4);
    EXPECT_EQ(type, 3u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(payload.data() + 12)), u"COM3:");
    // Every top-level window of the process gets the broadcast.
    EXPECT_TRUE(PumpUntil([&] { return other.Count(WM_DEVICECHANGE) == 1; }));
}

// A device-change message from another process is what that process says it is: one whose header runs
// past the bytes that came, or that carries a pointer of the other process instead of a header, never
// reaches a window here (which would read past the copy, or through the pointer).
TEST(WindowStation, AMalformedDeviceBroadcastFromAnotherProcessIsDropped)
{
    TestWindow w(WS_OVERLAPPED, nullptr, 0, u"Station guard");
    std::vector<std::pair<WPARAM, DWORD>> seen; // event, size the header claims (0: no header)
    w.handler = [&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT>
    {
        if (msg == WM_DEVICECHANGE)
        {
            DWORD size = 0;
            if (lParam && wParam != 0x8007)
                std::memcpy(&size, reinterpret_cast<const void*>(lParam), 4);
            seen.emplace_back(wParam, size);
        }
        return std::nullopt;
    };
    struct Row
    {
        const char* args;
        bool delivered;
    };
    const Row rows[] = {
        {"0x8000 0 8 8", false},      // shorter than a header
        {"0x8000 0 16 4096", false},  // the header claims more than came
        {"0x8000 0 16 4", false},     // a header smaller than a header
        {"0x8004 0x1234 0 0", false}, // a pointer of the other process
        {"0x8004 0 0 0", true},       // no header at all
        {"0x8000 0 16 16", true},     // a whole header
        {"0x8007 0x1234 0 0", true},  // not a device event with a header: lParam is a value
    };
    std::vector<std::pair<WPARAM, DWORD>> expected;
    for (const Row& r : rows)
    {
        ASSERT_EQ(RunPoster(std::string("raw-device ") + r.args).first, 0) << r.args;
        if (r.delivered)
        {
            WPARAM event = std::strtoul(r.args, nullptr, 0);
            expected.emplace_back(event, event == 0x8000 ? 16u : 0u);
        }
    }
    // A last, good one: everything before it has been handled when it arrives.
    ASSERT_EQ(RunPoster("broadcast-device 0x8004 COM3:").first, 0);
    expected.emplace_back(0x8004, 12u + 6 * 2);
    ASSERT_TRUE(
        PumpUntil([&] { return !seen.empty() && seen.back().first == 0x8004 && seen.back().second; }));
    EXPECT_EQ(seen, expected);
}

TEST(WindowStation, AnotherProcessFindsAWindowByItsCurrentTitleAndPostsToIt)
{
    TestWindow w(WS_OVERLAPPED, nullptr, 0, u"Old title");
    EXPECT_EQ(FindWindowW(nullptr, u"Old title"), w.hwnd);
    SetWindowTextW(w.hwnd, u"Keltrax Station Utility");
    EXPECT_EQ(FindWindowW(nullptr, u"Old title"), nullptr);
    EXPECT_EQ(FindWindowW(nullptr, u"Keltrax Station Utility"), w.hwnd);
    EXPECT_EQ(RunPoster("post Old\\ title 0x412 0").first, 2);
    ASSERT_EQ(RunPoster("post Keltrax\\ Station\\ Utility 0x412 7").first, 0);
    ASSERT_TRUE(PumpUntil([&] { return w.Count(WM_USER + 18) == 1; }));
    for (const auto& r : w.log)
    {
        if (r.msg == WM_USER + 18)
        {
            EXPECT_EQ(r.wParam, 7u);
        }
    }
}

TEST(WindowStation, RegisteredMessageNumbersAreTheSameInEveryProcess)
{
    UINT here = RegisterWindowMessageW(u"StationSharedName");
    auto [code, out] = RunPoster("register StationSharedName");
    ASSERT_EQ(code, 0);
    EXPECT_EQ(static_cast<UINT>(std::stoul(out)), here);
    // A name first registered elsewhere gets the same number here.
    auto [code2, out2] = RunPoster("register NameFromTheOtherSide");
    ASSERT_EQ(code2, 0);
    EXPECT_EQ(RegisterWindowMessageW(u"NameFromTheOtherSide"), static_cast<UINT>(std::stoul(out2)));
}

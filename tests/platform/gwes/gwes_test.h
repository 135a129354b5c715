// Test support for the window services: an offscreen window system in a temporary handheld, and a
// window whose procedure records its messages.
#pragma once

#include <windows.h>

#include <gwes/gwes.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace gwes_test
{

struct Recorded
{
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// A window of a test class: every message is recorded; `handler` may answer one instead of the default
// procedure.
class TestWindow
{
public:
    using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    explicit TestWindow(DWORD style = WS_OVERLAPPED, HWND parent = nullptr, int id = 0,
                        LPCWSTR title = u"Test", RECT rect = {10, 20, 210, 170});
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd = nullptr;
    std::vector<Recorded> log;
    Handler handler;

    int Count(UINT msg) const;
    std::vector<UINT> Messages() const;
    void Clear() { log.clear(); }

    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// Pumps the event loop until `done` (at most timeoutMs).
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);

} // namespace gwes_test

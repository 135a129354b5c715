// Test support for the window services.
#include "gwes_test.h"

#include <window_system.h>

namespace gwes_test
{
namespace
{

// Every window of these tests lives off screen, in a handheld of its own.
const bool g_windowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerProgram);

const WCHAR kClass[] = u"GwesTestWindow";

void RegisterTestClass()
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = TestWindow::Proc;
    wc.lpszClassName = kClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    done = RegisterClassW(&wc) != 0;
}

} // namespace

TestWindow::TestWindow(DWORD style, HWND parent, int id, LPCWSTR title, RECT r)
{
    gwes::EnsureApplication();
    RegisterTestClass();
    hwnd = CreateWindowExW(0, kClass, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, this);
}

TestWindow::~TestWindow()
{
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
}

LRESULT CALLBACK TestWindow::Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(
            hWnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (self)
    {
        if (!self->hwnd)
            self->hwnd = hWnd;
        self->log.push_back({hWnd, msg, wParam, lParam});
        if (self->handler)
            if (std::optional<LRESULT> r = self->handler(hWnd, msg, wParam, lParam))
                return *r;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

int TestWindow::Count(UINT msg) const
{
    int n = 0;
    for (const auto& r : log)
        n += r.msg == msg;
    return n;
}

std::vector<UINT> TestWindow::Messages() const
{
    std::vector<UINT> out;
    for (const auto& r : log)
        out.push_back(r.msg);
    return out;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    return gwes::ProcessUntil(done, timeoutMs);
}

} // namespace gwes_test

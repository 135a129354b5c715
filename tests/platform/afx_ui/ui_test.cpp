// Test support for the framework on the window services.
#include "ui_test.h"

#include <window_system.h>

namespace ui_test
{
namespace
{

const bool g_windowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerProgram);

} // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    return gwes::ProcessUntil(done, timeoutMs);
}

CString Text(HWND hWnd)
{
    WCHAR buffer[512] = {};
    GetWindowTextW(hWnd, buffer, 512);
    return CString(buffer);
}

} // namespace ui_test

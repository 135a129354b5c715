// Test support for the framework on the window services.
#include "ui_test.h"

#include <temp_handheld.h>

#include <cstdlib>
#include <memory>

namespace ui_test
{
namespace
{

const int g_offscreen = (setenv("QT_QPA_PLATFORM", "offscreen", 1), 0);

class Environment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        (void)g_offscreen;
        m_handheld = std::make_unique<testing_support::TempHandheld>();
        gwes::EnsureApplication();
    }
    void TearDown() override
    {
        gwes::ShutdownApplication();
        m_handheld.reset();
    }

private:
    std::unique_ptr<testing_support::TempHandheld> m_handheld;
};

const auto* g_environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    (void)g_environment;
    return gwes::ProcessUntil(done, timeoutMs);
}

CString Text(HWND hWnd)
{
    WCHAR buffer[512] = {};
    GetWindowTextW(hWnd, buffer, 512);
    return CString(buffer);
}

} // namespace ui_test

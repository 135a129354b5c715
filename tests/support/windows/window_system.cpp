#include "window_system.h"

#include <temp_handheld.h>

#include <gwes/gwes.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace testing_support
{
namespace
{

class WindowSystem : public ::testing::Environment
{
public:
    explicit WindowSystem(Handheld handheld) : m_handheld(handheld) {}

    void SetUp() override
    {
        if (m_handheld != Handheld::PerProgram)
            return;
        m_temp = std::make_unique<TempHandheld>();
        gwes::EnsureApplication();
    }
    void TearDown() override
    {
        gwes::ShutdownApplication();
        m_temp.reset();
    }

private:
    Handheld m_handheld;
    std::unique_ptr<TempHandheld> m_temp;
};

} // namespace

bool UseWindowSystem(Handheld handheld)
{
    static bool s_used = false;
    if (!s_used)
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::testing::AddGlobalTestEnvironment(new WindowSystem(handheld));
        s_used = true;
    }
    return true;
}

} // namespace testing_support

// Test support for the utility's resources.
#include "res_test.h"

#include <gwes/gwes.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace res_test
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

HMODULE LangSC()
{
    (void)g_environment;
    static HMODULE module = LoadLibraryW(u"langSC.dll");
    return module;
}

std::u16string LoadText(UINT id)
{
    CString s;
    if (!s.LoadString(id))
        return u"<none>";
    return s.str();
}

std::vector<std::u16string> Lines(std::u16string_view text)
{
    std::vector<std::u16string> lines;
    for (size_t end; (end = text.find(u'\n')) != std::u16string_view::npos && end > 0;
         text.remove_prefix(end + 1))
        lines.emplace_back(text.substr(0, end));
    return lines;
}

} // namespace res_test

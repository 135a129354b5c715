// Test support for the utility's resources.
#include "res_test.h"

#include <gwes/gwes.h>
#include <window_system.h>

#include <gtest/gtest.h>

namespace res_test
{
namespace
{

const bool g_windowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerProgram);

} // namespace

HMODULE LangSC()
{
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

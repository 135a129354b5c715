// The framework's string loading from the resource module (a language DLL) with the program behind it.
#include <afxwin.h>

#include <thread_language.h>

#include "testres.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

std::u16string Load(UINT id, LANGID lang)
{
    testing_support::ThreadLanguage language(lang);
    CString s;
    return s.LoadString(id) ? s.str() : u"<none>";
}

} // namespace

TEST(ResourceStrings, TheResourceHandleSwitchesToAnotherModuleAndFallsBackToTheProgram)
{
    HMODULE other = LoadLibraryW(u"qn40resother.dll");
    ASSERT_NE(other, nullptr);
    HINSTANCE previous = AfxGetResourceHandle();
    EXPECT_EQ(previous, GetModuleHandleW(nullptr));
    AfxSetResourceHandle(other);
    EXPECT_EQ(Load(IDS_STATUS, 0x0409), u"Status of the other module");
    // What the language module lacks comes from the program.
    EXPECT_EQ(Load(IDS_VERSION, 0x0409), u"10.26.6.2005\n");
    EXPECT_EQ(Load(IDS_STATUS, 0x0804), u"状态");
    // An empty string counts as missing.
    EXPECT_EQ(Load(IDS_EMPTY, 0x0409), u"<none>");
    AfxSetResourceHandle(previous);
    EXPECT_EQ(Load(IDS_STATUS, 0x0409), u"Status");
    FreeLibrary(other);
}

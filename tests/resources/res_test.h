// Test support for the utility's resources: the offscreen window system in a temporary handheld, the
// language the lookups use, and the Simplified Chinese library.
#pragma once

#include <afxwin.h>

#include <kernel/resource.h>
#include <thread_language.h>

#include <string>
#include <vector>

namespace res_test
{

// Chooses the language resources are looked up in for the life of the object.
using Language = testing_support::ThreadLanguage;

// Makes a module the framework's resource module for the life of the object (null: the program).
class ResourceModule
{
public:
    explicit ResourceModule(HINSTANCE module) : m_previous(AfxGetResourceHandle())
    {
        AfxSetResourceHandle(module ? module : GetModuleHandleW(nullptr));
    }
    ~ResourceModule() { AfxSetResourceHandle(m_previous); }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

private:
    HINSTANCE m_previous;
};

// langSC.dll, loaded once for the test program (null when it cannot be loaded).
HMODULE LangSC();

// A string resource through the framework (resource module first, then the program); "<none>" if absent.
std::u16string LoadText(UINT id);

// The lines of a newline-separated list, as the Radio page splits its power-saving string.
std::vector<std::u16string> Lines(std::u16string_view text);

} // namespace res_test

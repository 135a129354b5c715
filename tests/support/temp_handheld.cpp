#include "temp_handheld.h"

#include <kernel/handheld.h>

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support
{

TempHandheld::TempHandheld()
{
    if (const char* prev = std::getenv("HANDHELD_DIR"))
    {
        m_previous = prev;
        m_hadPrevious = true;
    }
    std::string templ = (fs::temp_directory_path() / "qn40-test-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = templ;
    ::setenv("HANDHELD_DIR", m_path.c_str(), 1);
    ce::ResetHandheld();
}

TempHandheld::~TempHandheld()
{
    ce::ResetHandheld();
    if (m_hadPrevious)
        ::setenv("HANDHELD_DIR", m_previous.c_str(), 1);
    else
        ::unsetenv("HANDHELD_DIR");
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

fs::path ProgramDir()
{
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : self.parent_path();
}

} // namespace testing_support

#include <kernel/handheld.h>

#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace ce
{
namespace
{

std::mutex g_lock;
fs::path g_handheld;
fs::path g_runtime;
std::vector<void (*)()>& Hooks()
{
    static std::vector<void (*)()> hooks;
    return hooks;
}

fs::path EnvPath(const char* name)
{
    const char* v = std::getenv(name);
    return (v && *v) ? fs::path(v) : fs::path();
}

void MakeOwnerOnly(const fs::path& dir)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    ::chmod(dir.c_str(), 0700);
}

} // namespace

fs::path HandheldDir()
{
    std::lock_guard lock(g_lock);
    if (g_handheld.empty())
    {
        fs::path dir = EnvPath("HANDHELD_DIR");
        if (dir.empty())
        {
            fs::path state = EnvPath("XDG_STATE_HOME");
            if (state.empty())
            {
                fs::path home = EnvPath("HOME");
                state = (home.empty() ? fs::path("/tmp") : home) / ".local" / "state";
            }
            dir = state / "qn40" / "handheld";
        }
        std::error_code ec;
        fs::create_directories(dir, ec);
        g_handheld = fs::absolute(dir, ec);
        if (ec)
            g_handheld = dir;
    }
    return g_handheld;
}

fs::path RuntimeDir()
{
    fs::path handheld = HandheldDir();
    std::lock_guard lock(g_lock);
    if (g_runtime.empty())
    {
        g_runtime = handheld / "run";
        MakeOwnerOnly(g_runtime);
    }
    return g_runtime;
}

fs::path LibraryDir()
{
    fs::path env = EnvPath("QN40_LIBRARY_DIR");
    if (!env.empty())
        return env;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&LibraryDir), &info) && info.dli_fname)
    {
        std::error_code ec;
        fs::path self = fs::canonical(info.dli_fname, ec);
        if (!ec)
            return self.parent_path();
    }
    return fs::current_path();
}

fs::path ShareDir()
{
    return LibraryDir().parent_path() / "share" / "qn40";
}

void AddHandheldResetHook(void (*hook)())
{
    std::lock_guard lock(g_lock);
    Hooks().push_back(hook);
}

void ResetHandheld()
{
    std::vector<void (*)()> hooks;
    {
        std::lock_guard lock(g_lock);
        g_handheld.clear();
        g_runtime.clear();
        hooks = Hooks();
    }
    for (auto hook : hooks)
        hook();
}

} // namespace ce

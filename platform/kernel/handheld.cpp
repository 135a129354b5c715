#include <kernel/handheld.h>
#include <kernel/immortal.h>

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

// The folders as found, and the hooks that forget what other parts of the kernel cached about them. Kept
// past static destruction: a test's handheld may be reset by a destructor that runs at exit.
struct Handheld
{
    std::mutex lock;
    fs::path dir;
    fs::path runtime;
    std::vector<void (*)()> resetHooks;
};

Handheld& State()
{
    static Immortal<Handheld> handheld;
    return handheld.get();
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
    Handheld& state = State();
    std::lock_guard lock(state.lock);
    if (state.dir.empty())
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
        state.dir = fs::absolute(dir, ec);
        if (ec)
            state.dir = dir;
    }
    return state.dir;
}

fs::path RuntimeDir()
{
    fs::path handheld = HandheldDir();
    Handheld& state = State();
    std::lock_guard lock(state.lock);
    if (state.runtime.empty())
    {
        state.runtime = handheld / "run";
        MakeOwnerOnly(state.runtime);
    }
    return state.runtime;
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
    Handheld& state = State();
    std::lock_guard lock(state.lock);
    state.resetHooks.push_back(hook);
}

void ResetHandheld()
{
    Handheld& state = State();
    std::vector<void (*)()> hooks;
    {
        std::lock_guard lock(state.lock);
        state.dir.clear();
        state.runtime.clear();
        hooks = state.resetHooks;
    }
    for (auto hook : hooks)
        hook();
}

} // namespace ce

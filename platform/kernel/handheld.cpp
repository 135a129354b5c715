#include <kernel/handheld.h>
#include <kernel/host_files.h>
#include <kernel/immortal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace ce
{
namespace
{

// The folders as found (with why the handheld cannot be used, if it cannot), and the hooks that forget
// what other parts of the kernel cached about them. Kept past static destruction: a test's handheld may be
// reset by a destructor that runs at exit.
struct Handheld
{
    std::mutex lock;
    fs::path dir;
    fs::path runtime;
    std::string problem;
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

fs::path ConfiguredHandheld()
{
    fs::path dir = EnvPath("HANDHELD_DIR");
    if (!dir.empty())
        return dir;
    fs::path state = EnvPath("XDG_STATE_HOME");
    if (state.empty())
    {
        fs::path home = EnvPath("HOME");
        state = (home.empty() ? fs::path("/tmp") : home) / ".local" / "state";
    }
    return state / "qn40" / "handheld";
}

std::string Octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03o", static_cast<unsigned>(mode & 0777));
    return text;
}

// Makes the handheld folder and its missing parents (0700 each); the folder itself may be reached
// through a link its user made. 0 or the errno that refuses it.
int PrepareHandheld(const fs::path& dir)
{
    bool made = false;
    fs::path prefix;
    for (const fs::path& part : dir)
    {
        prefix /= part;
        if (::mkdir(prefix.c_str(), 0700) == 0)
            made = true;
        else if (errno != EEXIST)
            return errno;
    }
    struct stat st
    {
    };
    if (::stat(dir.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (st.st_uid != ::geteuid())
        return EPERM;
    if (made && (st.st_mode & 0777) != 0700)
        return ::chmod(dir.c_str(), 0700) == 0 ? 0 : errno;
    if (st.st_mode & 077)
    {
        const mode_t narrowed = st.st_mode & 0700;
        if (::chmod(dir.c_str(), narrowed) != 0)
            return errno;
        std::fprintf(stderr,
                     "handheld: %s was open to other users (mode %s); it is now owner-only (mode %s)\n",
                     dir.c_str(), Octal(st.st_mode).c_str(), Octal(narrowed).c_str());
    }
    return 0;
}

// A file an existing entry of the handheld may be: 0, or the errno that refuses it.
int CheckFileEntry(const fs::path& file)
{
    struct stat st
    {
    };
    if (::lstat(file.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISLNK(st.st_mode))
        return ELOOP;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return S_ISREG(st.st_mode) ? 0 : EINVAL;
}

// An existing file just opened without following links: refused unless it is a regular file, narrowed
// to its owner, and blocking again.
UniqueFd CheckOpened(UniqueFd fd)
{
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
        return {};
    if (!S_ISREG(st.st_mode))
    {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return {};
    }
    if (st.st_mode & 077)
        ::fchmod(fd.get(), st.st_mode & 0700);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return {};
    return fd;
}

} // namespace

fs::path HandheldDir()
{
    Handheld& state = State();
    std::lock_guard lock(state.lock);
    if (state.dir.empty())
    {
        std::error_code ec;
        fs::path dir = fs::absolute(ConfiguredHandheld(), ec);
        if (ec)
            dir = ConfiguredHandheld();
        if (const int error = PrepareHandheld(dir))
        {
            state.problem = "the handheld cannot be used: " + HandheldPathError(dir, error);
            return {};
        }
        state.problem.clear();
        state.dir = dir;
    }
    return state.dir;
}

std::string HandheldProblem()
{
    Handheld& state = State();
    std::lock_guard lock(state.lock);
    return state.problem;
}

fs::path RuntimeDir()
{
    fs::path handheld = HandheldDir();
    if (handheld.empty())
        return {};
    Handheld& state = State();
    std::lock_guard lock(state.lock);
    if (state.runtime.empty() && MakeHandheldFolder(handheld / "run") == 0)
        state.runtime = handheld / "run";
    return state.runtime;
}

int MakeHandheldFolder(const fs::path& dir)
{
    if (::mkdir(dir.c_str(), 0700) == 0)
        return ::chmod(dir.c_str(), 0700) == 0 ? 0 : errno;
    if (errno != EEXIST)
        return errno;
    struct stat st
    {
    };
    if (::lstat(dir.c_str(), &st) != 0)
        return errno;
    if (S_ISLNK(st.st_mode))
        return ELOOP;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (st.st_uid != ::geteuid())
        return EPERM;
    if ((st.st_mode & 077) && ::chmod(dir.c_str(), st.st_mode & 0700) != 0)
        return errno;
    return 0;
}

UniqueFd OpenHandheldFile(const fs::path& file, int flags)
{
    // Non-blocking until the file is known to be a regular one, so that a planted pipe cannot hang it.
    const int open = (flags & ~O_CREAT) | O_NOFOLLOW | O_NONBLOCK;
    for (int attempt = 0; attempt < 4; ++attempt)
    {
        if (flags & O_CREAT)
        {
            UniqueFd made = OpenHostFile(file.c_str(), open | O_CREAT | O_EXCL, 0600);
            if (made)
                return ::fchmod(made.get(), 0600) == 0 ? CheckOpened(std::move(made)) : UniqueFd();
            if (errno != EEXIST)
                return {};
        }
        UniqueFd fd = OpenHostFile(file.c_str(), open);
        if (fd)
            return CheckOpened(std::move(fd));
        if (errno != ENOENT || !(flags & O_CREAT))
            return {};
        // Removed between the two opens: make it again.
    }
    return {};
}

std::string HandheldPathError(const fs::path& path, int error)
{
    const std::string name = path.string();
    switch (error)
    {
    case ELOOP:
        return name + " is a symbolic link; the handheld's files are never reached through one (remove it)";
    case ENOTDIR:
        return name + " is not a folder";
    case EISDIR:
        return name + " is a folder, not a file";
    case EINVAL:
        return name + " is not a regular file";
    case EPERM:
        return name + " belongs to another user";
    default:
        return name + ": " + std::strerror(error);
    }
}

bool CheckRuntimeDir(std::string& message)
{
    const fs::path handheld = HandheldDir();
    if (handheld.empty())
    {
        message = HandheldProblem();
        return false;
    }
    const fs::path run = handheld / "run";
    for (const fs::path& dir : {run, run / "mutex", run / "ws"})
        if (const int error = MakeHandheldFolder(dir))
        {
            message = HandheldPathError(dir, error);
            return false;
        }
    if (const int error = CheckFileEntry(run / "atoms"))
    {
        message = HandheldPathError(run / "atoms", error);
        return false;
    }
    return true;
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
        state.problem.clear();
        hooks = state.resetHooks;
    }
    for (auto hook : hooks)
        hook();
}

} // namespace ce

// Modules. "NAME.dll" is the shared object of that file name in the library folder (the file name is
// matched without regard to case, as Windows file names are); an absolute path names the file itself.
// Loading a module that is already loaded counts it again and gives the same HMODULE, a small integer
// from the handle table that CloseHandle refuses; the last FreeLibrary unloads it.
#include "objects.h"

#include <kernel/handheld.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace ce::objects
{
namespace
{

class Module final : public KernelObject
{
public:
    static constexpr ObjectType kType = ObjectType::Module;
    Module(void* library, fs::path file, bool isProgram)
        : KernelObject(kType), dl(library), path(std::move(file)), program(isProgram)
    {
    }

    void* const dl;
    const fs::path path;
    const bool program;
    uint32_t handle = 0;
    size_t loads = 1; // guarded by the module list's lock
};

struct ModuleList
{
    std::mutex lock;
    std::vector<std::shared_ptr<Module>> loaded;
    std::shared_ptr<Module> program;
};

ModuleList& Modules()
{
    static Immortal<ModuleList> modules;
    return modules.get();
}

// The module of the program itself, made on first use (lock held).
std::shared_ptr<Module> ProgramLocked(ModuleList& modules)
{
    if (!modules.program)
    {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        auto module = std::make_shared<Module>(::dlopen(nullptr, RTLD_NOW), exe, true);
        module->handle = Handles().Insert(module);
        if (module->handle == 0)
            return nullptr;
        modules.program = std::move(module);
    }
    return modules.program;
}

// The module of a handle (null: the program); sets ERROR_MOD_NOT_FOUND when there is none.
std::shared_ptr<Module> FindModule(HMODULE hModule)
{
    ModuleList& modules = Modules();
    std::lock_guard lock(modules.lock);
    if (!hModule)
    {
        auto program = ProgramLocked(modules);
        if (!program)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return program;
    }
    uint32_t key = HandleKey(hModule);
    if (modules.program && modules.program->handle == key)
        return modules.program;
    for (auto& module : modules.loaded)
        if (module->handle == key)
            return module;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

// The file name a module name asks for: '\' separates too, and a name without an extension gets
// ".dll" (a trailing '.' asks for no extension).
std::optional<fs::path> RequestedPath(LPCWSTR name)
{
    std::optional<std::string> utf8 = ToUtf8Strict(View(name));
    if (!utf8 || utf8->empty())
        return std::nullopt;
    std::replace(utf8->begin(), utf8->end(), '\\', '/');
    fs::path requested(*utf8);
    std::string file = requested.filename().string();
    if (file.empty())
        return std::nullopt;
    if (file.back() == '.')
        file.pop_back();
    else if (file.find('.') == std::string::npos)
        file += ".dll";
    if (file.empty())
        return std::nullopt;
    fs::path dir = requested.is_absolute() ? requested.parent_path() : LibraryDir() / requested.parent_path();
    return dir / file;
}

// The existing file for a requested path: the exact name, else the one name in its folder that equals
// it without regard to case (the first in name order if several do).
std::optional<fs::path> FindFile(const fs::path& requested)
{
    std::error_code ec;
    if (fs::is_regular_file(requested, ec))
        return requested;
    std::vector<fs::path> matches;
    std::string wanted = requested.filename().string();
    for (fs::directory_iterator it(requested.parent_path(), ec), end; !ec && it != end; it.increment(ec))
    {
        std::error_code typeError;
        if (EqualsNoCase(it->path().filename().string(), wanted) && it->is_regular_file(typeError))
            matches.push_back(it->path());
    }
    if (matches.empty())
        return std::nullopt;
    std::sort(matches.begin(), matches.end());
    return matches.front();
}

DWORD LoadError(const char* message)
{
    std::string_view text = message ? message : "";
    if (text.find("undefined symbol") != std::string_view::npos)
        return ERROR_PROC_NOT_FOUND;
    if (text.find("cannot open shared object file") != std::string_view::npos)
        return ERROR_MOD_NOT_FOUND; // a library it depends on is missing
    return ERROR_BAD_FORMAT;
}

// Copies text into a caller's buffer of size characters, always terminated; returns the characters
// copied, or size with ERROR_INSUFFICIENT_BUFFER when it had to be cut.
DWORD CopyOut(const std::u16string& text, LPWSTR buffer, DWORD size)
{
    if (size == 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (text.size() < size)
    {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
        return static_cast<DWORD>(text.size());
    }
    std::copy(text.begin(), text.begin() + (size - 1), buffer);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

} // namespace
} // namespace ce::objects

using namespace ce::objects;

HMODULE LoadLibraryW(LPCWSTR lpLibFileName)
{
    return Boundary<HMODULE>(nullptr,
                             [&]() -> HMODULE
                             {
                                 if (!lpLibFileName)
                                 {
                                     SetLastError(ERROR_INVALID_PARAMETER);
                                     return nullptr;
                                 }
                                 std::optional<fs::path> requested = RequestedPath(lpLibFileName);
                                 std::optional<fs::path> file =
                                     requested ? FindFile(*requested) : std::nullopt;
                                 if (!file)
                                 {
                                     SetLastError(ERROR_MOD_NOT_FOUND);
                                     return nullptr;
                                 }
                                 // No lock around dlopen: the module's constructors may call into the kernel.
                                 void* dl = ::dlopen(file->c_str(), RTLD_NOW | RTLD_LOCAL);
                                 if (!dl)
                                 {
                                     SetLastError(LoadError(::dlerror()));
                                     return nullptr;
                                 }
                                 ModuleList& modules = Modules();
                                 std::unique_lock lock(modules.lock);
                                 for (auto& module : modules.loaded)
                                 {
                                     if (module->dl == dl)
                                     {
                                         ++module->loads; // dlopen counted it as well
                                         return reinterpret_cast<HMODULE>(ToHandle(module->handle));
                                     }
                                 }
                                 auto module = std::make_shared<Module>(dl, *file, false);
                                 module->handle = Handles().Insert(module);
                                 if (module->handle == 0)
                                 {
                                     lock.unlock();
                                     ::dlclose(dl);
                                     SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                                     return nullptr;
                                 }
                                 modules.loaded.push_back(module);
                                 return reinterpret_cast<HMODULE>(ToHandle(module->handle));
                             });
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              if (!hLibModule)
                              {
                                  SetLastError(ERROR_MOD_NOT_FOUND);
                                  return FALSE;
                              }
                              std::shared_ptr<Module> module = FindModule(hLibModule);
                              if (!module)
                                  return FALSE;
                              if (module->program)
                                  return TRUE;
                              ModuleList& modules = Modules();
                              {
                                  std::lock_guard lock(modules.lock);
                                  auto it = std::find(modules.loaded.begin(), modules.loaded.end(), module);
                                  if (it == modules.loaded.end())
                                  {
                                      SetLastError(ERROR_MOD_NOT_FOUND); // freed by another thread meanwhile
                                      return FALSE;
                                  }
                                  if (--module->loads == 0)
                                  {
                                      modules.loaded.erase(it);
                                      Handles().Take(reinterpret_cast<HANDLE>(hLibModule),
                                                     ObjectType::Module);
                                  }
                              }
                              // Outside the lock: the module's destructors may call into the kernel.
                              ::dlclose(module->dl);
                              return TRUE;
                          });
}

FARPROC GetProcAddressA(HMODULE hModule, LPCSTR lpProcName)
{
    return Boundary<FARPROC>(nullptr,
                             [&]() -> FARPROC
                             {
                                 std::shared_ptr<Module> module = FindModule(hModule);
                                 if (!module)
                                     return nullptr;
                                 // Values below 0x10000 are ordinals, which these modules do not export.
                                 if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000 || !module->dl)
                                 {
                                     SetLastError(ERROR_PROC_NOT_FOUND);
                                     return nullptr;
                                 }
                                 void* symbol = ::dlsym(module->dl, lpProcName);
                                 if (!symbol)
                                 {
                                     SetLastError(ERROR_PROC_NOT_FOUND);
                                     return nullptr;
                                 }
                                 return reinterpret_cast<FARPROC>(symbol);
                             });
}

FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName)
{
    return Boundary<FARPROC>(nullptr,
                             [&]() -> FARPROC
                             {
                                 if (reinterpret_cast<uintptr_t>(lpProcName) < 0x10000)
                                     return GetProcAddressA(hModule, reinterpret_cast<LPCSTR>(lpProcName));
                                 std::optional<std::string> name = ToUtf8Strict(View(lpProcName));
                                 if (!name)
                                 {
                                     SetLastError(ERROR_PROC_NOT_FOUND);
                                     return nullptr;
                                 }
                                 return GetProcAddressA(hModule, name->c_str());
                             });
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    return Boundary<HMODULE>(
        nullptr,
        [&]() -> HMODULE
        {
            if (!lpModuleName)
            {
                std::shared_ptr<Module> program = FindModule(nullptr);
                return program ? reinterpret_cast<HMODULE>(ToHandle(program->handle)) : nullptr;
            }
            std::optional<fs::path> requested = RequestedPath(lpModuleName);
            if (requested)
            {
                bool byPath = View(lpModuleName).find_first_of(u"/\\") != std::u16string_view::npos;
                ModuleList& modules = Modules();
                std::lock_guard lock(modules.lock);
                for (auto& module : modules.loaded)
                {
                    bool same =
                        byPath
                            ? (module->path.parent_path() == requested->parent_path() &&
                               EqualsNoCase(module->path.filename().string(), requested->filename().string()))
                            : EqualsNoCase(module->path.filename().string(), requested->filename().string());
                    if (same)
                        return reinterpret_cast<HMODULE>(ToHandle(module->handle));
                }
            }
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        });
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    return Boundary<DWORD>(0,
                           [&]() -> DWORD
                           {
                               if (!lpFilename && nSize != 0)
                               {
                                   SetLastError(ERROR_INVALID_PARAMETER);
                                   return 0;
                               }
                               std::shared_ptr<Module> module = FindModule(hModule);
                               if (!module)
                                   return 0;
                               return CopyOut(FromUtf8(module->path.string()), lpFilename, nSize);
                           });
}

// Modules: LoadLibraryW, GetProcAddress, FreeLibrary, GetModuleHandleW, GetModuleFileNameW.
#include <windows.h>

#include <kernel/handheld.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

std::u16string Wide(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::string Narrow(const char16_t* text)
{
    std::string out;
    for (; *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

TEST(Modules, OneModuleWhateverTheSpellingOfItsName)
{
    HMODULE module = LoadLibraryW(u"TESTDEV.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_LT(reinterpret_cast<uintptr_t>(module), 0x80000000u);
    std::u16string absolute = Wide((ce::LibraryDir() / "TESTDEV.dll").string());
    for (const char16_t* name : {u"testdev.DLL", u"TestDev", absolute.c_str()})
    {
        SCOPED_TRACE(Narrow(name));
        EXPECT_EQ(LoadLibraryW(name), module);
    }
    EXPECT_EQ(GetModuleHandleW(u"testdev.dll"), module);

    FARPROC init = GetProcAddressA(module, "TST_Init");
    EXPECT_NE(init, nullptr);
    EXPECT_EQ(GetProcAddressW(module, u"TST_Init"), init);
    struct
    {
        LPCSTR name;
    } missing[] = {{"TST_Missing"}, {"tst_init"}, {reinterpret_cast<LPCSTR>(1)}};
    for (auto& row : missing)
    {
        SetLastError(0);
        EXPECT_EQ(GetProcAddressA(module, row.name), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }

    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(fs::path(Narrow(path)), ce::LibraryDir() / "TESTDEV.dll");

    SetLastError(0);
    EXPECT_FALSE(CloseHandle(module)); // modules are released with FreeLibrary
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // Four loads, four frees; the module stays until the last.
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_EQ(GetModuleHandleW(u"TESTDEV.dll"), module);
    }
    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleW(u"TESTDEV.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(GetProcAddressA(module, "TST_Init"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Modules, LoadFailures)
{
    fs::path dir = fs::temp_directory_path() / ("qn40-modules-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "BOGUS.dll") << "not a shared object";
    std::u16string bogus = Wide((dir / "BOGUS.dll").string());
    std::u16string missingAbsolute = Wide((dir / "PCANDIS4.dll").string());
    struct Row
    {
        const char16_t* name;
        DWORD error;
    } rows[] = {
        {u"MISSING.dll", ERROR_MOD_NOT_FOUND},
        {u"", ERROR_MOD_NOT_FOUND},
        {missingAbsolute.c_str(), ERROR_MOD_NOT_FOUND},
        {bogus.c_str(), ERROR_BAD_FORMAT},
        {nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name ? Narrow(row.name) : "null");
        SetLastError(0);
        EXPECT_EQ(LoadLibraryW(row.name), nullptr);
        EXPECT_EQ(GetLastError(), row.error);
    }
    fs::remove_all(dir);
}

TEST(Modules, TheProgramItself)
{
    HMODULE program = GetModuleHandleW(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(GetModuleHandleW(nullptr), program);
    EXPECT_TRUE(FreeLibrary(program)); // never unloaded
    EXPECT_EQ(GetModuleHandleW(nullptr), program);

    std::string exe = fs::read_symlink("/proc/self/exe").string();
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(length, exe.size());
    EXPECT_EQ(Narrow(path), exe);
    EXPECT_EQ(GetModuleFileNameW(program, path, MAX_PATH), length);

    // A short buffer gets as much as fits, terminated, and the error.
    WCHAR small[6];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(program, small, 6), 6u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[5], 0);
    EXPECT_EQ(Narrow(small), exe.substr(0, 5));

    // Failures leave the buffer alone.
    WCHAR untouched[4] = {u'x', u'y', u'z', 0};
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(program, untouched, 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x7777770), untouched, 4), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(Narrow(untouched), "xyz");
}

} // namespace

// Helpers shared by the registry tests: key handles that close themselves, string data, child processes.
#pragma once

#include <windows.h>

#include <kernel/registry.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace regtest
{

using Key = ce::UniqueHkey;

// Makes the handheld start with empty roots instead of the shipped factory image, so that tests see only
// their own keys. Child processes inherit the setting.
class NoFactory
{
public:
    explicit NoFactory(const testing_support::TempHandheld& handheld)
    {
        ::setenv("QN40_FACTORY_REGISTRY", (handheld.path() / "no-factory.reg").c_str(), 1);
    }
    ~NoFactory() { ::unsetenv("QN40_FACTORY_REGISTRY"); }
    NoFactory(const NoFactory&) = delete;
    NoFactory& operator=(const NoFactory&) = delete;
};

inline Key Create(HKEY root, const std::u16string& path, REGSAM access = KEY_ALL_ACCESS)
{
    Key key;
    EXPECT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access, nullptr, key.receive(), nullptr),
              ERROR_SUCCESS)
        << "creating the test key";
    return key;
}

inline Key Open(HKEY root, const std::u16string& path, REGSAM access)
{
    Key key;
    EXPECT_EQ(RegOpenKeyExW(root, path.c_str(), 0, access, key.receive()), ERROR_SUCCESS);
    return key;
}

inline std::u16string Num(int value)
{
    std::u16string text;
    for (char c : std::to_string(value))
        text.push_back(static_cast<char16_t>(c));
    return text;
}

// REG_SZ data: the UTF-16LE units and the terminating zero.
inline std::vector<BYTE> Sz(const std::u16string& text)
{
    std::vector<BYTE> data;
    for (char16_t c : text)
    {
        data.push_back(static_cast<BYTE>(c & 0xFF));
        data.push_back(static_cast<BYTE>(c >> 8));
    }
    data.insert(data.end(), {0, 0});
    return data;
}

inline LONG SetSz(HKEY key, const std::u16string& name, const std::u16string& text)
{
    const std::vector<BYTE> data = Sz(text);
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
}

inline LONG SetDword(HKEY key, const std::u16string& name, DWORD value)
{
    return RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

// The value's data, or an empty vector when the query fails.
inline std::vector<BYTE> Data(HKEY key, const std::u16string& name, DWORD* type = nullptr)
{
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key, name.c_str(), nullptr, type, data.data(), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    return data;
}

// A child process of the build's programs, its standard output on a pipe.
class Child
{
public:
    explicit Child(const std::vector<std::string>& args)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        std::vector<std::string> full = args;
        full[0] = (testing_support::ProgramDir() / args[0]).string();
        std::vector<char*> argv;
        for (std::string& a : full)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = ::fdopen(fds[0], "r");
    }
    ~Child()
    {
        if (m_pid > 0)
        {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_out)
            std::fclose(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // One line of the child's output without its line end; false at the end of the output.
    bool ReadLine(std::string& line)
    {
        line.clear();
        if (!m_out)
            return false;
        for (int c; (c = std::fgetc(m_out)) != EOF;)
        {
            if (c == '\n')
                return true;
            line.push_back(static_cast<char>(c));
        }
        return !line.empty();
    }
    std::string ReadAll()
    {
        std::string all, line;
        while (ReadLine(line))
            all += line + "\n";
        return all;
    }
    void Kill() { ::kill(m_pid, SIGKILL); }
    // The exit status, or 128 + signal.
    int Wait()
    {
        if (m_pid <= 0)
            return -1;
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
};

inline int RunHelper(const std::vector<std::string>& args, std::string* output = nullptr)
{
    std::vector<std::string> full{"registry_test_helper"};
    full.insert(full.end(), args.begin(), args.end());
    Child child(full);
    const std::string out = child.ReadAll();
    if (output)
        *output = out;
    return child.Wait();
}

} // namespace regtest

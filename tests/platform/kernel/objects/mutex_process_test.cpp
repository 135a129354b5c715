// Named mutexes between the processes of one handheld.
#include <windows.h>

#include <gtest/gtest.h>
#include <temp_handheld.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

// The helper program, with a pipe to its standard input (closing it ends the helper) and one from its
// standard output.
class Helper
{
public:
    explicit Helper(std::vector<std::string> args)
    {
        std::string program = (testing_support::ProgramDir() / "kernel_objects_helper").string();
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<char*> argv{program.data()};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_stdin = in[1];
        m_stdout = out[0];
    }

    ~Helper()
    {
        CloseInput();
        if (m_pid > 0)
        {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_stdout >= 0)
            ::close(m_stdout);
    }

    // The next line of output (without the newline); empty after 5 s without one.
    std::string ReadLine()
    {
        std::string line;
        char c = 0;
        for (;;)
        {
            pollfd p{m_stdout, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0 || ::read(m_stdout, &c, 1) != 1 || c == '\n')
                return line;
            line += c;
        }
    }

    void CloseInput()
    {
        if (m_stdin >= 0)
            ::close(m_stdin);
        m_stdin = -1;
    }

    // Ends the helper (by closing its input, or by the signal) and waits for it.
    void End(int signal)
    {
        if (signal)
            ::kill(m_pid, signal);
        CloseInput();
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    bool started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
};

// The last error of CreateMutexW for the name in this process, the handle closed again.
DWORD CreateError(const char16_t* name)
{
    SetLastError(1234);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    DWORD error = GetLastError();
    EXPECT_NE(mutex, nullptr);
    CloseHandle(mutex);
    return error;
}

class NamedMutexAcrossProcesses : public testing::TestWithParam<int>
{
protected:
    testing_support::TempHandheld m_handheld;
};

TEST_P(NamedMutexAcrossProcesses, ExistsWhileAnotherProcessHoldsIt)
{
    Helper holder({"mutex", "QRVSupplicantUI"});
    ASSERT_TRUE(holder.started());
    ASSERT_EQ(holder.ReadLine(), "0");
    EXPECT_EQ(CreateError(u"QRVSupplicantUI"), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateError(u"Another name"), 0u);

    // Exit or crash: either way the holder's share dies with it.
    holder.End(GetParam());
    EXPECT_EQ(CreateError(u"QRVSupplicantUI"), 0u);
}

INSTANTIATE_TEST_SUITE_P(HolderEnds, NamedMutexAcrossProcesses, testing::Values(0, SIGKILL),
                         [](const testing::TestParamInfo<int>& info)
                         { return info.param ? std::string("Killed") : std::string("Exits"); });

TEST(NamedMutex, AnotherProcessSeesThisProcessHoldIt)
{
    testing_support::TempHandheld handheld;
    // Names longer than a host file name allows work as well.
    for (std::string name : {std::string("QRVSupplicantUI"), std::string(300, 'Q') + "UI"})
    {
        SCOPED_TRACE(name.size());
        std::u16string wide(name.begin(), name.end());
        HANDLE mine = CreateMutexW(nullptr, TRUE, wide.c_str());
        ASSERT_NE(mine, nullptr);
        HANDLE again = CreateMutexW(nullptr, FALSE, wide.c_str());
        {
            Helper second({"mutex", name});
            EXPECT_EQ(second.ReadLine(), "183");
        }
        // Only the last of this process's handles lets go of the name.
        CloseHandle(mine);
        {
            Helper second({"mutex", name});
            EXPECT_EQ(second.ReadLine(), "183");
        }
        CloseHandle(again);
        Helper third({"mutex", name});
        EXPECT_EQ(third.ReadLine(), "0");
    }
    // Long names that differ only past their first 100 bytes are different mutexes.
    Helper holder({"mutex", std::string(300, 'Q') + "UI"});
    ASSERT_EQ(holder.ReadLine(), "0");
    EXPECT_EQ(CreateError((std::u16string(300, u'Q') + u"UJ").c_str()), 0u);
    EXPECT_EQ(CreateError((std::u16string(300, u'Q') + u"UI").c_str()),
              static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST(NamedMutex, ChildProcessesDoNotInheritTheLock)
{
    testing_support::TempHandheld handheld;
    HANDLE mine = CreateMutexW(nullptr, FALSE, u"Inherited?");
    ASSERT_NE(mine, nullptr);
    Helper child({"idle"});
    ASSERT_EQ(child.ReadLine(), "ready");
    CloseHandle(mine);
    EXPECT_EQ(CreateError(u"Inherited?"), 0u);
}

} // namespace

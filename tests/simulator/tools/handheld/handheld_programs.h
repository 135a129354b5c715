// Running the handheld's programs from a test: their exit status and what they wrote to standard output
// and error, optionally as another user, and never longer than a time limit.
#pragma once

#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace handheld_test
{

// Sets (or, with nullptr, removes) an environment variable for the life of the object.
class EnvironmentVariable
{
public:
    EnvironmentVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~EnvironmentVariable() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct Outcome
{
    int status = -1; // the exit status; 128 + the signal for a program that was killed
    std::string out;
    std::string err;
};

// A program of the build (build/bin) in a child process.
class Program
{
public:
    // `asUser`: the child takes that user and group id before it starts (the test runs as root).
    Program(const std::string& name, const std::vector<std::string>& args, std::optional<uid_t> asUser = {})
    {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        const std::string path = (testing_support::ProgramDir() / name).string();
        std::vector<std::string> words{path};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0)
        {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            if (asUser && (::setgroups(0, nullptr) != 0 || ::setgid(*asUser) != 0 || ::setuid(*asUser) != 0))
                ::_exit(126);
            ::execv(path.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~Program()
    {
        if (m_pid > 0 && !m_done)
        {
            Kill();
            Wait(-1);
        }
        for (int fd : {m_out, m_err})
            if (fd >= 0)
                ::close(fd);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return m_pid; }
    void Kill() { ::kill(m_pid, SIGKILL); }

    // Collects the output until the program ends; one that is still running after `timeoutMs` (unless
    // negative) is killed.
    Outcome Wait(int timeoutMs)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_out >= 0 || m_err >= 0)
        {
            pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
            int wait = -1;
            if (timeoutMs >= 0)
            {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                wait = static_cast<int>(std::max<long long>(left.count(), 0));
            }
            if (::poll(fds, 2, wait) == 0)
            {
                Kill();
                timeoutMs = -1;
                continue;
            }
            Drain(m_out, m_outcome.out, fds[0].revents);
            Drain(m_err, m_outcome.err, fds[1].revents);
        }
        int status = 0;
        if (m_pid > 0 && !m_done && ::waitpid(m_pid, &status, 0) == m_pid)
            m_outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_done = true;
        return m_outcome;
    }

private:
    static void Drain(int& fd, std::string& text, short revents)
    {
        if (fd < 0 || !revents)
            return;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
        {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_done = false;
    Outcome m_outcome;
};

inline Outcome RunProgram(const std::string& name, const std::vector<std::string>& args,
                          std::optional<uid_t> asUser = {}, int timeoutMs = 20000)
{
    return Program(name, args, asUser).Wait(timeoutMs);
}

} // namespace handheld_test

#include "peer_process.h"

#include <temp_handheld.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

PeerProcess::PeerProcess(const std::vector<std::string>& args)
{
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::string program = (testing_support::ProgramDir() / "kernel_winstation_peer").string();
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    int rc = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    if (rc != 0)
        throw std::runtime_error("cannot start " + program);
}

PeerProcess::~PeerProcess()
{
    CloseInput();
    if (!m_reaped)
    {
        // Give the peer a moment to end by itself (it withdraws its windows then), else end it.
        for (int i = 0; i < 200 && !m_reaped; ++i)
        {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_reaped = true;
            else
                ::usleep(10000);
        }
        if (!m_reaped)
        {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
    }
    if (m_out >= 0)
        ::close(m_out);
}

std::optional<std::string> PeerProcess::ReadLine(std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        auto nl = m_buffer.find('\n');
        if (nl != std::string::npos)
        {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd p{m_out, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return std::nullopt;
        char chunk[4096];
        ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n <= 0)
            return std::nullopt;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

std::vector<std::string> PeerProcess::ReadWords(std::chrono::milliseconds timeout)
{
    auto line = ReadLine(timeout);
    return line ? SplitWords(*line) : std::vector<std::string>{};
}

void PeerProcess::CloseInput()
{
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
}

void PeerProcess::Kill(int signal)
{
    ::kill(m_pid, signal);
}

int PeerProcess::Wait()
{
    if (m_reaped)
        return -1;
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> RunPeer(const std::vector<std::string>& args)
{
    PeerProcess peer(args);
    peer.CloseInput();
    std::vector<std::string> lines;
    while (auto line = peer.ReadLine())
        lines.push_back(*line);
    peer.Wait();
    return lines;
}

std::vector<std::string> SplitWords(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

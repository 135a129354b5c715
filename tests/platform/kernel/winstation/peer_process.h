// Runs the test peer (kernel_winstation_peer) as a child process: its standard input stays open until
// CloseInput() (the peer ends then) and its output is read line by line with a time limit.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class PeerProcess
{
public:
    explicit PeerProcess(const std::vector<std::string>& args);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // The next line of output without its newline; nullopt at the end or after `timeout`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The words of the next line.
    std::vector<std::string> ReadWords(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void CloseInput();
    void Kill(int signal);
    // Waits for the end of the process (reaps it); its exit status, or -1 after a signal.
    int Wait();

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_buffer;
    bool m_reaped = false;
};

// Runs the peer to its end and returns all its output lines.
std::vector<std::string> RunPeer(const std::vector<std::string>& args);

std::vector<std::string> SplitWords(const std::string& line);

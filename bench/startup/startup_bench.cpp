// bench_startup: the start of the program WLAN, from exec until its notification icon is up and its event
// loop answers, and its peak resident memory, against the bare Qt program startup_baseline of the same
// shape, both on Qt's offscreen platform in a handheld of their own. The two are started in alternation
// (the order swapped every run) after one start of each that is not counted (it creates the handheld's
// registry and warms the file cache); each figure is the median of the runs, and each process is ended
// as soon as its icon is up, so the memory is what the start-up took.
//
//   bench_startup [--smoke] [--runs N]
#include "../ratio.h"

#include <kernel/winstation.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace
{

using Clock = std::chrono::steady_clock;
constexpr auto kTimeout = std::chrono::seconds(60);

struct Start
{
    double seconds = 0;    // exec until the icon
    double cpuSeconds = 0; // processor time it took until then (for reading the figures of a loaded machine)
    double peakMiB = 0;    // resident memory at its highest
};

fs::path ProgramDir()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : self.parent_path();
}

double Since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double Seconds(const struct timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Ends the child and reads what it used: its processor time and peak resident memory into `start`.
void EndChild(pid_t pid, Start* start = nullptr)
{
    ::kill(pid, SIGKILL);
    struct rusage usage = {};
    int status = 0;
    ::wait4(pid, &status, 0, &usage);
    if (start)
    {
        start->cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        start->peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // KiB on Linux
    }
}

bool Exited(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

// WLAN: its icon is up once the window station's "icon" request, which its user-interface thread
// answers, lists one.
std::optional<Start> StartProgram(const fs::path& program)
{
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};
    const Clock::time_point t0 = Clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        return std::nullopt;
    const std::vector<uint8_t> request = {'i', 'c', 'o', 'n'};
    while (Clock::now() - t0 < kTimeout)
    {
        if (Exited(pid))
            return std::nullopt;
        auto reply = ce::winstation::Request(static_cast<uint32_t>(pid), request, 1000);
        if (reply && reply->size() > 3 && std::memcmp(reply->data(), "OK\n", 3) == 0)
        {
            Start start;
            start.seconds = Since(t0);
            EndChild(pid, &start);
            return start;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EndChild(pid);
    return std::nullopt;
}

// The baseline: its icon is up when it writes its byte to descriptor 3.
std::optional<Start> StartBaseline(const fs::path& program)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    std::string path = program.string(), fd = "3";
    char* argv[] = {path.data(), fd.data(), nullptr};
    const Clock::time_point t0 = Clock::now();
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::optional<Start> start;
    if (rc == 0)
    {
        struct pollfd ready = {fds[0], POLLIN, 0};
        char byte = 0;
        const int waitMs = static_cast<int>(std::chrono::milliseconds(kTimeout).count());
        if (::poll(&ready, 1, waitMs) == 1 && ::read(fds[0], &byte, 1) == 1)
            start = Start{Since(t0)};
        EndChild(pid, start ? &*start : nullptr);
    }
    ::close(fds[0]);
    return start;
}

struct Series
{
    std::vector<double> seconds, peakMiB;
    void Add(const Start& s)
    {
        seconds.push_back(s.seconds);
        peakMiB.push_back(s.peakMiB);
    }
};

} // namespace

int main(int argc, char** argv)
{
    bool smoke = false;
    int runs = 5;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
        {
            std::fprintf(stderr, "usage: bench_startup [--smoke] [--runs N]\n");
            return 2;
        }
    }
    std::string folder = (fs::temp_directory_path() / "qn40-bench-startup-XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        return 1;
    ::setenv("HANDHELD_DIR", folder.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::unsetenv("LC_ALL");

    const fs::path wlan = ProgramDir() / "WLAN", baseline = ProgramDir() / "startup_baseline";
    Series program, bare;
    int failures = 0;
    auto once = [&](bool bProgram, Series* series)
    {
        const std::optional<Start> s = bProgram ? StartProgram(wlan) : StartBaseline(baseline);
        if (!s)
        {
            std::fprintf(stderr, "%s did not come up\n", bProgram ? "WLAN" : "startup_baseline");
            ++failures;
            return;
        }
        std::fprintf(stderr, "%-16s %7.1f ms (processor %5.1f ms) %7.1f MiB%s\n",
                     bProgram ? "WLAN" : "startup_baseline", s->seconds * 1e3, s->cpuSeconds * 1e3,
                     s->peakMiB, series ? "" : " (not counted)");
        if (series)
            series->Add(*s);
    };
    if (!smoke)
    {
        once(true, nullptr);
        once(false, nullptr);
    }
    for (int run = 0; run < (smoke ? 1 : runs); ++run)
    {
        const bool programFirst = run % 2 == 0;
        once(programFirst, programFirst ? &program : &bare);
        once(!programFirst, programFirst ? &bare : &program);
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (failures)
        return 1;
    if (!smoke)
    {
        bench::PrintRatio("startup-time", bench::Median(program.seconds) / bench::Median(bare.seconds), 1.5);
        bench::PrintRatio("startup-memory", bench::Median(program.peakMiB) / bench::Median(bare.peakMiB),
                          1.3);
    }
    return 0;
}

// What the end-to-end tests share: the program WLAN started in a fresh handheld and driven from outside
// through uictl, with the card changed underneath it through cardctl.
#pragma once

#include <run_tool.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace wlan_e2e
{

inline const char kCaption[] = "Keltrax QN40-SD Utility";
inline const int kSheetTabs = 0x3020; // the sheet's tab strip

inline std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One run of a build program; its output in `out`; true when it exited with 0.
inline bool Tool(const std::string& name, const std::string& arguments, std::string* out = nullptr)
{
    std::string text;
    int code = testing_support::RunTool(name, arguments, &text);
    if (out)
        *out = text;
    return code == 0;
}

template <class Done> bool Eventually(Done done, int timeoutMs = 5000)
{
    for (int waited = 0; !done(); waited += 20)
    {
        if (waited >= timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Like Eventually, but the time-out is real time however long each look takes (a look that runs a tool
// costs tens of milliseconds of its own).
template <class Done> bool Within(Done done, int timeoutMs, int pollMs = 100)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return true;
}

class Wlan
{
public:
    // pszProgram: another program of the build, for one that hosts parts of the utility.
    explicit Wlan(const char* pszLang = "en_US.UTF-8", const char* pszProgram = "WLAN")
    {
        setenv("LANG", pszLang, 1);
        setenv("LC_ALL", pszLang, 1);
        std::string path = (testing_support::ProgramDir() / pszProgram).string();
        char* argv[] = {path.data(), nullptr};
        if (posix_spawn(&m_pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
            m_pid = -1;
        unsetenv("LC_ALL");
        setenv("LANG", "C.UTF-8", 1);
    }
    ~Wlan()
    {
        if (m_pid > 0 && !m_bExited)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Wlan(const Wlan&) = delete;
    Wlan& operator=(const Wlan&) = delete;

    pid_t pid() const { return m_pid; }
    // True when the process ended within the time; its exit status in `code`.
    bool WaitExit(int timeoutMs, int* pCode = nullptr)
    {
        return Eventually(
            [&]
            {
                int status = 0;
                if (waitpid(m_pid, &status, WNOHANG) != m_pid)
                    return false;
                m_bExited = true;
                if (pCode)
                    *pCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return true;
            },
            timeoutMs);
    }

    // An automation command to this process.
    bool Ui(const std::string& command, std::string* out = nullptr)
    {
        return Tool("uictl", "--pid " + std::to_string(m_pid) + " " + command, out);
    }
    // The handle of this process's main window ("0x..."), empty while it has none.
    std::string Window()
    {
        std::string windows;
        Tool("uictl", "windows", &windows);
        const std::string owner = " " + std::to_string(m_pid) + " ";
        for (size_t at = 0; at < windows.size();)
        {
            size_t end = windows.find('\n', at);
            std::string line = windows.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (line.find(owner) != std::string::npos)
                return line.substr(0, line.find(' '));
            at = end == std::string::npos ? windows.size() : end + 1;
        }
        return {};
    }
    // The title of the main window.
    std::string Title()
    {
        std::string text;
        Ui("text " + Window(), &text);
        return text.substr(0, text.find('\n'));
    }
    // A command on the main window: "COMMAND WINDOW ARGS".
    bool OnWindow(const std::string& command, const std::string& arguments, std::string* out = nullptr)
    {
        return Ui(command + " " + Window() + (arguments.empty() ? "" : " " + arguments), out);
    }

    // Answers the message boxes that open, one after the other, and returns their texts.
    std::vector<std::string> AnswerBoxes(size_t nCount)
    {
        std::vector<std::string> texts;
        while (texts.size() < nCount)
        {
            std::string box;
            if (!Eventually([&] { return Ui("msgbox", &box); }, 5000))
                break;
            size_t at = box.find("text: ");
            texts.push_back(at == std::string::npos ? box : box.substr(at + 6, box.find('\n', at) - at - 6));
            Ui("answer OK");
            // Gone, or the next box is up.
            Eventually(
                [&]
                {
                    std::string next;
                    return !Ui("msgbox", &next) || next != box;
                },
                2000);
        }
        return texts;
    }
    // The icon number the notification icon shows, or 0 when there is none.
    int Icon()
    {
        std::string out;
        if (!Ui("icon", &out))
            return 0;
        size_t at = out.find("icon=");
        return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + 5);
    }
    testing::AssertionResult WaitIcon(int nIcon)
    {
        int nShown = 0;
        if (Eventually([&] { return (nShown = Icon()) == nIcon; }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the icon is " << nShown;
    }
    // Taps the icon, waits for the menu and chooses an item; returns the menu as shown.
    std::string Choose(const std::string& item)
    {
        std::string menu;
        Ui("tap");
        Eventually([&] { return Ui("menu", &menu); });
        Ui("choose " + Quote(item));
        return menu;
    }

private:
    pid_t m_pid = -1;
    bool m_bExited = false;
};

// How long the user-interface thread of a program keeps requests waiting. A thread asks for a window's
// controls over and over (a request that only the UI thread can answer, unlike the window list) and keeps
// the longest answer time; a request that finds the thread stuck fails after uictl's own time-out, which
// then counts as the answer time.
class StallProbe
{
public:
    StallProbe(pid_t pid, const std::string& window) : m_thread([this, pid, window] { Run(pid, window); }) {}
    ~StallProbe() { Stop(); }
    StallProbe(const StallProbe&) = delete;
    StallProbe& operator=(const StallProbe&) = delete;

    // Stops asking; the longest answer time in milliseconds, and how many requests were answered.
    long Stop()
    {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_nLongestMs;
    }
    int Answered() const { return m_nAnswered; }

private:
    void Run(pid_t pid, const std::string& window)
    {
        const std::string command = "--pid " + std::to_string(pid) + " controls " + window;
        while (!m_bStop)
        {
            const auto start = std::chrono::steady_clock::now();
            const bool bAnswered = testing_support::RunTool("uictl", command) == 0;
            const long nMs = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                   std::chrono::steady_clock::now() - start)
                                                   .count());
            m_nLongestMs = std::max<long>(m_nLongestMs, nMs);
            if (bAnswered)
                ++m_nAnswered;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    std::atomic<bool> m_bStop{false};
    std::atomic<long> m_nLongestMs{0};
    std::atomic<int> m_nAnswered{0};
    std::thread m_thread;
};

inline const std::vector<std::string> kSheetBoxes = {"PreCreateWindow", "OnCreate", "OnShowWindow"};

class WlanE2E : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ASSERT_TRUE(Tool("cardctl", "set scantime 0"));
        ASSERT_TRUE(Tool("cardctl", "set rssi -50"));
    }

    std::string Parameter(const char* pszName)
    {
        std::string out;
        Tool("reg", std::string("query 'HKLM\\Comm\\WLAN11b1\\Parms' /v ") + pszName, &out);
        return out;
    }

    testing_support::TempHandheld m_handheld;
};

} // namespace wlan_e2e

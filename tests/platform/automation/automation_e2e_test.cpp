// uictl drives the sample program in a process of its own: a click, the text it set, the message box it
// shows, its notification icon and menu, a screenshot, its combo box and its file dialog.
#include "run_tool.h"
#include "temp_handheld.h"

#include <kernel/automation.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

const std::string kTitle = "\"Automation Sample\"";

std::string Uictl(const std::string& words, int* status = nullptr)
{
    std::string output;
    int rc = testing_support::RunTool("uictl", words, &output);
    if (status)
        *status = rc;
    return output;
}

// Polls uictl until its output contains `text` (the program answers from its own event loop).
bool WaitFor(const std::string& words, const std::string& text, int timeoutMs = 10000)
{
    for (int waited = 0; waited < timeoutMs; waited += 50)
    {
        if (Uictl(words).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class AutomationEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pid = ::fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0)
        {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            const std::string program = (testing_support::ProgramDir() / "automation_sample").string();
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    void TearDown() override
    {
        if (m_pid > 0 && !m_exited)
        {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    // True when the program ended by itself within the time.
    bool Exited(int timeoutMs)
    {
        for (int waited = 0; waited < timeoutMs; waited += 50)
        {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
            {
                m_exited = true;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    testing_support::TempHandheld m_handheld;
    pid_t m_pid = -1;
    bool m_exited = false;
};

} // namespace

TEST_F(AutomationEndToEnd, ClickTextMessageBoxIconMenuAndScreenshot)
{
    ASSERT_TRUE(WaitFor("windows", "Automation Sample"));

    // The click writes the text, then the program shows its box.
    int status = 0;
    Uictl("click " + kTitle + " 1001", &status);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(WaitFor("msgbox", "Hello from the sample"));
    EXPECT_NE(Uictl("text " + kTitle + " 1000").find("clicked"), std::string::npos);
    Uictl("answer OK", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(WaitFor("msgbox", "no message box") || Uictl("msgbox").find("Hello") == std::string::npos);

    const std::filesystem::path shot = testing_support::ProgramDir().parent_path() / "automation_sample.png";
    std::filesystem::remove(shot);
    Uictl("screenshot " + kTitle + " " + shot.string(), &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::exists(shot));
    EXPECT_GT(std::filesystem::file_size(shot), 100u);

    // The notification icon, its menu, and Quit.
    ASSERT_TRUE(WaitFor("icon", "icon=137"));
    Uictl("tap", &status);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(WaitFor("menu", "Quit"));
    EXPECT_NE(Uictl("menu").find("Say hello"), std::string::npos);
    // The program may end before its answer to the choice gets out; what counts is that it ends.
    Uictl("choose Quit");
    EXPECT_TRUE(Exited(10000));
}

TEST_F(AutomationEndToEnd, ComboAndFileDialogThroughTheCommandLine)
{
    ASSERT_TRUE(WaitFor("windows", "Automation Sample"));
    int status = 0;
    EXPECT_EQ(Uictl("items " + kTitle + " 1000", &status), "0 \"One\"\n1 \"Two\"\n");
    EXPECT_EQ(status, 0);
    Uictl("select " + kTitle + " 1000 Two", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Uictl("text " + kTitle + " 1000"), "Two\n");
    Uictl("select " + kTitle + " 1000 Three", &status);
    EXPECT_EQ(status, 1);

    const std::filesystem::path words = m_handheld.path() / "words.txt";
    std::ofstream(words) << "0000";
    Uictl("tap", &status);
    ASSERT_TRUE(WaitFor("menu", "Open file..."));
    Uictl("choose 102", &status);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(WaitFor("filedialog", "filter \"Text Files (*.txt)\" \"*.txt\""));
    EXPECT_EQ(Uictl("filedialog").rfind("open \"Open\"\n", 0), 0u);
    Uictl("filedialog " + (words.parent_path() / "absent").string(), &status);
    EXPECT_EQ(status, 1); // a file that must exist and does not
    Uictl("filedialog " + (words.parent_path() / "words").string(), &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(WaitFor("text " + kTitle + " 1000", words.string()));
}

// The tool's help is the programs' command table; a command short of its arguments is a usage error the
// tool reports itself, without asking a program.
TEST(Uictl, HelpListsEveryCommandAndShortCommandsAreUsageErrors)
{
    testing_support::TempHandheld handheld;
    const std::string help = Uictl("--help");
    for (const ce::automation::Command& command : ce::automation::Commands())
        EXPECT_NE(help.find("  " + ce::automation::Usage(command) + " "), std::string::npos) << command.name;
    for (const char* words : {"click \"Automation Sample\"", "screenshot \"Automation Sample\"", "type",
                              "bogus", "windows extra", "msgbox now", "screenshot 0x10000 a.png b.png",
                              "--pid abc windows", "--pid 0 windows", "--pid 12x windows", "--pid"})
    {
        int status = 0;
        const std::string output = Uictl(words, &status);
        EXPECT_EQ(status, 2) << words;
        EXPECT_NE(output.find("see uictl --help"), std::string::npos) << words << ": " << output;
    }
}

// The framework's entry in a program of its own: the static application object, InitApplication,
// InitInstance with its modal dialog, the main window forgotten when destroyed, and the exit code.
#include "ui_test.h"

#include <temp_handheld.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace
{

std::pair<int, std::string> RunSample(const std::string& args)
{
    std::string command = (testing_support::ProgramDir() / "afx_sample_app").string() + " " + args;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::string out;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

TEST(ApplicationEntry, RunsTheApplicationObjectAndEndsWithItsExitCode)
{
    auto [code, out] = RunSample("");
    EXPECT_EQ(code, 3);
    EXPECT_EQ(out, "InitApplication registered\nDoModal 7 main cleared\nExitInstance\n");
}

TEST(ApplicationEntry, AnApplicationThatRefusesToStartEndsAtOnce)
{
    auto [code, out] = RunSample("refuse");
    EXPECT_EQ(code, 255); // -1
    EXPECT_EQ(out, "InitApplication registered\n");
}

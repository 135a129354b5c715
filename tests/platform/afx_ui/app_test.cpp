// The framework's entry in a program of its own: the static application object, InitApplication,
// InitInstance with its modal dialog, the main window forgotten when destroyed, and the exit code.
#include "ui_test.h"

#include <run_tool.h>

#include <string>

namespace
{

std::pair<int, std::string> RunSample(const std::string& args)
{
    std::string out;
    int code = testing_support::RunTool("afx_sample_app", args, &out, testing_support::Streams::OutputOnly);
    return {code, out};
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

// Automation requests and answers as the window station carries them, and the spelling of the commands.
#include <kernel/automation.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace automation = ce::automation;

TEST(AutomationWire, RequestsKeepEveryArgumentAndAnswersTheirHead)
{
    const std::vector<std::vector<std::string>> requests = {
        {"windows"}, {"type", "0x10000", "10", ""}, {"text", "", "5"}, {"select", "W", "1", "a b"}};
    for (const auto& args : requests)
        EXPECT_EQ(automation::DecodeRequest(automation::EncodeRequest(args)), args) << args[0];
    EXPECT_TRUE(automation::DecodeRequest({}).empty());
    EXPECT_EQ(automation::DecodeRequest({0}), (std::vector<std::string>{"", ""}));

    const automation::Answer answers[] = {{true, ""}, {true, "0 \"One\"\n"}, {false, "no window x\n"}};
    for (const auto& answer : answers)
    {
        const automation::Answer back = automation::DecodeAnswer(automation::EncodeAnswer(answer));
        EXPECT_EQ(back.ok, answer.ok);
        EXPECT_EQ(back.output, answer.output);
    }
    const std::string garbage = "OKAY";
    const automation::Answer refused = automation::DecodeAnswer({garbage.begin(), garbage.end()});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.output, garbage);
}

TEST(AutomationWire, CommandsAreSpelledOnceForTheToolAndTheProgram)
{
    const struct
    {
        const char* name;
        size_t required;
        const char* tool;
        const char* program;
    } rows[] = {
        {"windows", 0, "windows", "windows"},
        {"text", 1, "text WINDOW [ID]", "text WINDOW [ID]"},
        {"type", 3, "type WINDOW ID TEXT", "type WINDOW ID TEXT"},
        {"check", 2, "check WINDOW ID [0|1|2]", "check WINDOW ID [0|1|2]"},
        {"screenshot", 1, "screenshot WINDOW FILE.png", "screenshot WINDOW"},
        {"tap", 0, "tap [ID]", "tap [ID]"},
    };
    for (const auto& row : rows)
    {
        const automation::Command* command = automation::FindCommand(row.name);
        ASSERT_NE(command, nullptr) << row.name;
        EXPECT_EQ(automation::RequiredArguments(*command), row.required) << row.name;
        EXPECT_EQ(automation::Usage(*command), row.tool);
        EXPECT_EQ(automation::Usage(*command, true), row.program);
    }
    EXPECT_EQ(automation::FindCommand("Windows"), nullptr);
    EXPECT_EQ(automation::FindCommand(""), nullptr);
}

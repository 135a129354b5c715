// Automation of a running program from outside: the commands a program's window services answer (uictl
// sends them, tests call them in-process), how each is spelled, and the request and answer that carry one
// command through the window station.
//
// A request is the command and its arguments (UTF-8), separated by NUL bytes: n arguments are joined by
// n - 1 NULs, so an empty last argument is still there. An answer is "OK\n" or "ERR\n" followed by the
// command's output, or by the reason it was refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ce::automation
{

enum class Scope
{
    Windows, // about every program's windows: the tool answers from the window station's list
    Window,  // about one window: sent to the program that owns WINDOW, the first argument
    Process, // about what a program has open: sent to each program until one has it
};

struct Command
{
    std::string_view name;
    // As the tool takes them: words in capitals, optional ones in brackets, choices joined by '|'.
    std::string_view arguments;
    std::string_view help;
    Scope scope;
    std::string_view section;
    // Trailing arguments the tool keeps for itself instead of sending them (the file of a screenshot).
    std::size_t keptByTool = 0;
};

// Every command, in the order the help lists them.
std::span<const Command> Commands();
// The command of this name; null when there is none.
const Command* FindCommand(std::string_view name);
// How many arguments the program must receive after the command's name.
std::size_t RequiredArguments(const Command& command);
// How many arguments the tool takes after the command's name: from RequiredArguments plus those it keeps
// to every word of `arguments`.
std::size_t MinimumToolArguments(const Command& command);
std::size_t MaximumToolArguments(const Command& command);
// "name ARGUMENTS", as the tool or as the program takes them (without the tool's own arguments).
std::string Usage(const Command& command, bool forProgram = false);
// The command list of the tool's help: each section with its commands, one line each.
std::string CommandList();

std::vector<uint8_t> EncodeRequest(const std::vector<std::string>& args);
std::vector<std::string> DecodeRequest(const std::vector<uint8_t>& request);

struct Answer
{
    bool ok = false;
    std::string output;
};
std::vector<uint8_t> EncodeAnswer(const Answer& answer);
// An answer that starts with neither "OK\n" nor "ERR\n" is a refusal with the whole text as its reason.
Answer DecodeAnswer(const std::vector<uint8_t>& bytes);

} // namespace ce::automation

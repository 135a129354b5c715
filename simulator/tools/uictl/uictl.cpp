// uictl: reads and drives the windows of the handheld's running programs through the window station.
// Each command is sent as a request to the program that owns the window (or, for the process-wide
// commands, to the first program that has what is asked for) and its answer is printed. The commands and
// their help come from the programs' own command table.
#include <kernel/automation.h>
#include <kernel/handheld.h>
#include <kernel/winstation.h>
#include <simcore/text.h>

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace
{

namespace automation = ce::automation;

constexpr int kTimeoutMs = 5000;

void PrintHelp(FILE* out)
{
    std::fputs(R"(usage: uictl [--pid PID] COMMAND [ARGUMENTS]

Drives the programs of the handheld named by HANDHELD_DIR. WINDOW is a top-level window's handle (0x...)
or its exact title; ID is a control id (or a control's handle). --pid chooses the program for the
commands that are not about a window (by default the first program that has what is asked for).

)",
               out);
    std::fputs(automation::CommandList().c_str(), out);
    std::fputs("\nExit status: 0 done, 1 the program refused or had nothing to do it on, 2 usage, or no "
               "program answered or could be reached.\n",
               out);
}

std::optional<automation::Answer> Ask(uint32_t pid, const std::vector<std::string>& args)
{
    auto reply = ce::winstation::Request(pid, automation::EncodeRequest(args), kTimeoutMs);
    if (!reply)
        return std::nullopt;
    return automation::DecodeAnswer(*reply);
}

std::vector<uint32_t> Processes()
{
    std::vector<uint32_t> pids;
    std::set<uint32_t> seen;
    for (const auto& w : ce::winstation::ListWindows())
        if (seen.insert(w.pid).second)
            pids.push_back(w.pid);
    return pids;
}

// The process that owns a window given by handle or title.
uint32_t OwnerOf(const std::string& what)
{
    char* end = nullptr;
    unsigned long v = std::strtoul(what.c_str(), &end, 0);
    if (!what.empty() && end && *end == 0)
        if (uint32_t pid = ce::winstation::WindowProcess(static_cast<uint32_t>(v)))
            return pid;
    return ce::winstation::WindowProcess(ce::winstation::FindWindowByTitle(sim::FromUtf8(what)));
}

std::string Quote(std::u16string_view s)
{
    return "\"" + sim::ToUtf8(s) + "\"";
}

int Print(const automation::Answer& a)
{
    std::fwrite(a.output.data(), 1, a.output.size(), a.ok ? stdout : stderr);
    return a.ok ? 0 : 1;
}

int ListWindows()
{
    for (const auto& w : ce::winstation::ListWindows())
        std::printf("0x%x %u %s\n", w.hwnd, w.pid, Quote(w.title).c_str());
    return 0;
}

// A command about one window goes to the program that owns it; the tool's own arguments (a screenshot's
// file) stay here.
int AskWindowOwner(const automation::Command& command, const std::vector<std::string>& args)
{
    uint32_t owner = OwnerOf(args[1]);
    if (!owner)
    {
        std::fprintf(stderr, "uictl: no window %s\n", args[1].c_str());
        return 2;
    }
    const std::vector<std::string> request(args.begin(),
                                           args.end() - static_cast<std::ptrdiff_t>(command.keptByTool));
    auto answer = Ask(owner, request);
    if (!answer)
    {
        std::fprintf(stderr, "uictl: process %u did not answer\n", owner);
        return 2;
    }
    if (command.keptByTool == 0 || !answer->ok)
        return Print(*answer);
    const std::string& file = args.back();
    std::ofstream out(file, std::ios::binary);
    out.write(answer->output.data(), static_cast<std::streamsize>(answer->output.size()));
    if (!out)
    {
        std::fprintf(stderr, "uictl: cannot write %s\n", file.c_str());
        return 1;
    }
    return 0;
}

// A command about what a program has open goes to each program until one has it.
int AskProcesses(uint32_t pid, const std::vector<std::string>& args)
{
    std::vector<uint32_t> pids = pid ? std::vector<uint32_t>{pid} : Processes();
    std::optional<automation::Answer> last;
    for (uint32_t p : pids)
    {
        auto answer = Ask(p, args);
        if (answer && answer->ok)
            return Print(*answer);
        if (answer)
            last = answer;
    }
    if (!last)
    {
        std::fprintf(stderr, "uictl: no program answered\n");
        return 2;
    }
    return Print(*last);
}

// A process id as --pid takes it: decimal digits of a pid the system can have.
std::optional<uint32_t> ParsePid(const std::string& text)
{
    uint32_t pid = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (ec != std::errc() || end != text.data() + text.size() || pid == 0 || pid > INT32_MAX)
        return std::nullopt;
    return pid;
}

int Usage(const std::string& text)
{
    std::fprintf(stderr, "uictl: %s\nusage: uictl [--pid PID] COMMAND [ARGUMENTS] (see uictl --help)\n",
                 text.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    uint32_t pid = 0;
    if (!args.empty() && args[0] == "--pid")
    {
        std::optional<uint32_t> given = args.size() >= 2 ? ParsePid(args[1]) : std::nullopt;
        if (!given)
            return Usage("--pid takes a process id");
        pid = *given;
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help")
    {
        PrintHelp(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const automation::Command* command = automation::FindCommand(args[0]);
    if (!command)
        return Usage("unknown command " + args[0]);
    const size_t given = args.size() - 1;
    if (given < automation::MinimumToolArguments(*command) ||
        given > automation::MaximumToolArguments(*command))
        return Usage("usage of " + std::string(command->name) + ": uictl " + automation::Usage(*command));
    std::string problem;
    if (!ce::CheckRuntimeDir(problem))
    {
        std::fprintf(stderr, "uictl: %s\n", problem.c_str());
        return 2;
    }
    switch (command->scope)
    {
    case automation::Scope::Windows:
        return ListWindows();
    case automation::Scope::Window:
        return AskWindowOwner(*command, args);
    case automation::Scope::Process:
        break;
    }
    return AskProcesses(pid, args);
}

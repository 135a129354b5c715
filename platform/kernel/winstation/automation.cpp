#include <kernel/automation.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace ce::automation
{
namespace
{

constexpr std::string_view kWindows = "Windows and controls";
constexpr std::string_view kShell = "Message boxes, menus, the notification icon, file dialogs";
constexpr std::string_view kProcess = "The program";

constexpr Command kCommands[] = {
    {"windows", "", "the top-level windows of every program: handle, process, state, title", Scope::Windows,
     kWindows},
    {"controls", "WINDOW", "the window's controls: id, class, handle, state (check, selection, bar position), text",
     Scope::Window, kWindows},
    {"text", "WINDOW [ID]", "the text of the window or of a control", Scope::Window, kWindows},
    {"click", "WINDOW ID", "clicks a button", Scope::Window, kWindows},
    {"type", "WINDOW ID TEXT", "types TEXT over the whole text of an edit box (read-only ones refuse)",
     Scope::Window, kWindows},
    {"check", "WINDOW ID [0|1|2]", "reads a check box's state, or sets it as a click would", Scope::Window,
     kWindows},
    {"select", "WINDOW ID INDEX|TEXT", "chooses a combo box item, or a tab (page) by index", Scope::Window,
     kWindows},
    {"items", "WINDOW ID", "the items of a combo box or the tabs of a tab control", Scope::Window, kWindows},
    {"timers", "WINDOW", "the timers of the window and its controls", Scope::Window, kWindows},
    {"timer", "WINDOW ID", "fires the timer ID now", Scope::Window, kWindows},
    {"screenshot", "WINDOW FILE.png", "saves a picture of the window", Scope::Window, kWindows, 1},
    {"msgbox", "", "the open message box: caption, text, buttons", Scope::Process, kShell},
    {"answer", "BUTTON", "answers it (OK, Cancel, Yes, No, Abort, Retry, Ignore, or an id)", Scope::Process,
     kShell},
    {"icon", "", "the notification icons: owner, id, icon resource number, visible, tip", Scope::Process,
     kShell},
    {"tap", "[ID]", "taps a notification icon", Scope::Process, kShell},
    {"menu", "", "the open pop-up menu: ids, texts, checks, sub-menus (indented)", Scope::Process, kShell},
    {"choose", "ITEM", "chooses a menu item by id or text", Scope::Process, kShell},
    {"filedialog", "[PATH|--cancel]", "reads the open file dialog, or answers it", Scope::Process, kShell},
    {"objects", "", "what it holds open: kernel handles, registry keys, windows, timers, GDI objects",
     Scope::Process, kProcess},
};

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    while (!text.empty())
    {
        const size_t start = text.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        const size_t end = std::min(text.find(' '), text.size());
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

// The arguments the program receives: all but those the tool keeps.
std::vector<std::string_view> ProgramWords(const Command& command)
{
    std::vector<std::string_view> words = Words(command.arguments);
    words.resize(words.size() - std::min(command.keptByTool, words.size()));
    return words;
}

} // namespace

std::span<const Command> Commands()
{
    return kCommands;
}

const Command* FindCommand(std::string_view name)
{
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                           [&](const Command& c) { return c.name == name; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::size_t RequiredArguments(const Command& command)
{
    const auto words = ProgramWords(command);
    return static_cast<size_t>(
        std::count_if(words.begin(), words.end(), [](std::string_view w) { return w.front() != '['; }));
}

std::size_t MinimumToolArguments(const Command& command)
{
    return RequiredArguments(command) + command.keptByTool;
}

std::size_t MaximumToolArguments(const Command& command)
{
    return Words(command.arguments).size();
}

std::string Usage(const Command& command, bool forProgram)
{
    std::string usage(command.name);
    for (std::string_view word : forProgram ? ProgramWords(command) : Words(command.arguments))
        usage.append(" ").append(word);
    return usage;
}

std::string CommandList()
{
    constexpr size_t kColumn = 27;
    std::string out;
    std::string_view section;
    for (const Command& command : kCommands)
    {
        if (command.section != section)
        {
            section = command.section;
            out.append(out.empty() ? "" : "\n").append(section).append("\n");
        }
        const std::string usage = Usage(command);
        out.append("  ").append(usage).append(std::max<size_t>(1, kColumn - std::min(kColumn, usage.size())),
                                              ' ');
        out.append(command.help).append("\n");
    }
    return out;
}

std::vector<uint8_t> EncodeRequest(const std::vector<std::string>& args)
{
    std::vector<uint8_t> request;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (i)
            request.push_back(0);
        request.insert(request.end(), args[i].begin(), args[i].end());
    }
    return request;
}

std::vector<std::string> DecodeRequest(const std::vector<uint8_t>& request)
{
    std::vector<std::string> args;
    if (request.empty())
        return args;
    std::string current;
    for (uint8_t b : request)
    {
        if (b == 0)
            args.push_back(std::exchange(current, {}));
        else
            current.push_back(static_cast<char>(b));
    }
    args.push_back(std::move(current));
    return args;
}

std::vector<uint8_t> EncodeAnswer(const Answer& answer)
{
    const std::string_view head = answer.ok ? "OK\n" : "ERR\n";
    std::vector<uint8_t> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), answer.output.begin(), answer.output.end());
    return bytes;
}

Answer DecodeAnswer(const std::vector<uint8_t>& bytes)
{
    const std::string text(bytes.begin(), bytes.end());
    if (text.starts_with("OK\n"))
        return {true, text.substr(3)};
    if (text.starts_with("ERR\n"))
        return {false, text.substr(4)};
    return {false, text};
}

} // namespace ce::automation

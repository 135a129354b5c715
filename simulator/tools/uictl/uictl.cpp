// uictl: reads and drives the windows of the handheld's running programs through the window station.
// Each command is sent as a request to the program that owns the window (or, for the process-wide
// commands, to the first program that has what is asked for) and its answer is printed.
#include <kernel/winstation.h>
#include <simcore/text.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace
{

constexpr int kTimeoutMs = 5000;

const char kHelp[] = R"(usage: uictl [--pid PID] COMMAND [ARGUMENTS]

Drives the programs of the handheld named by HANDHELD_DIR. WINDOW is a top-level window's handle (0x...)
or its exact title; ID is a control id (or a control's handle). --pid chooses the program for the
commands that are not about a window (by default the first program that has what is asked for).

Windows and controls
  windows                    the top-level windows of every program: handle, process, state, title
  controls WINDOW            the window's controls: id, class, handle, state (check, selection, bar position),
                             text
  text WINDOW [ID]           the text of the window or of a control
  click WINDOW ID            clicks a button
  type WINDOW ID TEXT        types TEXT over the whole text of an edit box (read-only ones refuse)
  check WINDOW ID [0|1|2]    reads a check box's state, or sets it as a click would
  select WINDOW ID INDEX|TEXT  chooses a combo box item, or a tab (page) by index
  items WINDOW ID            the items of a combo box or the tabs of a tab control
  timers WINDOW              the timers of the window and its controls
  timer WINDOW ID            fires the timer ID now
  screenshot WINDOW FILE.png saves a picture of the window

Message boxes, menus, the notification icon, file dialogs
  msgbox                     the open message box: caption, text, buttons
  answer BUTTON              answers it (OK, Cancel, Yes, No, Abort, Retry, Ignore, or an id)
  icon                       the notification icons: owner, id, icon resource number, visible, tip
  tap [ID]                   taps a notification icon
  menu                       the open pop-up menu: ids, texts, checks, sub-menus (indented)
  choose ITEM                chooses a menu item by id or text
  filedialog [PATH|--cancel] reads the open file dialog, or answers it

Exit status: 0 done, 1 the program refused or had nothing to do it on, 2 usage or no program answered.
)";

struct Answer
{
    bool ok = false;
    std::string output;
};

std::optional<Answer> Ask(uint32_t pid, const std::vector<std::string>& args)
{
    std::vector<uint8_t> request;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (i)
            request.push_back(0);
        request.insert(request.end(), args[i].begin(), args[i].end());
    }
    auto reply = ce::winstation::Request(pid, request, kTimeoutMs);
    if (!reply)
        return std::nullopt;
    std::string text(reply->begin(), reply->end());
    Answer a;
    if (text.rfind("OK\n", 0) == 0)
    {
        a.ok = true;
        a.output = text.substr(3);
    }
    else
    {
        a.output = text.rfind("ERR\n", 0) == 0 ? text.substr(4) : text;
    }
    return a;
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

int Print(const Answer& a)
{
    std::fwrite(a.output.data(), 1, a.output.size(), a.ok ? stdout : stderr);
    return a.ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    uint32_t pid = 0;
    if (args.size() >= 2 && args[0] == "--pid")
    {
        pid = static_cast<uint32_t>(std::strtoul(args[1].c_str(), nullptr, 10));
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help")
    {
        std::fputs(kHelp, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string& cmd = args[0];
    static const std::set<std::string> windowCommands = {
        "controls", "text", "click", "type", "check", "select", "items", "timers", "timer", "screenshot"};
    static const std::set<std::string> processCommands = {"msgbox", "answer", "icon",      "tap",
                                                          "menu",   "choose", "filedialog"};
    if (cmd == "windows")
    {
        for (const auto& w : ce::winstation::ListWindows())
            std::printf("0x%x %u %s\n", w.hwnd, w.pid, Quote(w.title).c_str());
        return 0;
    }
    if (windowCommands.count(cmd))
    {
        if (args.size() < 2)
        {
            std::fprintf(stderr, "uictl: %s needs a window (see uictl --help)\n", cmd.c_str());
            return 2;
        }
        uint32_t owner = OwnerOf(args[1]);
        if (!owner)
        {
            std::fprintf(stderr, "uictl: no window %s\n", args[1].c_str());
            return 2;
        }
        std::vector<std::string> request = args;
        std::string file;
        if (cmd == "screenshot")
        {
            if (args.size() < 3)
            {
                std::fprintf(stderr, "uictl: screenshot WINDOW FILE.png\n");
                return 2;
            }
            file = args[2];
            request.resize(2);
        }
        auto answer = Ask(owner, request);
        if (!answer)
        {
            std::fprintf(stderr, "uictl: process %u did not answer\n", owner);
            return 2;
        }
        if (cmd == "screenshot" && answer->ok)
        {
            std::ofstream out(file, std::ios::binary);
            out.write(answer->output.data(), static_cast<std::streamsize>(answer->output.size()));
            if (!out)
            {
                std::fprintf(stderr, "uictl: cannot write %s\n", file.c_str());
                return 1;
            }
            return 0;
        }
        return Print(*answer);
    }
    if (processCommands.count(cmd))
    {
        std::vector<uint32_t> pids = pid ? std::vector<uint32_t>{pid} : Processes();
        std::optional<Answer> last;
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
    std::fprintf(stderr, "uictl: unknown command %s (see uictl --help)\n", cmd.c_str());
    return 2;
}

// Automation: reading and driving this process's windows from outside (through the window station's
// requests) or from tests (directly). Commands that make the program act (click, select, check) are
// queued, so a handler that opens a modal box does not hold the answer back.
#include "host.h"

#include <gwes/shell.h>
#include <kernel/automation.h>
#include <kernel/object_counts.h>
#include <kernel/text.h>

#include <commctrl.h>

#include <QApplication>
#include <QBuffer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace gwes
{
namespace
{

std::string Utf8(std::u16string_view s)
{
    return ToQString(s).toStdString();
}

std::u16string Utf16(const std::string& s)
{
    return FromQString(QString::fromStdString(s));
}

std::string Hex(const void* h)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)));
    return buffer;
}

std::string Quoted(std::u16string_view s)
{
    std::string out = "\"";
    for (char c : Utf8(s))
    {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out + "\"";
}

std::optional<long long> Number(const std::string& s)
{
    if (s.empty())
        return std::nullopt;
    try
    {
        size_t used = 0;
        long long v = std::stoll(s, &used, 0);
        if (used != s.size())
            return std::nullopt;
        return v;
    }
    catch (...)
    {
        return std::nullopt;
    }
}

AutomationReply Fail(const std::string& why)
{
    return {false, why + "\n"};
}

AutomationReply Ok(std::string out = {})
{
    return {true, std::move(out)};
}

// A top-level window of this process: by handle (0x... or decimal) or by its exact title.
HWND ResolveWindow(const std::string& what)
{
    if (auto n = Number(what))
    {
        auto h = reinterpret_cast<HWND>(static_cast<uintptr_t>(*n));
        if (Get(h))
            return h;
    }
    std::u16string title = Utf16(what);
    for (HWND h : TopLevelWindows())
        if (Window* w = Get(h); w && w->text == title)
            return h;
    return nullptr;
}

void Descendants(HWND h, std::vector<HWND>& out, int depth = 0)
{
    Window* w = Get(h);
    if (!w || depth > 32)
        return;
    for (HWND c : w->children)
    {
        out.push_back(c);
        Descendants(c, out, depth + 1);
    }
}

// A control of a window by id (a visible one first, as pages of a sheet may reuse ids) or by handle.
HWND ResolveControl(HWND top, const std::string& what)
{
    auto n = Number(what);
    if (!n)
        return nullptr;
    std::vector<HWND> all;
    Descendants(top, all);
    for (HWND c : all)
        if (reinterpret_cast<uintptr_t>(c) == static_cast<uintptr_t>(*n))
            return c;
    HWND hidden = nullptr;
    for (HWND c : all)
        if (Window* w = Get(c); w && w->id == *n)
        {
            if (IsWindowVisible(c))
                return c;
            if (!hidden)
                hidden = c;
        }
    return hidden;
}

std::u16string ClassOf(HWND h)
{
    Window* w = Get(h);
    return w && w->cls ? w->cls->name : std::u16string();
}

bool IsClass(HWND h, std::u16string_view name)
{
    return ce::text::EqualsNoCase(ClassOf(h), name);
}

std::u16string TextOf(HWND h)
{
    int n = GetWindowTextLengthW(h);
    std::u16string s(static_cast<size_t>(std::max(n, 0)) + 1, u'\0');
    int got = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(got, 0)));
    return s;
}

std::u16string ComboItem(HWND h, int i)
{
    LRESULT n = Send(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0)
        return {};
    std::u16string s(static_cast<size_t>(n) + 1, u'\0');
    Send(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(n));
    return s;
}

std::string StateOf(HWND h)
{
    std::string s = IsWindowVisible(h) ? "visible" : "hidden";
    s += IsWindowEnabled(h) ? ",enabled" : ",disabled";
    if (IsClass(h, u"Button"))
    {
        DWORD type = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & 0x0F;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX)
            s += ",check=" + std::to_string(Send(h, BM_GETCHECK, 0, 0));
    }
    else if (IsClass(h, u"ComboBox"))
    {
        s += ",sel=" + std::to_string(Send(h, CB_GETCURSEL, 0, 0));
        s += ",count=" + std::to_string(Send(h, CB_GETCOUNT, 0, 0));
    }
    else if (IsClass(h, WC_TABCONTROLW))
    {
        s += ",sel=" + std::to_string(Send(h, TCM_GETCURSEL, 0, 0));
    }
    else if (IsClass(h, PROGRESS_CLASSW))
    {
        s += ",pos=" + std::to_string(Send(h, PBM_GETPOS, 0, 0));
    }
    return s;
}

// Runs an action after the answer has gone out.
void Later(std::function<void()> action)
{
    QTimer::singleShot(0, qApp, std::move(action));
}

std::string DescribeMenu(const std::vector<MenuItemInfo>& items, int depth)
{
    std::string out;
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    for (const MenuItemInfo& item : items)
    {
        if (item.flags & MF_SEPARATOR)
        {
            out += indent + "-\n";
            continue;
        }
        out += indent + ((item.flags & MF_POPUP) ? std::string("popup") : std::to_string(item.id)) + " " +
               Quoted(item.text);
        if (item.flags & MF_CHECKED)
            out += (item.flags & MFT_RADIOCHECK) ? " radio-checked" : " checked";
        if (item.flags & (MF_GRAYED | MF_DISABLED))
            out += " disabled";
        out += "\n";
        out += DescribeMenu(item.children, depth + 1);
    }
    return out;
}

std::string Plain(std::u16string_view s)
{
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] != u'&' || (i + 1 < s.size() && s[i + 1] == u'&' && (++i, true)))
            out += s[i];
    return Utf8(out);
}

std::optional<UINT> FindMenuCommand(const std::vector<MenuItemInfo>& items, const std::string& what)
{
    for (const MenuItemInfo& item : items)
    {
        if (!(item.flags & (MF_POPUP | MF_SEPARATOR)) && Plain(item.text) == what)
            return item.id;
        if (auto found = FindMenuCommand(item.children, what))
            return found;
    }
    return std::nullopt;
}

const char* ButtonName(int id)
{
    switch (id)
    {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

// One command being run: its arguments, and the window and control they name.
struct Call
{
    const std::vector<std::string>& a;
    const ce::automation::Command& command;
    HWND top = nullptr;     // commands on a window
    HWND control = nullptr; // commands on a control

    AutomationReply Usage() const { return Fail("usage: " + ce::automation::Usage(command, true)); }
};

enum class Needs
{
    Nothing,
    Window,  // a[1] names a top-level window of this process
    Control, // and a[2] one of its controls
};

// ----- Commands about the process

AutomationReply Windows(const Call&)
{
    std::string out;
    for (HWND h : TopLevelWindows())
        out += Hex(h) + " " + StateOf(h) + " " + Quoted(TextOf(h)) + "\n";
    return Ok(out);
}

AutomationReply Icon(const Call&)
{
    std::string out;
    for (const NotifyIconInfo& i : NotifyIcons())
        out += "owner=" + Hex(i.owner) + " id=" + std::to_string(i.id) +
               " icon=" + std::to_string(i.iconNumber) + " visible=" + (i.visible ? "1" : "0") +
               " tip=" + Quoted(i.tip) + "\n";
    return out.empty() ? Fail("no notification icon") : Ok(out);
}

AutomationReply Tap(const Call& c)
{
    for (const NotifyIconInfo& i : NotifyIcons())
        if (c.a.size() < 2 || Number(c.a[1]) == static_cast<long long>(i.id))
            return TapNotifyIcon(i.owner, i.id) ? Ok() : Fail("the icon has no callback message");
    return Fail("no such notification icon");
}

AutomationReply Menu(const Call&)
{
    HMENU m = OpenPopupMenu();
    return m ? Ok(DescribeMenu(MenuItems(m), 0)) : Fail("no pop-up menu is open");
}

AutomationReply Choose(const Call& c)
{
    HMENU m = OpenPopupMenu();
    if (!m)
        return Fail("no pop-up menu is open");
    std::optional<UINT> id;
    if (auto n = Number(c.a[1]))
        id = static_cast<UINT>(*n);
    else
        id = FindMenuCommand(MenuItems(m), c.a[1]);
    return id && ChooseOpenMenuItem(*id) ? Ok() : Fail("no enabled menu item " + c.a[1]);
}

AutomationReply MessageBoxInfo(const Call&)
{
    auto box = CurrentMessageBox();
    if (!box)
        return Fail("no message box is open");
    std::string buttons;
    for (int b : box->buttons)
        buttons += std::string(buttons.empty() ? "" : " ") + ButtonName(b);
    return Ok("caption: " + Utf8(box->caption) + "\ntext: " + Utf8(box->text) + "\nbuttons: " + buttons +
              "\n");
}

AutomationReply Answer(const Call& c)
{
    int id = 0;
    if (auto n = Number(c.a[1]))
        id = static_cast<int>(*n);
    for (int b = IDOK; b <= IDNO && !id; ++b)
        if (ce::text::EqualsNoCase(Utf16(c.a[1]), Utf16(ButtonName(b))))
            id = b;
    return AnswerMessageBox(id) ? Ok() : Fail("no open message box with the button " + c.a[1]);
}

AutomationReply FileDialog(const Call& c)
{
    auto d = CurrentFileDialog();
    if (!d)
        return Fail("no file dialog is open");
    if (c.a.size() < 2)
    {
        std::string out = std::string(d->open ? "open" : "save") + " " + Quoted(d->title) + "\n";
        for (const auto& [name, patterns] : d->filters)
            out += "filter " + Quoted(name) + " " + Quoted(patterns) + "\n";
        return Ok(out);
    }
    std::u16string path = c.a[1] == "--cancel" ? std::u16string() : Utf16(c.a[1]);
    return AnswerFileDialog(path) ? Ok() : Fail("the file dialog refused " + c.a[1]);
}

// ----- Commands about a window

AutomationReply Controls(const Call& c)
{
    std::vector<HWND> all;
    Descendants(c.top, all);
    std::string out;
    for (HWND h : all)
        out += std::to_string(GetDlgCtrlID(h)) + " " + Utf8(ClassOf(h)) + " " + Hex(h) + " " + StateOf(h) +
               " " + Quoted(TextOf(h)) + "\n";
    return Ok(out);
}

AutomationReply Timers(const Call& c)
{
    std::vector<HWND> all{c.top};
    Descendants(c.top, all);
    std::string out;
    for (HWND h : all)
        for (UINT_PTR id : WindowTimers(h))
            out += Hex(h) + " " + std::to_string(id) + "\n";
    return Ok(out);
}

AutomationReply Timer(const Call& c)
{
    auto id = Number(c.a[2]);
    std::vector<HWND> all{c.top};
    Descendants(c.top, all);
    for (HWND h : all)
        for (UINT_PTR t : WindowTimers(h))
            if (id && t == static_cast<UINT_PTR>(*id))
                return FireTimer(h, t) ? Ok() : Fail("the timer could not be fired");
    return Fail("no timer " + c.a[2]);
}

AutomationReply Objects(const Call&)
{
    return Ok("handles " + std::to_string(ce::OpenHandleCount()) + "\nkeys " +
              std::to_string(ce::OpenRegistryKeyCount()) + "\nwindows " + std::to_string(WindowCount()) +
              "\ntimers " + std::to_string(TimerCount()) + "\ngdi " + std::to_string(GdiObjectCount()) +
              "\n");
}

AutomationReply Screenshot(const Call& c)
{
    Window* w = Get(c.top);
    if (!w || !w->widget)
        return Fail("the window has nothing to show");
    QImage image = w->widget->grab().toImage();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return Fail("the screenshot could not be made");
    return Ok(std::string(png.constData(), static_cast<size_t>(png.size())));
}

// The window's text, or a control's when one is named.
AutomationReply Text(const Call& c)
{
    if (c.a.size() == 2)
        return Ok(Utf8(TextOf(c.top)) + "\n");
    HWND control = ResolveControl(c.top, c.a[2]);
    if (!control)
        return Fail("no control " + c.a[2] + " in " + c.a[1]);
    return Ok(Utf8(TextOf(control)) + "\n");
}

// ----- Commands about a control

AutomationReply Click(const Call& c)
{
    if (!IsWindowEnabled(c.control))
        return Fail("the control is disabled");
    Later([h = c.control] { Send(h, BM_CLICK, 0, 0); });
    return Ok();
}

AutomationReply Type(const Call& c)
{
    if (!IsWindowEnabled(c.control))
        return Fail("the control is disabled");
    std::u16string text = Utf16(c.a[3]);
    if (!IsClass(c.control, u"Edit"))
    {
        SetWindowTextW(c.control, text.c_str());
        return Ok();
    }
    // As typed over the whole text: the edit's case rules apply and it counts as modified.
    if (static_cast<DWORD>(GetWindowLongW(c.control, GWL_STYLE)) & ES_READONLY)
        return Fail("the edit box is read-only");
    Send(c.control, EM_SETSEL, 0, -1);
    Send(c.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return Ok();
}

AutomationReply Check(const Call& c)
{
    if (c.a.size() < 4)
        return Ok(std::to_string(Send(c.control, BM_GETCHECK, 0, 0)) + "\n");
    auto state = Number(c.a[3]);
    if (!state || *state < 0 || *state > 2)
        return c.Usage();
    if (Send(c.control, BM_GETCHECK, 0, 0) == *state)
        return Ok();
    Later(
        [h = c.control, s = *state]
        {
            Send(h, BM_CLICK, 0, 0);
            if (IsWindow(h) && Send(h, BM_GETCHECK, 0, 0) != s)
                Send(h, BM_SETCHECK, static_cast<WPARAM>(s), 0);
        });
    return Ok();
}

AutomationReply Items(const Call& c)
{
    std::string out;
    if (IsClass(c.control, WC_TABCONTROLW))
    {
        LRESULT n = Send(c.control, TCM_GETITEMCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i)
        {
            WCHAR text[256] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 256;
            Send(c.control, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            out += std::to_string(i) + " " + Quoted(text) + "\n";
        }
        return Ok(out);
    }
    LRESULT n = Send(c.control, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i)
        out += std::to_string(i) + " " + Quoted(ComboItem(c.control, static_cast<int>(i))) + "\n";
    return Ok(out);
}

// A tab is chosen as a tap on it would: the parent may refuse the change (TCN_SELCHANGING), then hears of it.
void SelectTab(HWND tabs, LRESULT index)
{
    Window* w = Get(tabs);
    if (!w || !w->parent)
        return;
    NMHDR nm{tabs, static_cast<UINT_PTR>(w->id), static_cast<UINT>(TCN_SELCHANGING)};
    if (Send(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&nm)))
        return;
    Send(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    nm.code = static_cast<UINT>(TCN_SELCHANGE);
    if (Window* again = Get(tabs); again && again->parent)
        Send(again->parent, WM_NOTIFY, static_cast<WPARAM>(again->id), reinterpret_cast<LPARAM>(&nm));
}

AutomationReply Select(const Call& c)
{
    auto index = Number(c.a[3]);
    if (IsClass(c.control, WC_TABCONTROLW))
    {
        if (!index || *index < 0 || *index >= Send(c.control, TCM_GETITEMCOUNT, 0, 0))
            return Fail("no tab " + c.a[3]);
        Later([h = c.control, i = *index] { SelectTab(h, static_cast<LRESULT>(i)); });
        return Ok();
    }
    LRESULT i = -1;
    if (index)
    {
        i = static_cast<LRESULT>(*index);
    }
    else
    {
        std::u16string text = Utf16(c.a[3]);
        i = Send(c.control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (i < 0 || i >= Send(c.control, CB_GETCOUNT, 0, 0))
        return Fail("no item " + c.a[3]);
    Send(c.control, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    Later(
        [h = c.control]
        {
            if (Window* w = Get(h))
                NotifyParent(*w, CBN_SELCHANGE);
        });
    return Ok();
}

struct Handler
{
    std::string_view name;
    Needs needs;
    AutomationReply (*run)(const Call& call);
};

// The handler of every command of the automation table (kernel/automation.h), which tells how each is
// spelled and what it is for.
constexpr Handler kHandlers[] = {
    {"windows", Needs::Nothing, Windows},
    {"controls", Needs::Window, Controls},
    {"text", Needs::Window, Text},
    {"click", Needs::Control, Click},
    {"type", Needs::Control, Type},
    {"check", Needs::Control, Check},
    {"select", Needs::Control, Select},
    {"items", Needs::Control, Items},
    {"timers", Needs::Window, Timers},
    {"timer", Needs::Window, Timer},
    {"screenshot", Needs::Window, Screenshot},
    {"msgbox", Needs::Nothing, MessageBoxInfo},
    {"answer", Needs::Nothing, Answer},
    {"icon", Needs::Nothing, Icon},
    {"tap", Needs::Nothing, Tap},
    {"menu", Needs::Nothing, Menu},
    {"choose", Needs::Nothing, Choose},
    {"filedialog", Needs::Nothing, FileDialog},
    {"objects", Needs::Nothing, Objects},
};

AutomationReply Run(const std::vector<std::string>& a)
{
    const ce::automation::Command* command = ce::automation::FindCommand(a[0]);
    auto handler = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                                [&](const Handler& h) { return h.name == a[0]; });
    if (!command || handler == std::end(kHandlers))
        return Fail("unknown command " + a[0]);
    Call call{a, *command};
    if (a.size() - 1 < ce::automation::RequiredArguments(*command))
        return call.Usage();
    if (handler->needs != Needs::Nothing && !(call.top = ResolveWindow(a[1])))
        return Fail("no window " + a[1]);
    if (handler->needs == Needs::Control && !(call.control = ResolveControl(call.top, a[2])))
        return Fail("no control " + a[2] + " in " + a[1]);
    return handler->run(call);
}

} // namespace

AutomationReply Automate(const std::vector<std::string>& args)
{
    if (args.empty())
        return Fail("no command");
    if (!OnGuiThread())
        return Fail("automation runs on the window thread");
    try
    {
        return Run(args);
    }
    catch (...)
    {
        return Fail("the command failed");
    }
}

std::vector<uint8_t> AutomationRequest(const std::vector<uint8_t>& request)
{
    AutomationReply reply = Automate(ce::automation::DecodeRequest(request));
    return ce::automation::EncodeAnswer({reply.ok, reply.output});
}

} // namespace gwes

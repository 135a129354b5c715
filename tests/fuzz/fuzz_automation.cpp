// The window services' automation requests (gwes::AutomationRequest), as the window station hands them
// over: the arguments of one command separated by NUL bytes, run on the window thread against a window
// "Fuzz" with one control of each kind automation drives (offscreen, one application for the process).
// Checks: every request gets an answer starting with "OK\n" or "ERR\n", a refusal gives its reason; the
// work a command leaves for later runs without harm and the window stays; a screenshot is a PNG; text
// typed into a plain edit box reads back as typed.
#include "fuzz_support.h"

#include <windows.h>

#include <commctrl.h>

#include <gwes/gwes.h>
#include <gwes/shell.h>

#include <cstdlib>
#include <string>

namespace
{

constexpr int kPlainEdit = 11;

struct Target
{
    HWND top = nullptr;

    Target()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        FUZZ_CHECK(gwes::EnsureApplication(), "no application");
        top = CreateWindowExW(0, u"Static", u"Fuzz", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 240, 200, nullptr,
                              nullptr, nullptr, nullptr);
        FUZZ_CHECK(top != nullptr, "no window");
        Child(u"Edit", u"", ES_UPPERCASE | ES_AUTOHSCROLL, 10);
        Child(u"Edit", u"plain", 0, kPlainEdit);
        Child(u"Edit", u"fixed", ES_READONLY, 12);
        Child(u"Button", u"Check", BS_AUTOCHECKBOX, 13);
        HWND combo = Child(u"ComboBox", u"", CBS_DROPDOWNLIST, 14);
        for (const char16_t* item : {u"Disable", u"Enable (Max)", u"Enable (Fast)"})
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        HWND tabs = Child(WC_TABCONTROLW, u"", 0, 15);
        for (const char16_t* page : {u"Status", u"Radio"})
        {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<LPWSTR>(page);
            SendMessageW(tabs, TCM_INSERTITEMW, SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0),
                         reinterpret_cast<LPARAM>(&item));
        }
        Child(u"Button", u"Push", BS_PUSHBUTTON, 16);
        HWND hidden = CreateWindowExW(0, u"Static", u"hidden", WS_CHILD, 0, 0, 10, 10, top,
                                      reinterpret_cast<HMENU>(static_cast<intptr_t>(17)), nullptr, nullptr);
        FUZZ_CHECK(hidden != nullptr, "");
        SetTimer(top, 7, 1000000, nullptr);
        gwes::ProcessPending();
    }

    HWND Child(LPCWSTR cls, LPCWSTR text, DWORD style, int id)
    {
        HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, top,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
        FUZZ_CHECK(h != nullptr, "no control " + std::to_string(id));
        return h;
    }
};

Target& TheTarget()
{
    static Target* target = new Target; // windows live until the application ends
    return *target;
}

std::string Reply(const std::vector<uint8_t>& request)
{
    const std::vector<uint8_t> answer = gwes::AutomationRequest(request);
    const std::string text(answer.begin(), answer.end());
    FUZZ_CHECK(text.starts_with("OK\n") ||
                   (text.starts_with("ERR\n") && text.size() > 5 && text.back() == '\n'),
               "answer " + fuzz::Hex(answer.data(), std::min<size_t>(answer.size(), 64)));
    return text;
}

std::vector<std::string> Split(const std::vector<uint8_t>& request)
{
    std::vector<std::string> args(1);
    for (uint8_t b : request)
        if (b)
            args.back().push_back(static_cast<char>(b));
        else
            args.emplace_back();
    return args;
}

bool PrintableAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Target& target = TheTarget();
    const std::vector<uint8_t> request(data, data + size);
    const std::string answer = Reply(request);
    gwes::ProcessPending(); // what the command left for later: clicks, selections
    FUZZ_CHECK(IsWindow(target.top), "the window is gone");

    const std::vector<std::string> args = Split(request);
    if (request.empty())
        FUZZ_CHECK(answer.starts_with("ERR\n"), "an empty request answered OK");
    if (answer.starts_with("OK\n") && args[0] == "screenshot")
        FUZZ_CHECK(answer.compare(3, 4, "\x89PNG") == 0, "a screenshot that is no PNG");
    if (answer.starts_with("OK\n") && args.size() == 4 && args[0] == "type" &&
        (args[2] == std::to_string(kPlainEdit)) && PrintableAscii(args[3]))
    {
        std::vector<uint8_t> read;
        for (const std::string& a : {args[0], args[1], args[2]})
        {
            read.insert(read.end(), a.begin(), a.end());
            read.push_back(0);
        }
        read[0] = 't', read[1] = 'e', read[2] = 'x', read[3] = 't';
        read.pop_back();
        FUZZ_CHECK(Reply(read) == "OK\n" + args[3] + "\n", "typed text does not read back");
    }
    return 0;
}

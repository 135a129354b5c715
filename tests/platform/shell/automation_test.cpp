// Automation of controls, timers and file dialogs in this process, through the same commands uictl sends.
#include <afxdlgs.h>
#include <afxwin.h>

#include <gwes/gwes.h>
#include <gwes/shell.h>
#include <kernel/automation.h>

#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace
{

const std::string kTarget = "Automation target";

struct Seen
{
    std::vector<std::pair<int, UINT>> commands; // (control id, notification code)
    std::vector<UINT> notifications;            // WM_NOTIFY codes
    std::vector<UINT_PTR> timers;
};
Seen g_seen;

LRESULT CALLBACK TargetProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_COMMAND:
        g_seen.commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        g_seen.notifications.push_back(reinterpret_cast<NMHDR*>(lParam)->code);
        return 0;
    case WM_TIMER:
        g_seen.timers.push_back(wParam);
        return 0;
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

bool Saw(int id, UINT code)
{
    for (const auto& c : g_seen.commands)
        if (c.first == id && c.second == code)
            return true;
    return false;
}

// A window with one control of each kind automation drives.
class Target
{
public:
    enum
    {
        IDC_NAME = 10,
        IDC_FIXED,
        IDC_ENABLE,
        IDC_POWER,
        IDC_TABS
    };

    Target()
    {
        static bool registered = false;
        if (!registered)
        {
            WNDCLASSW wc{};
            wc.lpfnWndProc = TargetProc;
            wc.lpszClassName = u"AutomationTarget";
            RegisterClassW(&wc);
            registered = true;
        }
        m_hWnd = CreateWindowExW(0, u"AutomationTarget", u"Automation target", WS_OVERLAPPED | WS_VISIBLE, 0,
                                 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        Child(u"Edit", u"", ES_UPPERCASE | ES_AUTOHSCROLL, IDC_NAME);
        Child(u"Edit", u"fixed", ES_READONLY, IDC_FIXED);
        Child(u"Button", u"Enable", BS_AUTOCHECKBOX, IDC_ENABLE);
        HWND power = Child(u"ComboBox", u"", CBS_DROPDOWNLIST, IDC_POWER);
        for (const char16_t* item : {u"Disable", u"Enable (Max)", u"Enable (Fast)"})
            SendMessageW(power, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        HWND tabs = Child(WC_TABCONTROLW, u"", 0, IDC_TABS);
        for (const char16_t* page : {u"Status", u"Radio"})
        {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<LPWSTR>(page);
            SendMessageW(tabs, TCM_INSERTITEMW, SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0),
                         reinterpret_cast<LPARAM>(&item));
        }
        gwes::ProcessPending();
        g_seen = {};
    }
    ~Target() { DestroyWindow(m_hWnd); }

    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

    HWND m_hWnd = nullptr;

private:
    HWND Child(LPCWSTR cls, LPCWSTR text, DWORD style, int id)
    {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    }
};

gwes::AutomationReply Do(std::vector<std::string> args)
{
    return gwes::Automate(args);
}

std::string Text(HWND h)
{
    WCHAR buffer[64] = {};
    GetWindowTextW(h, buffer, 64);
    return QString::fromUtf16(buffer).toStdString();
}

} // namespace

TEST(Automation, TypingReplacesAnEditsTextAsAUserWouldAndSparesReadOnlyOnes)
{
    Target t;
    EXPECT_TRUE(Do({"type", kTarget, "10", "abc"}).ok);
    EXPECT_EQ(Do({"text", kTarget, "10"}).output, "ABC\n");
    EXPECT_EQ(SendMessageW(t.Item(Target::IDC_NAME), EM_GETMODIFY, 0, 0), TRUE);
    EXPECT_TRUE(Saw(Target::IDC_NAME, EN_CHANGE));

    // An empty last argument is still an argument: the text is cleared.
    std::vector<uint8_t> wire;
    for (const std::string& arg : {std::string("type"), kTarget, std::string("10")})
    {
        wire.insert(wire.end(), arg.begin(), arg.end());
        wire.push_back(0);
    }
    std::vector<uint8_t> answer = gwes::AutomationRequest(wire);
    EXPECT_EQ(std::string(answer.begin(), answer.end()), "OK\n");
    EXPECT_EQ(Text(t.Item(Target::IDC_NAME)), "");

    auto refused = Do({"type", kTarget, "11", "other"});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.output, "the edit box is read-only\n");
    EXPECT_EQ(Text(t.Item(Target::IDC_FIXED)), "fixed");
    EnableWindow(t.Item(Target::IDC_NAME), FALSE);
    EXPECT_FALSE(Do({"type", kTarget, "10", "x"}).ok);
    EXPECT_FALSE(Do({"type", kTarget, "99", "x"}).ok);
}

TEST(Automation, ACheckIsReadAndSetThroughAClick)
{
    Target t;
    EXPECT_EQ(Do({"check", kTarget, "12"}).output, "0\n");
    EXPECT_TRUE(Do({"check", kTarget, "12", "1"}).ok);
    gwes::ProcessUntil([] { return Saw(Target::IDC_ENABLE, BN_CLICKED); }, 2000);
    EXPECT_TRUE(Saw(Target::IDC_ENABLE, BN_CLICKED));
    EXPECT_EQ(Do({"check", kTarget, "12"}).output, "1\n");
    EXPECT_NE(Do({"controls", kTarget}).output.find("12 Button "), std::string::npos);
    EXPECT_NE(Do({"controls", kTarget}).output.find(",check=1 \"Enable\""), std::string::npos);

    // Already in that state: no click.
    g_seen = {};
    EXPECT_TRUE(Do({"check", kTarget, "12", "1"}).ok);
    gwes::ProcessPending();
    EXPECT_TRUE(g_seen.commands.empty());
    EXPECT_FALSE(Do({"check", kTarget, "12", "3"}).ok);
}

TEST(Automation, ComboItemsAndTabsAreListedAndChosenWithTheirNotifications)
{
    Target t;
    EXPECT_EQ(Do({"items", kTarget, "13"}).output,
              "0 \"Disable\"\n1 \"Enable (Max)\"\n2 \"Enable (Fast)\"\n");
    EXPECT_TRUE(Do({"select", kTarget, "13", "Enable (Fast)"}).ok);
    EXPECT_EQ(SendMessageW(t.Item(Target::IDC_POWER), CB_GETCURSEL, 0, 0), 2);
    gwes::ProcessUntil([] { return Saw(Target::IDC_POWER, CBN_SELCHANGE); }, 2000);
    EXPECT_TRUE(Saw(Target::IDC_POWER, CBN_SELCHANGE));
    EXPECT_TRUE(Do({"select", kTarget, "13", "0"}).ok);
    EXPECT_EQ(SendMessageW(t.Item(Target::IDC_POWER), CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(Do({"select", kTarget, "13", "3"}).ok);
    EXPECT_FALSE(Do({"select", kTarget, "13", "Enable"}).ok);
    EXPECT_EQ(SendMessageW(t.Item(Target::IDC_POWER), CB_GETCURSEL, 0, 0), 0);

    EXPECT_EQ(Do({"items", kTarget, "14"}).output, "0 \"Status\"\n1 \"Radio\"\n");
    EXPECT_TRUE(Do({"select", kTarget, "14", "1"}).ok);
    gwes::ProcessUntil([] { return g_seen.notifications.size() >= 2; }, 2000);
    EXPECT_EQ(g_seen.notifications,
              (std::vector<UINT>{static_cast<UINT>(TCN_SELCHANGING), static_cast<UINT>(TCN_SELCHANGE)}));
    EXPECT_EQ(SendMessageW(t.Item(Target::IDC_TABS), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(Do({"select", kTarget, "14", "2"}).ok);
}

TEST(Automation, TimersAreListedAndFiredNow)
{
    Target t;
    ASSERT_TRUE(SetTimer(t.m_hWnd, 254, 60000, nullptr));
    ASSERT_TRUE(SetTimer(t.m_hWnd, 256, 60000, nullptr));
    char hwnd[32];
    std::snprintf(hwnd, sizeof hwnd, "0x%lx",
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(t.m_hWnd)));
    std::string listing = Do({"timers", kTarget}).output;
    EXPECT_NE(listing.find(std::string(hwnd) + " 254\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find(std::string(hwnd) + " 256\n"), std::string::npos) << listing;

    EXPECT_TRUE(Do({"timer", hwnd, "256"}).ok);
    gwes::ProcessUntil([] { return !g_seen.timers.empty(); }, 2000);
    EXPECT_EQ(g_seen.timers, std::vector<UINT_PTR>{256});
    EXPECT_FALSE(Do({"timer", kTarget, "999"}).ok);

    KillTimer(t.m_hWnd, 254);
    EXPECT_EQ(Do({"timers", kTarget}).output.find(" 254\n"), std::string::npos);
    EXPECT_FALSE(Do({"timer", kTarget, "254"}).ok);
}

TEST(Automation, AProgressBarShowsItsPosition)
{
    Target t;
    HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 100, 100, 12, t.m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(20)), nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    SendMessageW(bar, PBM_SETPOS, 42, 0);
    std::string listing = Do({"controls", kTarget}).output;
    EXPECT_NE(listing.find("20 msctls_progress32 "), std::string::npos) << listing;
    EXPECT_NE(listing.find(",pos=42 \"\"\n"), std::string::npos) << listing;
}

TEST(FileDialogs, AnOpenDialogShowsItsFiltersAndAddsTheDefaultExtension)
{
    const std::string dir = testing::TempDir();
    std::ofstream(dir + "eeprom_words.txt") << "0000";
    CFileDialog dlg(TRUE, u"txt", u"*.txt", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                    u"Text Files (*.txt) | *.txt | All Files (*.*) | *.* ||"); // blanks around the bars go
    std::string seen;
    QTimer::singleShot(20,
                       [&]
                       {
                           seen = Do({"filedialog"}).output;
                           // A file that must exist and does not is refused; the dialog stays open.
                           EXPECT_FALSE(Do({"filedialog", dir + "missing_words"}).ok);
                           EXPECT_TRUE(Do({"filedialog", dir + "eeprom_words"}).ok);
                       });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(seen,
              "open \"Open\"\nfilter \"Text Files (*.txt)\" \"*.txt\"\nfilter \"All Files (*.*)\" \"*.*\"\n");
    EXPECT_EQ(dlg.GetPathName(), CString((dir + "eeprom_words.txt").c_str()));
    EXPECT_EQ(dlg.GetFileName(), CString(u"eeprom_words.txt"));
    EXPECT_EQ(dlg.GetFileExt(), CString(u"txt"));
    EXPECT_EQ(dlg.GetFileTitle(), CString(u"eeprom_words"));
    EXPECT_FALSE(Do({"filedialog"}).ok);

    QTimer::singleShot(20, [] { EXPECT_TRUE(Do({"filedialog", "--cancel"}).ok); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    std::remove((dir + "eeprom_words.txt").c_str());
}

TEST(FileDialogs, ASaveDialogTakesANewNameAndKeepsAnExtensionGiven)
{
    const std::string dir = testing::TempDir();
    CFileDialog dlg(FALSE, u"txt", u"dump", 0, u"Text Files (*.txt)|*.txt||");
    std::string seen;
    QTimer::singleShot(20,
                       [&]
                       {
                           seen = Do({"filedialog"}).output;
                           EXPECT_TRUE(Do({"filedialog", dir + "dump.bin"}).ok);
                       });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(seen, "save \"Save As\"\nfilter \"Text Files (*.txt)\" \"*.txt\"\n");
    EXPECT_EQ(dlg.GetPathName(), CString((dir + "dump.bin").c_str()));
}

// Every command of the shared table has a handler here, and one without its arguments answers how it is
// spelled for the program.
TEST(Automation, EveryCommandOfTheTableAnswersAndAShortOneAnswersItsUsage)
{
    Target t;
    for (const ce::automation::Command& command : ce::automation::Commands())
    {
        const gwes::AutomationReply reply = Do({std::string(command.name)});
        EXPECT_EQ(reply.output.find("unknown command"), std::string::npos) << command.name;
        if (ce::automation::RequiredArguments(command) > 0)
        {
            EXPECT_EQ(reply.output, "usage: " + ce::automation::Usage(command, true) + "\n");
        }
    }
    EXPECT_EQ(Do({"screenshot"}).output, "usage: screenshot WINDOW\n");
    EXPECT_EQ(Do({"click", "nowhere", "1"}).output, "no window nowhere\n");
    EXPECT_EQ(Do({"click", kTarget, "999"}).output, "no control 999 in " + kTarget + "\n");
    EXPECT_EQ(Do({"check", kTarget, "12", "3"}).output, "usage: check WINDOW ID [0|1|2]\n");
    EXPECT_EQ(Do({"launch"}).output, "unknown command launch\n");
}

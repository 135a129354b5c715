// Window objects: the messages of creation and destruction, visibility, position and size, the window
// tree, texts and window longs.
#include "gwes_test.h"

using gwes_test::TestWindow;

namespace
{

std::vector<UINT> Only(const std::vector<UINT>& all, std::initializer_list<UINT> wanted)
{
    std::vector<UINT> out;
    for (UINT m : all)
        if (std::find(wanted.begin(), wanted.end(), m) != wanted.end())
            out.push_back(m);
    return out;
}

} // namespace

TEST(Windows, CreationAndDestructionSendTheirMessagesInWindowsOrder)
{
    auto parent = std::make_unique<TestWindow>(WS_OVERLAPPED | WS_VISIBLE);
    EXPECT_EQ(Only(parent->Messages(), {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
              (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    TestWindow child(WS_CHILD | WS_VISIBLE, parent->hwnd, 7);
    std::vector<std::pair<HWND, UINT>> order;
    auto record = [&](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT>
    {
        if (msg == WM_DESTROY || msg == WM_NCDESTROY)
            order.emplace_back(h, msg);
        return std::nullopt;
    };
    parent->handler = record;
    child.handler = record;
    HWND p = parent->hwnd, c = child.hwnd;
    ASSERT_TRUE(DestroyWindow(p));
    // The parent hears of its end first, its children are destroyed, then the parent's last message.
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{
                         {p, WM_DESTROY}, {c, WM_DESTROY}, {c, WM_NCDESTROY}, {p, WM_NCDESTROY}}));
    EXPECT_FALSE(IsWindow(p));
    EXPECT_FALSE(IsWindow(c));
    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(p));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Windows, ARefusedCreationLeavesNoWindow)
{
    TestWindow refused;
    (void)refused;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT
    { return msg == WM_CREATE ? -1 : DefWindowProcW(h, msg, w, l); };
    wc.lpszClassName = u"RefusingClass";
    ASSERT_NE(RegisterClassW(&wc), 0);
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(CreateWindowExW(0, u"refusingclass", u"x", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(FindWindowW(nullptr, u"x"), nullptr);
    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"x", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(CreateWindowExW(0, u"Static", u"x", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
}

TEST(Windows, ShowWindowReportsThePreviousStateAndTellsTheWindow)
{
    TestWindow w;
    EXPECT_FALSE(IsWindowVisible(w.hwnd));
    EXPECT_FALSE(ShowWindow(w.hwnd, SW_MINIMIZE)); // was hidden
    EXPECT_TRUE(IsWindowVisible(w.hwnd));
    EXPECT_TRUE(IsIconic(w.hwnd));
    RECT c;
    GetClientRect(w.hwnd, &c);
    EXPECT_EQ(c.right, 0); // a minimised window has no client area
    EXPECT_TRUE(ShowWindow(w.hwnd, SW_SHOWNORMAL));
    EXPECT_FALSE(IsIconic(w.hwnd));
    GetClientRect(w.hwnd, &c);
    EXPECT_EQ(c.right, 200);
    EXPECT_TRUE(ShowWindow(w.hwnd, SW_HIDE));
    EXPECT_FALSE(ShowWindow(w.hwnd, SW_HIDE));
    std::vector<WPARAM> shows;
    for (const auto& r : w.log)
        if (r.msg == WM_SHOWWINDOW)
            shows.push_back(r.wParam);
    // Only real changes of visibility are told.
    EXPECT_EQ(shows, (std::vector<WPARAM>{TRUE, FALSE}));
}

TEST(Windows, SetWindowPosHidesMovesAndSizesAsItsFlagsSay)
{
    TestWindow w(WS_OVERLAPPED | WS_VISIBLE);
    w.Clear();
    // Hiding and sending to the bottom without moving, sizing or activating (0x93).
    ASSERT_TRUE(SetWindowPos(w.hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_HIDEWINDOW));
    EXPECT_FALSE(IsWindowVisible(w.hwnd));
    RECT r;
    GetWindowRect(w.hwnd, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(w.Count(WM_SIZE) + w.Count(WM_MOVE), 0);
    ASSERT_TRUE(SetWindowPos(w.hwnd, nullptr, 30, 40, 100, 50, SWP_NOZORDER | SWP_SHOWWINDOW));
    GetWindowRect(w.hwnd, &r);
    EXPECT_EQ(r, (RECT{30, 40, 130, 90}));
    EXPECT_TRUE(IsWindowVisible(w.hwnd));
    EXPECT_EQ(w.Count(WM_SIZE), 1);
    EXPECT_EQ(w.Count(WM_MOVE), 1);
}

TEST(Windows, ChildRectanglesAreRelativeToTheParentsClientArea)
{
    TestWindow parent(WS_OVERLAPPED, nullptr, 0, u"Parent", {100, 50, 300, 250});
    TestWindow child(WS_CHILD | WS_VISIBLE, parent.hwnd, 1, u"", {10, 20, 60, 40});
    RECT r;
    GetWindowRect(child.hwnd, &r);
    EXPECT_EQ(r, (RECT{110, 70, 160, 90}));
    POINT p{0, 0};
    ClientToScreen(child.hwnd, &p);
    EXPECT_EQ(p.x, 110);
    ScreenToClient(parent.hwnd, &p);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    // A bordered window's client area lies inside its border.
    TestWindow bordered(WS_CHILD | WS_BORDER, parent.hwnd, 2, u"", {0, 0, 50, 30});
    GetClientRect(bordered.hwnd, &r);
    EXPECT_EQ(r, (RECT{0, 0, 48, 28}));
    EXPECT_EQ(GetParent(child.hwnd), parent.hwnd);
    EXPECT_TRUE(IsChild(parent.hwnd, child.hwnd));
}

TEST(Windows, TheTreeKeepsCreationOrderAndDialogItemsAreFoundById)
{
    TestWindow parent;
    TestWindow a(WS_CHILD, parent.hwnd, 1000), b(WS_CHILD, parent.hwnd, 1001), c(WS_CHILD, parent.hwnd, 1002);
    EXPECT_EQ(GetWindow(parent.hwnd, GW_CHILD), a.hwnd);
    EXPECT_EQ(GetWindow(a.hwnd, GW_HWNDNEXT), b.hwnd);
    EXPECT_EQ(GetWindow(c.hwnd, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(b.hwnd, GW_HWNDPREV), a.hwnd);
    EXPECT_EQ(GetDlgItem(parent.hwnd, 1001), b.hwnd);
    EXPECT_EQ(GetDlgCtrlID(c.hwnd), 1002);
    EXPECT_EQ(GetDlgItem(parent.hwnd, 999), nullptr);
    b.handler = [](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT>
    {
        if (msg == WM_USER)
            return static_cast<LRESULT>(w * 2);
        return std::nullopt;
    };
    EXPECT_EQ(SendDlgItemMessageW(parent.hwnd, 1001, WM_USER, 21, 0), 42);
    std::vector<HWND> seen;
    EnumChildWindows(
        parent.hwnd,
        [](HWND h, LPARAM l) -> BOOL
        {
            reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen, (std::vector<HWND>{a.hwnd, b.hwnd, c.hwnd}));
}

TEST(Windows, TextsAndLongsFollowTheWindowsRules)
{
    TestWindow w(WS_OVERLAPPED, nullptr, 0, u"Keltrax QN40-SD Utility");
    WCHAR small[8];
    EXPECT_EQ(GetWindowTextW(w.hwnd, small, 8), 7);
    EXPECT_EQ(std::u16string(small), u"Keltrax");
    EXPECT_EQ(GetWindowTextLengthW(w.hwnd), 23);
    EXPECT_EQ(FindWindowW(nullptr, u"Keltrax QN40-SD Utility"), w.hwnd);
    EXPECT_EQ(FindWindowW(u"GwesTestWindow", u"Keltrax QN40-SD Utility"), w.hwnd);
    EXPECT_EQ(FindWindowW(u"Static", u"Keltrax QN40-SD Utility"), nullptr);

    EXPECT_EQ(SetWindowLongPtrW(w.hwnd, GWLP_ID, 5), 0);
    EXPECT_EQ(GetWindowLongPtrW(w.hwnd, GWLP_ID), 5);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongW(w.hwnd, GWL_WNDPROC), 0); // a pointer does not fit 32 bits
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(GetWindowLongW(w.hwnd, 64), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(GetWindowLongW(reinterpret_cast<HWND>(0x7654321), GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));

    // A procedure put in front of the window's own one sees its messages first.
    static WNDPROC s_previous = nullptr;
    s_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(w.hwnd, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(+[](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT
                                                     {
                                                         if (msg == WM_USER + 9)
                                                             return 99;
                                                         return CallWindowProcW(s_previous, h, msg, wp, lp);
                                                     })));
    EXPECT_EQ(s_previous, &TestWindow::Proc);
    EXPECT_EQ(SendMessageW(w.hwnd, WM_USER + 9, 0, 0), 99);
    SendMessageW(w.hwnd, WM_USER + 10, 0, 0);
    EXPECT_EQ(w.log.back().msg, static_cast<UINT>(WM_USER + 10));
}

// The extra bytes of a window (cbWndExtra) hold 32-bit longs at any offset through Get/SetWindowLongW and
// pointers through the Ptr calls; a long never spills into its neighbour.
TEST(Windows, ExtraBytesHoldLongsSideBySide)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.cbWndExtra = 12;
    wc.lpszClassName = u"GwesExtraLongs";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND h = CreateWindowExW(0, u"GwesExtraLongs", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(h);
    struct Row
    {
        int index;
        LONG value;
    };
    const Row rows[] = {{0, 0x11111111}, {4, 0x22222222}, {8, static_cast<LONG>(0xF3333333u)}};
    for (const Row& r : rows)
        EXPECT_EQ(SetWindowLongW(h, r.index, r.value), 0) << r.index;
    for (const Row& r : rows)
        EXPECT_EQ(GetWindowLongW(h, r.index), r.value) << r.index;
    EXPECT_EQ(SetWindowLongW(h, 0, -1), 0x11111111);
    EXPECT_EQ(GetWindowLongW(h, 4), 0x22222222);
    EXPECT_EQ(static_cast<uint64_t>(GetWindowLongPtrW(h, 0)), 0x22222222FFFFFFFFull);
    EXPECT_EQ(static_cast<uint64_t>(GetWindowLongPtrW(h, 4)), 0xF333333322222222ull);

    // A long that would run past the extra bytes is refused and changes nothing.
    for (int index : {9, 12, 100})
    {
        SetLastError(0);
        EXPECT_EQ(SetWindowLongW(h, index, 7), 0) << index;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX)) << index;
        SetLastError(0);
        EXPECT_EQ(GetWindowLongW(h, index), 0) << index;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX)) << index;
    }
    EXPECT_EQ(GetWindowLongW(h, 8), static_cast<LONG>(0xF3333333u));
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrW(h, 8), 0); // 8 bytes from offset 8 do not fit in 12
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    DestroyWindow(h);
}

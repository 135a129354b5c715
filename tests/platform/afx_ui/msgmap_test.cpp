// Message maps, framework objects attached to windows, subclassing and the application's run loop.
#include "ui_test.h"

#include <gwes/qt.h>
#include <gwes/shell.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using ui_test::PumpUntil;

namespace
{

// Registered by the test (inside its temporary handheld); the message map reads it when a message comes.
UINT g_trayMessage = 0;

class CBaseWnd : public CWnd
{
public:
    std::vector<std::string> calls;

protected:
    afx_msg void OnTimer(UINT_PTR nIDEvent)
    {
        calls.push_back("base timer " + std::to_string(nIDEvent));
        CWnd::OnTimer(nIDEvent);
    }
    afx_msg LRESULT OnBaseOnly(WPARAM wParam, LPARAM)
    {
        calls.push_back("base only " + std::to_string(wParam));
        return 5;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_WM_TIMER()
ON_MESSAGE(WM_USER + 50, OnBaseOnly)
END_MESSAGE_MAP()

class CMainWnd : public CBaseWnd
{
public:
    int createResult = 0;
    CPoint lastClick{-1, -1};

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs)
    {
        calls.push_back(std::string("create ") + (cs && cs->lpszName ? "named" : "unnamed"));
        if (CWnd::OnCreate(cs) == -1)
            return -1;
        return createResult;
    }
    afx_msg void OnDestroy()
    {
        calls.push_back("destroy");
        CWnd::OnDestroy();
    }
    afx_msg void OnLButtonDown(UINT, CPoint point)
    {
        lastClick = point;
        calls.push_back("click");
    }
    afx_msg LRESULT OnIconLevel(WPARAM, LPARAM lParam)
    {
        calls.push_back("level " + std::to_string(lParam));
        return 0;
    }
    afx_msg LRESULT OnTray(WPARAM wParam, LPARAM lParam)
    {
        calls.push_back("tray " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 0;
    }
    afx_msg BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData)
    {
        calls.push_back("device " + std::to_string(nEventType) + (dwData ? " data" : ""));
        return TRUE;
    }
    afx_msg void OnShowWindow(BOOL bShow, UINT)
    {
        calls.push_back(bShow ? "show" : "hide");
        Default();
    }
    afx_msg void OnOpen() { calls.push_back("open command"); }
    afx_msg void OnButton() { calls.push_back("button clicked"); }
    afx_msg void OnComboChange() { calls.push_back("combo changed"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMainWnd, CBaseWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_LBUTTONDOWN()
ON_WM_SHOWWINDOW()
ON_WM_DEVICECHANGE()
ON_MESSAGE(WM_USER + 3, OnIconLevel)
ON_REGISTERED_MESSAGE(g_trayMessage, OnTray)
ON_COMMAND(32777, OnOpen)
ON_BN_CLICKED(1001, OnButton)
ON_CBN_SELCHANGE(1000, OnComboChange)
END_MESSAGE_MAP()

// A window whose handlers throw.
class CThrowingWnd : public CBaseWnd
{
protected:
    afx_msg LRESULT OnThrow(WPARAM wParam, LPARAM)
    {
        if (wParam)
            throw std::runtime_error("the handler broke");
        throw 42;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWnd, CBaseWnd)
ON_MESSAGE(WM_USER + 60, OnThrow)
END_MESSAGE_MAP()

} // namespace

TEST(MessageMaps, AHandlersExceptionEndsAtTheWindowProcedureAndIsReported)
{
    CThrowingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"Throwing", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    char window[32];
    std::snprintf(window, sizeof window, "%p", static_cast<void*>(wnd.m_hWnd));
    testing::internal::CaptureStderr();
    EXPECT_EQ(wnd.SendMessage(WM_USER + 60, 1, 0), 0);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 60, 0, 0), 0);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find(std::string("window procedure of ") + window +
                          " threw on message 0x043c: the handler broke\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(std::string("window procedure of ") + window + " threw on message 0x043c\n"),
              std::string::npos)
        << report;
    // The window goes on answering.
    EXPECT_EQ(wnd.SendMessage(WM_USER + 50, 1, 0), 5);
    wnd.DestroyWindow();
}

TEST(MessageMaps, MessagesReachTheHandlersOfTheClassAndItsBases)
{
    g_trayMessage = RegisterWindowMessageW(u"TBarDlgMessage");
    CMainWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"Main", WS_OVERLAPPED, 0, 0, 200, 150, nullptr, nullptr));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(wnd.calls.front(), "create named");
    wnd.calls.clear();

    wnd.SendMessage(WM_USER + 3, 0, 6);
    wnd.SendMessage(g_trayMessage, 5000, WM_LBUTTONDOWN);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 50, 9, 0), 5); // only the base class maps it
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(32777, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), reinterpret_cast<LPARAM>(wnd.m_hWnd));
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1000, CBN_SELCHANGE), reinterpret_cast<LPARAM>(wnd.m_hWnd));
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1000, CBN_DROPDOWN),
                    reinterpret_cast<LPARAM>(wnd.m_hWnd)); // unmapped
    wnd.SendMessage(WM_DEVICECHANGE, 0x8000, 0);
    wnd.PostMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(7, 9));
    wnd.SetTimer(254, 60000, nullptr);
    gwes::FireTimer(wnd.m_hWnd, 254);
    gwes::ProcessPending();
    EXPECT_EQ(wnd.lastClick, CPoint(7, 9));
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"level 6", "tray 5000 513", "base only 9", "open command",
                                                   "button clicked", "combo changed", "device 32768", "click",
                                                   "base timer 254"}));
    wnd.calls.clear();
    wnd.ShowWindow(SW_SHOWNORMAL);
    wnd.ShowWindow(SW_HIDE);
    HWND h = wnd.m_hWnd;
    wnd.DestroyWindow();
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"show", "hide", "destroy"}));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST(MessageMaps, CreateFailsWhenOnCreateRefusesAndWhenPreCreateWindowDoes)
{
    CMainWnd refused;
    refused.createResult = -1;
    EXPECT_FALSE(refused.CreateEx(0, nullptr, u"Refused", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(refused.m_hWnd, nullptr);
    // The window was destroyed after its refused creation.
    EXPECT_EQ(refused.calls, (std::vector<std::string>{"create named", "destroy"}));

    struct CStyled : public CWnd
    {
        BOOL allow = TRUE;
        BOOL PreCreateWindow(CREATESTRUCT& cs) override
        {
            cs.style |= WS_BORDER;
            cs.lpszName = u"Renamed";
            return allow && CWnd::PreCreateWindow(cs);
        }
    } styled, denied;
    ASSERT_TRUE(styled.CreateEx(0, nullptr, u"Original", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_TRUE(styled.GetStyle() & WS_BORDER);
    EXPECT_EQ(ui_test::Text(styled.m_hWnd), CString(u"Renamed"));
    denied.allow = FALSE;
    EXPECT_FALSE(denied.CreateEx(0, nullptr, u"Denied", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(FindWindowW(nullptr, u"Denied"), nullptr);
}

namespace
{

// Puts itself in front of an edit control: upper-cases texts it is given, then lets the edit have them.
class CShoutingEdit : public CEdit
{
public:
    int seen = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETTEXT && lParam)
        {
            ++seen;
            CString upper(reinterpret_cast<LPCWSTR>(lParam));
            upper.MakeUpper();
            return CEdit::WindowProc(message, wParam, reinterpret_cast<LPARAM>(upper.GetString()));
        }
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

} // namespace

TEST(Subclassing, TheObjectSeesTheControlsMessagesFirstAndDefaultReachesTheControl)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"Parent", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr));
    HWND edit = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 5, 5, 100, 20, parent.m_hWnd,
                                reinterpret_cast<HMENU>(1003), nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    CWnd* temporary = CWnd::FromHandle(edit);
    EXPECT_EQ(CWnd::FromHandle(edit), temporary);
    EXPECT_EQ(CWnd::FromHandlePermanent(edit), nullptr);

    CShoutingEdit shouting;
    ASSERT_TRUE(shouting.SubclassWindow(edit));
    EXPECT_EQ(CWnd::FromHandle(edit), &shouting);
    EXPECT_FALSE(CShoutingEdit().SubclassWindow(edit)); // one framework object per window
    SetWindowTextW(edit, u"hello");
    EXPECT_EQ(ui_test::Text(edit), CString(u"HELLO"));
    EXPECT_EQ(shouting.seen, 1);

    EXPECT_EQ(shouting.UnsubclassWindow(), edit);
    SetWindowTextW(edit, u"quiet");
    EXPECT_EQ(ui_test::Text(edit), CString(u"quiet"));
    EXPECT_EQ(shouting.seen, 1);
    parent.DestroyWindow();
}

// A temporary object (FromHandle on a window no object is attached to) goes with its window, also when
// it destroys that window itself: GetDlgItem(...)->DestroyWindow() (checked by the address sanitizer).
TEST(Subclassing, ATemporaryObjectDestroysItsOwnWindow)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"Parent", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr));
    for (int id : {1003, 1004})
        ASSERT_TRUE(CreateWindowExW(0, u"Button", u"B", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, parent.m_hWnd,
                                    reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr));
    CWnd* button = parent.GetDlgItem(1003);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(button->m_hWnd), nullptr);
    EXPECT_TRUE(button->DestroyWindow());
    EXPECT_EQ(parent.GetDlgItem(1003), nullptr);
    EXPECT_NE(parent.GetDlgItem(1004), nullptr);
    parent.DestroyWindow();
}

TEST(Application, RunEndsWhenTheMainWindowIsDestroyedAndForgetsIt)
{
    struct CTestApp : public CWinApp
    {
        CTestApp() : CWinApp(u"Run test") {}
    } app;
    CMainWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"Main window", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    app.m_pMainWnd = &wnd;
    EXPECT_EQ(AfxGetMainWnd(), &wnd);
    wnd.PostMessage(WM_CLOSE);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(Application, MessageBoxesBelongToTheMainWindow)
{
    struct CTestApp : public CWinApp
    {
        CTestApp() : CWinApp(u"Owner test") {}
    } app;
    ce::RecordingPresenter boxes;
    AfxMessageBox(u"no main window");
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"Main window", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    app.m_pMainWnd = &wnd;
    AfxMessageBox(u"owned");
    const HWND hMain = wnd.m_hWnd;
    app.m_pMainWnd = nullptr;
    wnd.DestroyWindow();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].owner, nullptr);
    EXPECT_EQ(boxes.boxes()[1].owner, hMain);
    EXPECT_EQ(boxes.boxes()[1].caption, u"Owner test");
}

// How LoadIconW shares icons is checked in tests/platform/gwes/win32.
TEST(Application, IconsAreSetOnWindows)
{
    HICON a = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCE(137));
    ASSERT_NE(a, nullptr);
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, u"Iconic", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(wnd.SetIcon(a, TRUE), nullptr);
    EXPECT_EQ(wnd.SetIcon(a, FALSE), nullptr);
    EXPECT_EQ(wnd.SetIcon(nullptr, TRUE), a);
    EXPECT_EQ(wnd.GetIcon(FALSE), a);
    wnd.DestroyWindow();
}

namespace
{

// Paints its client area in one colour through the device context of its paint.
class CPaintedWnd : public CWnd
{
public:
    HDC erasedWith = nullptr;
    HDC paintedWith = nullptr;

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* pDC)
    {
        erasedWith = pDC ? pDC->GetSafeHdc() : nullptr;
        return TRUE;
    }
    afx_msg void OnPaint()
    {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        paintedWith = dc;
        if (QPainter* p = gwes::PainterOfPaintDC(dc))
            p->fillRect(QRect(0, 0, 40, 30), QColor(0, 128, 0));
        ::EndPaint(m_hWnd, &ps);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintedWnd, CWnd)
ON_WM_ERASEBKGND()
ON_WM_PAINT()
END_MESSAGE_MAP()

} // namespace

TEST(MessageMaps, PaintingGoesThroughTheWindowsHandlers)
{
    CWnd parent;
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, u"Canvas", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    CPaintedWnd painted;
    ASSERT_TRUE(
        painted.Create(nullptr, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 52, 42), &parent, 5));
    QImage shot = gwes::WidgetOf(painted.m_hWnd)->grab().toImage();
    ASSERT_NE(painted.paintedWith, nullptr);
    // BeginPaint erased the background through the same device context.
    EXPECT_EQ(painted.erasedWith, painted.paintedWith);
    EXPECT_EQ(shot.pixel(1, 1), qRgb(0, 128, 0));
    EXPECT_EQ(shot.pixel(40, 30), qRgb(0, 128, 0));
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0)); // the border around the client area
    parent.DestroyWindow();
}

// CWnd: framework objects attached to windows, the framework's window procedure and message-map dispatch,
// subclassing, and the window calls as members.
#include "afximpl.h"

#include <gwes/gwes.h>
#include <kernel/immortal.h>

#include <afx/app.h>

#include <memory>
#include <unordered_map>

namespace afx::impl
{

bool g_inRunLoop = false;

namespace
{

struct Maps
{
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
    std::unordered_map<HDC, std::unique_ptr<CDC>> temporaryDCs;
};

Maps& TheMaps()
{
    static ce::Immortal<Maps> maps; // windows may still be destroyed while statics go away
    return maps.get();
}

struct CurrentMessage
{
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
thread_local CurrentMessage t_current;
thread_local int t_depth = 0;

void WindowDestroyed(HWND hWnd)
{
    Maps& m = TheMaps();
    m.temporary.erase(hWnd);
    auto it = m.permanent.find(hWnd);
    if (it != m.permanent.end())
    {
        // A window that was attached without being subclassed: its object lets go of it.
        it->second->m_hWnd = nullptr;
        m.permanent.erase(it);
    }
}

BOOL PreTranslate(MSG* pMsg)
{
    for (HWND h = pMsg->hwnd; h; h = ::GetParent(h))
    {
        if (CWnd* p = CWnd::FromHandlePermanent(h))
            if (p->PreTranslateMessage(pMsg))
                return TRUE;
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
            break;
    }
    CWinApp* app = AfxGetApp();
    return app && app->PreTranslateMessage(pMsg);
}

int RunLoop(CWinThread*)
{
    g_inRunLoop = true;
    int code = gwes::RunMessageLoop();
    g_inRunLoop = false;
    return code;
}

void AttachCreated(HWND hWnd, void* context)
{
    auto* pWnd = static_cast<CWnd*>(context);
    pWnd->Attach(hWnd);
    auto old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    CWndInternals::SetSuper(*pWnd, old == AfxWndProc ? ::DefWindowProcW : old);
}

} // namespace

void InstallHooks()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    gwes::EnsureApplication();
    gwes::SetPreTranslateHook(PreTranslate);
    gwes::AddWindowDestroyedListener(WindowDestroyed);
    afx::internal::SetRunLoop(RunLoop);
    afx::internal::SetWindowHandleOf([](CWnd* pWnd) { return pWnd ? pWnd->m_hWnd : nullptr; });
}

void HookCreation(CWnd* pWnd)
{
    InstallHooks();
    gwes::HookNextWindowCreation(AttachCreated, pWnd);
}

void CancelCreationHook()
{
    gwes::HookNextWindowCreation(nullptr, nullptr);
}

void SetWindowTextIfChanged(HWND hWnd, LPCTSTR lpszNew)
{
    if (!hWnd)
        return;
    CString now = WindowText(hWnd);
    if (now != (lpszNew ? lpszNew : u""))
        ::SetWindowTextW(hWnd, lpszNew ? lpszNew : u"");
}

CString WindowText(HWND hWnd)
{
    int n = ::GetWindowTextLengthW(hWnd);
    CString s;
    if (n > 0)
    {
        ::GetWindowTextW(hWnd, s.GetBuffer(n + 1), n + 1);
        s.ReleaseBuffer();
    }
    return s;
}

} // namespace afx::impl

using namespace afx::impl;

// ----- Device contexts (handle wrappers)
CDC::CDC() : m_hDC(nullptr) {}
CDC::~CDC()
{
    if (m_bOwnsDC && m_hDC)
        ::DeleteDC(Detach());
}

BOOL CDC::Attach(HDC hDC)
{
    m_hDC = hDC;
    return hDC != nullptr;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    m_hDC = nullptr;
    return h;
}

CDC* CDC::FromHandle(HDC hDC)
{
    if (!hDC)
        return nullptr;
    auto& dcs = TheMaps().temporaryDCs;
    auto it = dcs.find(hDC);
    if (it != dcs.end())
        return it->second.get();
    auto dc = std::make_unique<CDC>();
    dc->m_hDC = hDC;
    CDC* p = dc.get();
    dcs.emplace(hDC, std::move(dc));
    return p;
}

// ----- The framework's window procedure
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    CurrentMessage saved = t_current;
    t_current = {hWnd, nMsg, wParam, lParam};
    ++t_depth;
    LRESULT result = 0;
    try
    {
        result = pWnd->WindowProc(nMsg, wParam, lParam);
    }
    catch (...)
    {
        // A handler's exception ends at the window procedure, reported as the window services report it.
        gwes::ReportProcedureException(hWnd, nMsg);
        result = 0;
    }
    --t_depth;
    t_current = saved;
    if (nMsg == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd)
    {
        // The window is gone: the object lets go of it, the application forgets it as its main window
        // (and ends the message loop), and the object may delete itself in PostNcDestroy.
        WNDPROC super = CWndInternals::Super(*pWnd);
        if (super)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        pWnd->Detach();
        CWndInternals::SetSuper(*pWnd, nullptr);
        if (CWinApp* app = AfxGetApp())
        {
            if (app->m_pMainWnd == pWnd)
            {
                app->m_pMainWnd = nullptr;
                if (g_inRunLoop)
                    ::PostQuitMessage(0);
            }
            if (app->m_pActiveWnd == pWnd)
                app->m_pActiveWnd = nullptr;
        }
        pWnd->PostNcDestroy();
    }
    if (t_depth == 0)
        TheMaps().temporaryDCs.clear();
    return result;
}

// ----- CWnd
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd), m_pfnSuper(nullptr) {}

CWnd::~CWnd()
{
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    Maps& m = TheMaps();
    auto it = m_hWnd ? m.permanent.find(m_hWnd) : m.permanent.end();
    if (it != m.permanent.end() && it->second == this)
    {
        // The object goes before its window: the window gets its own procedure back, then is destroyed
        // (its messages must not reach an object being destroyed).
        HWND h = m_hWnd;
        if (m_pfnSuper)
            ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        m.permanent.erase(it);
        m_hWnd = nullptr;
        if (::IsWindow(h))
            ::DestroyWindow(h);
    }
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* p = FromHandlePermanent(hWnd))
        return p;
    Maps& m = TheMaps();
    auto it = m.temporary.find(hWnd);
    if (it != m.temporary.end())
        return it->second.get();
    if (!::IsWindow(hWnd))
        return nullptr;
    InstallHooks();
    auto wnd = std::make_unique<CWnd>();
    wnd->m_hWnd = hWnd;
    CWnd* p = wnd.get();
    m.temporary.emplace(hWnd, std::move(wnd));
    return p;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    Maps& m = TheMaps();
    auto it = m.permanent.find(hWnd);
    return it == m.permanent.end() ? nullptr : it->second;
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (!hWndNew || m_hWnd)
        return FALSE;
    InstallHooks();
    m_hWnd = hWndNew;
    TheMaps().permanent[hWndNew] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND h = m_hWnd;
    if (h)
    {
        Maps& m = TheMaps();
        auto it = m.permanent.find(h);
        if (it != m.permanent.end() && it->second == this)
            m.permanent.erase(it);
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || !::IsWindow(hWnd) || FromHandlePermanent(hWnd) || !Attach(hWnd))
        return FALSE;
    auto old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    m_pfnSuper = old == AfxWndProc ? ::DefWindowProcW : old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND h = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)) : nullptr;
    return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (!m_hWnd)
        return nullptr;
    if (m_pfnSuper)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext*)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<uintptr_t>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    InstallHooks();
    CREATESTRUCT cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
    {
        PostNcDestroy();
        return FALSE;
    }
    HookCreation(this);
    HWND h = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x,
                               cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    CancelCreationHook();
    return h != nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
    {
        // Windows of no particular class get the framework's plain class.
        static const WCHAR kClass[] = u"AfxWnd";
        WNDCLASSW wc{};
        if (!::GetClassInfoW(AfxGetInstanceHandle(), kClass, &wc))
        {
            wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = AfxGetInstanceHandle();
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            wc.lpszClassName = kClass;
            ::RegisterClassW(&wc);
        }
        cs.lpszClass = kClass;
    }
    return TRUE;
}

void CWnd::PostNcDestroy() {}

BOOL CWnd::DestroyWindow()
{
    HWND h = m_hWnd;
    if (!h)
        return FALSE;
    bool subclassed = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC)) == AfxWndProc;
    // A temporary object (FromHandle) is deleted with its window.
    auto& temporaries = TheMaps().temporary;
    auto it = temporaries.find(h);
    bool temporary = it != temporaries.end() && it->second.get() == this;
    BOOL result = ::DestroyWindow(h);
    // A subclassed object has let go in WM_NCDESTROY (and may be gone); an attached one lets go here.
    if (!subclassed && !temporary && m_hWnd == h)
        Detach();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    if (message == WM_COMMAND)
    {
        if (!OnCommand(wParam, lParam))
            return FALSE;
    }
    else if (message == WM_NOTIFY)
    {
        if (!OnNotify(wParam, lParam, &result))
            return FALSE;
    }
    else
    {
        const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), message, 0, 0);
        if (!e)
            return FALSE;
        result = e->pfn(this, wParam, lParam);
    }
    if (pResult)
        *pResult = result;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    // Menus and accelerators send no control handle: they are commands (code 0).
    int nCode = lParam ? HIWORD(wParam) : 0;
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    auto* nm = reinterpret_cast<NMHDR*>(lParam);
    if (!nm)
        return FALSE;
    const AFX_MSGMAP_ENTRY* e =
        FindMessageEntry(GetMessageMap(), WM_NOTIFY, nm->code, static_cast<UINT>(nm->idFrom));
    if (!e)
        return FALSE;
    e->pfn(this, reinterpret_cast<WPARAM>(nm), reinterpret_cast<LPARAM>(pResult));
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::Default()
{
    // The message being handled goes on to the window's own procedure.
    return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

BOOL CWnd::ExecuteDlgInit(LPCTSTR lpszResourceName)
{
    if (!lpszResourceName)
        return TRUE;
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, RT_DLGINIT);
    HRSRC h = ::FindResourceW(hInst, lpszResourceName, RT_DLGINIT);
    if (!h)
        return TRUE; // no initialisation data
    auto* data = static_cast<const uint8_t*>(::LockResource(::LoadResource(hInst, h)));
    std::optional<std::vector<ce::res::DlgInitItem>> items =
        ce::res::ParseDlgInit(data, ::SizeofResource(hInst, h));
    if (!items)
        return FALSE;
    for (const auto& item : *items)
    {
        UINT msg = item.message == ce::res::kDlgInitComboAdd  ? CB_ADDSTRING
                   : item.message == ce::res::kDlgInitListAdd ? LB_ADDSTRING
                                                              : 0;
        if (!msg)
            continue;
        // The items are 8-bit text in the device's ANSI code page, up to their terminator.
        size_t n = 0;
        while (n < item.data.size() && item.data[n])
            ++n;
        std::string ansi(item.data.begin(), item.data.begin() + static_cast<std::ptrdiff_t>(n));
        CString text(ansi.c_str());
        if (::SendDlgItemMessageW(m_hWnd, item.controlId, msg, 0,
                                  reinterpret_cast<LPARAM>(text.GetString())) < 0)
            return FALSE;
    }
    return TRUE;
}

BOOL CWnd::ExecuteDlgInit(LPVOID lpResource)
{
    if (!lpResource)
        return TRUE;
    // Initialisation data given by address: its end is its terminator.
    std::optional<std::vector<ce::res::DlgInitItem>> items =
        ce::res::ParseDlgInit(static_cast<const uint8_t*>(lpResource), 0x10000);
    if (!items)
        return FALSE;
    for (const auto& item : *items)
    {
        UINT msg = item.message == ce::res::kDlgInitComboAdd ? CB_ADDSTRING : LB_ADDSTRING;
        size_t n = 0;
        while (n < item.data.size() && item.data[n])
            ++n;
        std::string ansi(item.data.begin(), item.data.begin() + static_cast<std::ptrdiff_t>(n));
        CString text(ansi.c_str());
        ::SendDlgItemMessageW(m_hWnd, item.controlId, msg, 0, reinterpret_cast<LPARAM>(text.GetString()));
    }
    return TRUE;
}

DWORD CWnd::GetStyle() const
{
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const
{
    return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD style = GetStyle();
    DWORD now = (style & ~dwRemove) | dwAdd;
    if (now == style)
        return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(now));
    if (nFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD style = GetExStyle();
    DWORD now = (style & ~dwRemove) | dwAdd;
    if (now == style)
        return FALSE;
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(now));
    if (nFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

void CWnd::SetWindowText(LPCTSTR lpszString)
{
    ::SetWindowTextW(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    rString = WindowText(m_hWnd);
}

int CWnd::GetWindowTextLength() const
{
    return ::GetWindowTextLengthW(m_hWnd);
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                 lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const
{
    ::ClientToScreen(m_hWnd, lpPoint);
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const
{
    ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

BOOL CWnd::SetForegroundWindow()
{
    return ::SetForegroundWindow(m_hWnd);
}

void CWnd::BringWindowToTop()
{
    ::BringWindowToTop(m_hWnd);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    HWND owner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetParent(m_hWnd);
    bool child = (GetStyle() & WS_CHILD) != 0;
    if (child && owner)
        ::GetClientRect(owner, &area);
    else if (owner)
        ::GetWindowRect(owner, &area);
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - w) / 2,
                   area.top + (area.bottom - area.top - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

CWnd* CWnd::GetForegroundWindow()
{
    return FromHandle(::GetForegroundWindow());
}

CWnd* CWnd::GetActiveWindow()
{
    return FromHandle(::GetActiveWindow());
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND h = m_hWnd;
    while (h && (::GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
        h = ::GetParent(h);
    return FromHandle(h);
}

CWnd* CWnd::GetWindow(UINT nCmd) const
{
    return FromHandle(::GetWindow(m_hWnd, nCmd));
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const
{
    if (phWnd)
        *phWnd = ::GetDlgItem(m_hWnd, nID);
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString)
{
    ::SetDlgItemTextW(m_hWnd, nID, lpszString);
}

int CWnd::GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const
{
    return static_cast<int>(::GetDlgItemTextW(m_hWnd, nID, lpStr, nMaxCount));
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    rString = WindowText(::GetDlgItem(m_hWnd, nID));
    return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned)
{
    ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck)
{
    ::CheckDlgButton(m_hWnd, nIDButton, nCheck);
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    ::CheckRadioButton(m_hWnd, nIDFirstButton, nIDLastButton, nIDCheckButton);
}

int CWnd::GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton)
{
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (::IsDlgButtonChecked(m_hWnd, id))
            return id;
    return 0;
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const
{
    return ::IsDlgButtonChecked(m_hWnd, nIDButton);
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse,
                        void(CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD))
{
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    return ::KillTimer(m_hWnd, nIDEvent);
}

void CWnd::Invalidate(BOOL bErase)
{
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase)
{
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

void CWnd::UpdateWindow()
{
    ::UpdateWindow(m_hWnd);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                  reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    return ::MessageBoxW(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

// The default message handlers pass the message on to the window's own procedure.
int CWnd::OnCreate(LPCREATESTRUCT)
{
    return static_cast<int>(Default());
}
void CWnd::OnDestroy()
{
    Default();
}
void CWnd::OnNcDestroy()
{
    Default();
}
void CWnd::OnClose()
{
    Default();
}
void CWnd::OnPaint()
{
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnTimer(UINT_PTR)
{
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint)
{
    Default();
}
void CWnd::OnShowWindow(BOOL, UINT)
{
    Default();
}
BOOL CWnd::OnDeviceChange(UINT, DWORD_PTR)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnSize(UINT, int, int)
{
    Default();
}
void CWnd::OnMove(int, int)
{
    Default();
}
void CWnd::OnSetFocus(CWnd*)
{
    Default();
}
void CWnd::OnKillFocus(CWnd*)
{
    Default();
}
void CWnd::OnEnable(BOOL)
{
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnActivate(UINT, CWnd*, BOOL)
{
    Default();
}

// ----- Wait cursor
void CCmdTarget::BeginWaitCursor()
{
    gwes::BeginWaitCursor();
}

void CCmdTarget::EndWaitCursor()
{
    gwes::EndWaitCursor();
}

void CCmdTarget::RestoreWaitCursor()
{
    if (gwes::WaitCursorDepth() == 0)
        gwes::BeginWaitCursor();
}

CWaitCursor::CWaitCursor()
{
    gwes::BeginWaitCursor();
}

CWaitCursor::~CWaitCursor()
{
    gwes::EndWaitCursor();
}

void CWaitCursor::Restore()
{
    if (gwes::WaitCursorDepth() == 0)
        gwes::BeginWaitCursor();
}

void CWinApp::BeginWaitCursor()
{
    gwes::BeginWaitCursor();
}

void CWinApp::EndWaitCursor()
{
    gwes::EndWaitCursor();
}

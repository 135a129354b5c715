// Property sheets and pages: a tab strip over the pages, each page a child dialog made from its template
// the first time it is shown; the current page is asked before it lets go and told when it becomes current.
#include "afximpl.h"

#include <gwes/gwes.h>

#include <algorithm>

using namespace afx::impl;

namespace
{

const WCHAR kSheetClass[] = u"AfxPropertySheet";
constexpr int kButtonHeight = 23;
constexpr int kButtonWidth = 64;
constexpr int kMargin = 4;

void RegisterSheetClass(WNDPROC proc)
{
    WNDCLASSW wc{};
    if (::GetClassInfoW(nullptr, kSheetClass, &wc))
        return;
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kSheetClass;
    ::RegisterClassW(&wc);
}

// The client area of a window, or for a minimised one the area it gets back when it is restored: while
// minimised it has none, but it keeps its window rectangle, whose frame the window manager draws outside.
RECT RestoredClientRect(HWND hWnd)
{
    RECT r{};
    if (!::IsIconic(hWnd))
    {
        ::GetClientRect(hWnd, &r);
        return r;
    }
    RECT w{};
    ::GetWindowRect(hWnd, &w);
    r.right = w.right - w.left;
    r.bottom = w.bottom - w.top;
    return r;
}

} // namespace

// ----- CPropertyPage
IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

CPropertyPage::CPropertyPage() : m_psp{}, m_bFirstSetActive(TRUE)
{
    m_psp.dwSize = sizeof m_psp;
}

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CPropertyPage()
{
    Construct(nIDTemplate, nIDCaption);
}

CPropertyPage::CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption) : CPropertyPage()
{
    Construct(lpszTemplateName, nIDCaption);
}

CPropertyPage::~CPropertyPage() = default;

void CPropertyPage::Construct(UINT nIDTemplate, UINT nIDCaption)
{
    Construct(MAKEINTRESOURCE(nIDTemplate), nIDCaption);
    m_nIDHelp = nIDTemplate;
}

void CPropertyPage::Construct(LPCTSTR lpszTemplateName, UINT nIDCaption)
{
    SetTemplate(lpszTemplateName);
    m_psp.pszTemplate = m_lpszTemplateName;
    // The caption is loaded now, from the resource module in use when the page is made.
    if (nIDCaption && m_strCaption.LoadString(nIDCaption))
    {
        m_psp.pszTitle = m_strCaption;
        m_psp.dwFlags |= PSP_USETITLE;
    }
}

CString CPropertyPage::GetTabText() const
{
    if ((m_psp.dwFlags & PSP_USETITLE) && m_psp.pszTitle)
        return CString(m_psp.pszTitle);
    std::optional<ce::res::DialogTemplate> t = LoadDialogTemplate(m_lpszTemplateName, nullptr);
    return t ? CString(std::u16string_view(t->title)) : CString();
}

BOOL CPropertyPage::OnSetActive()
{
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset()
{
    OnCancel();
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnQueryCancel()
{
    return TRUE;
}

void CPropertyPage::SetModified(BOOL bChanged)
{
    m_bModified = bChanged;
}

void CPropertyPage::CancelToClose() {}

// ----- CPropertySheet
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet() : m_psh{}, m_pParentWnd(nullptr), m_bModeless(FALSE)
{
    m_psh.dwSize = sizeof m_psh;
}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage) : CPropertySheet()
{
    Construct(nIDCaption, pParentWnd, iSelectPage);
}

CPropertySheet::CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage) : CPropertySheet()
{
    Construct(pszCaption, pParentWnd, iSelectPage);
}

CPropertySheet::~CPropertySheet()
{
    if (m_tabCtrl.m_hWnd)
        m_tabCtrl.Detach();
}

void CPropertySheet::Construct(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    m_strCaption.LoadString(nIDCaption);
    Construct(m_strCaption.GetString(), pParentWnd, iSelectPage);
}

void CPropertySheet::Construct(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    if (pszCaption != m_strCaption.GetString())
        m_strCaption = pszCaption ? pszCaption : u"";
    m_pParentWnd = pParentWnd;
    m_psh.pszCaption = m_strCaption;
    m_psh.nStartPage = iSelectPage;
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (!pPage)
        return;
    m_pages.push_back(pPage);
    pPage->m_pSheet = this;
    m_psh.nPages = static_cast<UINT>(m_pages.size());
    if (m_hWnd)
    {
        // A sheet that is already shown gets the tab at once; the page's window follows on activation.
        m_tabCtrl.InsertItem(static_cast<int>(m_pages.size()) - 1, pPage->GetTabText());
    }
}

void CPropertySheet::RemovePage(CPropertyPage* pPage)
{
    RemovePage(GetPageIndex(pPage));
}

void CPropertySheet::RemovePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return;
    CPropertyPage* page = m_pages[static_cast<size_t>(nPage)];
    if (m_hWnd && nPage == m_nCurPage)
    {
        int other = nPage == 0 ? 1 : 0;
        if (other < GetPageCount())
            ActivatePage(other, FALSE);
    }
    if (page->m_hWnd)
        page->DestroyWindow();
    m_pages.erase(m_pages.begin() + nPage);
    page->m_pSheet = nullptr;
    if (m_nCurPage > nPage)
        --m_nCurPage;
    else if (m_nCurPage == nPage)
        m_nCurPage = -1;
    if (m_tabCtrl.m_hWnd)
        m_tabCtrl.DeleteItem(nPage);
    m_psh.nPages = static_cast<UINT>(m_pages.size());
}

int CPropertySheet::GetPageCount() const
{
    return static_cast<int>(m_pages.size());
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    return GetPage(GetActiveIndex());
}

int CPropertySheet::GetActiveIndex() const
{
    return m_hWnd && m_nCurPage >= 0 ? m_nCurPage : static_cast<int>(m_psh.nStartPage);
}

int CPropertySheet::GetPageIndex(CPropertyPage* pPage)
{
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[static_cast<size_t>(i)] == pPage)
            return i;
    return -1;
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (!m_hWnd)
    {
        m_psh.nStartPage = static_cast<UINT>(nPage);
        return TRUE;
    }
    return ActivatePage(nPage, TRUE);
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage)
{
    return SetActivePage(GetPageIndex(pPage));
}

void CPropertySheet::SetTitle(LPCTSTR lpszText, UINT)
{
    m_strCaption = lpszText ? lpszText : u"";
    m_psh.pszCaption = m_strCaption;
    if (m_hWnd)
        SetWindowText(m_strCaption);
}

CTabCtrl* CPropertySheet::GetTabControl() const
{
    return m_tabCtrl.m_hWnd ? &m_tabCtrl : nullptr;
}

void CPropertySheet::EndDialog(int nEndID)
{
    if (!m_hWnd)
        return;
    if (m_bModeless)
        DestroyWindow();
    else
        ::EndDialog(m_hWnd, nEndID);
}

BOOL CPropertySheet::PressButton(int nButton)
{
    if (!m_hWnd)
        return FALSE;
    if (nButton == PSBTN_OK)
        return OnCommand(MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (nButton == PSBTN_CANCEL)
        return OnCommand(MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return FALSE;
}

SIZE CPropertySheet::PageSize() const
{
    SIZE size{0, 0};
    for (CPropertyPage* page : m_pages)
        if (std::optional<ce::res::DialogTemplate> t = LoadDialogTemplate(page->m_lpszTemplateName, nullptr))
        {
            SIZE s = gwes::DialogTemplateSize(*t);
            size.cx = std::max(size.cx, s.cx);
            size.cy = std::max(size.cy, s.cy);
        }
    return size;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle)
{
    InstallHooks();
    RegisterSheetClass(SheetProc);
    if (pParentWnd)
        m_pParentWnd = pParentWnd;
    if (dwStyle == static_cast<DWORD>(-1))
        dwStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;
    m_bModeless = TRUE;
    m_nCurPage = -1;
    SIZE page = PageSize();
    RECT r{0, 0, page.cx + 2 * kMargin, page.cy + 2 * kMargin + 24};
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if ((dwStyle & WS_CHILD) && hParent)
    {
        // A sheet inside a window fills it, also when the window is minimised as the sheet is made.
        RECT c = RestoredClientRect(hParent);
        r.right = std::max(r.right, c.right);
        r.bottom = std::max(r.bottom, c.bottom);
    }
    return CreateEx(dwExStyle, kSheetClass, m_strCaption, dwStyle, r.left, r.top, r.right - r.left,
                    r.bottom - r.top, hParent, nullptr, nullptr);
}

INT_PTR CPropertySheet::DoModal()
{
    InstallHooks();
    RegisterSheetClass(SheetProc);
    m_bModeless = FALSE;
    m_nCurPage = -1;
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hParent)
        if (CWnd* main = AfxGetMainWnd())
            hParent = main->m_hWnd;
    while (hParent && (::GetWindowLongW(hParent, GWL_STYLE) & WS_CHILD))
        hParent = ::GetParent(hParent);
    SIZE page = PageSize();
    if (!CreateEx(0, kSheetClass, m_strCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0,
                  page.cx + 2 * kMargin, page.cy + 3 * kMargin + 24 + kButtonHeight, hParent, nullptr,
                  nullptr))
        return -1;
    HWND h = m_hWnd;
    INT_PTR result = gwes::RunModalLoop(h);
    if (::IsWindow(h))
        ::DestroyWindow(h);
    return result;
}

LRESULT CALLBACK CPropertySheet::SheetProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
    {
        // Building the tab strip and the first page is the sheet window's own creation; it fails when a page
        // cannot be made.
        auto* sheet = dynamic_cast<CPropertySheet*>(CWnd::FromHandlePermanent(hWnd));
        return sheet && sheet->BuildSheet() ? 0 : -1;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

BOOL CPropertySheet::BuildSheet()
{
    RECT c;
    ::GetClientRect(m_hWnd, &c);
    HWND tab = ::CreateWindowExW(
        0, WC_TABCONTROL, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM, 0, 0, c.right,
        c.bottom, m_hWnd, reinterpret_cast<HMENU>(static_cast<uintptr_t>(AFX_IDC_TAB_CONTROL)), nullptr,
        nullptr);
    if (!tab)
        return FALSE;
    m_tabCtrl.Attach(tab);
    if (!m_bModeless)
    {
        m_hWndOK = ::CreateWindowExW(
            0, u"Button", u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, kButtonWidth,
            kButtonHeight, m_hWnd, reinterpret_cast<HMENU>(static_cast<uintptr_t>(IDOK)), nullptr, nullptr);
        m_hWndCancel = ::CreateWindowExW(
            0, u"Button", u"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, kButtonWidth, kButtonHeight,
            m_hWnd, reinterpret_cast<HMENU>(static_cast<uintptr_t>(IDCANCEL)), nullptr, nullptr);
    }
    for (int i = 0; i < GetPageCount(); ++i)
        m_tabCtrl.InsertItem(i, m_pages[static_cast<size_t>(i)]->GetTabText());
    if (GetPageCount() == 0)
        return TRUE;
    int start = std::clamp(static_cast<int>(m_psh.nStartPage), 0, GetPageCount() - 1);
    if (!CreatePage(start))
        return FALSE;
    // The sheet takes the size its pages need around the tab strip (at least what it was given).
    SIZE page = PageSize();
    RECT need{0, 0, page.cx, page.cy};
    m_tabCtrl.AdjustRect(TRUE, &need);
    int width = need.right - need.left;
    int height = need.bottom - need.top + (m_bModeless ? 0 : kButtonHeight + 2 * kMargin);
    RECT now;
    ::GetClientRect(m_hWnd, &now);
    if (width > now.right || height > now.bottom || !(GetStyle() & WS_CHILD))
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, std::max<LONG>(width, (GetStyle() & WS_CHILD) ? now.right : 0),
                       std::max<LONG>(height, (GetStyle() & WS_CHILD) ? now.bottom : 0),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutPages();
    return ActivatePage(start, FALSE);
}

RECT CPropertySheet::PageRect() const
{
    RECT r;
    ::GetClientRect(m_tabCtrl.m_hWnd, &r);
    ::SendMessageW(m_tabCtrl.m_hWnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

void CPropertySheet::LayoutPages()
{
    if (!m_hWnd || !m_tabCtrl.m_hWnd)
        return;
    RECT c;
    ::GetClientRect(m_hWnd, &c);
    int buttons = m_bModeless ? 0 : kButtonHeight + 2 * kMargin;
    ::MoveWindow(m_tabCtrl.m_hWnd, 0, 0, c.right, c.bottom - buttons, TRUE);
    if (!m_bModeless)
    {
        int y = c.bottom - kMargin - kButtonHeight;
        ::MoveWindow(m_hWndCancel, c.right - kMargin - kButtonWidth, y, kButtonWidth, kButtonHeight, TRUE);
        ::MoveWindow(m_hWndOK, c.right - 2 * (kMargin + kButtonWidth), y, kButtonWidth, kButtonHeight, TRUE);
    }
    RECT page = PageRect();
    for (CPropertyPage* p : m_pages)
        if (p->m_hWnd)
            ::SetWindowPos(p->m_hWnd, HWND_TOP, page.left, page.top, page.right - page.left,
                           page.bottom - page.top, SWP_NOACTIVATE);
}

BOOL CPropertySheet::CreatePage(int nPage)
{
    CPropertyPage* page = GetPage(nPage);
    if (!page)
        return FALSE;
    if (page->m_hWnd)
        return TRUE;
    page->m_pSheet = this;
    page->m_bFirstSetActive = TRUE;
    if (!page->CreateFromTemplate(this, TRUE))
        return FALSE;
    RECT r = PageRect();
    ::SetWindowPos(page->m_hWnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    if (!m_tabCtrl.GetItemCount() || m_tabCtrl.GetItemCount() <= nPage)
        return TRUE;
    // The tabs speak the pages' font.
    if (LRESULT font = ::SendMessageW(page->m_hWnd, WM_GETFONT, 0, 0))
        ::SendMessageW(m_tabCtrl.m_hWnd, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

BOOL CPropertySheet::ActivatePage(int nPage, BOOL bAskCurrent)
{
    CPropertyPage* next = GetPage(nPage);
    if (!next)
        return FALSE;
    if (nPage == m_nCurPage)
        return TRUE;
    CPropertyPage* current = GetPage(m_nCurPage);
    if (bAskCurrent && current && current->m_hWnd && !current->OnKillActive())
        return FALSE;
    if (!CreatePage(nPage))
        return FALSE;
    m_nCurPage = nPage;
    m_tabCtrl.SetCurSel(nPage);
    next->OnSetActive();
    if (next->m_hWnd)
        ::ShowWindow(next->m_hWnd, SW_SHOW);
    if (current && current != next && current->m_hWnd)
        ::ShowWindow(current->m_hWnd, SW_HIDE);
    return TRUE;
}

BOOL CPropertySheet::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* nm = reinterpret_cast<NMHDR*>(lParam);
    if (nm && nm->hwndFrom == m_tabCtrl.m_hWnd)
    {
        if (nm->code == TCN_SELCHANGING)
        {
            // The current page may keep the user (a value it refuses).
            CPropertyPage* current = GetPage(m_nCurPage);
            BOOL letGo = !current || !current->m_hWnd || current->OnKillActive();
            if (pResult)
                *pResult = letGo ? FALSE : TRUE;
            return TRUE;
        }
        if (nm->code == TCN_SELCHANGE)
        {
            int index = m_tabCtrl.GetCurSel();
            if (!ActivatePage(index, FALSE))
                m_tabCtrl.SetCurSel(m_nCurPage);
            return TRUE;
        }
    }
    return CWnd::OnNotify(wParam, lParam, pResult);
}

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    if (!m_bModeless && (id == IDOK || id == IDCANCEL) &&
        !FindMessageEntry(GetMessageMap(), WM_COMMAND, HIWORD(wParam), id))
    {
        // A page may add or remove pages while it is asked: the pages asked are those of the sheet when
        // the button was pressed that are still in it.
        const std::vector<CPropertyPage*> pages = m_pages;
        auto stillHere = [this](CPropertyPage* p) { return GetPageIndex(p) >= 0 && p->m_hWnd; };
        if (id == IDOK)
        {
            CPropertyPage* current = GetPage(m_nCurPage);
            if (current && current->m_hWnd && !current->OnKillActive())
                return TRUE;
            for (CPropertyPage* p : pages)
                if (stillHere(p) && !p->OnApply())
                    return TRUE;
        }
        else
        {
            for (CPropertyPage* p : pages)
                if (stillHere(p) && !p->OnQueryCancel())
                    return TRUE;
            for (CPropertyPage* p : pages)
                if (stillHere(p))
                    p->OnReset();
        }
        ::EndDialog(m_hWnd, id);
        return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
        OnSheetDestroyed();
    LRESULT r = CWnd::WindowProc(message, wParam, lParam);
    if (message == WM_SIZE && m_hWnd)
        LayoutPages();
    return r;
}

void CPropertySheet::OnSheetDestroyed()
{
    // The pages' windows went with the sheet; a sheet created again starts with its start page.
    m_nCurPage = -1;
    if (m_tabCtrl.m_hWnd)
        m_tabCtrl.Detach();
    m_hWndOK = m_hWndCancel = nullptr;
}

// The framework's drawing classes: CDC's drawing calls, CPaintDC, CGdiObject, CBrush, CBitmap, CFont, and
// CMenu.
#include "afximpl.h"

#include <gwes/gwes.h>
#include <kernel/immortal.h>

#include <map>
#include <memory>
#include <utility>

namespace
{

// Wrappers made by FromHandle: one per handle, kept while the handle is alive (a handle value is never
// reused, so a stale wrapper is only dropped when its object is gone).
template <class T, class H> T* Temporary(H h, std::map<H, std::unique_ptr<T>>& map, bool (*alive)(H))
{
    if (!h)
        return nullptr;
    for (auto it = map.begin(); it != map.end();)
        it = alive(it->first) ? std::next(it) : map.erase(it);
    auto& slot = map[h];
    if (!slot)
    {
        slot = std::make_unique<T>();
        slot->Attach(h);
    }
    return slot.get();
}

bool GdiAlive(HGDIOBJ h)
{
    return ::GetObjectType(h) != 0;
}

std::map<HGDIOBJ, std::unique_ptr<CGdiObject>>& GdiWrappers()
{
    static ce::Immortal<std::map<HGDIOBJ, std::unique_ptr<CGdiObject>>> map;
    return map.get();
}

// Wrappers replaced by one of another class for the same handle: the caller that got one may still use
// it, so it lives (and keeps its handle) as long as the handle does.
std::multimap<HGDIOBJ, std::unique_ptr<CGdiObject>>& RetiredGdiWrappers()
{
    static ce::Immortal<std::multimap<HGDIOBJ, std::unique_ptr<CGdiObject>>> map;
    return map.get();
}

template <class T> T* TypedWrapper(HGDIOBJ h)
{
    // Wrappers of one handle are shared; a wrapper of another class for the same handle replaces it.
    auto& map = GdiWrappers();
    auto& retired = RetiredGdiWrappers();
    if (auto it = map.find(h); it != map.end() && it->second && !dynamic_cast<T*>(it->second.get()))
    {
        retired.emplace(h, std::move(it->second));
        map.erase(it);
    }
    if (!h)
        return nullptr;
    for (auto it = map.begin(); it != map.end();)
        it = GdiAlive(it->first) ? std::next(it) : (it->second->Detach(), map.erase(it));
    for (auto it = retired.begin(); it != retired.end();)
        it = GdiAlive(it->first) ? std::next(it) : (it->second->Detach(), retired.erase(it));
    auto& slot = map[h];
    if (!slot)
    {
        auto object = std::make_unique<T>();
        object->m_hObject = h;
        slot = std::move(object);
    }
    return static_cast<T*>(slot.get());
}

bool MenuAlive(HMENU h)
{
    return ::IsMenu(h) != FALSE;
}

} // namespace

// ----- CDC
BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    HDC h = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    if (!h)
        return FALSE;
    m_hDC = h;
    m_bOwnsDC = TRUE;
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    BOOL ok = ::DeleteDC(Detach());
    m_bOwnsDC = FALSE;
    return ok;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ hObject)
{
    return ::SelectObject(m_hDC, hObject);
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject)
{
    return pObject ? CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject)) : nullptr;
}

CBrush* CDC::SelectObject(CBrush* pBrush)
{
    return pBrush ? CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush->m_hObject)))
                  : nullptr;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap)
{
    return pBitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap->m_hObject)))
                   : nullptr;
}

CFont* CDC::SelectObject(CFont* pFont)
{
    return pFont ? CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont->m_hObject))) : nullptr;
}

CGdiObject* CDC::SelectStockObject(int nIndex)
{
    HGDIOBJ stock = ::GetStockObject(nIndex);
    return stock ? CGdiObject::FromHandle(::SelectObject(m_hDC, stock)) : nullptr;
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush)
{
    ::FillRect(m_hDC, lpRect, pBrush ? static_cast<HBRUSH>(pBrush->m_hObject) : nullptr);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    HBRUSH brush = ::CreateSolidBrush(clr);
    ::FillRect(m_hDC, lpRect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    RECT r{x, y, x + cx, y + cy};
    FillSolidRect(&r, clr);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
{
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}

int CDC::GetClipBox(LPRECT lpRect) const
{
    return ::GetClipBox(m_hDC, lpRect);
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT previous{0, 0};
    ::SetViewportOrgEx(m_hDC, x, y, &previous);
    return CPoint(previous);
}

CPoint CDC::GetViewportOrg() const
{
    POINT origin{0, 0};
    ::GetViewportOrgEx(m_hDC, &origin);
    return CPoint(origin);
}

int CDC::DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
{
    return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat);
}

int CDC::DrawText(const CString& str, LPRECT lpRect, UINT nFormat)
{
    return ::DrawTextW(m_hDC, str, str.GetLength(), lpRect, nFormat);
}

CSize CDC::GetTextExtent(LPCTSTR lpszString, int nCount) const
{
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(m_hDC, lpszString, nCount, &size);
    return CSize(size);
}

CSize CDC::GetTextExtent(const CString& str) const
{
    return GetTextExtent(str, str.GetLength());
}

COLORREF CDC::SetTextColor(COLORREF crColor)
{
    return ::SetTextColor(m_hDC, crColor);
}
COLORREF CDC::GetTextColor() const
{
    return ::GetTextColor(m_hDC);
}
COLORREF CDC::SetBkColor(COLORREF crColor)
{
    return ::SetBkColor(m_hDC, crColor);
}
COLORREF CDC::GetBkColor() const
{
    return ::GetBkColor(m_hDC);
}
int CDC::SetBkMode(int nBkMode)
{
    return ::SetBkMode(m_hDC, nBkMode);
}
int CDC::GetBkMode() const
{
    return ::GetBkMode(m_hDC);
}
COLORREF CDC::SetPixel(int x, int y, COLORREF crColor)
{
    return ::SetPixel(m_hDC, x, y, crColor);
}
COLORREF CDC::GetPixel(int x, int y) const
{
    return ::GetPixel(m_hDC, x, y);
}

// ----- CPaintDC
CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_hWnd(pWnd ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    if (m_hDC)
        ::EndPaint(m_hWnd, &m_ps);
    m_hDC = nullptr;
}

// ----- Drawing objects
CGdiObject::~CGdiObject()
{
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (!hObject)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    return std::exchange(m_hObject, nullptr);
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    // A wrapper made by FromHandle does not own its handle.
    auto& map = GdiWrappers();
    if (auto it = map.find(m_hObject); it != map.end() && it->second.get() == this)
        return FALSE;
    auto [first, last] = RetiredGdiWrappers().equal_range(m_hObject);
    for (auto it = first; it != last; ++it)
        if (it->second.get() == this)
            return FALSE;
    return ::DeleteObject(Detach());
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject)
{
    return TypedWrapper<CGdiObject>(hObject);
}

CBrush::CBrush(COLORREF crColor)
{
    m_hObject = ::CreateSolidBrush(crColor);
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    return Attach(::CreateSolidBrush(crColor));
}

BOOL CBrush::CreateSysColorBrush(int nIndex)
{
    return Attach(::GetSysColorBrush(nIndex));
}

CBrush* CBrush::FromHandle(HBRUSH hBrush)
{
    return TypedWrapper<CBrush>(hBrush);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    return LoadBitmap(MAKEINTRESOURCE(nIDResource));
}

BOOL CBitmap::LoadBitmap(LPCTSTR lpszResourceName)
{
    return Attach(::LoadBitmapW(AfxFindResourceHandle(lpszResourceName, RT_BITMAP), lpszResourceName));
}

int CBitmap::GetBitmap(BITMAP* pBitMap)
{
    return ::GetObjectW(m_hObject, sizeof(BITMAP), pBitMap);
}

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap)
{
    return TypedWrapper<CBitmap>(hBitmap);
}

CFont* CFont::FromHandle(HFONT hFont)
{
    return TypedWrapper<CFont>(hFont);
}

// ----- Menus
namespace
{
std::map<HMENU, std::unique_ptr<CMenu>>& MenuWrappers()
{
    static ce::Immortal<std::map<HMENU, std::unique_ptr<CMenu>>> map;
    return map.get();
}

bool IsWrapper(const CMenu* menu)
{
    auto& map = MenuWrappers();
    auto it = map.find(menu->m_hMenu);
    return it != map.end() && it->second.get() == menu;
}
} // namespace

CMenu::~CMenu()
{
    if (m_hMenu && !IsWrapper(this))
        ::DestroyMenu(Detach());
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (!hMenu)
        return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    return std::exchange(m_hMenu, nullptr);
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    return Temporary<CMenu, HMENU>(hMenu, MenuWrappers(), MenuAlive);
}

BOOL CMenu::CreateMenu()
{
    return Attach(::CreateMenu());
}

BOOL CMenu::CreatePopupMenu()
{
    return Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    return LoadMenu(MAKEINTRESOURCE(nIDResource));
}

BOOL CMenu::LoadMenu(LPCTSTR lpszResourceName)
{
    return Attach(::LoadMenuW(AfxFindResourceHandle(lpszResourceName, RT_MENU), lpszResourceName));
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::InsertMenuW(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::ModifyMenuW(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags)
{
    return ::DeleteMenu(m_hMenu, nPosition, nFlags);
}

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags)
{
    return ::RemoveMenu(m_hMenu, nPosition, nFlags);
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
    return ::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck);
}

BOOL CMenu::CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags)
{
    return ::CheckMenuRadioItem(m_hMenu, nIDFirst, nIDLast, nIDItem, nFlags);
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

CMenu* CMenu::GetSubMenu(int nPos) const
{
    return FromHandle(::GetSubMenu(m_hMenu, nPos));
}

int CMenu::GetMenuItemCount() const
{
    return ::GetMenuItemCount(m_hMenu);
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    return ::GetMenuItemID(m_hMenu, nPos);
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const
{
    return ::GetMenuState(m_hMenu, nID, nFlags);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    int n = ::GetMenuStringW(m_hMenu, nIDItem, nullptr, 0, nFlags);
    rString.Empty();
    if (n > 0)
    {
        ::GetMenuStringW(m_hMenu, nIDItem, rString.GetBuffer(n + 1), n + 1, nFlags);
        rString.ReleaseBuffer();
    }
    return n;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
}

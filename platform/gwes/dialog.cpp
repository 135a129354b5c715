// Dialogs: the dialog class and its default procedure, dialogs built from templates in dialog units of
// their font, dialog keys and the dialog item calls.
#include "host.h"

#include <QApplication>

#include <string>

namespace gwes
{
namespace
{

// The top-most dialog a window belongs to (property pages belong to the dialog that hosts their sheet).
Window* OuterDialog(HWND hWnd)
{
    Window* found = nullptr;
    for (Window* w = Get(hWnd); w; w = w->IsChild() ? Get(w->parent) : nullptr)
        if (w->isDialog)
            found = w;
    return found;
}

HWND FirstTabStop(HWND hDlg)
{
    Window* d = Get(hDlg);
    if (!d)
        return nullptr;
    for (HWND c : d->children)
        if (Window* w = Get(c);
            w && (w->style & WS_TABSTOP) && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED))
            return c;
    return nullptr;
}

bool IsPushButton(const Window& w)
{
    if (!w.cls->system || w.cls->name != u"Button")
        return false;
    DWORD type = w.style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

} // namespace

HWND CreateDialogFromTemplate(const ce::res::DialogTemplate& t, HINSTANCE hInstance, HWND hParent,
                              DLGPROC dlgProc, LPARAM initParam, BOOL bChild)
{
    if (!EnsureApplication())
        return nullptr;
    QFont font = t.hasFont ? MapFont(t.typeface, t.pointSize, t.weight, t.italic != 0) : DefaultFont();
    HFONT hFont = FontHandle(font);
    LONG units = BaseUnitsOf(font);
    int bx = LOWORD(units), by = HIWORD(units);
    auto X = [&](int v) { return MulDivRound(v, bx, 4); };
    auto Y = [&](int v) { return MulDivRound(v, by, 8); };

    DWORD style = t.style & ~static_cast<DWORD>(WS_VISIBLE);
    if (bChild)
        style = (style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                             DS_MODALFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) |
                WS_CHILD | DS_CONTROL | WS_CLIPSIBLINGS;
    std::u16string className = u"#32770";
    if (t.windowClass.isOrdinal)
        className = std::u16string(ce::res::PredefinedClassName(t.windowClass.ordinal));
    else if (!t.windowClass.name.empty())
        className = t.windowClass.name;

    int x = X(t.x), y = Y(t.y);
    int w = X(t.cx), h = Y(t.cy);
    if (!(style & WS_CHILD))
    {
        // Popups are placed relative to the client area of their owner.
        if (Window* owner = Get(hParent))
        {
            QPoint o = ClientOriginOnScreen(*owner);
            x += o.x();
            y += o.y();
        }
        if (style & DS_CENTER)
        {
            RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (Window* owner = Get(hParent))
                GetWindowRect(owner->hwnd, &area);
            x = area.left + ((area.right - area.left) - w) / 2;
            y = area.top + ((area.bottom - area.top) - h) / 2;
        }
    }

    SetNextDialogSetup(dlgProc, hFont, units);
    HWND hDlg = CreateWindowExW(t.exStyle, className.c_str(), t.title.c_str(), style, x, y, w, h, hParent,
                                nullptr, hInstance, reinterpret_cast<LPVOID>(initParam));
    if (!hDlg)
        return nullptr;
    Window* dlg = Get(hDlg);
    dlg->isDialog = true;
    dlg->font = hFont;
    dlg->baseUnits = units;
    Send(hDlg, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);

    for (const ce::res::DialogItem& item : t.items)
    {
        std::u16string cls = item.windowClass.isOrdinal
                                 ? std::u16string(ce::res::PredefinedClassName(item.windowClass.ordinal))
                                 : item.windowClass.name;
        std::u16string title;
        if (item.title.isOrdinal)
            title = {char16_t(0xFFFF), char16_t(item.title.ordinal)};
        else
            title = item.title.name;
        HWND child = CreateWindowExW(
            item.exStyle, cls.c_str(), title.c_str(), item.style | WS_CHILD, X(item.x), Y(item.y), X(item.cx),
            Y(item.cy), hDlg, reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id & 0xFFFF)), hInstance,
            item.creationData.empty() ? nullptr : const_cast<uint8_t*>(item.creationData.data()));
        if (!IsWindow(hDlg))
            return nullptr;
        if (!child)
        {
            if (t.style & DS_NOFAILCREATE)
                continue;
            DestroyWindow(hDlg);
            return nullptr;
        }
        Send(child, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    }

    HWND focus = FirstTabStop(hDlg);
    LRESULT setFocus = Send(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam);
    if (!IsWindow(hDlg))
        return nullptr;
    if (setFocus && focus && IsWindow(focus))
        SetFocus(focus);
    if ((t.style & WS_VISIBLE) && !bChild && !Get(hDlg)->dialogEnded && !IsWindowVisible(hDlg))
        ShowWindow(hDlg, SW_SHOWNORMAL);
    return hDlg;
}

SIZE DialogTemplateSize(const ce::res::DialogTemplate& t)
{
    if (!EnsureApplication())
        return SIZE{0, 0};
    QFont font = t.hasFont ? MapFont(t.typeface, t.pointSize, t.weight, t.italic != 0) : DefaultFont();
    LONG units = BaseUnitsOf(font);
    return SIZE{MulDivRound(t.cx, LOWORD(units), 4), MulDivRound(t.cy, HIWORD(units), 8)};
}

BOOL DialogKey(HWND hWnd, const QKeyEvent* e)
{
    if (e->modifiers() & (Qt::AltModifier | Qt::ControlModifier))
        return FALSE;
    bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    bool escape = e->key() == Qt::Key_Escape;
    if (!enter && !escape)
        return FALSE;
    Window* dlg = OuterDialog(hWnd);
    if (!dlg)
        return FALSE;
    HWND hDlg = dlg->hwnd;
    UINT id = IDCANCEL;
    if (enter)
    {
        // Enter on a push button presses it; elsewhere it presses the default button.
        Window* focused = Get(hWnd);
        if (focused && IsPushButton(*focused))
            id = static_cast<UINT>(focused->id);
        else
        {
            LRESULT def = Send(hDlg, DM_GETDEFID, 0, 0);
            id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        }
    }
    HWND button = GetDlgItem(hDlg, static_cast<int>(id));
    if (button && !IsWindowEnabled(button))
        return TRUE;
    Send(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return TRUE;
}

} // namespace gwes

using namespace gwes;

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> w = Find(hDlg);
    if (!w)
        return 0;
    if (w->dlgProc)
    {
        w->msgResult = 0;
        INT_PTR handled = w->dlgProc(hDlg, Msg, wParam, lParam);
        if (!IsWindow(hDlg))
            return handled;
        if (handled)
        {
            switch (Msg)
            {
            case WM_INITDIALOG:
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC:
                return handled;
            default:
                return w->msgResult;
            }
        }
    }
    switch (Msg)
    {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
        return 0;
    case DM_GETDEFID:
        return w->defId ? MAKELRESULT(w->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
    {
        // The default button changes its style with it.
        if (HWND old = GetDlgItem(hDlg, static_cast<int>(w->defId)))
            if (Window* b = Get(old); b && IsPushButton(*b))
                Send(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        w->defId = static_cast<UINT>(wParam);
        if (HWND now = GetDlgItem(hDlg, static_cast<int>(w->defId)))
            if (Window* b = Get(now); b && IsPushButton(*b))
                Send(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        return TRUE;
    }
    case WM_NEXTDLGCTL:
    {
        HWND target =
            lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hDlg, GetFocus(), wParam != 0);
        if (target)
            SetFocus(target);
        return 0;
    }
    case WM_GETDLGCODE:
        return 0;
    default:
        return DefWindowProcW(hDlg, Msg, wParam, lParam);
    }
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    Window* d = Get(hDlg);
    if (!d)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND c : d->children)
        if (Window* w = Get(c); w && static_cast<WORD>(w->id) == static_cast<WORD>(nIDDlgItem))
            return c;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(w->id);
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
    {
        if (lpString && cchMax > 0)
            lpString[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, lpString, cchMax));
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    std::string s = bSigned ? std::to_string(static_cast<int>(uValue)) : std::to_string(uValue);
    std::u16string text(s.begin(), s.end());
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned)
{
    if (lpTranslated)
        *lpTranslated = FALSE;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item)
        return 0;
    // The whole text: a number far behind blanks is read, and so is anything after it.
    std::u16string text(static_cast<size_t>(std::max(GetWindowTextLengthW(item), 0)) + 1, u'\0');
    text.resize(
        static_cast<size_t>(std::max(GetWindowTextW(item, text.data(), static_cast<int>(text.size())), 0)));
    std::u16string_view s(text);
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    bool negative = false;
    if (bSigned && i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        negative = s[i++] == u'-';
    uint64_t v = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits)
    {
        v = v * 10 + (s[i] - u'0');
        if (v > 0xFFFFFFFFull)
            return 0;
    }
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    if (!digits || i != s.size())
        return 0;
    if (bSigned && (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull))
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<int64_t>(v)) : static_cast<UINT>(v);
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    return item ? static_cast<UINT>(SendMessageW(item, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    if (!Get(hDlg))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (HWND item = GetDlgItem(hDlg, id))
            SendMessageW(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    Window* d = Get(hDlg);
    if (!d || d->children.empty())
        return nullptr;
    std::vector<HWND> order = d->children;
    if (bPrevious)
        std::reverse(order.begin(), order.end());
    auto start = std::find(order.begin(), order.end(), hCtl);
    size_t n = order.size();
    size_t first = start == order.end() ? 0 : static_cast<size_t>(start - order.begin()) + 1;
    for (size_t k = 0; k < n; ++k)
    {
        HWND c = order[(first + k) % n];
        Window* w = Get(c);
        if (w && (w->style & WS_TABSTOP) && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED))
            return c;
    }
    return hCtl;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    Window* d = Get(hDlg);
    if (!d || d->children.empty())
        return nullptr;
    // The group of hCtl: from the control with WS_GROUP at or before it to the next one with WS_GROUP.
    auto& c = d->children;
    auto it = std::find(c.begin(), c.end(), hCtl);
    if (it == c.end())
        return nullptr;
    size_t index = static_cast<size_t>(it - c.begin());
    size_t begin = index;
    while (begin > 0 && !(Get(c[begin])->style & WS_GROUP))
        --begin;
    size_t end = index + 1;
    while (end < c.size() && !(Get(c[end])->style & WS_GROUP))
        ++end;
    size_t count = end - begin;
    for (size_t k = 1; k <= count; ++k)
    {
        size_t i =
            bPrevious ? begin + (index - begin + count - k) % count : begin + (index - begin + k) % count;
        Window* w = Get(c[i]);
        if (w && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED))
            return c[i];
    }
    return hCtl;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    Window* d = Get(hDlg);
    if (!d || !lpRect || !d->isDialog)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    LONG units = DialogBaseUnits(hDlg);
    int bx = LOWORD(units), by = HIWORD(units);
    lpRect->left = MulDivRound(lpRect->left, bx, 4);
    lpRect->right = MulDivRound(lpRect->right, bx, 4);
    lpRect->top = MulDivRound(lpRect->top, by, 8);
    lpRect->bottom = MulDivRound(lpRect->bottom, by, 8);
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    EnsureApplication();
    return BaseUnitsOf(DefaultFont());
}

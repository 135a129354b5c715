// Position, size, visibility, z-order, activation and focus of windows.
#include "host.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>

namespace gwes
{

int NonClientInset(const Window& w)
{
    if (!w.IsChild() || !w.cls->selfPainted)
        return 0;
    if (w.exStyle & WS_EX_CLIENTEDGE)
        return 2;
    if ((w.style & WS_BORDER) || (w.exStyle & WS_EX_STATICEDGE))
        return 1;
    return 0;
}

void DrawNonClient(Window& w, QPainter& p)
{
    int inset = NonClientInset(w);
    if (!inset || !w.widget)
        return;
    QRect r = w.widget->rect();
    p.save();
    p.setClipping(false);
    p.resetTransform();
    p.setBrush(Qt::NoBrush);
    if (inset == 1)
    {
        QColor c =
            (w.exStyle & WS_EX_STATICEDGE) ? ToQColor(SystemColor(COLOR_BTNSHADOW)) : QColor(Qt::black);
        p.setPen(c);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    else
    {
        // A sunken edge: shadow and dark shadow above and left, highlight and light below and right.
        auto line = [&](int x1, int y1, int x2, int y2, int color)
        {
            p.setPen(ToQColor(SystemColor(color)));
            p.drawLine(x1, y1, x2, y2);
        };
        int R = r.right(), B = r.bottom();
        line(0, 0, R - 1, 0, COLOR_BTNSHADOW);
        line(0, 0, 0, B - 1, COLOR_BTNSHADOW);
        line(1, 1, R - 2, 1, COLOR_3DDKSHADOW);
        line(1, 1, 1, B - 2, COLOR_3DDKSHADOW);
        line(0, B, R, B, COLOR_BTNHIGHLIGHT);
        line(R, 0, R, B, COLOR_BTNHIGHLIGHT);
        line(1, B - 1, R - 1, B - 1, COLOR_3DLIGHT);
        line(R - 1, 1, R - 1, B - 1, COLOR_3DLIGHT);
    }
    p.restore();
}

void ApplyGeometry(Window& w)
{
    if (!w.widget)
        return;
    QRect r(w.rect.left, w.rect.top, std::max(0L + w.rect.right - w.rect.left, 0L),
            std::max(0L + w.rect.bottom - w.rect.top, 0L));
    if (Window* p = Get(w.parent); p && w.IsChild())
    {
        int inset = NonClientInset(*p);
        r.translate(inset, inset);
    }
    w.widget->setGeometry(r);
}

QPoint ClientOriginOnScreen(const Window& w)
{
    QPoint origin(w.rect.left, w.rect.top);
    if (w.IsChild())
        if (Window* p = Get(w.parent))
            origin += ClientOriginOnScreen(*p);
    int inset = NonClientInset(w);
    return origin + QPoint(inset, inset);
}

namespace
{

void SendSizeMove(Window& w, bool moved, bool sized)
{
    HWND h = w.hwnd;
    if (moved)
        Send(h, WM_MOVE, 0, MAKELPARAM(w.rect.left, w.rect.top));
    if (sized && Get(h))
    {
        RECT c;
        GetClientRect(h, &c);
        Send(h, WM_SIZE, w.minimized ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    }
}

bool Visible(const Window& w)
{
    return (w.style & WS_VISIBLE) != 0;
}

void Restack(Window& w, HWND after)
{
    Window* p = Get(w.parent);
    if (!w.IsChild() || !p)
    {
        if (w.widget && after == HWND_BOTTOM)
            w.widget->lower();
        else if (w.widget && (after == HWND_TOP || after == HWND_TOPMOST))
            w.widget->raise();
        return;
    }
    auto& list = p->children;
    list.erase(std::remove(list.begin(), list.end(), w.hwnd), list.end());
    if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST)
    {
        list.insert(list.begin(), w.hwnd);
        if (w.widget)
            w.widget->raise();
    }
    else if (after == HWND_BOTTOM)
    {
        list.push_back(w.hwnd);
        if (w.widget)
            w.widget->lower();
    }
    else
    {
        auto it = std::find(list.begin(), list.end(), after);
        Window* a = Get(after);
        if (it == list.end() || !a)
        {
            list.push_back(w.hwnd);
            return;
        }
        list.insert(it + 1, w.hwnd);
        if (w.widget && a->widget)
            w.widget->stackUnder(a->widget);
    }
}

} // namespace

namespace
{
HWND g_focus = nullptr;
} // namespace

void NoteFocus(HWND hWnd)
{
    g_focus = hWnd;
}

void TopLevelGeometryChanged(HWND hWnd, QWidget* widget)
{
    Window* w = Get(hWnd);
    if (!w || w->destroying || w->minimized)
        return;
    QRect g = widget->geometry();
    RECT r{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    bool moved = r.left != w->rect.left || r.top != w->rect.top;
    bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
                 (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
    if (!moved && !sized)
        return;
    w->rect = r;
    SendSizeMove(*w, moved, sized);
}

void TopLevelStateChanged(HWND hWnd, QWidget* widget)
{
    Window* w = Get(hWnd);
    if (!w || w->destroying)
        return;
    bool minimized = widget->isMinimized();
    if (minimized == w->minimized)
        return;
    w->minimized = minimized;
    SendSizeMove(*w, false, true);
}

} // namespace gwes

using namespace gwes;

BOOL IsWindowVisible(HWND hWnd)
{
    for (Window* w = Get(hWnd); w; w = w->IsChild() ? Get(w->parent) : nullptr)
    {
        if (!(w->style & WS_VISIBLE))
            return FALSE;
        if (!w->IsChild())
            return TRUE;
    }
    return FALSE;
}

BOOL IsIconic(HWND hWnd)
{
    Window* w = Get(hWnd);
    return w && w->minimized ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    Window* w = Get(hWnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
    if (bEnable == !wasDisabled)
        return wasDisabled;
    if (bEnable)
        w->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
        w->style |= WS_DISABLED;
    if (w->widget)
        w->widget->setEnabled(bEnable != FALSE);
    if (w->control)
        w->control->StyleChanged(*w);
    Send(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = Visible(*w) ? TRUE : FALSE;
    bool show = nCmdShow != SW_HIDE;
    if (show != (wasVisible != FALSE))
    {
        Send(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if (!Get(hWnd))
            return wasVisible;
    }
    if (!show)
    {
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        if (w->widget)
            w->widget->hide();
        return wasVisible;
    }
    w->style |= WS_VISIBLE;
    bool minimize = nCmdShow == SW_MINIMIZE || nCmdShow == SW_SHOWMINIMIZED ||
                    nCmdShow == SW_SHOWMINNOACTIVE || nCmdShow == SW_FORCEMINIMIZE;
    bool restore = nCmdShow == SW_SHOWNORMAL || nCmdShow == SW_RESTORE || nCmdShow == SW_SHOWDEFAULT;
    if (!w->widget)
        return wasVisible;
    if (w->IsChild())
    {
        w->widget->show();
        return wasVisible;
    }
    if (minimize)
    {
        bool changed = !w->minimized;
        w->minimized = true;
        w->widget->showMinimized();
        if (changed)
            Send(hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
    }
    else if (nCmdShow == SW_MAXIMIZE)
    {
        w->minimized = false;
        w->widget->showMaximized();
    }
    else if (restore && w->minimized)
    {
        w->minimized = false;
        w->widget->showNormal();
        ApplyGeometry(*w);
        RECT c;
        GetClientRect(hWnd, &c);
        Send(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    }
    else
    {
        w->widget->show();
    }
    if (nCmdShow == SW_SHOWNORMAL || nCmdShow == SW_SHOW || nCmdShow == SW_RESTORE ||
        nCmdShow == SW_SHOWDEFAULT)
    {
        w->widget->raise();
        w->widget->activateWindow();
    }
    return wasVisible;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT r = w->rect;
    bool moved = false, sized = false;
    if (!(uFlags & SWP_NOMOVE) && (X != r.left || Y != r.top))
    {
        r = {X, Y, X + (r.right - r.left), Y + (r.bottom - r.top)};
        moved = true;
    }
    if (!(uFlags & SWP_NOSIZE))
    {
        cx = std::max(cx, 0);
        cy = std::max(cy, 0);
        if (cx != r.right - r.left || cy != r.bottom - r.top)
        {
            r.right = r.left + cx;
            r.bottom = r.top + cy;
            sized = true;
        }
    }
    w->rect = r;
    if ((moved || sized) && !w->minimized)
        ApplyGeometry(*w);
    if (!(uFlags & SWP_NOZORDER))
        Restack(*w, hWndInsertAfter);
    if (moved || sized)
        SendSizeMove(*w, moved, sized);
    if (uFlags & SWP_HIDEWINDOW)
        ShowWindow(hWnd, SW_HIDE);
    else if (uFlags & SWP_SHOWWINDOW)
        ShowWindow(hWnd, SW_SHOWNA);
    if (!(uFlags & SWP_NOACTIVATE) && !w->IsChild() && w->widget && (w->style & WS_VISIBLE))
        w->widget->activateWindow();
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    BOOL ok = SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (ok && bRepaint)
        InvalidateRect(hWnd, nullptr, TRUE);
    return ok;
}

BOOL BringWindowToTop(HWND hWnd)
{
    return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL SetForegroundWindow(HWND hWnd)
{
    Window* w = Get(hWnd);
    while (w && w->IsChild())
        w = Get(w->parent);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->widget)
    {
        w->widget->raise();
        w->widget->activateWindow();
    }
    return TRUE;
}

HWND GetForegroundWindow()
{
    return WindowOf(QApplication::activeWindow());
}

HWND GetActiveWindow()
{
    return GetForegroundWindow();
}

HWND SetActiveWindow(HWND hWnd)
{
    HWND previous = GetActiveWindow();
    SetForegroundWindow(hWnd);
    return previous;
}

HWND SetFocus(HWND hWnd)
{
    HWND previous = GetFocus();
    if (!hWnd)
    {
        if (QWidget* f = QApplication::focusWidget())
            f->clearFocus();
        NoteFocus(nullptr);
        return previous;
    }
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    NoteFocus(hWnd);
    if (w->widget)
    {
        if (w->widget->focusPolicy() == Qt::NoFocus)
            w->widget->setFocusPolicy(Qt::StrongFocus);
        w->widget->setFocus(Qt::OtherFocusReason);
    }
    return previous;
}

HWND GetFocus()
{
    if (HWND h = WindowOf(QApplication::focusWidget()))
        return h;
    return IsWindow(g_focus) ? g_focus : nullptr;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    Window* w = Get(hWnd);
    if (!w || !lpRect)
    {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    QPoint origin(w->rect.left, w->rect.top);
    if (w->IsChild())
        if (Window* p = Get(w->parent))
            origin = ClientOriginOnScreen(*p) + origin;
    *lpRect = {origin.x(), origin.y(), origin.x() + (w->rect.right - w->rect.left),
               origin.y() + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    Window* w = Get(hWnd);
    if (!w || !lpRect)
    {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int inset = NonClientInset(*w);
    LONG width = w->minimized ? 0 : std::max<LONG>(w->rect.right - w->rect.left - 2 * inset, 0);
    LONG height = w->minimized ? 0 : std::max<LONG>(w->rect.bottom - w->rect.top - 2 * inset, 0);
    *lpRect = {0, 0, width, height};
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    Window* w = Get(hWnd);
    if (!w || !lpPoint)
        return FALSE;
    QPoint o = ClientOriginOnScreen(*w);
    lpPoint->x += o.x();
    lpPoint->y += o.y();
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    Window* w = Get(hWnd);
    if (!w || !lpPoint)
        return FALSE;
    QPoint o = ClientOriginOnScreen(*w);
    lpPoint->x -= o.x();
    lpPoint->y -= o.y();
    return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    QPoint from, to;
    if (Window* f = Get(hWndFrom))
        from = ClientOriginOnScreen(*f);
    if (Window* t = Get(hWndTo))
        to = ClientOriginOnScreen(*t);
    QPoint d = from - to;
    for (UINT i = 0; lpPoints && i < cPoints; ++i)
    {
        lpPoints[i].x += d.x();
        lpPoints[i].y += d.y();
    }
    return MAKELONG(static_cast<WORD>(d.x()), static_cast<WORD>(d.y()));
}

int GetSystemMetrics(int nIndex)
{
    QSize screen(240, 320);
    if (QGuiApplication::primaryScreen())
        screen = QGuiApplication::primaryScreen()->geometry().size();
    switch (nIndex)
    {
    case SM_CXSCREEN:
        return screen.width();
    case SM_CYSCREEN:
        return screen.height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return 13;
    case SM_CYCAPTION:
        return 26;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CYMENU:
        return 26;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        return 0;
    }
}

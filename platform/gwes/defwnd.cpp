// The default window procedure, painting (BeginPaint / EndPaint on the widget's paint event) and the
// routing of Qt events through window procedures.
#include "host.h"

#include <kernel/immortal.h>

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <map>

namespace gwes
{
namespace
{

struct NativeContext
{
    HWND hwnd;
    UINT msg;
    const std::function<void()>* native;
    bool ran;
};
thread_local std::vector<NativeContext> t_native;

struct PaintState
{
    PaintSession session;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<QImage> scratch; // a paint asked for outside a paint event draws into this
    HDC hdc = nullptr;
    bool placeholder = false; // no device-context factory made the handle
    bool orphan = false;
};

// The device contexts of the paints in progress, the factory that makes them (the graphics part
// installs it), and the next placeholder handle for a paint that has no painter.
struct Paints
{
    std::map<HDC, PaintState*> dcs;
    HDC (*create)(PaintSession&) = nullptr;
    void (*release)(HDC) = nullptr;
    uintptr_t nextPlaceholder = 0x40000000;
};

Paints& ThePaints()
{
    static ce::Immortal<Paints> paints;
    return paints.get();
}

thread_local std::vector<PaintState*> t_paints;

PaintState* StateOf(HWND hWnd)
{
    for (auto it = t_paints.rbegin(); it != t_paints.rend(); ++it)
        if ((*it)->session.hwnd == hWnd)
            return *it;
    return nullptr;
}

void ClosePaint(PaintState& st)
{
    if (st.hdc)
    {
        if (ThePaints().release && !st.placeholder)
            ThePaints().release(st.hdc);
        ThePaints().dcs.erase(st.hdc);
        st.hdc = nullptr;
    }
    if (st.painter)
    {
        st.painter->end();
        st.painter.reset();
    }
    st.session.painter = nullptr;
}

bool IsAutoFilled(const Window& w)
{
    return w.widget && (w.widget->autoFillBackground() || w.widget->isWindow());
}

} // namespace

void RouteThroughProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, const std::function<void()>& native)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w || w->destroying)
    {
        native();
        return;
    }
    t_native.push_back({hWnd, msg, &native, false});
    size_t index = t_native.size() - 1;
    CallProc(*w, msg, wParam, lParam);
    t_native.resize(index);
}

BOOL RunNative(HWND hWnd, UINT msg)
{
    if (t_native.empty())
        return FALSE;
    NativeContext& c = t_native.back();
    if (c.hwnd != hWnd || c.msg != msg || c.ran)
        return FALSE;
    c.ran = true;
    const std::function<void()>* native = c.native;
    (*native)();
    return TRUE;
}

void PaintThroughProc(HWND hWnd, QWidget* widget, const QRect& dirty, const std::function<void()>& native)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w || w->destroying)
    {
        native();
        return;
    }
    int inset = NonClientInset(*w);
    PaintState st;
    st.session.hwnd = hWnd;
    st.session.widget = widget;
    st.session.dirty = dirty.translated(-inset, -inset);
    t_paints.push_back(&st);
    RouteThroughProc(hWnd, WM_PAINT, 0, 0, native);
    ClosePaint(st);
    t_paints.erase(std::remove(t_paints.begin(), t_paints.end(), &st), t_paints.end());
    if (inset && Get(hWnd))
    {
        QPainter p(widget);
        DrawNonClient(*w, p);
    }
}

PaintSession* CurrentPaint(HWND hWnd)
{
    PaintState* st = StateOf(hWnd);
    return st ? &st->session : nullptr;
}

void SetPaintDCFactory(HDC (*create)(PaintSession&), void (*release)(HDC))
{
    ThePaints().create = create;
    ThePaints().release = release;
}

QPainter* PainterOfPaintDC(HDC hDC)
{
    auto it = ThePaints().dcs.find(hDC);
    return it == ThePaints().dcs.end() ? nullptr : it->second->session.painter;
}

} // namespace gwes

using namespace gwes;

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w || !lpPaint)
    {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    *lpPaint = PAINTSTRUCT{};
    PaintState* st = StateOf(hWnd);
    RECT client;
    GetClientRect(hWnd, &client);
    if (!st || st->painter)
    {
        // Not inside a paint of this window (or painted twice): draw into an image nobody sees.
        st = new PaintState;
        st->orphan = true;
        st->scratch =
            std::make_unique<QImage>(std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1),
                                     QImage::Format_ARGB32_Premultiplied);
        st->session.hwnd = hWnd;
        st->session.widget = w->widget;
        st->session.dirty = QRect(0, 0, client.right, client.bottom);
        st->painter = std::make_unique<QPainter>(st->scratch.get());
    }
    else
    {
        st->painter = std::make_unique<QPainter>(st->session.widget);
        int inset = NonClientInset(*w);
        st->painter->translate(inset, inset);
        st->painter->setClipRect(QRect(0, 0, client.right, client.bottom));
    }
    st->painter->setFont(FontOf(hWnd));
    st->session.painter = st->painter.get();
    st->hdc = ThePaints().create ? ThePaints().create(st->session) : nullptr;
    if (!st->hdc)
    {
        st->placeholder = true;
        st->hdc = reinterpret_cast<HDC>(ThePaints().nextPlaceholder++);
    }
    ThePaints().dcs[st->hdc] = st;
    lpPaint->hdc = st->hdc;
    QRect d = st->session.dirty.intersected(QRect(0, 0, client.right, client.bottom));
    lpPaint->rcPaint = {d.x(), d.y(), d.x() + d.width(), d.y() + d.height()};
    if (!st->session.erased)
    {
        st->session.erased = true;
        lpPaint->fErase = Send(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(st->hdc), 0) ? FALSE : TRUE;
    }
    return st->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* lpPaint)
{
    if (!lpPaint)
        return FALSE;
    auto it = ThePaints().dcs.find(lpPaint->hdc);
    if (it == ThePaints().dcs.end())
        return TRUE;
    PaintState* st = it->second;
    ClosePaint(*st);
    if (st->orphan)
        delete st;
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        if (!hWnd)
            return TRUE;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!w->widget)
        return TRUE;
    if (lpRect)
    {
        int inset = NonClientInset(*w);
        w->widget->update(QRect(lpRect->left + inset, lpRect->top + inset, lpRect->right - lpRect->left,
                                lpRect->bottom - lpRect->top));
    }
    else
    {
        w->widget->update();
    }
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT*)
{
    return Get(hWnd) || !hWnd ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->widget && w->widget->isVisible())
        w->widget->repaint();
    return TRUE;
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w)
        return 0;
    if (RunNative(hWnd, Msg))
        return 0;
    switch (Msg)
    {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT:
    {
        auto text = reinterpret_cast<LPCWSTR>(lParam);
        w->text = text ? text : u"";
        if (w->widget && !w->IsChild())
            w->widget->setWindowTitle(ToQString(w->text));
        if (w->published)
            PublishTopLevel(*w);
        if (w->control)
            w->control->TextChanged(*w);
        return TRUE;
    }
    case WM_GETTEXT:
    {
        auto buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
        std::copy_n(w->text.data(), n, buffer);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        if (BeginPaint(hWnd, &ps))
            EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
    {
        if (IsAutoFilled(*w))
            return 1;
        uintptr_t brush = reinterpret_cast<uintptr_t>(w->cls->background);
        QPainter* p = PainterOfPaintDC(reinterpret_cast<HDC>(wParam));
        if (!brush || !p)
            return 0;
        RECT c;
        GetClientRect(hWnd, &c);
        QColor color = brush <= COLOR_STATICTEXT + 1 ? ToQColor(SystemColor(static_cast<int>(brush - 1)))
                                                     : QColor(Qt::white);
        p->fillRect(QRect(0, 0, c.right, c.bottom), color);
        return 1;
    }
    case WM_SETICON:
    {
        auto icon = reinterpret_cast<HICON>(lParam);
        HICON old = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
        (wParam == ICON_BIG ? w->iconBig : w->iconSmall) = icon;
        if (w->widget && !w->IsChild())
        {
            HICON shown = w->iconBig ? w->iconBig : w->iconSmall;
            w->widget->setWindowIcon(shown ? IconOf(shown) : QIcon());
        }
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wParam);
        if (w->widget && w->font)
            w->widget->setFont(FontFromHandle(w->font));
        if (lParam && w->widget)
            w->widget->update();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w->font);
    case WM_MOUSEACTIVATE:
        return 1; // MA_ACTIVATE
    case WM_NCHITTEST:
        return 1; // HTCLIENT
    case WM_DEVICECHANGE:
        return TRUE;
    default:
        return 0;
    }
}

// The progress bar (msctls_progress32), which paints itself in its WM_PAINT so that a subclass can take the
// painting over, and the tab control (SysTabControl32) with its selection notifications.
#include "host.h"

#include <commctrl.h>

#include <QStyleOption>
#include <QTabBar>

namespace gwes
{
namespace
{

// ----- Progress bar
class ProgressState : public ControlState
{
public:
    int lower = 0;
    int upper = 100;
    int pos = 0;
    int step = 10;
    COLORREF bar = CLR_DEFAULT;
    COLORREF back = CLR_DEFAULT;

    void Clamp() { pos = std::clamp(pos, std::min(lower, upper), std::max(lower, upper)); }
};

QWidget* MakeProgress(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    auto* widget = new Host<QWidget>(w.hwnd, parent);
    w.control = std::make_unique<ProgressState>();
    return widget;
}

void PaintProgress(HWND hWnd, ProgressState& st, DWORD style)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    QPainter* p = PainterOfPaintDC(dc);
    if (p)
    {
        RECT c;
        GetClientRect(hWnd, &c);
        QRect area(0, 0, c.right, c.bottom);
        p->fillRect(area, ToQColor(st.back == CLR_DEFAULT ? SystemColor(COLOR_BTNFACE) : st.back));
        int range = st.upper - st.lower;
        if (range > 0 && area.width() > 0)
        {
            QColor color = ToQColor(st.bar == CLR_DEFAULT ? SystemColor(COLOR_HIGHLIGHT) : st.bar);
            bool vertical = (style & PBS_VERTICAL) != 0;
            int length = vertical ? area.height() : area.width();
            int filled = static_cast<int>(static_cast<long long>(st.pos - st.lower) * length / range);
            if (style & PBS_SMOOTH)
            {
                if (vertical)
                    p->fillRect(QRect(0, area.height() - filled, area.width(), filled), color);
                else
                    p->fillRect(QRect(0, 0, filled, area.height()), color);
            }
            else
            {
                // Blocks two thirds as wide as the bar is high, with a gap of two pixels.
                int thickness = vertical ? area.width() : area.height();
                int block = std::max(thickness * 2 / 3, 2);
                for (int at = 0; at < filled; at += block + 2)
                {
                    int size = std::min(block, filled - at);
                    if (vertical)
                        p->fillRect(QRect(1, area.height() - at - size, area.width() - 2, size), color);
                    else
                        p->fillRect(QRect(at, 1, size, area.height() - 2), color);
                }
            }
        }
    }
    EndPaint(hWnd, &ps);
}

LRESULT CALLBACK ProgressProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Window* w = Get(hWnd);
    ProgressState* st = w ? w->State<ProgressState>() : nullptr;
    if (!st)
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    auto changed = [&] { InvalidateRect(hWnd, nullptr, TRUE); };
    switch (msg)
    {
    case WM_PAINT:
        PaintProgress(hWnd, *st, w->style);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case PBM_SETRANGE:
    {
        LRESULT old = MAKELRESULT(st->lower, st->upper);
        st->lower = LOWORD(lParam);
        st->upper = HIWORD(lParam);
        st->Clamp();
        changed();
        return old;
    }
    case PBM_SETRANGE32:
    {
        LRESULT old = MAKELRESULT(st->lower, st->upper);
        st->lower = static_cast<int>(static_cast<INT_PTR>(wParam));
        st->upper = static_cast<int>(lParam);
        st->Clamp();
        changed();
        return old;
    }
    case PBM_GETRANGE:
        if (auto* r = reinterpret_cast<PBRANGE*>(lParam))
            *r = PBRANGE{st->lower, st->upper};
        return wParam ? st->lower : st->upper;
    case PBM_SETPOS:
    {
        int old = st->pos;
        st->pos = static_cast<int>(static_cast<INT_PTR>(wParam));
        st->Clamp();
        changed();
        return old;
    }
    case PBM_DELTAPOS:
    {
        int old = st->pos;
        st->pos += static_cast<int>(static_cast<INT_PTR>(wParam));
        st->Clamp();
        changed();
        return old;
    }
    case PBM_GETPOS:
        return st->pos;
    case PBM_SETSTEP:
    {
        int old = st->step;
        st->step = static_cast<int>(static_cast<INT_PTR>(wParam));
        return old;
    }
    case PBM_STEPIT:
    {
        int old = st->pos;
        st->pos += st->step;
        // Past the end the bar starts over from the beginning.
        int range = st->upper - st->lower;
        if (range > 0 && st->pos > st->upper)
            st->pos = st->lower + (st->pos - st->lower) % range;
        st->Clamp();
        changed();
        return old;
    }
    case PBM_SETBARCOLOR:
    {
        COLORREF old = st->bar;
        st->bar = static_cast<COLORREF>(lParam);
        changed();
        return static_cast<LRESULT>(old);
    }
    case PBM_SETBKCOLOR:
    {
        COLORREF old = st->back;
        st->back = static_cast<COLORREF>(lParam);
        changed();
        return static_cast<LRESULT>(old);
    }
    default:
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

// ----- Tab control
struct TabItem
{
    std::u16string text;
    LPARAM param = 0;
    int image = -1;
};

class TabBar : public QTabBar
{
public:
    TabBar(HWND hWnd, QWidget* parent) : QTabBar(parent), m_hwnd(hWnd) {}

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    HWND m_hwnd;
};

class TabState : public ControlState
{
public:
    TabBar* bar = nullptr;
    std::vector<TabItem> items;
    bool bottom = false;

    void Layout(Window& w)
    {
        if (!w.widget)
            return;
        int h = bar->sizeHint().height();
        QRect r = w.widget->rect();
        bar->setGeometry(0, bottom ? r.height() - h : 0, r.width(), h);
    }
    void Rebuild()
    {
        QSignalBlocker block(bar);
        int cur = bar->currentIndex();
        while (bar->count())
            bar->removeTab(0);
        for (const TabItem& item : items)
            bar->addTab(ToQString(item.text));
        bar->setCurrentIndex(std::min(cur, static_cast<int>(items.size()) - 1));
    }
};

LRESULT Notify(HWND hTab, UINT code)
{
    Window* w = Get(hTab);
    if (!w || !w->parent)
        return 0;
    NMHDR nm{hTab, static_cast<UINT_PTR>(w->id), code};
    return Send(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&nm));
}

void TabBar::mousePressEvent(QMouseEvent* e)
{
    // The parent may refuse the change (TCN_SELCHANGING answers TRUE); clicking the current tab does nothing.
    int index = tabAt(e->position().toPoint());
    if (e->button() != Qt::LeftButton || index < 0 || index == currentIndex())
        return;
    if (Notify(m_hwnd, TCN_SELCHANGING))
        return;
    {
        QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    Notify(m_hwnd, TCN_SELCHANGE);
}

class TabWidget : public Host<QWidget>
{
public:
    using Host<QWidget>::Host;

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        Host<QWidget>::resizeEvent(e);
        if (Window* w = Get(hwnd()))
            if (auto* st = w->State<TabState>())
                st->Layout(*w);
    }
};

QWidget* MakeTab(Window& w, QWidget* parent, const CREATESTRUCTW&)
{
    auto* widget = new TabWidget(w.hwnd, parent);
    auto state = std::make_unique<TabState>();
    state->bottom = (w.style & TCS_BOTTOM) != 0;
    state->bar = new TabBar(w.hwnd, widget);
    state->bar->setShape(state->bottom ? QTabBar::RoundedSouth : QTabBar::RoundedNorth);
    state->bar->setDrawBase(false);
    state->bar->setExpanding(false);
    state->bar->setFocusPolicy(Qt::NoFocus);
    w.control = std::move(state);
    return widget;
}

using TabMessage = ControlMessage<TabState>;

bool HasTab(const TabMessage& m)
{
    return m.Index() >= 0 && m.Index() < static_cast<int>(m.state.items.size());
}

LRESULT PaintTabs(const TabMessage& m)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m.hwnd, &ps);
    if (QPainter* p = PainterOfPaintDC(dc); p && m.window.widget)
    {
        RECT r;
        GetClientRect(m.hwnd, &r);
        SendMessageW(m.hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(m.window.widget);
        frame.rect = QRect(r.left - 2, r.top - 2, r.right - r.left + 4, r.bottom - r.top + 4);
        frame.shape = m.state.bottom ? QTabBar::RoundedSouth : QTabBar::RoundedNorth;
        m.window.widget->style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p, m.window.widget);
    }
    EndPaint(m.hwnd, &ps);
    return 0;
}

LRESULT InsertItem(const TabMessage& m)
{
    TabState& st = m.state;
    auto* item = reinterpret_cast<const TCITEMW*>(m.lParam);
    if (!item || m.Index() < 0)
        return -1;
    const int index = std::min(m.Index(), static_cast<int>(st.items.size()));
    TabItem t;
    if ((item->mask & TCIF_TEXT) && item->pszText)
        t.text = item->pszText;
    if (item->mask & TCIF_PARAM)
        t.param = item->lParam;
    if (item->mask & TCIF_IMAGE)
        t.image = item->iImage;
    st.items.insert(st.items.begin() + index, t);
    {
        QSignalBlocker block(st.bar);
        st.bar->insertTab(index, ToQString(t.text));
    }
    st.Layout(m.window);
    return index;
}

LRESULT SetItem(const TabMessage& m)
{
    auto* item = reinterpret_cast<const TCITEMW*>(m.lParam);
    if (!item || !HasTab(m))
        return FALSE;
    TabItem& t = m.state.items[static_cast<size_t>(m.Index())];
    if ((item->mask & TCIF_TEXT) && item->pszText)
    {
        t.text = item->pszText;
        m.state.bar->setTabText(m.Index(), ToQString(t.text));
    }
    if (item->mask & TCIF_PARAM)
        t.param = item->lParam;
    if (item->mask & TCIF_IMAGE)
        t.image = item->iImage;
    return TRUE;
}

LRESULT GetItem(const TabMessage& m)
{
    auto* item = reinterpret_cast<TCITEMW*>(m.lParam);
    if (!item || !HasTab(m))
        return FALSE;
    const TabItem& t = m.state.items[static_cast<size_t>(m.Index())];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0)
    {
        size_t n = std::min(t.text.size(), static_cast<size_t>(item->cchTextMax - 1));
        std::copy_n(t.text.data(), n, item->pszText);
        item->pszText[n] = 0;
    }
    if (item->mask & TCIF_PARAM)
        item->lParam = t.param;
    if (item->mask & TCIF_IMAGE)
        item->iImage = t.image;
    return TRUE;
}

LRESULT DeleteItem(const TabMessage& m)
{
    TabState& st = m.state;
    if (!HasTab(m))
        return FALSE;
    // The selected tab stays selected when one before it goes (its index moves down with it).
    int cur = st.bar->currentIndex();
    st.items.erase(st.items.begin() + m.Index());
    st.Rebuild();
    if (m.Index() < cur)
    {
        QSignalBlocker block(st.bar);
        st.bar->setCurrentIndex(cur - 1);
    }
    return TRUE;
}

LRESULT SetCurSel(const TabMessage& m)
{
    if (!HasTab(m))
        return -1;
    int old = m.state.bar->currentIndex();
    QSignalBlocker block(m.state.bar);
    m.state.bar->setCurrentIndex(m.Index());
    return old;
}

LRESULT GetItemRect(const TabMessage& m)
{
    auto* r = reinterpret_cast<RECT*>(m.lParam);
    if (!r || !HasTab(m))
        return FALSE;
    QRect t = m.state.bar->tabRect(m.Index()).translated(m.state.bar->pos());
    *r = {t.x(), t.y(), t.x() + t.width(), t.y() + t.height()};
    return TRUE;
}

// Between the window's rectangle and the display area the pages take.
LRESULT AdjustRect(const TabMessage& m)
{
    auto* r = reinterpret_cast<RECT*>(m.lParam);
    if (!r)
        return 0;
    int tabs = m.state.bar->sizeHint().height();
    int border = 2;
    int sign = m.wParam ? -1 : 1;
    r->left += sign * border;
    r->right -= sign * border;
    if (m.state.bottom)
    {
        r->top += sign * border;
        r->bottom -= sign * (tabs + border);
    }
    else
    {
        r->top += sign * (tabs + border);
        r->bottom -= sign * border;
    }
    return 0;
}

LRESULT SetTabFont(const TabMessage& m)
{
    LRESULT res = m.Default();
    m.state.bar->setFont(FontFromHandle(reinterpret_cast<HFONT>(m.wParam)));
    m.state.Layout(m.window);
    return res;
}

constexpr MessageHandler<TabState> kTabHandlers[] = {
    {WM_CREATE,
     [](const TabMessage& m) -> LRESULT
     {
         m.state.Layout(m.window);
         return 0;
     }},
    {WM_PAINT, PaintTabs},
    {TCM_GETITEMCOUNT, [](const TabMessage& m) { return static_cast<LRESULT>(m.state.items.size()); }},
    {TCM_INSERTITEMW, InsertItem},
    {TCM_SETITEMW, SetItem},
    {TCM_GETITEMW, GetItem},
    {TCM_DELETEITEM, DeleteItem},
    {TCM_DELETEALLITEMS,
     [](const TabMessage& m) -> LRESULT
     {
         m.state.items.clear();
         m.state.Rebuild();
         return TRUE;
     }},
    {TCM_GETCURSEL,
     [](const TabMessage& m) -> LRESULT { return m.state.items.empty() ? -1 : m.state.bar->currentIndex(); }},
    {TCM_SETCURSEL, SetCurSel},
    {TCM_GETITEMRECT, GetItemRect},
    {TCM_ADJUSTRECT, AdjustRect},
    {WM_SETFONT, SetTabFont},
};

LRESULT CALLBACK TabProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return HandleControlMessage(kTabHandlers, hWnd, msg, wParam, lParam);
}

} // namespace

void RegisterProgressClass()
{
    RegisterSystemClass(u"msctls_progress32", ProgressProc, MakeProgress);
}

void RegisterTabClass()
{
    RegisterSystemClass(u"SysTabControl32", TabProc, MakeTab)->selfPainted = true;
}

} // namespace gwes

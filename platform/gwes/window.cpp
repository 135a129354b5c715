// Window classes and window objects: creation, destruction, the handle table, the window tree, texts and
// window longs.
#include "host.h"

#include <kernel/immortal.h>
#include <kernel/text.h>
#include <kernel/winstation.h>

#include <QApplication>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace gwes
{
namespace
{

struct Table
{
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<Window>> windows;
    std::vector<HWND> topLevel; // creation order
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
    std::vector<void (*)(HWND)> destroyListeners;
};

Table& TheTable()
{
    static ce::Immortal<Table> table; // outlives static destructors that may still look windows up
    return table.get();
}

struct CreationHook
{
    void (*hook)(HWND, void*) = nullptr;
    void* context = nullptr;
};
thread_local CreationHook t_creationHook;

struct DialogSetup
{
    bool set = false;
    DLGPROC proc = nullptr;
    HFONT font = nullptr;
    LONG baseUnits = 0;
};
thread_local DialogSetup t_dialogSetup;

std::atomic<uint32_t> g_localHandles{0x7F000000};

uintptr_t Key(HWND h)
{
    return reinterpret_cast<uintptr_t>(h);
}

HWND NewHandle()
{
    uint32_t value = ce::winstation::AllocateWindowHandle();
    if (value == 0)
        value = g_localHandles++; // the handheld's counter is unreachable: this process only
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

std::shared_ptr<WindowClass> FindClassByPointer(LPCWSTR name, HINSTANCE)
{
    if (!name)
        return nullptr;
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    if (IS_INTRESOURCE(name))
    {
        ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
        for (auto& c : t.classes)
            if (c->atom == atom)
                return c;
        return nullptr;
    }
    for (auto& c : t.classes)
        if (ce::text::EqualsNoCase(c->name, name))
            return c;
    return nullptr;
}

// The default widget of a window: paints through its procedure, fills with its class brush.
QWidget* PlainWidget(Window& window, QWidget* parentWidget, const CREATESTRUCTW&)
{
    auto* w = new Host<QWidget>(window.hwnd, parentWidget);
    HBRUSH brush = window.cls->background;
    uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value > 0 && value <= COLOR_STATICTEXT + 1)
    {
        // A system colour brush (COLOR_xxx + 1).
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, ToQColor(SystemColor(static_cast<int>(value - 1))));
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    else if (!parentWidget)
    {
        w->setAutoFillBackground(true);
    }
    return w;
}

void ForgetWindow(Window& w)
{
    Table& t = TheTable();
    std::vector<void (*)(HWND)> listeners;
    {
        std::lock_guard lock(t.lock);
        t.windows.erase(Key(w.hwnd));
        t.topLevel.erase(std::remove(t.topLevel.begin(), t.topLevel.end(), w.hwnd), t.topLevel.end());
        listeners = t.destroyListeners;
    }
    if (Window* parent = Get(w.parent))
        parent->children.erase(std::remove(parent->children.begin(), parent->children.end(), w.hwnd),
                               parent->children.end());
    for (auto listener : listeners)
        listener(w.hwnd);
}

void ReleaseWidget(Window& w)
{
    QWidget* widget = w.widget;
    w.widget = nullptr;
    if (!widget)
        return;
    SetWidgetWindow(widget, nullptr);
    widget->hide();
    QObject::disconnect(widget, nullptr, nullptr, nullptr);
    // Deleted from the event loop: the widget may be inside one of its own event handlers right now.
    if (widget->parentWidget())
        widget->setParent(nullptr);
    widget->deleteLater();
}

bool DestroyTree(HWND hWnd);

void DestroyChildren(Window& w)
{
    std::vector<HWND> children = w.children;
    for (HWND child : children)
        DestroyTree(child);
}

bool DestroyTree(HWND hWnd)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w || w->destroying)
        return w != nullptr;
    w->destroying = true;
    if (w->widget)
        w->widget->hide();
    // Windows owned by this one go first.
    for (HWND other : AllTopLevel())
        if (Window* o = Get(other); o && o->owner == hWnd)
            DestroyTree(other);
    KillWindowTimers(hWnd);
    if (w->inModalLoop)
    {
        w->dialogEnded = true;
        EndDialog(hWnd, w->dialogResult);
    }
    CallProc(*w, WM_DESTROY, 0, 0);
    DestroyChildren(*w);
    CallProc(*w, WM_NCDESTROY, 0, 0);
    if (w->published)
        UnpublishTopLevel(*w);
    ReleaseWidget(*w);
    ForgetWindow(*w);
    w->control.reset();
    return true;
}

} // namespace

std::shared_ptr<Window> Find(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    auto it = t.windows.find(Key(hWnd));
    return it == t.windows.end() ? nullptr : it->second;
}

Window* Get(HWND hWnd)
{
    return Find(hWnd).get();
}

size_t WindowCount()
{
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    return t.windows.size();
}

std::vector<HWND> AllTopLevel()
{
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    return t.topLevel;
}

std::vector<HWND> TopLevelWindows()
{
    return AllTopLevel();
}

std::shared_ptr<WindowClass> RegisterSystemClass(const std::u16string& name, WNDPROC proc,
                                                 WidgetFactory factory, HBRUSH background, UINT style)
{
    auto c = std::make_shared<WindowClass>();
    c->name = name;
    c->proc = proc;
    c->factory = std::move(factory);
    c->background = background;
    c->style = style | CS_GLOBALCLASS;
    c->system = true;
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    c->atom = t.nextAtom++;
    t.classes.push_back(c);
    return c;
}

std::shared_ptr<WindowClass> FindClass(std::u16string_view name)
{
    std::u16string n(name);
    return FindClassByPointer(n.c_str(), nullptr);
}

void SetNextDialogSetup(DLGPROC dlgProc, HFONT font, LONG baseUnits)
{
    t_dialogSetup = {true, dlgProc, font, baseUnits};
}

int MulDivRound(int value, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    long long p = static_cast<long long>(value) * numerator;
    bool negative = (p < 0) != (denominator < 0);
    long long a = p < 0 ? -p : p;
    long long d = denominator < 0 ? -static_cast<long long>(denominator) : denominator;
    long long r = (a + d / 2) / d; // halves round away from zero
    return static_cast<int>(negative ? -r : r);
}

void HookNextWindowCreation(void (*hook)(HWND, void*), void* context)
{
    t_creationHook = {hook, context};
}

void AddWindowDestroyedListener(void (*listener)(HWND))
{
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    if (std::find(t.destroyListeners.begin(), t.destroyListeners.end(), listener) == t.destroyListeners.end())
        t.destroyListeners.push_back(listener);
}

void NotifyParent(Window& control, UINT code)
{
    if (!control.parent)
        return;
    Send(control.parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.id), code),
         reinterpret_cast<LPARAM>(control.hwnd));
}

QString ToQString(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::u16string FromQString(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

QString DisplayText(std::u16string_view s, bool prefixes)
{
    if (!prefixes)
        return ToQString(s);
    // "&&" shows an ampersand, a single one marks the mnemonic (not drawn here).
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i)
    {
        if (s[i] == u'&')
        {
            if (i + 1 < s.size() && s[i + 1] == u'&')
            {
                out.push_back(u'&');
                ++i;
            }
            continue;
        }
        out.push_back(s[i]);
    }
    return ToQString(out);
}

} // namespace gwes

using namespace gwes;

ATOM RegisterClassW(const WNDCLASSW* lpWndClass)
{
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        !lpWndClass->lpfnWndProc || lpWndClass->cbWndExtra < 0 || lpWndClass->cbWndExtra > 40 ||
        lpWndClass->cbClsExtra < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    for (auto& c : t.classes)
    {
        if (!c->system && ce::text::EqualsNoCase(c->name, lpWndClass->lpszClassName) &&
            (c->instance == lpWndClass->hInstance || (c->style & CS_GLOBALCLASS)))
        {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    auto c = std::make_shared<WindowClass>();
    c->name = lpWndClass->lpszClassName;
    c->style = lpWndClass->style;
    c->proc = lpWndClass->lpfnWndProc;
    c->cbClsExtra = lpWndClass->cbClsExtra;
    c->cbWndExtra = lpWndClass->cbWndExtra;
    c->instance = lpWndClass->hInstance;
    c->icon = lpWndClass->hIcon;
    c->cursor = lpWndClass->hCursor;
    c->background = lpWndClass->hbrBackground;
    c->atom = t.nextAtom++;
    // Application classes are searched before the system classes of the same name.
    t.classes.insert(t.classes.begin(), c);
    return c->atom;
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance)
{
    std::shared_ptr<WindowClass> c = FindClassByPointer(lpClassName, hInstance);
    if (!c || c->system)
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    for (auto& [key, w] : t.windows)
        if (w->cls == c)
        {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    t.classes.erase(std::remove(t.classes.begin(), t.classes.end(), c), t.classes.end());
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass)
{
    if (!lpWndClass)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    EnsureApplication();
    std::shared_ptr<WindowClass> c = FindClassByPointer(lpClassName, hInstance);
    if (!c)
    {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    lpWndClass->style = c->style;
    lpWndClass->lpfnWndProc = c->proc;
    lpWndClass->cbClsExtra = c->cbClsExtra;
    lpWndClass->cbWndExtra = c->cbWndExtra;
    lpWndClass->hInstance = c->instance;
    lpWndClass->hIcon = c->icon;
    lpWndClass->hCursor = c->cursor;
    lpWndClass->hbrBackground = c->background;
    lpWndClass->lpszMenuName = nullptr;
    lpWndClass->lpszClassName = c->name.c_str();
    return TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!lpClassName || nMaxCount <= 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    size_t n = std::min(w->cls->name.size(), static_cast<size_t>(nMaxCount - 1));
    std::copy_n(w->cls->name.data(), n, lpClassName);
    lpClassName[n] = 0;
    return static_cast<int>(n);
}

namespace
{

// The window object a creation describes (not yet in the table): its class, styles, text, parent or
// owner, rectangle, and the dialog set up for it.
std::shared_ptr<Window> NewWindow(const std::shared_ptr<WindowClass>& cls, const CREATESTRUCTW& cs,
                                  const DialogSetup& dialog)
{
    auto w = std::make_shared<Window>();
    w->hwnd = NewHandle();
    w->cls = cls;
    w->proc = cls->proc;
    w->style = static_cast<DWORD>(cs.style) & ~static_cast<DWORD>(WS_VISIBLE);
    w->exStyle = cs.dwExStyle;
    w->instance = cs.hInstance;
    w->extra.assign(static_cast<size_t>(cls->cbWndExtra), 0);
    if (dialog.set)
    {
        w->isDialog = true;
        w->dlgProc = dialog.proc;
        w->font = dialog.font;
        w->baseUnits = dialog.baseUnits;
    }
    // A name of the form 0xFFFF, ordinal names a resource (pictures); it is no text.
    if (cs.lpszName && !(cs.lpszName[0] == 0xFFFF))
        w->text = cs.lpszName;
    if (cs.style & WS_CHILD)
    {
        w->parent = cs.hwndParent;
        w->id = static_cast<LONG_PTR>(reinterpret_cast<uintptr_t>(cs.hMenu));
    }
    else if (cs.hwndParent)
    {
        // The owner of a popup is the top-level window of the window given.
        HWND owner = cs.hwndParent;
        while (Window* o = Get(owner))
        {
            if (!o->parent)
                break;
            owner = o->parent;
        }
        w->owner = owner;
    }
    w->rect = {cs.x, cs.y, cs.x + std::max(cs.cx, 0), cs.y + std::max(cs.cy, 0)};
    return w;
}

// Puts the window into the table and into its parent's children.
void Enter(const std::shared_ptr<Window>& w, Window* parent)
{
    Table& t = TheTable();
    {
        std::lock_guard lock(t.lock);
        t.windows.emplace(Key(w->hwnd), w);
        if (!w->IsChild())
            t.topLevel.push_back(w->hwnd);
    }
    if (parent && w->IsChild())
        parent->children.push_back(w->hwnd);
}

// The widget of the window, made by its class (hidden until the window is shown).
void MakeWidget(Window& w, Window* parent, const CREATESTRUCTW& cs)
{
    QWidget* parentWidget = w.IsChild() ? parent->widget.data() : nullptr;
    QWidget* widget = w.cls->factory ? w.cls->factory(w, parentWidget, cs) : PlainWidget(w, parentWidget, cs);
    w.widget = widget;
    if (!widget)
        return;
    widget->setAttribute(Qt::WA_DontShowOnScreen, false);
    widget->hide();
    if (!w.text.empty() && !w.IsChild())
        widget->setWindowTitle(ToQString(w.text));
    ApplyGeometry(w);
    if (cs.style & WS_DISABLED)
        widget->setEnabled(false);
}

// WM_NCCREATE, WM_CREATE, WM_SIZE and WM_MOVE, then publication and showing. The window, or null when its
// procedure refused the creation or destroyed it meanwhile.
HWND RunCreation(const std::shared_ptr<Window>& w, CREATESTRUCTW& cs)
{
    HWND hwnd = w->hwnd;
    if (!CallProc(*w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)))
    {
        w->destroying = true;
        CallProc(*w, WM_NCDESTROY, 0, 0);
        ReleaseWidget(*w);
        ForgetWindow(*w);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (CallProc(*w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1)
    {
        DestroyTree(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!Get(hwnd))
        return nullptr; // destroyed while being created
    CallProc(*w, WM_SIZE, SIZE_RESTORED,
             MAKELPARAM(w->rect.right - w->rect.left, w->rect.bottom - w->rect.top));
    CallProc(*w, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
    if (!w->IsChild())
        PublishTopLevel(*w);
    if (cs.style & WS_VISIBLE)
        ShowWindow(hwnd, SW_SHOW);
    return Get(hwnd) ? hwnd : nullptr;
}

} // namespace

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam)
{
    if (!EnsureApplication() || !OnGuiThread())
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    CreationHook hook = std::exchange(t_creationHook, {});
    DialogSetup dialog = std::exchange(t_dialogSetup, {});
    std::shared_ptr<WindowClass> cls = FindClassByPointer(lpClassName, hInstance);
    if (!cls)
    {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    std::shared_ptr<Window> parent = Find(hWndParent);
    if (hWndParent && !parent)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if ((dwStyle & WS_CHILD) && !parent)
    {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (X == CW_USEDEFAULT)
        X = Y = 0;
    if (nWidth == CW_USEDEFAULT)
    {
        nWidth = 240;
        nHeight = 320;
    }
    CREATESTRUCTW cs{};
    cs.lpCreateParams = lpParam;
    cs.hInstance = hInstance;
    cs.hMenu = hMenu;
    cs.hwndParent = hWndParent;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.x = X;
    cs.y = Y;
    cs.style = static_cast<LONG>(dwStyle);
    cs.lpszName = lpWindowName;
    cs.lpszClass = cls->name.c_str();
    cs.dwExStyle = dwExStyle;

    std::shared_ptr<Window> w = NewWindow(cls, cs, dialog);
    Enter(w, parent.get());
    MakeWidget(*w, parent.get(), cs);
    if (hook.hook)
        hook.hook(w->hwnd, hook.context);
    return RunCreation(w, cs);
}

BOOL DestroyWindow(HWND hWnd)
{
    if (!Get(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!OnGuiThread())
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return DestroyTree(hWnd) ? TRUE : FALSE;
}

BOOL IsWindow(HWND hWnd)
{
    return Get(hWnd) != nullptr;
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    for (Window* w = Get(hWnd); w && w->parent; w = Get(w->parent))
        if (w->parent == hWndParent)
            return TRUE;
    return FALSE;
}

HWND GetParent(HWND hWnd)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return w->parent ? w->parent : w->owner;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent)
{
    Window* w = Get(hWndChild);
    Window* p = Get(hWndNewParent);
    if (!w || (hWndNewParent && !p) || !w->IsChild())
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND old = w->parent;
    if (Window* o = Get(old))
        o->children.erase(std::remove(o->children.begin(), o->children.end(), hWndChild), o->children.end());
    w->parent = hWndNewParent;
    p->children.push_back(hWndChild);
    if (w->widget && p->widget)
    {
        bool visible = w->widget->isVisibleTo(w->widget->parentWidget());
        w->widget->setParent(p->widget);
        ApplyGeometry(*w);
        w->widget->setVisible(visible);
    }
    return old;
}

HWND GetWindow(HWND hWnd, UINT uCmd)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (uCmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER)
        return w->owner;
    std::vector<HWND> siblings;
    if (Window* p = Get(w->parent))
        siblings = p->children;
    else
        siblings = AllTopLevel();
    auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    if (it == siblings.end())
        return nullptr;
    switch (uCmd)
    {
    case GW_HWNDFIRST:
        return siblings.front();
    case GW_HWNDLAST:
        return siblings.back();
    case GW_HWNDNEXT:
        return (it + 1) == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
        return it == siblings.begin() ? nullptr : *(it - 1);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetDesktopWindow()
{
    return nullptr;
}

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam)
{
    if (!lpEnumFunc)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (HWND h : AllTopLevel())
        if (Get(h) && !lpEnumFunc(h, lParam))
            return FALSE;
    return TRUE;
}

namespace
{
bool EnumChildren(HWND parent, WNDENUMPROC fn, LPARAM lParam)
{
    Window* w = Get(parent);
    if (!w)
        return true;
    std::vector<HWND> children = w->children;
    for (HWND c : children)
    {
        if (!Get(c))
            continue;
        if (!fn(c, lParam))
            return false;
        if (!EnumChildren(c, fn, lParam))
            return false;
    }
    return true;
}
} // namespace

BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam)
{
    if (!lpEnumFunc || !Get(hWndParent))
    {
        SetLastError(lpEnumFunc ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return EnumChildren(hWndParent, lpEnumFunc, lParam) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName)
{
    // The windows of this process first, then those published by the other processes of the handheld.
    for (HWND h : AllTopLevel())
    {
        Window* w = Get(h);
        if (!w || w->destroying)
            continue;
        if (lpClassName &&
            !(IS_INTRESOURCE(lpClassName) ? w->cls->atom == reinterpret_cast<uintptr_t>(lpClassName)
                                          : ce::text::EqualsNoCase(w->cls->name, lpClassName)))
            continue;
        if (lpWindowName && w->text != lpWindowName)
            continue;
        return h;
    }
    if (lpClassName || !lpWindowName)
        return nullptr; // other processes publish titles only
    uint32_t remote = ce::winstation::FindWindowByTitle(lpWindowName);
    return remote ? reinterpret_cast<HWND>(static_cast<uintptr_t>(remote)) : nullptr;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    if (!Get(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return Send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : u"")) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (!Get(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!lpString || nMaxCount <= 0)
        return 0;
    return static_cast<int>(
        Send(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd)
{
    if (!Get(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(Send(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (nIndex >= 0)
    {
        if (w->isDialog && (nIndex == DWLP_MSGRESULT || nIndex == DWLP_DLGPROC || nIndex == DWLP_USER))
            return nIndex == DWLP_MSGRESULT ? w->msgResult
                   : nIndex == DWLP_DLGPROC ? reinterpret_cast<LONG_PTR>(w->dlgProc)
                                            : w->dlgUser;
        if (static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size())
        {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG_PTR v = 0;
        std::memcpy(&v, w->extra.data() + nIndex, sizeof v);
        return v;
    }
    switch (nIndex)
    {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    case GWLP_ID:
        return w->id;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    Window* w = Get(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    if (nIndex >= 0)
    {
        if (w->isDialog && (nIndex == DWLP_MSGRESULT || nIndex == DWLP_DLGPROC || nIndex == DWLP_USER))
        {
            if (nIndex == DWLP_MSGRESULT)
                std::swap(old, w->msgResult), w->msgResult = dwNewLong;
            else if (nIndex == DWLP_DLGPROC)
                old = reinterpret_cast<LONG_PTR>(w->dlgProc),
                w->dlgProc = reinterpret_cast<DLGPROC>(dwNewLong);
            else
                old = w->dlgUser, w->dlgUser = dwNewLong;
            return old;
        }
        if (static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size())
        {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        std::memcpy(&old, w->extra.data() + nIndex, sizeof old);
        std::memcpy(w->extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
        return old;
    }
    switch (nIndex)
    {
    case GWLP_WNDPROC:
        if (!dwNewLong)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
        return old;
    case GWL_STYLE:
    {
        old = static_cast<LONG>(w->style);
        DWORD visible = w->style & WS_VISIBLE;
        w->style = (static_cast<DWORD>(dwNewLong) & ~static_cast<DWORD>(WS_VISIBLE)) | visible;
        if (w->widget)
            w->widget->setEnabled(!(w->style & WS_DISABLED));
        if (w->control)
            w->control->StyleChanged(*w);
        return old;
    }
    case GWL_EXSTYLE:
        old = static_cast<LONG>(w->exStyle);
        w->exStyle = static_cast<DWORD>(dwNewLong);
        return old;
    case GWLP_USERDATA:
        old = w->userData;
        w->userData = dwNewLong;
        return old;
    case GWLP_ID:
        old = w->id;
        w->id = dwNewLong;
        return old;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

namespace
{
// The slots a dialog keeps outside its extra bytes (its result, procedure and user value).
bool IsDialogSlot(const Window& w, int nIndex)
{
    return w.isDialog && (nIndex == DWLP_MSGRESULT || nIndex == DWLP_DLGPROC || nIndex == DWLP_USER);
}
} // namespace

namespace
{
// Where a 32-bit index leads: nowhere (ERROR_INVALID_INDEX is set), to four of the extra bytes (whatever
// lies beside them), or to the values the Ptr calls keep.
struct LongSlot
{
    bool invalid = false;
    BYTE* extra = nullptr;
};
LongSlot FindLongSlot(HWND hWnd, int nIndex)
{
    Window* w = Get(hWnd);
    // Pointers do not fit 32 bits on this build; as on 64-bit Windows they are read with the Ptr calls.
    bool pointer = nIndex == GWLP_WNDPROC || nIndex == GWLP_HINSTANCE || nIndex == GWLP_HWNDPARENT ||
                   (nIndex == DWLP_DLGPROC && w && w->isDialog);
    if (!pointer && (!w || nIndex < 0 || IsDialogSlot(*w, nIndex)))
        return {};
    if (pointer || static_cast<size_t>(nIndex) + sizeof(LONG) > w->extra.size())
    {
        SetLastError(ERROR_INVALID_INDEX);
        return {true, nullptr};
    }
    return {false, w->extra.data() + nIndex};
}
} // namespace

LONG GetWindowLongW(HWND hWnd, int nIndex)
{
    LongSlot slot = FindLongSlot(hWnd, nIndex);
    if (slot.invalid)
        return 0;
    if (!slot.extra)
        return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
    LONG v = 0;
    std::memcpy(&v, slot.extra, sizeof v);
    return v;
}

LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong)
{
    LongSlot slot = FindLongSlot(hWnd, nIndex);
    if (slot.invalid)
        return 0;
    if (!slot.extra)
        return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
    LONG old = 0;
    std::memcpy(&old, slot.extra, sizeof old);
    std::memcpy(slot.extra, &dwNewLong, sizeof dwNewLong);
    return old;
}

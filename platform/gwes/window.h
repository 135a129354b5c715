// Window objects of the window services (private to platform/gwes).
#pragma once

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <windows.h>

#include <gwes/gwes.h>
#include <gwes/qt.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gwes
{

struct Window;

// Per-window state of a control class, owned by its window.
class ControlState
{
public:
    virtual ~ControlState() = default;
    // The window's text changed (WM_SETTEXT through the default procedure).
    virtual void TextChanged(Window&) {}
    // The window was enabled or disabled, or its style changed.
    virtual void StyleChanged(Window&) {}
};

// Makes the widget (and control state) of a new window of a class.
using WidgetFactory = std::function<QWidget*(Window& window, QWidget* parentWidget, const CREATESTRUCTW& cs)>;

struct WindowClass
{
    std::u16string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    ATOM atom = 0;
    bool system = false;
    WidgetFactory factory; // empty: a plain window
    // The window paints itself through WM_PAINT, so borders (WS_BORDER, WS_EX_CLIENTEDGE) are drawn around
    // its client area; controls drawn by Qt widgets carry their own frames.
    bool selfPainted = true;
};

struct Window
{
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr; // child windows: the parent; top-level windows: null
    HWND owner = nullptr;
    std::vector<HWND> children; // z-order, top first (creation order for dialog controls)
    LONG_PTR id = 0;            // GWL_ID (child windows)
    LONG_PTR userData = 0;
    std::vector<uint8_t> extra; // cbWndExtra bytes
    HINSTANCE instance = nullptr;
    std::u16string text;
    RECT rect{}; // children: relative to the parent's client area; top-level: screen
    bool minimized = false;
    HICON iconBig = nullptr;
    HICON iconSmall = nullptr;
    HFONT font = nullptr;
    QPointer<QWidget> widget;
    std::unique_ptr<ControlState> control;
    bool destroying = false;
    bool published = false;

    // Dialogs
    bool isDialog = false;
    DLGPROC dlgProc = nullptr;
    LONG_PTR msgResult = 0;
    LONG_PTR dlgUser = 0;
    LONG baseUnits = 0; // dialog base units, x in the low word
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    bool inModalLoop = false;
    void* modalLoop = nullptr; // QEventLoop*
    UINT defId = IDOK;

    template <class T> T* State() { return dynamic_cast<T*>(control.get()); }
    bool IsChild() const { return (style & WS_CHILD) != 0; }
};

// The window of a handle (shared, so a window being destroyed stays valid while its procedure runs).
std::shared_ptr<Window> Find(HWND hWnd);
Window* Get(HWND hWnd);
// Every local window handle, top-level ones in creation order.
std::vector<HWND> AllTopLevel();

// Calls a window's procedure, catching what it throws.
LRESULT CallProc(Window& window, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT Send(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool OnGuiThread();

// Notifies the parent of a control: WM_COMMAND with the control's id and a notification code.
void NotifyParent(Window& control, UINT code);

// Dialog windows: the next window created on this thread becomes a dialog with this procedure, font and
// base units (set by the dialog builder right before it creates the dialog window).
void SetNextDialogSetup(DLGPROC dlgProc, HFONT font, LONG baseUnits);
int MulDivRound(int value, int numerator, int denominator);

// System classes and their registration (done once by the application).
void RegisterSystemClasses();
std::shared_ptr<WindowClass> RegisterSystemClass(const std::u16string& name, WNDPROC proc,
                                                 WidgetFactory factory, HBRUSH background = nullptr,
                                                 UINT style = 0);
std::shared_ptr<WindowClass> FindClass(std::u16string_view name);

// Window station: publishing, receiving and sending across processes.
void PublishTopLevel(Window& window);
void UnpublishTopLevel(Window& window);
void StartStation();
// Posts a message to the top-level windows of the other processes of the handheld (with the payload of
// a device-change broadcast); FALSE when it is malformed.
bool BroadcastRemote(UINT msg, WPARAM wParam, LPARAM lParam);
// Queues a message for a local window with a copy of its payload (lParam then points at the copy).
bool PostLocal(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
               std::shared_ptr<std::vector<uint8_t>> payload);

// Geometry. Rectangles are kept in Windows terms; the widget follows them. A self-painted child window
// with a border has a non-client inset of 1 (WS_BORDER, WS_EX_STATICEDGE) or 2 (WS_EX_CLIENTEDGE) pixels.
void ApplyGeometry(Window& window);
int NonClientInset(const Window& window);
QPoint ClientOriginOnScreen(const Window& window);
void DrawNonClient(Window& window, QPainter& painter);

// Timers
void KillWindowTimers(HWND hWnd);

// What this process holds, for the automation command "objects": windows (controls included), window
// timers, and GDI objects (device contexts, bitmaps, brushes, and the bitmaps and icons made from
// images).
size_t WindowCount();
size_t TimerCount();
size_t GdiObjectCount();
size_t ImageObjectCount();

// Paint
void PaintThroughProc(HWND hWnd, QWidget* widget, const QRect& dirty, const std::function<void()>& native);
void RunNativeOr(HWND hWnd, UINT msg, const std::function<void()>& fallback);

// Input: routes a Qt event of a window's widget through the window procedure. The native handler runs
// when the message reaches the default procedure (a subclass that swallows the message stops it).
void RouteThroughProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, const std::function<void()>& native);
// Runs the native handler of the message being routed, if it is this one; TRUE when there was one.
BOOL RunNative(HWND hWnd, UINT msg);

// Shows message boxes on the screen from now on, unless a presenter (a test's recorder) is installed.
void InstallScreenPresenter();

// The image a picture control names by ordinal (IMAGE_BITMAP or IMAGE_ICON), loaded from a module.
HANDLE LoadImageFromModule(HINSTANCE hInstance, WORD ordinal, UINT type);
// Registration of the control classes (one function per class file).
void RegisterDialogClass();
void RegisterStaticClass();
void RegisterButtonClass();
void RegisterEditClass();
void RegisterComboClasses();
void RegisterProgressClass();
void RegisterTabClass();

// Fonts: the dialog font and its base units.
QFont DefaultFont();
LONG BaseUnitsOf(const QFont& font);

// Control classes. A control's window procedure is a table of handlers, one per message it answers:
// each gets the window, the control's state and the message. Messages without a handler, and every
// message that arrives before the control has its state, go to the default procedure.
template <class State> struct ControlMessage
{
    HWND hwnd;
    Window& window;
    State& state;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;

    LRESULT Default() const { return DefWindowProcW(hwnd, msg, wParam, lParam); }
    // wParam as the item index most control messages carry there.
    int Index() const { return static_cast<int>(static_cast<INT_PTR>(wParam)); }
};

template <class State> struct MessageHandler
{
    UINT msg;
    LRESULT (*handle)(const ControlMessage<State>& message);
};

template <class State, size_t N>
LRESULT HandleControlMessage(const MessageHandler<State> (&handlers)[N], HWND hWnd, UINT msg, WPARAM wParam,
                             LPARAM lParam)
{
    Window* w = Get(hWnd);
    State* st = w ? w->State<State>() : nullptr;
    if (st)
        for (const MessageHandler<State>& handler : handlers)
            if (handler.msg == msg)
                return handler.handle(ControlMessage<State>{hWnd, *w, *st, msg, wParam, lParam});
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

// Control classes
QString ToQString(std::u16string_view s);
std::u16string FromQString(const QString& s);
QString DisplayText(std::u16string_view s, bool prefixes);

} // namespace gwes

// Messages on the Qt event loop: sent messages call the procedure at once, posted ones travel through
// Qt's event queue, window timers post WM_TIMER (never a second one for a timer whose WM_TIMER is still
// queued), modal loops are nested event loops.
#include "host.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimerEvent>

#include <cstdio>
#include <map>
#include <mutex>

namespace gwes
{
namespace
{

const QEvent::Type kPostedEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct PostedEvent : QEvent
{
    PostedEvent() : QEvent(kPostedEvent) {}
    MSG msg{};
    std::shared_ptr<std::vector<uint8_t>> payload; // lParam points into it
    uint64_t timerSerial = 0;                      // WM_TIMER: the timer that queued it
    TIMERPROC timerProc = nullptr;
};

struct Timers
{
    std::map<std::pair<uintptr_t, UINT_PTR>, Timer> byWindow;
    std::map<int, std::pair<uintptr_t, UINT_PTR>> byQtTimer;
    uint64_t nextSerial = 1;
    UINT_PTR nextThreadTimer = 0x7000;
};

class Dispatcher : public QObject
{
public:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
};

Dispatcher* g_dispatcher = nullptr;
QThread* g_guiThread = nullptr;
Timers g_timers;
BOOL (*g_preTranslate)(MSG*) = nullptr;
int g_quitCode = 0;
QEventLoop* g_runLoop = nullptr;
thread_local int t_sendDepth = 0;

DWORD Now()
{
    return GetTickCount();
}

void Deliver(PostedEvent& e);

bool Dispatcher::event(QEvent* e)
{
    if (e->type() == kPostedEvent)
    {
        Deliver(*static_cast<PostedEvent*>(e));
        return true;
    }
    return QObject::event(e);
}

void Expire(Timer& t)
{
    if (t.pending)
        return; // one WM_TIMER at a time per timer: expiries while it waits are folded into it
    t.pending = true;
    auto* e = new PostedEvent;
    e->msg.hwnd = t.hwnd;
    e->msg.message = WM_TIMER;
    e->msg.wParam = t.id;
    e->msg.lParam = reinterpret_cast<LPARAM>(t.proc);
    e->timerSerial = t.serial;
    e->timerProc = t.proc;
    QCoreApplication::postEvent(g_dispatcher, e);
}

void Dispatcher::timerEvent(QTimerEvent* e)
{
    auto it = g_timers.byQtTimer.find(e->timerId());
    if (it == g_timers.byQtTimer.end())
        return;
    auto t = g_timers.byWindow.find(it->second);
    if (t != g_timers.byWindow.end())
        Expire(t->second);
}

void Deliver(PostedEvent& e)
{
    MSG& msg = e.msg;
    if (msg.message == WM_QUIT)
    {
        g_quitCode = static_cast<int>(msg.wParam);
        if (g_runLoop)
            g_runLoop->exit(g_quitCode);
        return;
    }
    msg.time = Now();
    if (msg.message == WM_TIMER)
    {
        auto it = g_timers.byWindow.find({reinterpret_cast<uintptr_t>(msg.hwnd), msg.wParam});
        // A timer killed (or set anew) since it queued this message gets nothing.
        if (it == g_timers.byWindow.end() || it->second.serial != e.timerSerial || !it->second.pending)
            return;
        it->second.pending = false;
        if (!msg.hwnd)
        {
            if (e.timerProc)
                e.timerProc(nullptr, WM_TIMER, msg.wParam, msg.time);
            return;
        }
    }
    std::shared_ptr<Window> w = Find(msg.hwnd);
    if (!w || w->destroying)
        return;
    if (g_preTranslate && g_preTranslate(&msg))
        return;
    DispatchMessageW(&msg);
}

} // namespace

bool OnGuiThread()
{
    return g_guiThread && QThread::currentThread() == g_guiThread;
}

void InstallDispatcher()
{
    if (g_dispatcher)
        return;
    g_guiThread = QThread::currentThread();
    g_dispatcher = new Dispatcher;
}

void RemoveDispatcher()
{
    for (auto& [id, key] : g_timers.byQtTimer)
        if (g_dispatcher)
            g_dispatcher->killTimer(id);
    g_timers = Timers{};
    delete g_dispatcher;
    g_dispatcher = nullptr;
    g_guiThread = nullptr;
}

LRESULT CallProc(Window& window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> keep = Find(window.hwnd);
    WNDPROC proc = window.proc;
    if (!proc)
        return 0;
    ++t_sendDepth;
    LRESULT r = 0;
    try
    {
        r = proc(window.hwnd, msg, wParam, lParam);
    }
    catch (const std::exception& ex)
    {
        std::fprintf(stderr, "window procedure of %p threw on message 0x%04x: %s\n",
                     static_cast<void*>(window.hwnd), msg, ex.what());
    }
    catch (...)
    {
        std::fprintf(stderr, "window procedure of %p threw on message 0x%04x\n",
                     static_cast<void*>(window.hwnd), msg);
    }
    --t_sendDepth;
    return r;
}

LRESULT Send(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w)
        return 0;
    return CallProc(*w, msg, wParam, lParam);
}

bool PostLocal(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam,
               std::shared_ptr<std::vector<uint8_t>> payload)
{
    if (!g_dispatcher)
        return false;
    auto* e = new PostedEvent;
    e->msg.hwnd = hWnd;
    e->msg.message = msg;
    e->msg.wParam = wParam;
    e->msg.lParam = payload && !payload->empty() ? reinterpret_cast<LPARAM>(payload->data()) : lParam;
    e->payload = std::move(payload);
    QCoreApplication::postEvent(g_dispatcher, e);
    return true;
}

void KillWindowTimers(HWND hWnd)
{
    for (UINT_PTR id : WindowTimers(hWnd))
        KillTimer(hWnd, id);
}

std::vector<UINT_PTR> WindowTimers(HWND hWnd)
{
    std::vector<UINT_PTR> ids;
    for (auto& [key, t] : g_timers.byWindow)
        if (key.first == reinterpret_cast<uintptr_t>(hWnd))
            ids.push_back(key.second);
    return ids;
}

BOOL FireTimer(HWND hWnd, UINT_PTR nIDEvent)
{
    auto it = g_timers.byWindow.find({reinterpret_cast<uintptr_t>(hWnd), nIDEvent});
    if (it == g_timers.byWindow.end())
        return FALSE;
    Expire(it->second);
    return TRUE;
}

void SetPreTranslateHook(BOOL (*hook)(MSG*))
{
    g_preTranslate = hook;
}

BOOL PreTranslateKey(HWND hWnd, UINT msg, const QKeyEvent* e)
{
    if (!g_preTranslate)
        return FALSE;
    MSG m{};
    m.hwnd = hWnd;
    m.message = msg;
    m.wParam = VirtualKey(e);
    m.lParam = KeyLParam(e, msg == WM_KEYUP);
    m.time = Now();
    return g_preTranslate(&m);
}

int RunMessageLoop()
{
    if (!EnsureApplication())
        return -1;
    QEventLoop loop;
    QEventLoop* outer = g_runLoop;
    g_runLoop = &loop;
    int code = loop.exec();
    g_runLoop = outer;
    return code;
}

void ProcessPending()
{
    if (!EnsureApplication())
        return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ProcessFor(int ms)
{
    if (!EnsureApplication())
        return;
    QElapsedTimer clock;
    clock.start();
    do
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents,
                                        std::max(1, ms - static_cast<int>(clock.elapsed())));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (clock.elapsed() < ms);
}

INT_PTR RunModalLoop(HWND hDlg)
{
    std::shared_ptr<Window> w = Find(hDlg);
    if (!w)
        return -1;
    // The owner is disabled while the dialog runs.
    HWND owner = w->owner;
    bool reenable = owner && IsWindowEnabled(owner);
    if (reenable)
        EnableWindow(owner, FALSE);
    if (!w->dialogEnded && !IsWindowVisible(hDlg))
        ShowWindow(hDlg, SW_SHOWNORMAL);
    if (!w->dialogEnded)
    {
        QEventLoop loop;
        w->inModalLoop = true;
        w->modalLoop = &loop;
        loop.exec(QEventLoop::AllEvents);
        w->modalLoop = nullptr;
        w->inModalLoop = false;
    }
    if (reenable && IsWindow(owner))
        EnableWindow(owner, TRUE);
    if (IsWindow(hDlg))
        ShowWindow(hDlg, SW_HIDE);
    return w->dialogResult;
}

BOOL IsInModalLoop(HWND hWnd)
{
    Window* w = Get(hWnd);
    return w && w->inModalLoop ? TRUE : FALSE;
}

} // namespace gwes

using namespace gwes;

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd == HWND_BROADCAST)
    {
        // Every top-level window of this process at once; the other processes get it posted.
        for (HWND h : AllTopLevel())
            Send(h, Msg, wParam, lParam);
        BroadcastRemote(Msg, wParam, lParam);
        return 0;
    }
    std::shared_ptr<Window> w = Find(hWnd);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!OnGuiThread())
    {
        // Sent from another thread: the window's thread runs the procedure while this one waits.
        LRESULT result = 0;
        QMetaObject::invokeMethod(
            g_dispatcher, [&] { result = Send(hWnd, Msg, wParam, lParam); }, Qt::BlockingQueuedConnection);
        return result;
    }
    return CallProc(*w, Msg, wParam, lParam);
}

BOOL InSendMessage()
{
    return t_sendDepth > 0 ? TRUE : FALSE;
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!lpPrevWndFunc)
        return 0;
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

LRESULT DispatchMessageW(const MSG* lpMsg)
{
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam)
    {
        // A timer with its own procedure calls it instead of the window's.
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
        return 0;
    }
    std::shared_ptr<Window> w = Find(lpMsg->hwnd);
    if (!w)
        return 0;
    return CallProc(*w, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE; // characters come with the key events already
}

BOOL PeekMessageW(LPMSG lpMsg, HWND, UINT, UINT, UINT)
{
    // The queue lives in the event loop: everything due is handled here, nothing is handed out.
    ProcessPending();
    if (lpMsg)
        *lpMsg = MSG{};
    return FALSE;
}

BOOL GetMessageW(LPMSG lpMsg, HWND, UINT, UINT)
{
    // Runs the loop until WM_QUIT; the messages are dispatched on the way.
    int code = RunMessageLoop();
    if (lpMsg)
    {
        *lpMsg = MSG{};
        lpMsg->message = WM_QUIT;
        lpMsg->wParam = static_cast<WPARAM>(code);
    }
    return FALSE;
}

void PostQuitMessage(int nExitCode)
{
    if (!EnsureApplication())
        return;
    auto* e = new PostedEvent;
    e->msg.message = WM_QUIT;
    e->msg.wParam = static_cast<WPARAM>(nExitCode);
    QCoreApplication::postEvent(g_dispatcher, e);
}

BOOL PostThreadMessageW(DWORD, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (Msg == WM_QUIT)
    {
        PostQuitMessage(static_cast<int>(wParam));
        return TRUE;
    }
    (void)lParam;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    if (!EnsureApplication() || !OnGuiThread())
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (hWnd && !Get(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!hWnd)
        nIDEvent = ++g_timers.nextThreadTimer;
    // As on Windows, periods below 10 ms run at 10 ms.
    uElapse = std::max<UINT>(uElapse, 10);
    auto key = std::make_pair(reinterpret_cast<uintptr_t>(hWnd), nIDEvent);
    auto it = g_timers.byWindow.find(key);
    bool pending = false;
    if (it != g_timers.byWindow.end())
    {
        // Setting an existing timer again restarts it with the new period.
        pending = it->second.pending;
        g_dispatcher->killTimer(it->second.qtTimer);
        g_timers.byQtTimer.erase(it->second.qtTimer);
        g_timers.byWindow.erase(it);
    }
    Timer t;
    t.hwnd = hWnd;
    t.id = nIDEvent;
    t.elapse = uElapse;
    t.proc = lpTimerFunc;
    t.serial = g_timers.nextSerial++;
    t.qtTimer =
        g_dispatcher->startTimer(static_cast<int>(std::min<UINT>(uElapse, 0x7FFFFFFF)), Qt::PreciseTimer);
    (void)pending; // a WM_TIMER queued for the replaced timer is dropped with it
    if (!t.qtTimer)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    g_timers.byQtTimer[t.qtTimer] = key;
    g_timers.byWindow[key] = t;
    return nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    auto it = g_timers.byWindow.find({reinterpret_cast<uintptr_t>(hWnd), uIDEvent});
    if (it == g_timers.byWindow.end())
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A WM_TIMER still queued for it is dropped as well: no tick arrives after KillTimer.
    if (g_dispatcher)
        g_dispatcher->killTimer(it->second.qtTimer);
    g_timers.byQtTimer.erase(it->second.qtTimer);
    g_timers.byWindow.erase(it);
    return TRUE;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    Window* w = Get(hDlg);
    if (!w)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->dialogEnded = true;
    w->dialogResult = nResult;
    // Ends this dialog's loop; an outer dialog ended while an inner one runs ends when control gets back to
    // it.
    if (w->modalLoop)
        static_cast<QEventLoop*>(w->modalLoop)->exit(0);
    return TRUE;
}

BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg)
{
    (void)hDlg;
    (void)lpMsg;
    return FALSE; // dialog keys are handled by the dialog's widget
}

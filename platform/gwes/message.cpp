// Messages. Sent messages call the procedure at once. Posted messages wait in the message queue of the
// thread they are for (the window thread for every window): GetMessageW and PeekMessageW take them from
// it, and on the window thread the Qt event loop hands them out as well, one per turn, as a message loop
// would. Window timers mark themselves due and deliver WM_TIMER when nothing is posted (never a second one
// for a timer whose WM_TIMER has not been taken yet). Modal loops are nested event loops.
//
// A queue is taken from in this order, as on Windows: the first posted message that passes the filter;
// WM_QUIT once nothing at all is posted (whatever the filter); the timer that fell due first. Messages
// for windows that are gone are dropped.
#include "host.h"

#include <kernel/immortal.h>
#include <kernel/time_scale.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace gwes
{
namespace
{

const QEvent::Type kTurnEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct Posted
{
    uint64_t serial = 0;
    MSG msg{};
    std::shared_ptr<std::vector<uint8_t>> payload; // lParam points into it
};

// The message queue of one thread.
struct ThreadQueue
{
    std::deque<Posted> posted;
    bool quit = false; // PostQuitMessage: WM_QUIT comes once nothing else is posted
    int quitCode = 0;
    uint64_t arrivals = 0;           // counts what was posted and quits, for a waiting GetMessageW
    std::condition_variable arrived; // for a thread other than the window thread waiting in GetMessage
    // The payload of the last message taken with PM_REMOVE, which its lParam points into.
    std::shared_ptr<std::vector<uint8_t>> taken;
};

struct Timer
{
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    TIMERPROC proc = nullptr;
    int qtTimer = 0;
    uint64_t due = 0; // 0, or the order in which it fell due: its WM_TIMER waits to be taken
};

class Dispatcher : public QObject
{
public:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
};

using TimerKey = std::pair<uintptr_t, UINT_PTR>;

// Everything here is guarded by `lock`, which is never held while a procedure runs.
struct Messages
{
    std::mutex lock;
    std::map<DWORD, std::shared_ptr<ThreadQueue>> queues; // by thread id
    uint64_t nextSerial = 1;

    // The window thread: its Qt dispatcher, and the turns posted to it that have not run yet.
    std::unique_ptr<Dispatcher> dispatcher;
    QThread* guiThread = nullptr;
    DWORD guiThreadId = 0;
    size_t turnsPending = 0;
    QEventLoop* runLoop = nullptr;
    BOOL (*preTranslate)(MSG*) = nullptr;

    // Window timers, all on the window thread.
    std::map<TimerKey, Timer> timers;
    std::map<int, TimerKey> byQtTimer;
    uint64_t nextDue = 1;
    UINT_PTR nextThreadTimer = 0x7000;
};

Messages& State()
{
    static ce::Immortal<Messages> messages;
    return messages.get();
}

thread_local int t_sendDepth = 0;
// While GetMessageW or PeekMessageW on the window thread lets Qt run, turns of that loop level leave the
// queue to it.
thread_local int t_retrievingLevel = -1;

TimerKey KeyOf(HWND hWnd, UINT_PTR id)
{
    return {reinterpret_cast<uintptr_t>(hWnd), id};
}

// The queue of a thread, made when `create` (a thread gets one when it uses the message calls).
std::shared_ptr<ThreadQueue> QueueLocked(Messages& m, DWORD thread, bool create)
{
    auto it = m.queues.find(thread);
    if (it != m.queues.end())
        return it->second;
    if (!create)
        return nullptr;
    return m.queues[thread] = std::make_shared<ThreadQueue>();
}

// A thread's queue goes when the thread ends, so a later thread given the same id starts empty.
struct QueueOfThread
{
    ~QueueOfThread()
    {
        Messages& m = State();
        std::lock_guard lock(m.lock);
        if (GetCurrentThreadId() != m.guiThreadId)
            m.queues.erase(GetCurrentThreadId());
    }
};
thread_local QueueOfThread t_queueOfThread;

std::shared_ptr<ThreadQueue> CurrentQueue()
{
    (void)&t_queueOfThread; // made on first use by the thread, so that it goes at the thread's end
    Messages& m = State();
    std::lock_guard lock(m.lock);
    return QueueLocked(m, GetCurrentThreadId(), true);
}

bool IsGuiQueueLocked(const Messages& m, DWORD thread)
{
    return m.dispatcher && thread == m.guiThreadId;
}

// Posts turns to the window thread's event loop until there is one for each message waiting there.
void EnsureTurnsLocked(Messages& m)
{
    auto it = m.queues.find(m.guiThreadId);
    if (!m.dispatcher || it == m.queues.end())
        return;
    const ThreadQueue& q = *it->second;
    size_t waiting = q.posted.size() + (q.quit ? 1 : 0);
    for (const auto& [key, timer] : m.timers)
        waiting += timer.due != 0;
    for (; m.turnsPending < waiting; ++m.turnsPending)
        QCoreApplication::postEvent(m.dispatcher.get(), new QEvent(kTurnEvent));
}

void EnsureTurns()
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    EnsureTurnsLocked(m);
}

// Adds a message to a thread's queue and wakes the thread.
void EnqueueLocked(Messages& m, ThreadQueue& q, DWORD thread, MSG msg,
                   std::shared_ptr<std::vector<uint8_t>> payload)
{
    q.posted.push_back(Posted{m.nextSerial++, msg, std::move(payload)});
    ++q.arrivals;
    if (IsGuiQueueLocked(m, thread))
        EnsureTurnsLocked(m);
    else
        q.arrived.notify_all();
}

// What a retrieval takes: the window filter (null: any; -1: thread messages only; else the window and
// its descendants) and the message range (0, 0: all).
struct Filter
{
    bool any = true;
    bool threadOnly = false;
    std::set<HWND> windows;
    UINT first = 0;
    UINT last = 0;

    bool Takes(const MSG& msg) const
    {
        if (first != 0 || last != 0)
            if (msg.message < first || msg.message > last)
                return false;
        if (any)
            return true;
        if (threadOnly)
            return msg.hwnd == nullptr;
        return windows.count(msg.hwnd) != 0;
    }
};

void AddDescendants(HWND hWnd, std::set<HWND>& out, int depth = 0)
{
    Window* w = Get(hWnd);
    if (!w || depth > 64)
        return;
    out.insert(hWnd);
    for (HWND child : w->children)
        AddDescendants(child, out, depth + 1);
}

// The filter of a GetMessageW/PeekMessageW call; nullopt (ERROR_INVALID_WINDOW_HANDLE) for a window that
// does not exist.
std::optional<Filter> MakeFilter(HWND hWnd, UINT first, UINT last)
{
    Filter f;
    f.first = first;
    f.last = last;
    if (hWnd == reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))
    {
        f.any = false;
        f.threadOnly = true;
    }
    else if (hWnd)
    {
        if (!Get(hWnd))
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return std::nullopt;
        }
        f.any = false;
        AddDescendants(hWnd, f.windows);
    }
    return f;
}

bool WindowAlive(HWND hWnd)
{
    std::shared_ptr<Window> w = Find(hWnd);
    return w && !w->destroying;
}

// The next message of the queue the filter passes, in the queue's order; removed from it when `remove`.
// On the window thread the timers of the thread count too.
bool Take(ThreadQueue& q, bool gui, const Filter& filter, bool remove, MSG& out,
          std::shared_ptr<std::vector<uint8_t>>* payload = nullptr)
{
    Messages& m = State();
    for (;;)
    {
        std::unique_lock lock(m.lock);
        auto it = std::find_if(q.posted.begin(), q.posted.end(),
                               [&](const Posted& p) { return filter.Takes(p.msg); });
        if (it != q.posted.end())
        {
            Posted found = *it;
            lock.unlock();
            // A window destroyed with messages queued gets none of them (checked outside the lock: the
            // window table has a lock of its own).
            const bool dead = found.msg.hwnd && !WindowAlive(found.msg.hwnd);
            lock.lock();
            if (dead || remove)
            {
                auto again = std::find_if(q.posted.begin(), q.posted.end(),
                                          [&](const Posted& p) { return p.serial == found.serial; });
                if (again != q.posted.end())
                    q.posted.erase(again);
            }
            if (dead)
                continue;
            out = found.msg;
            out.time = GetTickCount();
            if (payload)
                *payload = found.payload;
            if (remove)
                q.taken = found.payload;
            return true;
        }
        if (q.quit && q.posted.empty())
        {
            out = MSG{};
            out.message = WM_QUIT;
            out.wParam = static_cast<WPARAM>(q.quitCode);
            out.time = GetTickCount();
            if (remove)
                q.quit = false;
            return true;
        }
        if (!gui)
            return false;
        Timer* next = nullptr;
        for (auto& [key, timer] : m.timers)
        {
            MSG tick{};
            tick.hwnd = timer.hwnd;
            tick.message = WM_TIMER;
            if (timer.due && filter.Takes(tick) && (!next || timer.due < next->due))
                next = &timer;
        }
        if (!next)
            return false;
        out = MSG{};
        out.hwnd = next->hwnd;
        out.message = WM_TIMER;
        out.wParam = next->id;
        out.lParam = reinterpret_cast<LPARAM>(next->proc);
        out.time = GetTickCount();
        if (remove)
            next->due = 0;
        return true;
    }
}

// Lets the window thread's event loop run for GetMessageW or PeekMessageW while turns of this loop level
// leave the queue alone; afterwards every message still waiting has a turn again.
class Retrieving
{
public:
    Retrieving() : m_saved(std::exchange(t_retrievingLevel, QThread::currentThread()->loopLevel())) {}
    ~Retrieving()
    {
        t_retrievingLevel = m_saved;
        EnsureTurns();
    }
    Retrieving(const Retrieving&) = delete;
    Retrieving& operator=(const Retrieving&) = delete;

private:
    int m_saved;
};

void Deliver(MSG& msg)
{
    Messages& m = State();
    if (msg.message == WM_QUIT)
    {
        if (m.runLoop)
            m.runLoop->exit(static_cast<int>(msg.wParam));
        return;
    }
    // A timer of the thread (no window) calls its procedure.
    if (msg.message != WM_TIMER || msg.hwnd)
        if (m.preTranslate && m.preTranslate(&msg))
            return;
    DispatchMessageW(&msg);
}

// One turn of the window thread's event loop: the next message of its queue is handed out.
void Turn()
{
    Messages& m = State();
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(m.lock);
        if (m.turnsPending > 0)
            --m.turnsPending;
        q = QueueLocked(m, m.guiThreadId, false);
    }
    if (!q || t_retrievingLevel == QThread::currentThread()->loopLevel())
        return;
    MSG msg{};
    std::shared_ptr<std::vector<uint8_t>> payload; // lives while the message is handled
    if (Take(*q, true, Filter{}, true, msg, &payload))
        Deliver(msg);
}

bool Dispatcher::event(QEvent* e)
{
    if (e->type() == kTurnEvent)
    {
        Turn();
        return true;
    }
    return QObject::event(e);
}

// A timer falls due: its WM_TIMER waits in the queue (once, however often it falls due meanwhile).
void ExpireLocked(Messages& m, Timer& t)
{
    if (t.due == 0)
        t.due = m.nextDue++;
    EnsureTurnsLocked(m);
}

void Dispatcher::timerEvent(QTimerEvent* e)
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    auto it = m.byQtTimer.find(e->timerId());
    if (it == m.byQtTimer.end())
        return;
    auto t = m.timers.find(it->second);
    if (t != m.timers.end())
        ExpireLocked(m, t->second);
}

// Stops a timer; the caller holds the lock and is on the window thread.
void RemoveTimerLocked(Messages& m, std::map<TimerKey, Timer>::iterator it)
{
    if (m.dispatcher)
        m.dispatcher->killTimer(it->second.qtTimer);
    m.byQtTimer.erase(it->second.qtTimer);
    m.timers.erase(it);
}

// Retrieval calls with their shared checks: the output, the filter, and the current thread's queue.
struct Retrieval
{
    std::shared_ptr<ThreadQueue> queue;
    bool gui = false;
    Filter filter;
};

std::optional<Retrieval> StartRetrieval(LPMSG lpMsg, HWND hWnd, UINT first, UINT last)
{
    if (!lpMsg)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    std::optional<Filter> filter = MakeFilter(hWnd, first, last);
    if (!filter)
        return std::nullopt;
    return Retrieval{CurrentQueue(), OnGuiThread(), std::move(*filter)};
}

} // namespace

bool OnGuiThread()
{
    Messages& m = State();
    return m.guiThread && QThread::currentThread() == m.guiThread;
}

void InstallDispatcher()
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    if (m.dispatcher)
        return;
    m.guiThread = QThread::currentThread();
    m.guiThreadId = GetCurrentThreadId();
    m.dispatcher = std::make_unique<Dispatcher>();
    QueueLocked(m, m.guiThreadId, true);
    EnsureTurnsLocked(m); // messages posted to this thread before it had a window system
}

void RemoveDispatcher()
{
    Messages& m = State();
    std::unique_ptr<Dispatcher> dispatcher;
    {
        std::lock_guard lock(m.lock);
        for (auto& [id, key] : m.byQtTimer)
            if (m.dispatcher)
                m.dispatcher->killTimer(id);
        m.timers.clear();
        m.byQtTimer.clear();
        // What was waiting for the window thread goes with its event loop.
        if (auto q = QueueLocked(m, m.guiThreadId, false))
        {
            q->posted.clear();
            q->quit = false;
        }
        m.turnsPending = 0;
        dispatcher = std::move(m.dispatcher);
        m.guiThread = nullptr;
        m.guiThreadId = 0;
    }
}

void ReportProcedureException(HWND hWnd, UINT msg) noexcept
{
    try
    {
        throw;
    }
    catch (const std::exception& ex)
    {
        std::fprintf(stderr, "window procedure of %p threw on message 0x%04x: %s\n", static_cast<void*>(hWnd),
                     msg, ex.what());
    }
    catch (...)
    {
        std::fprintf(stderr, "window procedure of %p threw on message 0x%04x\n", static_cast<void*>(hWnd),
                     msg);
    }
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
    catch (...)
    {
        ReportProcedureException(window.hwnd, msg);
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
    Messages& m = State();
    std::lock_guard lock(m.lock);
    if (!m.dispatcher)
        return false;
    MSG posted{};
    posted.hwnd = hWnd;
    posted.message = msg;
    posted.wParam = wParam;
    posted.lParam = payload && !payload->empty() ? reinterpret_cast<LPARAM>(payload->data()) : lParam;
    EnqueueLocked(m, *QueueLocked(m, m.guiThreadId, true), m.guiThreadId, posted, std::move(payload));
    return true;
}

void KillWindowTimers(HWND hWnd)
{
    for (UINT_PTR id : WindowTimers(hWnd))
        KillTimer(hWnd, id);
}

size_t TimerCount()
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    return m.timers.size();
}

std::vector<UINT_PTR> WindowTimers(HWND hWnd)
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    std::vector<UINT_PTR> ids;
    for (auto& [key, t] : m.timers)
        if (key.first == reinterpret_cast<uintptr_t>(hWnd))
            ids.push_back(key.second);
    return ids;
}

BOOL FireTimer(HWND hWnd, UINT_PTR nIDEvent)
{
    if (!OnGuiThread())
        return FALSE;
    Messages& m = State();
    std::lock_guard lock(m.lock);
    auto it = m.timers.find(KeyOf(hWnd, nIDEvent));
    if (it == m.timers.end())
        return FALSE;
    ExpireLocked(m, it->second);
    return TRUE;
}

void SetPreTranslateHook(BOOL (*hook)(MSG*))
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    m.preTranslate = hook;
}

BOOL PreTranslateKey(HWND hWnd, UINT msg, const QKeyEvent* e)
{
    BOOL (*hook)(MSG*) = State().preTranslate;
    if (!hook)
        return FALSE;
    MSG m{};
    m.hwnd = hWnd;
    m.message = msg;
    m.wParam = VirtualKey(e);
    m.lParam = KeyLParam(e, msg == WM_KEYUP);
    m.time = GetTickCount();
    return hook(&m);
}

int RunMessageLoop()
{
    if (!EnsureApplication())
        return -1;
    Messages& m = State();
    QEventLoop loop;
    QEventLoop* outer = std::exchange(m.runLoop, &loop);
    int code = loop.exec();
    m.runLoop = outer;
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
            State().dispatcher.get(), [&] { result = Send(hWnd, Msg, wParam, lParam); },
            Qt::BlockingQueuedConnection);
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

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    std::optional<Retrieval> r = StartRetrieval(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax);
    if (!r)
        return FALSE;
    MSG msg{};
    bool found = false;
    if (r->gui)
    {
        // What is due arrives first: input, paints, other processes' messages, timers.
        Retrieving retrieving;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        found = Take(*r->queue, true, r->filter, (wRemoveMsg & PM_REMOVE) != 0, msg);
    }
    else
    {
        found = Take(*r->queue, false, r->filter, (wRemoveMsg & PM_REMOVE) != 0, msg);
    }
    if (!found)
        return FALSE;
    *lpMsg = msg;
    return TRUE;
}

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    std::optional<Retrieval> r = StartRetrieval(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax);
    if (!r)
        return -1;
    MSG msg{};
    if (r->gui)
    {
        Retrieving retrieving;
        while (!Take(*r->queue, true, r->filter, true, msg))
        {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    else
    {
        Messages& m = State();
        for (;;)
        {
            uint64_t seen;
            {
                std::lock_guard lock(m.lock);
                seen = r->queue->arrivals;
            }
            if (Take(*r->queue, false, r->filter, true, msg))
                break;
            // Anything that arrives may be what the filter takes: look again after each arrival.
            std::unique_lock lock(m.lock);
            r->queue->arrived.wait(lock, [&] { return r->queue->arrivals != seen; });
        }
    }
    *lpMsg = msg;
    return msg.message == WM_QUIT ? FALSE : TRUE;
}

void PostQuitMessage(int nExitCode)
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    const DWORD self = GetCurrentThreadId();
    std::shared_ptr<ThreadQueue> q = QueueLocked(m, self, true);
    q->quit = true;
    q->quitCode = nExitCode;
    ++q->arrivals;
    if (IsGuiQueueLocked(m, self))
        EnsureTurnsLocked(m);
    else
        q->arrived.notify_all();
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Messages& m = State();
    std::lock_guard lock(m.lock);
    // The calling thread gets a queue by using it; another thread must have one already.
    std::shared_ptr<ThreadQueue> q = QueueLocked(m, idThread, idThread == GetCurrentThreadId());
    if (!q)
    {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    MSG msg{};
    msg.message = Msg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    EnqueueLocked(m, *q, idThread, msg, nullptr);
    return TRUE;
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
    Messages& m = State();
    std::lock_guard lock(m.lock);
    if (!hWnd)
        nIDEvent = ++m.nextThreadTimer;
    // Setting an existing timer again restarts it with the new period; a WM_TIMER it had waiting goes.
    const TimerKey key = KeyOf(hWnd, nIDEvent);
    if (auto it = m.timers.find(key); it != m.timers.end())
        RemoveTimerLocked(m, it);
    // As on Windows, periods below 10 ms run at 10 ms; the period is in the handheld's time, which may
    // run faster than real time (kernel/time_scale.h).
    uElapse = ce::ScaledPeriodMs(std::max<UINT>(uElapse, 10));
    Timer t;
    t.hwnd = hWnd;
    t.id = nIDEvent;
    t.proc = lpTimerFunc;
    t.qtTimer =
        m.dispatcher->startTimer(static_cast<int>(std::min<UINT>(uElapse, 0x7FFFFFFF)), Qt::PreciseTimer);
    if (!t.qtTimer)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    m.byQtTimer[t.qtTimer] = key;
    m.timers[key] = t;
    return nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    if (!OnGuiThread())
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Messages& m = State();
    std::lock_guard lock(m.lock);
    auto it = m.timers.find(KeyOf(hWnd, uIDEvent));
    if (it == m.timers.end())
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A WM_TIMER it had waiting goes with it: no tick arrives after KillTimer.
    RemoveTimerLocked(m, it);
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

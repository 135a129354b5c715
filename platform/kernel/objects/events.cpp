// Events: manual and auto reset, named in the process's namespace so that a driver loaded into the
// process finds the event its client created.
#include "objects.h"

#include <condition_variable>

namespace ce::objects
{
namespace
{

class Event final : public Waitable
{
public:
    static constexpr ObjectType kType = ObjectType::Event;

    Event(bool manualReset, bool initialState)
        : Waitable(kType), m_manual(manualReset), m_signaled(initialState)
    {
    }

    DWORD Wait(DWORD milliseconds) override
    {
        auto deadline = DeadlineAfter(milliseconds);
        std::unique_lock lock(m_lock);
        if (Consume())
            return WAIT_OBJECT_0;
        if (milliseconds == 0)
            return WAIT_TIMEOUT;
        ++m_waiters;
        const uint64_t pulses = m_pulses;
        for (;;)
        {
            bool timedOut = false;
            if (deadline)
                timedOut = m_cv.wait_until(lock, *deadline) == std::cv_status::timeout;
            else
                m_cv.wait(lock);
            // A signal that arrived together with the time-out still counts.
            if (Consume() || ReleasedByPulse(pulses))
                break;
            if (timedOut)
            {
                --m_waiters;
                if (m_released > m_waiters)
                    m_released = m_waiters;
                return WAIT_TIMEOUT;
            }
        }
        --m_waiters;
        return WAIT_OBJECT_0;
    }

    void Set()
    {
        std::lock_guard lock(m_lock);
        m_signaled = true;
        m_cv.notify_all();
    }

    void Reset()
    {
        std::lock_guard lock(m_lock);
        m_signaled = false;
    }

    // Releases the threads waiting now (all of them for a manual-reset event, one for an auto-reset
    // event) and leaves the event not signalled.
    void Pulse()
    {
        std::lock_guard lock(m_lock);
        m_signaled = false;
        if (m_manual && m_waiters > 0)
            ++m_pulses;
        else if (!m_manual && m_waiters > m_released)
            ++m_released;
        else
            return;
        m_cv.notify_all();
    }

private:
    bool Consume()
    {
        if (!m_signaled)
            return false;
        if (!m_manual)
            m_signaled = false;
        return true;
    }

    bool ReleasedByPulse(uint64_t pulsesAtStart)
    {
        if (m_manual)
            return m_pulses != pulsesAtStart;
        if (m_released == 0)
            return false;
        --m_released;
        return true;
    }

    std::mutex m_lock;
    std::condition_variable m_cv;
    const bool m_manual;
    bool m_signaled;
    size_t m_waiters = 0;
    size_t m_released = 0; // auto reset: waiters a pulse let go that have not woken yet
    uint64_t m_pulses = 0; // manual reset: pulses so far
};

std::shared_ptr<Event> FindEvent(HANDLE handle)
{
    std::shared_ptr<Event> event = FindAs<Event>(handle);
    if (!event)
        SetLastError(ERROR_INVALID_HANDLE);
    return event;
}

} // namespace
} // namespace ce::objects

using namespace ce::objects;

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName)
{
    return Boundary<HANDLE>(
        nullptr,
        [&]() -> HANDLE
        {
            std::u16string_view name = View(lpName);
            std::shared_ptr<Waitable> object;
            bool existed = false;
            {
                Namespace& names = Names();
                std::lock_guard lock(names.lock);
                auto it = name.empty() ? names.objects.end() : names.objects.find(std::u16string(name));
                if (it != names.objects.end())
                {
                    // Events and mutexes share one namespace; a name taken by a mutex is no event.
                    if (it->second->type() != ObjectType::Event)
                    {
                        SetLastError(ERROR_INVALID_HANDLE);
                        return nullptr;
                    }
                    object = it->second;
                    existed = true;
                }
                else
                {
                    object = std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE);
                    if (!name.empty())
                    {
                        object->name = name;
                        names.objects.emplace(object->name, object);
                    }
                }
                CountHandleLocked(*object);
            }
            HANDLE handle = InsertCountedHandle(object);
            if (handle)
                SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
            return handle;
        });
}

HANDLE OpenEventW(DWORD, BOOL, LPCWSTR lpName)
{
    return Boundary<HANDLE>(nullptr,
                            [&]() -> HANDLE
                            {
                                if (!lpName)
                                {
                                    SetLastError(ERROR_INVALID_PARAMETER);
                                    return nullptr;
                                }
                                std::shared_ptr<Waitable> object;
                                {
                                    Namespace& names = Names();
                                    std::lock_guard lock(names.lock);
                                    auto it = names.objects.find(std::u16string(View(lpName)));
                                    if (it == names.objects.end())
                                    {
                                        SetLastError(ERROR_FILE_NOT_FOUND);
                                        return nullptr;
                                    }
                                    if (it->second->type() != ObjectType::Event)
                                    {
                                        SetLastError(ERROR_INVALID_HANDLE);
                                        return nullptr;
                                    }
                                    object = it->second;
                                    CountHandleLocked(*object);
                                }
                                return InsertCountedHandle(object);
                            });
}

BOOL EventModify(HANDLE hEvent, DWORD func)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              std::shared_ptr<Event> event = FindEvent(hEvent);
                              if (!event)
                                  return FALSE;
                              switch (func)
                              {
                              case EVENT_SET:
                                  event->Set();
                                  return TRUE;
                              case EVENT_RESET:
                                  event->Reset();
                                  return TRUE;
                              case EVENT_PULSE:
                                  event->Pulse();
                                  return TRUE;
                              default:
                                  SetLastError(ERROR_INVALID_PARAMETER);
                                  return FALSE;
                              }
                          });
}

BOOL SetEvent(HANDLE hEvent)
{
    return EventModify(hEvent, EVENT_SET);
}

BOOL ResetEvent(HANDLE hEvent)
{
    return EventModify(hEvent, EVENT_RESET);
}

BOOL PulseEvent(HANDLE hEvent)
{
    return EventModify(hEvent, EVENT_PULSE);
}

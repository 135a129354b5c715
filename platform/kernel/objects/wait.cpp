// Waiting and time: WaitForSingleObject on events and mutexes, Sleep and the millisecond tick count.
#include "objects.h"

#include <thread>
#include <time.h>

using namespace ce::objects;

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return Boundary<DWORD>(
        WAIT_FAILED,
        [&]() -> DWORD
        {
            std::shared_ptr<KernelObject> object = Handles().Find(hHandle);
            if (!object || (object->type() != ObjectType::Event && object->type() != ObjectType::Mutex))
            {
                SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
            // The reference keeps the object alive for the wait even if its last handle is closed meanwhile.
            return static_cast<Waitable&>(*object).Wait(dwMilliseconds);
        });
}

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0)
    {
        std::this_thread::yield();
        return;
    }
    if (dwMilliseconds == INFINITE)
    {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

// Milliseconds of the monotonic clock; wraps after 49.7 days as on the handheld.
DWORD GetTickCount()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

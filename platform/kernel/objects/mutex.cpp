// Mutexes. Ownership is per thread and recursive. A named mutex is also known to the other processes of
// the handheld: each process with a handle on it holds a shared flock on its lock file in the runtime
// folder (run/mutex/<hex of the UTF-8 name>), so a creator that finds another holder reports
// ERROR_ALREADY_EXISTS. flocks die with their process, so a crashed holder never keeps the name taken.
// Waiting for and releasing ownership works between the threads of one process.
#include "objects.h"

#include <kernel/handheld.h>
#include <kernel/text.h>
#include <kernel/unique_fd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <sys/file.h>
#include <vector>

namespace ce::objects
{
namespace
{

// The lock file's name: the UTF-8 name in hexadecimal, or for long names two 64-bit hashes and the
// length (prefix 'h', which no hexadecimal name starts with), to stay within the file name limit.
std::string LockFileName(const std::string& utf8)
{
    constexpr const char* digits = ce::text::kHexDigitsLower;
    std::string out;
    if (utf8.size() <= 100)
    {
        for (unsigned char c : utf8)
        {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    }
    uint64_t a = 0xcbf29ce484222325ull;
    uint64_t b = 0x84222325cbf29ce4ull;
    for (unsigned char c : utf8)
    {
        a = (a ^ c) * 0x100000001b3ull;
        b = (b + c) * 0x9E3779B97F4A7C15ull;
        b ^= b >> 29;
    }
    out = "h";
    for (uint64_t v : {a, b, static_cast<uint64_t>(utf8.size())})
        for (int shift = 60; shift >= 0; shift -= 4)
            out += digits[(v >> shift) & 15];
    return out;
}

// Takes this process's share of a named mutex. On success sets existed when another process holds it.
UniqueFd ShareNamedMutex(const std::string& utf8, bool& existed, DWORD& error)
{
    const std::filesystem::path run = RuntimeDir();
    const std::filesystem::path dir = run / "mutex";
    if (run.empty())
    {
        error = ERROR_PATH_NOT_FOUND;
        return UniqueFd();
    }
    if (const int refused = MakeHandheldFolder(dir))
    {
        error = ErrorFromErrno(refused);
        return UniqueFd();
    }
    // Creators take the guard first, so the moment between probing with an exclusive lock and settling
    // for a shared one is never seen by another creator.
    UniqueFd guard = OpenHandheldFile(dir / "guard", O_RDWR | O_CREAT);
    if (!guard || Flock(guard.get(), LOCK_EX) != 0)
    {
        error = ErrorFromErrno(errno);
        return UniqueFd();
    }
    UniqueFd lock = OpenHandheldFile(dir / LockFileName(utf8), O_RDWR | O_CREAT);
    if (!lock)
    {
        error = ErrorFromErrno(errno);
        return UniqueFd();
    }
    if (Flock(lock.get(), LOCK_EX | LOCK_NB) == 0)
        existed = false;
    else if (errno == EWOULDBLOCK)
        existed = true;
    else
    {
        error = ErrorFromErrno(errno);
        return UniqueFd();
    }
    if (Flock(lock.get(), LOCK_SH) != 0)
    {
        error = ErrorFromErrno(errno);
        return UniqueFd();
    }
    return lock;
}

class Mutex;

// The mutexes the current thread owns; when the thread ends they are abandoned, so that a waiter gets
// WAIT_ABANDONED instead of waiting for ever.
struct OwnedMutexes
{
    std::vector<std::weak_ptr<Mutex>> list;
    ~OwnedMutexes();
};
thread_local OwnedMutexes t_owned;

class Mutex final : public Waitable, public std::enable_shared_from_this<Mutex>
{
public:
    static constexpr ObjectType kType = ObjectType::Mutex;

    Mutex() : Waitable(kType) {}

    DWORD Wait(DWORD milliseconds) override
    {
        const DWORD self = GetCurrentThreadId();
        auto deadline = DeadlineAfter(milliseconds);
        std::unique_lock lock(m_lock);
        if (m_owner == self)
        {
            if (m_count == UINT32_MAX)
            {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return WAIT_FAILED;
            }
            ++m_count;
            return WAIT_OBJECT_0;
        }
        auto free = [&] { return m_owner == 0; };
        if (!deadline)
            m_cv.wait(lock, free);
        else if (!m_cv.wait_until(lock, *deadline, free))
            return WAIT_TIMEOUT;
        Own(self);
        if (m_abandoned)
        {
            m_abandoned = false;
            return WAIT_ABANDONED;
        }
        return WAIT_OBJECT_0;
    }

    void TakeInitialOwnership()
    {
        std::lock_guard lock(m_lock);
        Own(GetCurrentThreadId());
    }

    bool Release()
    {
        std::lock_guard lock(m_lock);
        if (m_owner != GetCurrentThreadId())
            return false;
        if (--m_count == 0)
        {
            m_owner = 0;
            Forget();
            m_cv.notify_all();
        }
        return true;
    }

    // The owning thread ended without releasing.
    void Abandon(DWORD thread)
    {
        std::lock_guard lock(m_lock);
        if (m_owner != thread)
            return;
        m_owner = 0;
        m_count = 0;
        m_abandoned = true;
        m_cv.notify_all();
    }

    void OnLastHandleClosed() override { lockFile.reset(); }

    // This process's share of a named mutex (guarded by the namespace lock).
    UniqueFd lockFile;

private:
    void Own(DWORD self)
    {
        m_owner = self;
        m_count = 1;
        t_owned.list.push_back(weak_from_this());
    }

    void Forget()
    {
        auto& list = t_owned.list;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [this](const std::weak_ptr<Mutex>& w)
                                  {
                                      auto m = w.lock();
                                      return !m || m.get() == this;
                                  }),
                   list.end());
    }

    std::mutex m_lock;
    std::condition_variable m_cv;
    DWORD m_owner = 0;
    uint32_t m_count = 0;
    bool m_abandoned = false;
};

OwnedMutexes::~OwnedMutexes()
{
    const DWORD self = GetCurrentThreadId();
    std::vector<std::weak_ptr<Mutex>> owned = std::move(list);
    for (auto& weak : owned)
        if (auto mutex = weak.lock())
            mutex->Abandon(self);
}

} // namespace
} // namespace ce::objects

using namespace ce::objects;

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName)
{
    return Boundary<HANDLE>(nullptr,
                            [&]() -> HANDLE
                            {
                                std::u16string_view name = View(lpName);
                                std::shared_ptr<Mutex> mutex;
                                bool existed = false;
                                {
                                    Namespace& names = Names();
                                    std::lock_guard lock(names.lock);
                                    auto it = name.empty() ? names.objects.end()
                                                           : names.objects.find(std::u16string(name));
                                    if (it != names.objects.end())
                                    {
                                        // Events and mutexes share one namespace; a name taken by an event is
                                        // no mutex.
                                        if (it->second->type() != ObjectType::Mutex)
                                        {
                                            SetLastError(ERROR_INVALID_HANDLE);
                                            return nullptr;
                                        }
                                        mutex = std::static_pointer_cast<Mutex>(it->second);
                                        existed = true;
                                    }
                                    else
                                    {
                                        mutex = std::make_shared<Mutex>();
                                        if (!name.empty())
                                        {
                                            std::optional<std::string> utf8 = ToUtf8Strict(name);
                                            if (!utf8)
                                            {
                                                SetLastError(ERROR_INVALID_NAME);
                                                return nullptr;
                                            }
                                            DWORD error = ERROR_SUCCESS;
                                            mutex->lockFile = ShareNamedMutex(*utf8, existed, error);
                                            if (!mutex->lockFile)
                                            {
                                                SetLastError(error);
                                                return nullptr;
                                            }
                                            mutex->name = name;
                                            names.objects.emplace(mutex->name, mutex);
                                        }
                                        // As on Windows, a creator that finds the mutex existing does not
                                        // become its owner.
                                        if (bInitialOwner && !existed)
                                            mutex->TakeInitialOwnership();
                                    }
                                    CountHandleLocked(*mutex);
                                }
                                HANDLE handle = InsertCountedHandle(mutex);
                                if (handle)
                                    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
                                return handle;
                            });
}

BOOL ReleaseMutex(HANDLE hMutex)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              std::shared_ptr<Mutex> mutex = FindAs<Mutex>(hMutex);
                              if (!mutex)
                              {
                                  SetLastError(ERROR_INVALID_HANDLE);
                                  return FALSE;
                              }
                              if (!mutex->Release())
                              {
                                  SetLastError(ERROR_NOT_OWNER);
                                  return FALSE;
                              }
                              return TRUE;
                          });
}

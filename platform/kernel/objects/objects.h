// Kernel objects of the handheld: the process's handle table, the object types behind HANDLE values and
// small helpers shared by the object implementations (UTF-16 names, error boundaries).
//
// A HANDLE is a small integer (a multiple of 4 below 2^31, never 0), so it fits the 32-bit handle fields
// of driver records. Every handle refers to a reference-counted object; an object lives while a handle
// or a call in progress refers to it. Objects are never destroyed under the table lock, so a destructor
// may call back into the kernel (a device handle closing calls its driver).
#pragma once

#include <kernel/immortal.h>
#include <kernel/text.h>
#include <kernel/utf8.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace ce::objects
{

enum class ObjectType
{
    Event,
    Mutex,
    Module,
    DeviceRegistration,
    DeviceFile,
    File,
};

class KernelObject
{
public:
    explicit KernelObject(ObjectType type) : m_type(type) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    ObjectType type() const { return m_type; }

private:
    ObjectType m_type;
};

// Objects a thread can wait on (events and mutexes). Wait returns WAIT_OBJECT_0 or WAIT_TIMEOUT.
class Waitable : public KernelObject
{
public:
    using KernelObject::KernelObject;
    virtual DWORD Wait(DWORD milliseconds) = 0;

    // Name in the process's object namespace ("" when unnamed) and the number of handles open on
    // it; both guarded by the lock of Namespace below.
    std::u16string name;
    size_t handleCount = 0;

    // Runs under the namespace lock when the last handle closes (a named mutex lets go of its lock file).
    virtual void OnLastHandleClosed() {}
};

// The objects ReadFile, WriteFile, SetFilePointer, GetFileSize and DeviceIoControl work on: files of the
// host (ObjectType::File) and open stream devices (ObjectType::DeviceFile). Every member that fails sets
// the last error.
class FileObject : public KernelObject
{
public:
    using KernelObject::KernelObject;

    // Moves up to `count` bytes; `done` is how many moved, also when the call fails part of the way.
    virtual bool Read(void* buffer, DWORD count, DWORD& done) = 0;
    virtual bool Write(const void* buffer, DWORD count, DWORD& done) = 0;
    // Moves the position (distance has its high half in *high when high is given, which then receives
    // the new position's high half). The new position's low half, or nullopt.
    virtual std::optional<DWORD> Seek(LONG distance, PLONG high, DWORD method) = 0;
    // Files that have a size (devices have none: ERROR_INVALID_FUNCTION).
    virtual std::optional<uint64_t> Size();
    // Device control codes (files take none: ERROR_INVALID_FUNCTION).
    virtual BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                           LPDWORD bytesReturned);
};

// The file object behind a handle; null when the handle is unknown or is no file.
std::shared_ptr<FileObject> FindFileObject(HANDLE handle);

// The process's namespace of named events and mutexes, shared by the drivers loaded into the process.
struct Namespace
{
    std::mutex lock;
    std::unordered_map<std::u16string, std::shared_ptr<Waitable>> objects;
};
Namespace& Names();

// Counts one more handle of the object (the namespace lock is held by the caller).
inline void CountHandleLocked(Waitable& object)
{
    ++object.handleCount;
}
// Counts one handle less; the last one takes the name out of the namespace. Takes the namespace lock.
void UncountHandle(Waitable& object);
// Adds a handle for an object whose handle was already counted; undoes the count when the table is full.
HANDLE InsertCountedHandle(const std::shared_ptr<Waitable>& object);

// The process's handle table.
class HandleTable
{
public:
    // Adds a handle to the object. Returns 0 when the table is full.
    uint32_t Insert(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> Find(HANDLE handle);
    // Removes the handle if its object is of a type that CloseHandle may close; the caller drops the
    // returned reference outside the table lock.
    std::shared_ptr<KernelObject> TakeClosable(HANDLE handle);
    // Removes a handle of exactly this type (modules, device registrations).
    std::shared_ptr<KernelObject> Take(HANDLE handle, ObjectType type);
    size_t Count();

private:
    std::mutex m_lock;
    std::unordered_map<uint32_t, std::shared_ptr<KernelObject>> m_objects;
    uint32_t m_next = kFirstHandle;

    static constexpr uint32_t kFirstHandle = 0x40;
    static constexpr uint32_t kLastHandle = 0x7FFFFFFC;
    static constexpr size_t kMaxHandles = 1u << 20;
};

HandleTable& Handles();

// Looks a handle up as an object of type T (T::kType); null when the handle is unknown or of another type.
template <class T> std::shared_ptr<T> FindAs(HANDLE handle)
{
    std::shared_ptr<KernelObject> object = Handles().Find(handle);
    if (!object || object->type() != T::kType)
        return nullptr;
    return std::static_pointer_cast<T>(object);
}

// Adds a handle to a new object: the HANDLE, or null with ERROR_NOT_ENOUGH_MEMORY.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

inline HANDLE ToHandle(uint32_t value)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// The table key of a HANDLE; 0 for values that cannot be handles of this table.
inline uint32_t HandleKey(HANDLE handle)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    return value <= 0xFFFFFFFFu ? static_cast<uint32_t>(value) : 0;
}

// Runs an API body; an exception (out of memory inside the standard library) becomes the failure result
// with a Windows error instead of crossing the API boundary.
template <class R, class F> R Boundary(R failure, F&& body) noexcept
{
    try
    {
        return body();
    }
    catch (const std::bad_alloc&)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    catch (...)
    {
        SetLastError(ERROR_GEN_FAILURE);
    }
    return failure;
}

// Process-wide tables are never destroyed: drivers' threads may still use the kernel while the process
// exits.
using ce::Immortal;

// Wide strings.
inline std::u16string_view View(LPCWSTR text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

// Host names and paths: UTF-16 to UTF-8 (nullopt for an unpaired surrogate) and back.
using ce::text::FromUtf8;
using ce::text::ToUtf8Strict;

inline char16_t AsciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
// Names of files and devices compare case-insensitively.
using ce::text::EqualsNoCase;

// The Windows error number for a host errno value.
DWORD ErrorFromErrno(int error);

// A deadline for a wait of this many milliseconds; nullopt for INFINITE.
inline std::optional<std::chrono::steady_clock::time_point> DeadlineAfter(DWORD milliseconds)
{
    if (milliseconds == INFINITE)
        return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

} // namespace ce::objects

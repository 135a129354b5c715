// The handle table, the object namespace and CloseHandle.
#include "objects.h"

#include <kernel/object_counts.h>

#include <cerrno>

namespace ce::objects
{

uint32_t HandleTable::Insert(std::shared_ptr<KernelObject> object)
{
    std::lock_guard lock(m_lock);
    if (m_objects.size() >= kMaxHandles)
        return 0;
    // Values are handed out in rising order and only reused after wrapping around, so a stale handle
    // rarely names a newer object.
    for (;;)
    {
        uint32_t value = m_next;
        m_next = (m_next >= kLastHandle) ? kFirstHandle : m_next + 4;
        if (m_objects.find(value) == m_objects.end())
        {
            m_objects.emplace(value, std::move(object));
            return value;
        }
    }
}

std::shared_ptr<KernelObject> HandleTable::Find(HANDLE handle)
{
    uint32_t key = HandleKey(handle);
    std::lock_guard lock(m_lock);
    auto it = m_objects.find(key);
    return it == m_objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> HandleTable::TakeClosable(HANDLE handle)
{
    uint32_t key = HandleKey(handle);
    std::lock_guard lock(m_lock);
    auto it = m_objects.find(key);
    // Modules are released with FreeLibrary and device registrations with DeregisterDevice.
    if (it == m_objects.end() || it->second->type() == ObjectType::Module ||
        it->second->type() == ObjectType::DeviceRegistration)
        return nullptr;
    std::shared_ptr<KernelObject> object = std::move(it->second);
    m_objects.erase(it);
    return object;
}

std::shared_ptr<KernelObject> HandleTable::Take(HANDLE handle, ObjectType type)
{
    uint32_t key = HandleKey(handle);
    std::lock_guard lock(m_lock);
    auto it = m_objects.find(key);
    if (it == m_objects.end() || it->second->type() != type)
        return nullptr;
    std::shared_ptr<KernelObject> object = std::move(it->second);
    m_objects.erase(it);
    return object;
}

size_t HandleTable::Count()
{
    std::lock_guard lock(m_lock);
    return m_objects.size();
}

HandleTable& Handles()
{
    static Immortal<HandleTable> table;
    return table.get();
}

HANDLE InsertHandle(std::shared_ptr<KernelObject> object)
{
    uint32_t value = Handles().Insert(std::move(object));
    if (value == 0)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return ToHandle(value);
}

Namespace& Names()
{
    static Immortal<Namespace> names;
    return names.get();
}

void UncountHandle(Waitable& object)
{
    Namespace& names = Names();
    std::shared_ptr<Waitable> keep; // dropped after the lock
    std::lock_guard lock(names.lock);
    if (object.handleCount == 0 || --object.handleCount != 0)
        return;
    if (!object.name.empty())
    {
        auto it = names.objects.find(object.name);
        if (it != names.objects.end() && it->second.get() == &object)
        {
            keep = std::move(it->second);
            names.objects.erase(it);
        }
    }
    object.OnLastHandleClosed();
}

HANDLE InsertCountedHandle(const std::shared_ptr<Waitable>& object)
{
    HANDLE handle = InsertHandle(object);
    if (!handle)
        UncountHandle(*object);
    return handle;
}

DWORD ErrorFromErrno(int error)
{
    switch (error)
    {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EBUSY:
        return ERROR_BUSY;
    case EIO:
        return ERROR_GEN_FAILURE;
    default:
        return ERROR_GEN_FAILURE;
    }
}

} // namespace ce::objects

using namespace ce::objects;

BOOL CloseHandle(HANDLE hObject)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              std::shared_ptr<KernelObject> object = Handles().TakeClosable(hObject);
                              if (!object)
                              {
                                  SetLastError(ERROR_INVALID_HANDLE);
                                  return FALSE;
                              }
                              if (object->type() == ObjectType::Event || object->type() == ObjectType::Mutex)
                                  UncountHandle(static_cast<Waitable&>(*object));
                              // Dropping the reference may run the object's clean-up (a file's descriptor, a
                              // driver's Close).
                              object.reset();
                              return TRUE;
                          });
}

namespace ce
{

std::size_t OpenHandleCount()
{
    return objects::Handles().Count();
}

} // namespace ce

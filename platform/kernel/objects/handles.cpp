// The handle table, the object namespace and CloseHandle.
#include "objects.h"

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

std::optional<std::string> ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF)
        {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        else if (c >= 0xDC00 && c <= 0xDFFF)
        {
            return std::nullopt;
        }
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size())
    {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (lead < 0x80)
        {
            c = lead;
        }
        else if ((lead & 0xE0) == 0xC0)
        {
            extra = 1, c = lead & 0x1F, minimum = 0x80;
        }
        else if ((lead & 0xF0) == 0xE0)
        {
            extra = 2, c = lead & 0x0F, minimum = 0x800;
        }
        else if ((lead & 0xF8) == 0xF0)
        {
            extra = 3, c = lead & 0x07, minimum = 0x10000;
        }
        else
        {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= extra; ++j)
        {
            if (i + j >= text.size() || (static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80)
                break;
            c = (c << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3F);
        }
        if (j <= extra || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        {
            out += u'\uFFFD';
            i += j;
            continue;
        }
        i += j;
        if (c >= 0x10000)
        {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
        else
        {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
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

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
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

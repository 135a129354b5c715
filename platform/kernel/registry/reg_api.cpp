// The registry calls of the handheld: key handles, access masks and the Windows error numbers, on top of
// the SQLite database of registry_db.cpp.
//
// A key handle is a small number naming (key id, access mask) in this process's table. Handles keep
// naming their key by id, so a key deleted by anyone makes later calls through the handle fail with
// ERROR_KEY_DELETED, even if a key of the same name was created since. All calls are serialised by one
// process-wide lock and each runs as one transaction; none throws.
#include <kernel/handheld.h>
#include <kernel/immortal.h>
#include <kernel/object_counts.h>
#include <kernel/regfile.h>
#include <kernel/registry.h>

#include "registry_db.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>
#include <unordered_map>

namespace fs = std::filesystem;
using ce::registry::DbError;
using ce::registry::KeyId;
using ce::registry::RegistryDb;

namespace
{

// Longest key name component and value name, in characters, as on Windows.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// Handles are multiples of 4 from here up, well below the predefined roots (0x80000000 and up).
constexpr std::uintptr_t kFirstHandle = 0x4000;
constexpr std::uintptr_t kLastHandle = 0x7FFFFFFC;

struct KeyHandle
{
    KeyId key = 0;
    REGSAM access = 0;
};

void CloseRegistry();

// The process's registry: its database connection and its key handles, guarded by one lock.
struct Registry
{
    Registry() { ce::AddHandheldResetHook(&CloseRegistry); }

    std::recursive_mutex mutex;
    std::unique_ptr<RegistryDb> db;
    RegistryDb* settingUp = nullptr; // the database while its factory image is being imported
    pid_t dbPid = 0;
    int depth = 0; // transaction nesting of the thread holding the mutex
    std::unordered_map<std::uintptr_t, KeyHandle> handles;
    std::uintptr_t nextHandle = kFirstHandle;
    std::string openFailure; // why the last attempt to open the database failed
};

Registry& TheRegistry()
{
    static ce::Immortal<Registry> registry;
    return registry.get();
}

bool IsRoot(HKEY key)
{
    return RegistryDb::RootId(key) != 0;
}

// Imports the factory image into a registry being created; called inside its set-up transaction.
LONG ImportFactory(RegistryDb& db)
{
    Registry& registry = TheRegistry();
    const fs::path image = ce::FactoryRegistryImage();
    std::error_code ec;
    if (!fs::exists(image, ec))
        return ERROR_SUCCESS;
    // Registry calls made by the import run inside the set-up transaction of `db`.
    struct SettingUp
    {
        explicit SettingUp(RegistryDb& db)
        {
            TheRegistry().settingUp = &db;
            TheRegistry().depth = 1;
        }
        ~SettingUp()
        {
            TheRegistry().settingUp = nullptr;
            TheRegistry().depth = 0;
        }
    } settingUp(db);
    ce::RegFileError error;
    const LONG rc = ce::ImportRegFile(image, error);
    if (rc != ERROR_SUCCESS)
        registry.openFailure =
            "the factory image " + image.string() + " cannot be imported: " + error.ToString();
    return rc;
}

void CloseRegistry()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.db.reset();
    registry.handles.clear();
    registry.nextHandle = kFirstHandle;
    registry.openFailure.clear();
}

// At exit the connection is closed, so that SQLite folds its log into the database file and the handheld
// holds that file alone. A registry call made later (by a destructor) opens it again. A thread that is in
// the middle of a call keeps it open rather than make the exit wait.
void CloseDatabaseAtExit()
{
    Registry& registry = TheRegistry();
    std::unique_lock lock(registry.mutex, std::try_to_lock);
    if (lock && registry.db && registry.dbPid == ::getpid() && registry.depth == 0)
        registry.db.reset();
}

// The open database, opened (and on the handheld's first use created) on the first call.
RegistryDb& Database()
{
    Registry& registry = TheRegistry();
    if (registry.settingUp)
        return *registry.settingUp;
    if (registry.db && registry.dbPid != ::getpid())
    {
        // A forked child must not use its parent's SQLite connection, nor close it: leave it behind.
        (void)registry.db.release();
    }
    if (!registry.db)
    {
        try
        {
            registry.openFailure.clear();
            registry.db = RegistryDb::Open(ce::HandheldDir(), &ImportFactory);
        }
        catch (const DbError& e)
        {
            registry.openFailure = e.what();
            throw;
        }
        if (!registry.db)
            throw DbError(SQLITE_NOTADB, registry.openFailure); // ERROR_BADDB
        registry.dbPid = ::getpid();
        static const bool s_closeAtExit = std::atexit(&CloseDatabaseAtExit) == 0;
        (void)s_closeAtExit;
    }
    return *registry.db;
}

// Runs body(db) as one transaction, or as a savepoint inside the transaction already running on this
// thread. The body's changes stay only when it returns ERROR_SUCCESS. With a key (not 0) the body runs
// only while that key exists, else the result is ERROR_KEY_DELETED; a transaction of its own asks that
// with the statement that takes its snapshot.
template <class Body> LONG Transact(bool write, KeyId key, Body&& body)
{
    Registry& registry = TheRegistry();
    RegistryDb& db = Database();
    if (registry.depth > 0)
    {
        db.Savepoint();
        ++registry.depth;
        LONG rc;
        try
        {
            rc = key == 0 || db.KeyExists(key) ? body(db) : ERROR_KEY_DELETED;
        }
        catch (...)
        {
            --registry.depth;
            db.RollbackToSavepoint();
            throw;
        }
        --registry.depth;
        if (rc == ERROR_SUCCESS)
            db.Release();
        else
            db.RollbackToSavepoint();
        return rc;
    }

    bool exists = true;
    if (key == 0)
        db.Begin(write);
    else
        exists = db.BeginOnKey(write, key);
    registry.depth = 1;
    LONG rc;
    try
    {
        rc = exists ? body(db) : ERROR_KEY_DELETED;
        registry.depth = 0;
        if (rc == ERROR_SUCCESS)
            db.Commit();
        else
            db.Rollback();
    }
    catch (...)
    {
        registry.depth = 0;
        db.Rollback();
        throw;
    }
    return rc;
}

// Runs body(db) as one transaction on an open key: ERROR_KEY_DELETED when the key was deleted after its
// handle was opened.
template <class Body> LONG TransactOnKey(bool write, KeyId key, Body&& body)
{
    return Transact(write, key, std::forward<Body>(body));
}

// Runs one registry call under the process lock and turns every failure into a Windows error number.
template <class F> LONG Call(F&& f) noexcept
{
    try
    {
        std::lock_guard lock(TheRegistry().mutex);
        return f();
    }
    catch (const DbError& e)
    {
        return e.winerror();
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    catch (...)
    {
        return ERROR_GEN_FAILURE;
    }
}

std::optional<KeyHandle> Resolve(HKEY key)
{
    if (const KeyId root = RegistryDb::RootId(key))
        return KeyHandle{root, KEY_ALL_ACCESS};
    const auto& handles = TheRegistry().handles;
    const auto it = handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == handles.end())
        return std::nullopt;
    return it->second;
}

HKEY NewHandle(KeyId key, REGSAM access)
{
    Registry& registry = TheRegistry();
    if (registry.handles.size() >= (kLastHandle - kFirstHandle) / 4)
        throw std::bad_alloc();
    auto advance = [&]
    { registry.nextHandle = registry.nextHandle >= kLastHandle ? kFirstHandle : registry.nextHandle + 4; };
    while (registry.handles.count(registry.nextHandle))
        advance();
    const std::uintptr_t value = registry.nextHandle;
    advance();
    registry.handles.emplace(value, KeyHandle{key, access});
    return reinterpret_cast<HKEY>(value);
}

std::u16string_view View(LPCWSTR text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

// Splits "a\b\c" into its names. Leading and trailing '\' are tolerated; an empty name in the middle
// or a name longer than 255 characters is invalid.
LONG SplitSubKey(LPCWSTR subKey, std::vector<std::u16string_view>& parts)
{
    std::u16string_view path = View(subKey);
    while (!path.empty() && path.front() == u'\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    while (!path.empty())
    {
        const std::size_t sep = path.find(u'\\');
        const std::u16string_view part = path.substr(0, sep);
        if (part.empty() || part.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        parts.push_back(part);
        if (sep == std::u16string_view::npos)
            break;
        path.remove_prefix(sep + 1);
    }
    return ERROR_SUCCESS;
}

// Walks `parts` down from `key`; ERROR_FILE_NOT_FOUND when one is missing.
LONG Walk(RegistryDb& db, KeyId key, const std::vector<std::u16string_view>& parts, KeyId& found)
{
    for (std::u16string_view part : parts)
    {
        const auto child = db.FindChild(key, part);
        if (!child)
            return ERROR_FILE_NOT_FOUND;
        key = *child;
    }
    found = key;
    return ERROR_SUCCESS;
}

void ToFileTime(std::uint64_t value, PFILETIME out)
{
    if (out)
    {
        out->dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
        out->dwHighDateTime = static_cast<DWORD>(value >> 32);
    }
}

// Names go into a caller's buffer of *cch characters with their terminator; when one does not fit, the
// call fails with ERROR_MORE_DATA and leaves buffer and count untouched. On success the count becomes
// the length without the terminator.
bool NameFits(const std::u16string& name, const DWORD* cch)
{
    return *cch > name.size();
}

void CopyName(const std::u16string& name, LPWSTR buffer, LPDWORD cch)
{
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = 0;
    *cch = static_cast<DWORD>(name.size());
}

// Key classes are not kept: every key's class is the empty string.
LONG CheckClassBuffer(LPWSTR lpClass, LPDWORD lpcchClass)
{
    if (lpClass && !lpcchClass)
        return ERROR_INVALID_PARAMETER;
    if (lpClass && *lpcchClass < 1)
        return ERROR_MORE_DATA;
    return ERROR_SUCCESS;
}

void WriteEmptyClass(LPWSTR lpClass, LPDWORD lpcchClass)
{
    if (lpClass)
        lpClass[0] = 0;
    if (lpcchClass)
        *lpcchClass = 0;
}

} // namespace

namespace ce
{

LONG RunRegistryTransaction(bool write, const std::function<LONG()>& body)
{
    return Call(
        [&]
        {
            return Transact(write, 0,
                            [&](RegistryDb&) -> LONG
                            {
                                try
                                {
                                    return body();
                                }
                                catch (...)
                                {
                                    return ERROR_GEN_FAILURE;
                                }
                            });
        });
}

LONG OpenRegistry(std::string& message)
{
    const LONG rc = Call(
        []
        {
            Database();
            return ERROR_SUCCESS;
        });
    if (rc != ERROR_SUCCESS)
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        message = registry.openFailure.empty()
                      ? "the registry cannot be opened (error " + std::to_string(rc) + ")"
                      : registry.openFailure;
    }
    return rc;
}

bool RegistryIsReadOnly()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.db && registry.db->ReadOnly();
}

fs::path FactoryRegistryImage()
{
    if (const char* env = std::getenv("QN40_FACTORY_REGISTRY"); env && *env)
        return fs::path(env);
    return ShareDir() / "handheld.reg";
}

std::size_t OpenRegistryKeyCount()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.handles.size();
}

} // namespace ce

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired, PHKEY phkResult)
{
    return Call(
        [&]() -> LONG
        {
            const auto parent = Resolve(hKey);
            if (!parent)
                return ERROR_INVALID_HANDLE;
            if (!phkResult)
                return ERROR_INVALID_PARAMETER;
            std::vector<std::u16string_view> parts;
            if (const LONG rc = SplitSubKey(lpSubKey, parts))
                return rc;
            if (parts.empty() && IsRoot(hKey))
            {
                *phkResult = hKey;
                return ERROR_SUCCESS;
            }
            KeyId found = 0;
            const LONG rc =
                TransactOnKey(false, parent->key,
                              [&](RegistryDb& db) -> LONG { return Walk(db, parent->key, parts, found); });
            if (rc != ERROR_SUCCESS)
                return rc;
            *phkResult = NewHandle(found, samDesired);
            return ERROR_SUCCESS;
        });
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/, DWORD /*dwOptions*/,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                     LPDWORD lpdwDisposition)
{
    return Call(
        [&]() -> LONG
        {
            const auto parent = Resolve(hKey);
            if (!parent)
                return ERROR_INVALID_HANDLE;
            if (!phkResult)
                return ERROR_INVALID_PARAMETER;
            std::vector<std::u16string_view> parts;
            if (const LONG rc = SplitSubKey(lpSubKey, parts))
                return rc;
            if (parts.empty() && IsRoot(hKey))
            {
                *phkResult = hKey;
                if (lpdwDisposition)
                    *lpdwDisposition = REG_OPENED_EXISTING_KEY;
                return ERROR_SUCCESS;
            }
            KeyId key = parent->key;
            bool created = false;
            const LONG rc = TransactOnKey(true, parent->key,
                                          [&](RegistryDb& db) -> LONG
                                          {
                                              for (std::u16string_view part : parts)
                                              {
                                                  if (const auto child = db.FindChild(key, part))
                                                  {
                                                      key = *child;
                                                      continue;
                                                  }
                                                  // Opening existing keys needs no right on the parent
                                                  // handle; creating one does.
                                                  if (!(parent->access & KEY_CREATE_SUB_KEY))
                                                      return ERROR_ACCESS_DENIED;
                                                  key = db.CreateChild(key, part);
                                                  created = true;
                                              }
                                              return ERROR_SUCCESS;
                                          });
            if (rc != ERROR_SUCCESS)
                return rc;
            *phkResult = NewHandle(key, samDesired);
            if (lpdwDisposition)
                *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
            return ERROR_SUCCESS;
        });
}

LONG RegCloseKey(HKEY hKey)
{
    return Call(
        [&]() -> LONG
        {
            if (IsRoot(hKey))
                return ERROR_SUCCESS;
            return TheRegistry().handles.erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS
                                                                                       : ERROR_INVALID_HANDLE;
        });
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD /*lpReserved*/, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (lpData && !lpcbData)
                return ERROR_INVALID_PARAMETER;
            if (!(handle->access & KEY_QUERY_VALUE))
                return ERROR_ACCESS_DENIED;
            std::optional<ce::registry::ValueRecord> value;
            const LONG rc = TransactOnKey(false, handle->key,
                                          [&](RegistryDb& db) -> LONG
                                          {
                                              value = db.GetValue(handle->key, View(lpValueName));
                                              return value ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
                                          });
            if (rc != ERROR_SUCCESS)
                return rc;
            const DWORD size = static_cast<DWORD>(value->data.size());
            if (lpType)
                *lpType = value->type;
            if (lpData && *lpcbData < size)
            {
                *lpcbData = size;
                return ERROR_MORE_DATA;
            }
            if (lpData && size)
                std::memcpy(lpData, value->data.data(), size);
            if (lpcbData)
                *lpcbData = size;
            return ERROR_SUCCESS;
        });
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                    DWORD cbData)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (!(handle->access & KEY_SET_VALUE))
                return ERROR_ACCESS_DENIED;
            if ((!lpData && cbData) || View(lpValueName).size() > kMaxValueNameLength)
                return ERROR_INVALID_PARAMETER;
            const std::span<const BYTE> data(lpData, lpData ? cbData : 0);
            return TransactOnKey(true, handle->key,
                                 [&](RegistryDb& db) -> LONG
                                 {
                                     db.SetValue(handle->key, View(lpValueName), dwType, data);
                                     return ERROR_SUCCESS;
                                 });
        });
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD /*lpReserved*/,
                   LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (!lpName || !lpcchName)
                return ERROR_INVALID_PARAMETER;
            if (!(handle->access & KEY_ENUMERATE_SUB_KEYS))
                return ERROR_ACCESS_DENIED;
            std::u16string name;
            std::uint64_t written = 0;
            const LONG rc = TransactOnKey(false, handle->key,
                                          [&](RegistryDb& db) -> LONG
                                          {
                                              const auto child = db.ChildAt(handle->key, dwIndex);
                                              if (!child)
                                                  return ERROR_NO_MORE_ITEMS;
                                              name = child->second;
                                              written = db.WriteTime(child->first);
                                              return ERROR_SUCCESS;
                                          });
            if (rc != ERROR_SUCCESS)
                return rc;
            if (!NameFits(name, lpcchName))
                return ERROR_MORE_DATA;
            if (const LONG classRc = CheckClassBuffer(lpClass, lpcchClass))
                return classRc;
            CopyName(name, lpName, lpcchName);
            WriteEmptyClass(lpClass, lpcchClass);
            ToFileTime(written, lpftLastWriteTime);
            return ERROR_SUCCESS;
        });
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD /*lpReserved*/, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
                return ERROR_INVALID_PARAMETER;
            if (!(handle->access & KEY_QUERY_VALUE))
                return ERROR_ACCESS_DENIED;
            std::optional<ce::registry::ValueRecord> value;
            const LONG rc = TransactOnKey(false, handle->key,
                                          [&](RegistryDb& db) -> LONG
                                          {
                                              value = db.ValueAt(handle->key, dwIndex);
                                              return value ? ERROR_SUCCESS : ERROR_NO_MORE_ITEMS;
                                          });
            if (rc != ERROR_SUCCESS)
                return rc;
            const DWORD size = static_cast<DWORD>(value->data.size());
            if (!NameFits(value->name, lpcchValueName))
                return ERROR_MORE_DATA;
            if (lpData && *lpcbData < size)
            {
                // As for a query: the size needed and the type, nothing else.
                *lpcbData = size;
                if (lpType)
                    *lpType = value->type;
                return ERROR_MORE_DATA;
            }
            CopyName(value->name, lpValueName, lpcchValueName);
            if (lpType)
                *lpType = value->type;
            if (lpData && size)
                std::memcpy(lpData, value->data.data(), size);
            if (lpcbData)
                *lpcbData = size;
            return ERROR_SUCCESS;
        });
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (!(handle->access & KEY_SET_VALUE))
                return ERROR_ACCESS_DENIED;
            return TransactOnKey(true, handle->key,
                                 [&](RegistryDb& db) -> LONG {
                                     return db.DeleteValue(handle->key, View(lpValueName))
                                                ? ERROR_SUCCESS
                                                : ERROR_FILE_NOT_FOUND;
                                 });
        });
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (!lpSubKey)
                return ERROR_INVALID_PARAMETER;
            std::vector<std::u16string_view> parts;
            if (const LONG rc = SplitSubKey(lpSubKey, parts))
                return rc;
            if (parts.empty() && IsRoot(hKey))
                return ERROR_ACCESS_DENIED; // a root cannot be deleted
            return TransactOnKey(true, handle->key,
                                 [&](RegistryDb& db) -> LONG
                                 {
                                     KeyId target = 0;
                                     if (const LONG rc = Walk(db, handle->key, parts, target))
                                         return rc;
                                     const auto parent = db.ParentOf(target);
                                     if (!parent)
                                         return ERROR_ACCESS_DENIED;
                                     db.DeleteTree(target);
                                     db.Touch(*parent);
                                     return ERROR_SUCCESS;
                                 });
        });
}

LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD /*lpReserved*/,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime)
{
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            if (!(handle->access & KEY_QUERY_VALUE))
                return ERROR_ACCESS_DENIED;
            if (const LONG rc = CheckClassBuffer(lpClass, lpcchClass))
                return rc;
            ce::registry::KeyInfo info;
            const LONG rc = TransactOnKey(false, handle->key,
                                          [&](RegistryDb& db) -> LONG
                                          {
                                              info = db.Info(handle->key);
                                              return ERROR_SUCCESS;
                                          });
            if (rc != ERROR_SUCCESS)
                return rc;
            WriteEmptyClass(lpClass, lpcchClass);
            if (lpcSubKeys)
                *lpcSubKeys = info.subKeys;
            if (lpcbMaxSubKeyLen)
                *lpcbMaxSubKeyLen = info.maxSubKeyLen;
            if (lpcbMaxClassLen)
                *lpcbMaxClassLen = 0;
            if (lpcValues)
                *lpcValues = info.values;
            if (lpcbMaxValueNameLen)
                *lpcbMaxValueNameLen = info.maxValueNameLen;
            if (lpcbMaxValueLen)
                *lpcbMaxValueLen = info.maxValueLen;
            if (lpcbSecurityDescriptor)
                *lpcbSecurityDescriptor = 0;
            ToFileTime(info.written, lpftLastWriteTime);
            return ERROR_SUCCESS;
        });
}

LONG RegFlushKey(HKEY hKey)
{
    // Every write is committed to disk before its call returns; there is nothing left to flush.
    return Call(
        [&]() -> LONG
        {
            const auto handle = Resolve(hKey);
            if (!handle)
                return ERROR_INVALID_HANDLE;
            return TransactOnKey(false, handle->key, [](RegistryDb&) -> LONG { return ERROR_SUCCESS; });
        });
}

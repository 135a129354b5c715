// The device manager: stream drivers registered under a prefix and an index ("PCA4:"), their open
// contexts, and the built-in drivers listed under HKEY_LOCAL_MACHINE\Drivers\BuiltIn, which are loaded
// the first time a process uses the device manager, as the handheld's device manager does at boot.
//
// No lock is held while a driver runs: drivers call back into the kernel (events, the registry, other
// devices) from their entry points and their own threads. Each device counts the calls in progress so
// that DeregisterDevice can let them finish before it closes the open contexts and calls Deinit.
#include "devices.h"

#include <kernel/handheld.h>
#include <kernel/registry.h>
#include <streamdrv.h>

#include <algorithm>
#include <condition_variable>
#include <vector>

namespace ce::objects
{

struct EntryPoints
{
    PFN_STREAM_INIT init = nullptr;
    PFN_STREAM_DEINIT deinit = nullptr;
    PFN_STREAM_OPEN open = nullptr;
    PFN_STREAM_CLOSE close = nullptr;
    PFN_STREAM_IOCONTROL ioControl = nullptr;
    PFN_STREAM_READ read = nullptr;
    PFN_STREAM_WRITE write = nullptr;
    PFN_STREAM_SEEK seek = nullptr;
    PFN_STREAM_POWERUP powerUp = nullptr;
    PFN_STREAM_POWERDOWN powerDown = nullptr;
};

class Device
{
public:
    Device(std::u16string deviceName, HMODULE library, const EntryPoints& entries)
        : name(std::move(deviceName)), module(library), entry(entries)
    {
    }
    ~Device() { FreeLibrary(module); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::u16string name; // "PCA4"
    const HMODULE module;
    const EntryPoints entry;
    DWORD_PTR deviceContext = 0;
    std::u16string builtInKey; // Init's context for a built-in driver

    struct OpenContext
    {
        DWORD_PTR context = 0;
        bool closed = false;
    };

    std::mutex lock;
    std::condition_variable idle;
    bool dead = false;
    size_t calls = 0; // entry-point calls in progress
    uint64_t nextOpen = 1;
    std::unordered_map<uint64_t, OpenContext> opens;
};

namespace
{

// The calls the current thread is making into drivers, a chain from the innermost outwards, so that a
// driver that deregisters its own device from one of its entry points does not wait for itself. Each
// frame lives on the caller's stack; the thread-local head is a plain pointer with no destructor, so a
// device call made at process exit (an atexit handler or a global object's destructor closing a device
// handle, after the thread's thread-local objects are gone) still finds it valid.
struct CallFrame
{
    const Device* device = nullptr;
    const CallFrame* outer = nullptr;
};
thread_local const CallFrame* t_innermost = nullptr;

size_t CallsOfThisThread(const Device& device)
{
    size_t n = 0;
    for (const CallFrame* f = t_innermost; f; f = f->outer)
        n += f->device == &device;
    return n;
}

// One call into a driver, counted on its device. Entering fails once the device is deregistered or the
// open context is closed.
class DriverCall
{
public:
    // A call on the device itself (Open).
    explicit DriverCall(Device& device) : m_device(device)
    {
        std::lock_guard lock(device.lock);
        m_entered = !device.dead;
        if (m_entered)
            Count();
    }

    // A call on one open context; context receives its value.
    DriverCall(Device& device, uint64_t open, DWORD_PTR& context) : m_device(device)
    {
        std::lock_guard lock(device.lock);
        auto it = device.opens.find(open);
        m_entered = !device.dead && it != device.opens.end() && !it->second.closed;
        if (m_entered)
        {
            context = it->second.context;
            Count();
        }
    }

    // A call that is already counted (the caller incremented calls under the device lock).
    struct Counted
    {
    };
    DriverCall(Device& device, Counted) : m_device(device), m_entered(true) { Push(); }

    ~DriverCall()
    {
        if (!m_entered)
            return;
        t_innermost = m_frame.outer;
        std::lock_guard lock(m_device.lock);
        --m_device.calls;
        m_device.idle.notify_all();
    }

    DriverCall(const DriverCall&) = delete;
    DriverCall& operator=(const DriverCall&) = delete;

    bool entered() const { return m_entered; }

private:
    void Count()
    {
        ++m_device.calls;
        Push();
    }
    void Push()
    {
        m_frame = CallFrame{&m_device, t_innermost};
        t_innermost = &m_frame;
    }

    Device& m_device;
    bool m_entered = false;
    CallFrame m_frame;
};

// Runs a driver entry point; an exception escaping the driver counts as a failure.
template <class R, class F> R RunDriver(R failure, F&& call) noexcept
{
    try
    {
        return call();
    }
    catch (...)
    {
        SetLastError(ERROR_GEN_FAILURE);
        return failure;
    }
}

// The last error after a driver reported failure: its own, or the given one when it set none.
void KeepDriverError(DWORD fallback)
{
    if (GetLastError() == ERROR_SUCCESS)
        SetLastError(fallback);
}

// Closes every open context still open and calls Deinit, after the calls of other threads are done.
void ShutDown(Device& device)
{
    std::vector<DWORD_PTR> contexts;
    {
        std::unique_lock lock(device.lock);
        device.dead = true;
        const size_t own = CallsOfThisThread(device);
        device.idle.wait(lock, [&] { return device.calls <= own; });
        for (auto& [id, open] : device.opens)
        {
            if (!open.closed)
            {
                open.closed = true;
                contexts.push_back(open.context);
            }
        }
        ++device.calls;
    }
    DriverCall call(device, DriverCall::Counted{});
    for (DWORD_PTR context : contexts)
        RunDriver<BOOL>(FALSE, [&] { return device.entry.close(context); });
    RunDriver<BOOL>(FALSE, [&] { return device.entry.deinit(device.deviceContext); });
}

class DeviceRegistration final : public KernelObject
{
public:
    static constexpr ObjectType kType = ObjectType::DeviceRegistration;
    explicit DeviceRegistration(std::shared_ptr<Device> registered)
        : KernelObject(kType), device(std::move(registered))
    {
    }
    const std::shared_ptr<Device> device;
};

struct DeviceManager
{
    std::mutex lock;
    std::condition_variable builtInsDone;
    // Device names ("PCA4") to devices; null while the device's Init runs.
    std::unordered_map<std::u16string, std::shared_ptr<Device>> devices;

    enum class BuiltIns
    {
        NotLoaded,
        Loading,
        Loaded,
    } builtIns = BuiltIns::NotLoaded;
    DWORD builtInLoader = 0;
    bool resetHookAdded = false;
    std::vector<HANDLE> builtInRegistrations;
};

DeviceManager& Manager()
{
    static Immortal<DeviceManager> manager;
    return manager.get();
}

bool IsAsciiLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

template <class F> bool Resolve(HMODULE module, const std::string& prefix, const char* name, F& slot)
{
    // Through void (*)(): the generic function pointer type, so the cast states its intent.
    slot =
        reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddressA(module, (prefix + name).c_str())));
    return slot != nullptr;
}

// Registers a driver: loads it, resolves its entry points and runs Init. builtInKey (not empty) makes
// Init's context the key's path instead of info.
HANDLE Register(std::u16string_view prefix, DWORD index, LPCWSTR library, DWORD_PTR info,
                const std::u16string& builtInKey)
{
    if (prefix.size() != 3 || !std::all_of(prefix.begin(), prefix.end(), IsAsciiLetter) || index > 9 ||
        !library || !*library)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::u16string name;
    for (char16_t c : prefix)
        name += AsciiUpper(c);
    name += static_cast<char16_t>(u'0' + index);

    DeviceManager& manager = Manager();
    {
        std::lock_guard lock(manager.lock);
        if (!manager.devices.emplace(name, nullptr).second)
        {
            SetLastError(ERROR_DEVICE_IN_USE);
            return nullptr;
        }
    }
    auto unreserve = [&]
    {
        std::lock_guard lock(manager.lock);
        manager.devices.erase(name);
    };

    HMODULE module = LoadLibraryW(library);
    if (!module)
    {
        DWORD error = GetLastError();
        unreserve();
        SetLastError(error);
        return nullptr;
    }
    std::string symbolPrefix(prefix.begin(), prefix.end());
    symbolPrefix += '_';
    EntryPoints entry;
    bool complete = Resolve(module, symbolPrefix, "Init", entry.init) &&
                    Resolve(module, symbolPrefix, "Deinit", entry.deinit) &&
                    Resolve(module, symbolPrefix, "Open", entry.open) &&
                    Resolve(module, symbolPrefix, "Close", entry.close) &&
                    Resolve(module, symbolPrefix, "IOControl", entry.ioControl);
    if (!complete)
    {
        FreeLibrary(module);
        unreserve();
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    Resolve(module, symbolPrefix, "Read", entry.read);
    Resolve(module, symbolPrefix, "Write", entry.write);
    Resolve(module, symbolPrefix, "Seek", entry.seek);
    Resolve(module, symbolPrefix, "PowerUp", entry.powerUp);
    Resolve(module, symbolPrefix, "PowerDown", entry.powerDown);

    // From here the device owns the module reference.
    auto device = std::make_shared<Device>(name, module, entry);
    DWORD_PTR context = info;
    if (!builtInKey.empty())
    {
        device->builtInKey = builtInKey;
        context = reinterpret_cast<DWORD_PTR>(device->builtInKey.c_str());
    }
    SetLastError(ERROR_SUCCESS);
    device->deviceContext = RunDriver<DWORD_PTR>(0, [&] { return entry.init(context); });
    if (device->deviceContext == 0)
    {
        KeepDriverError(ERROR_OPEN_FAILED);
        DWORD error = GetLastError();
        device.reset();
        unreserve();
        SetLastError(error);
        return nullptr;
    }

    HANDLE handle = InsertHandle(std::make_shared<DeviceRegistration>(device));
    if (!handle)
    {
        RunDriver<BOOL>(FALSE, [&] { return entry.deinit(device->deviceContext); });
        device.reset();
        unreserve();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard lock(manager.lock);
    manager.devices[name] = device;
    return handle;
}

bool Deregister(HANDLE handle)
{
    std::shared_ptr<KernelObject> object = Handles().Take(handle, ObjectType::DeviceRegistration);
    if (!object)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    std::shared_ptr<Device> device = static_cast<DeviceRegistration&>(*object).device;
    DeviceManager& manager = Manager();
    {
        std::lock_guard lock(manager.lock);
        auto it = manager.devices.find(device->name);
        if (it != manager.devices.end() && it->second == device)
            manager.devices.erase(it);
        auto& builtIns = manager.builtInRegistrations;
        builtIns.erase(std::remove(builtIns.begin(), builtIns.end(), handle), builtIns.end());
    }
    ShutDown(*device);
    // The module stays loaded until the last handle on the device is closed.
    return true;
}

// Registry helpers for the built-in list.
std::optional<std::u16string> ReadString(HKEY key, LPCWSTR name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::vector<BYTE> data(size + sizeof(WCHAR));
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::u16string text;
    for (DWORD i = 0; i + 1 < size && i + 1 < data.size(); i += 2)
    {
        char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

std::optional<DWORD> ReadDword(HKEY key, LPCWSTR name)
{
    DWORD type = 0;
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS || type != REG_DWORD ||
        size != sizeof(data))
        return std::nullopt;
    return static_cast<DWORD>(data[0] | (data[1] << 8) | (data[2] << 16) |
                              (static_cast<DWORD>(data[3]) << 24));
}

struct BuiltInDriver
{
    DWORD order = UINT32_MAX; // drivers without an Order come last
    std::u16string key;
    std::u16string dll;
    std::u16string prefix;
    std::optional<DWORD> index;
};

std::vector<BuiltInDriver> ReadBuiltIns()
{
    std::vector<BuiltInDriver> drivers;
    const std::u16string root = u"Drivers\\BuiltIn";
    UniqueHkey builtIn;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, builtIn.receive()) != ERROR_SUCCESS)
        return drivers;
    for (DWORD i = 0;; ++i)
    {
        WCHAR sub[256];
        DWORD length = 256;
        LONG result = RegEnumKeyExW(builtIn.get(), i, sub, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        UniqueHkey key;
        if (RegOpenKeyExW(builtIn.get(), sub, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
            continue;
        BuiltInDriver driver;
        driver.key = root + u"\\" + std::u16string(sub, std::min<DWORD>(length, 255));
        auto dll = ReadString(key.get(), u"Dll");
        auto prefix = ReadString(key.get(), u"Prefix");
        driver.index = ReadDword(key.get(), u"Index");
        driver.order = ReadDword(key.get(), u"Order").value_or(UINT32_MAX);
        if (!dll || !prefix)
            continue;
        driver.dll = *dll;
        driver.prefix = *prefix;
        drivers.push_back(std::move(driver));
    }
    std::stable_sort(drivers.begin(), drivers.end(),
                     [](const BuiltInDriver& a, const BuiltInDriver& b) { return a.order < b.order; });
    return drivers;
}

void LoadBuiltIns()
{
    std::vector<HANDLE> registered;
    for (const BuiltInDriver& driver : ReadBuiltIns())
    {
        HANDLE handle = nullptr;
        if (driver.index)
        {
            handle = Register(driver.prefix, *driver.index, driver.dll.c_str(), 0, driver.key);
        }
        else
        {
            // Without an Index the driver takes the first free one, 1 to 9, then 0.
            for (DWORD index : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 0u})
            {
                handle = Register(driver.prefix, index, driver.dll.c_str(), 0, driver.key);
                if (handle || GetLastError() != ERROR_DEVICE_IN_USE)
                    break;
            }
        }
        if (handle)
            registered.push_back(handle);
    }
    DeviceManager& manager = Manager();
    std::lock_guard lock(manager.lock);
    manager.builtInRegistrations.insert(manager.builtInRegistrations.end(), registered.begin(),
                                        registered.end());
}

// A switch to another handheld unloads the built-in drivers of the old one; the next use loads the new
// handheld's list.
void ResetBuiltIns()
{
    DeviceManager& manager = Manager();
    std::vector<HANDLE> registered;
    {
        std::lock_guard lock(manager.lock);
        registered.swap(manager.builtInRegistrations);
        manager.builtIns = DeviceManager::BuiltIns::NotLoaded;
    }
    for (HANDLE handle : registered)
        Deregister(handle);
}

// Loads the built-in drivers on the first use of the device manager. A built-in driver's Init may itself
// use the device manager; that inner use does not wait for the loading it is part of.
void EnsureBuiltIns()
{
    DeviceManager& manager = Manager();
    const DWORD self = GetCurrentThreadId();
    {
        std::unique_lock lock(manager.lock);
        if (!manager.resetHookAdded)
        {
            manager.resetHookAdded = true;
            AddHandheldResetHook(&ResetBuiltIns);
        }
        if (manager.builtIns == DeviceManager::BuiltIns::Loaded)
            return;
        if (manager.builtIns == DeviceManager::BuiltIns::Loading)
        {
            if (manager.builtInLoader != self)
                manager.builtInsDone.wait(lock, [&]
                                          { return manager.builtIns != DeviceManager::BuiltIns::Loading; });
            return;
        }
        manager.builtIns = DeviceManager::BuiltIns::Loading;
        manager.builtInLoader = self;
    }
    DWORD error = GetLastError();
    try
    {
        LoadBuiltIns();
    }
    catch (...)
    {
        // A driver that cannot be listed is left out, as one that fails its Init is.
    }
    SetLastError(error);
    std::lock_guard lock(manager.lock);
    manager.builtIns = DeviceManager::BuiltIns::Loaded;
    manager.builtInsDone.notify_all();
}

} // namespace

bool IsDeviceName(std::u16string_view name)
{
    return name.size() == 5 && IsAsciiLetter(name[0]) && IsAsciiLetter(name[1]) && IsAsciiLetter(name[2]) &&
           name[3] >= u'0' && name[3] <= u'9' && name[4] == u':';
}

HANDLE OpenDevice(std::u16string_view name, DWORD access, DWORD share)
{
    EnsureBuiltIns();
    std::u16string key;
    for (char16_t c : name.substr(0, 4))
        key += AsciiUpper(c);
    std::shared_ptr<Device> device;
    {
        DeviceManager& manager = Manager();
        std::lock_guard lock(manager.lock);
        auto it = manager.devices.find(key);
        if (it != manager.devices.end())
            device = it->second;
    }
    if (!device)
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    uint64_t id = 0;
    {
        DriverCall call(*device);
        if (!call.entered())
        {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        SetLastError(ERROR_SUCCESS);
        DWORD_PTR context =
            RunDriver<DWORD_PTR>(0, [&] { return device->entry.open(device->deviceContext, access, share); });
        if (context == 0)
        {
            KeepDriverError(ERROR_OPEN_FAILED);
            return INVALID_HANDLE_VALUE;
        }
        // Recorded before the call ends, so that a DeregisterDevice waiting for it closes it too.
        std::lock_guard lock(device->lock);
        id = device->nextOpen++;
        device->opens.emplace(id, Device::OpenContext{context, false});
    }
    // If the handle cannot be made, the object's destructor closes the open context again.
    HANDLE handle = InsertHandle(std::make_shared<DeviceFile>(device, id));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

DeviceFile::DeviceFile(std::shared_ptr<Device> device, uint64_t id)
    : FileObject(kType), m_device(std::move(device)), m_id(id)
{
}

DeviceFile::~DeviceFile()
{
    Device& device = *m_device;
    DWORD_PTR context = 0;
    {
        std::lock_guard lock(device.lock);
        auto it = device.opens.find(m_id);
        if (it == device.opens.end())
            return;
        if (it->second.closed)
        {
            device.opens.erase(it);
            return;
        }
        it->second.closed = true;
        context = it->second.context;
        ++device.calls;
    }
    DWORD error = GetLastError();
    {
        DriverCall call(device, DriverCall::Counted{});
        RunDriver<BOOL>(FALSE, [&] { return device.entry.close(context); });
    }
    SetLastError(error);
    std::lock_guard lock(device.lock);
    device.opens.erase(m_id);
}

BOOL DeviceFile::IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                           LPDWORD bytesReturned)
{
    if ((!in && inSize != 0) || (!out && outSize != 0))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD_PTR context = 0;
    DriverCall call(*m_device, m_id, context);
    if (!call.entered())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD actual = 0;
    SetLastError(ERROR_SUCCESS);
    BOOL ok =
        RunDriver<BOOL>(FALSE,
                        [&]
                        {
                            return m_device->entry.ioControl(context, code, static_cast<PBYTE>(in), inSize,
                                                             static_cast<PBYTE>(out), outSize, &actual);
                        });
    // A driver cannot have produced more than the output buffer holds.
    if (bytesReturned)
        *bytesReturned = std::min(actual, outSize);
    if (!ok)
    {
        KeepDriverError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

template <class Entry, class Call> std::optional<DWORD> DeviceFile::CallEntry(Entry entry, Call&& call)
{
    DWORD_PTR context = 0;
    DriverCall driverCall(*m_device, m_id, context);
    if (!driverCall.entered())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    if (!entry)
    {
        SetLastError(ERROR_INVALID_FUNCTION);
        return std::nullopt;
    }
    SetLastError(ERROR_SUCCESS);
    const DWORD answer = RunDriver<DWORD>(static_cast<DWORD>(-1), [&] { return call(entry, context); });
    if (answer == static_cast<DWORD>(-1))
    {
        KeepDriverError(ERROR_GEN_FAILURE);
        return std::nullopt;
    }
    return answer;
}

bool DeviceFile::Read(void* buffer, DWORD count, DWORD& done)
{
    std::optional<DWORD> n = CallEntry(m_device->entry.read, [&](PFN_STREAM_READ read, DWORD_PTR context)
                                       { return read(context, buffer, count); });
    done = n ? std::min(*n, count) : 0;
    return n.has_value();
}

bool DeviceFile::Write(const void* buffer, DWORD count, DWORD& done)
{
    std::optional<DWORD> n = CallEntry(m_device->entry.write, [&](PFN_STREAM_WRITE write, DWORD_PTR context)
                                       { return write(context, buffer, count); });
    done = n ? std::min(*n, count) : 0;
    return n.has_value();
}

std::optional<DWORD> DeviceFile::Seek(LONG distance, PLONG high, DWORD method)
{
    std::optional<DWORD> position =
        CallEntry(m_device->entry.seek,
                  [&](PFN_STREAM_SEEK seek, DWORD_PTR context) { return seek(context, distance, method); });
    if (position && high)
        *high = 0;
    return position;
}

} // namespace ce::objects

using namespace ce::objects;

HANDLE RegisterDevice(LPCWSTR lpszType, DWORD dwIndex, LPCWSTR lpszLib, DWORD dwInfo)
{
    return Boundary<HANDLE>(nullptr,
                            [&]() -> HANDLE
                            {
                                if (!lpszType)
                                {
                                    SetLastError(ERROR_INVALID_PARAMETER);
                                    return nullptr;
                                }
                                EnsureBuiltIns();
                                return Register(View(lpszType), dwIndex, lpszLib, dwInfo, std::u16string());
                            });
}

BOOL DeregisterDevice(HANDLE hDevice)
{
    return Boundary<BOOL>(FALSE, [&]() -> BOOL { return Deregister(hDevice) ? TRUE : FALSE; });
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              std::shared_ptr<FileObject> file = FindFileObject(hDevice);
                              if (!file)
                              {
                                  SetLastError(ERROR_INVALID_HANDLE);
                                  return FALSE;
                              }
                              return file->IoControl(dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                                                     nOutBufferSize, lpBytesReturned);
                          });
}

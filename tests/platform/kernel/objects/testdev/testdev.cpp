// TESTDEV.dll, the test stream driver (see testdev.h).
#include "testdev.h"

#include <streamdrv.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace testdev;

namespace
{

constexpr uint32_t kDeviceMagic = 0xDE71CE00;
constexpr uint32_t kOpenMagic = 0x0BE2C0DE;

struct DeviceState
{
    uint32_t magic = kDeviceMagic;
    DWORD_PTR initContext = 0;
    std::mutex lock;
    std::vector<std::thread> threads;
};

struct OpenState
{
    uint32_t magic = kOpenMagic;
    DeviceState* device = nullptr;
    DWORD access = 0;
    DWORD share = 0;
};

State g_state;

DeviceState* AsDevice(DWORD_PTR context)
{
    auto* device = reinterpret_cast<DeviceState*>(context);
    if (!device || device->magic != kDeviceMagic)
    {
        ++g_state.badContexts;
        return nullptr;
    }
    return device;
}

OpenState* AsOpen(DWORD_PTR context)
{
    auto* open = reinterpret_cast<OpenState*>(context);
    if (!open || open->magic != kOpenMagic || !AsDevice(reinterpret_cast<DWORD_PTR>(open->device)))
    {
        ++g_state.badContexts;
        return nullptr;
    }
    return open;
}

std::u16string NameFrom(const BYTE* in, DWORD size)
{
    std::u16string name;
    for (DWORD i = 0; i + 1 < size; i += 2)
    {
        char16_t c = static_cast<char16_t>(in[i] | (in[i + 1] << 8));
        if (c == 0)
            break;
        name += c;
    }
    return name;
}

std::string Narrow(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

} // namespace

DECLARE_STREAM_DRIVER(TST)

STREAM_DRIVER_EXPORT State* TestDev_State()
{
    return &g_state;
}

STREAM_DRIVER_EXPORT DWORD_PTR TST_Init(DWORD_PTR dwContext)
{
    if (g_state.initContextIsKeyPath)
        g_state.Record("init " + Narrow(reinterpret_cast<const char16_t*>(dwContext)));
    else
        g_state.Record("init " + std::to_string(dwContext));
    if (dwContext == kRefuseInit)
    {
        SetLastError(ERROR_NOT_READY);
        return 0;
    }
    if (dwContext == kRefuseInitSilently)
        return 0;
    ++g_state.inits;
    auto device = std::make_unique<DeviceState>();
    device->initContext = dwContext;
    return reinterpret_cast<DWORD_PTR>(device.release());
}

STREAM_DRIVER_EXPORT BOOL TST_Deinit(DWORD_PTR hDeviceContext)
{
    DeviceState* device = AsDevice(hDeviceContext);
    if (!device)
        return FALSE;
    for (auto& thread : device->threads)
        thread.join();
    device->magic = 0;
    std::unique_ptr<DeviceState> owned(device);
    ++g_state.deinits;
    g_state.Record("deinit");
    return TRUE;
}

STREAM_DRIVER_EXPORT DWORD_PTR TST_Open(DWORD_PTR hDeviceContext, DWORD AccessCode, DWORD ShareMode)
{
    DeviceState* device = AsDevice(hDeviceContext);
    if (!device)
        return 0;
    if (ShareMode == kRefuseOpenShare)
    {
        SetLastError(ERROR_SHARING_VIOLATION);
        return 0;
    }
    auto open = std::make_unique<OpenState>();
    open->device = device;
    open->access = AccessCode;
    open->share = ShareMode;
    ++g_state.opens;
    g_state.Record("open");
    return reinterpret_cast<DWORD_PTR>(open.release());
}

STREAM_DRIVER_EXPORT BOOL TST_Close(DWORD_PTR hOpenContext)
{
    OpenState* open = AsOpen(hOpenContext);
    if (!open)
        return FALSE;
    open->magic = 0;
    std::unique_ptr<OpenState> owned(open);
    ++g_state.closes;
    g_state.Record("close");
    return TRUE;
}

STREAM_DRIVER_EXPORT BOOL TST_IOControl(DWORD_PTR hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn,
                                        PBYTE pBufOut, DWORD dwLenOut, PDWORD pdwActualOut)
{
    OpenState* open = AsOpen(hOpenContext);
    if (!open)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    switch (dwCode)
    {
    case kEcho:
        if (dwLenOut < dwLenIn)
        {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        if (dwLenIn)
            std::memcpy(pBufOut, pBufIn, dwLenIn);
        *pdwActualOut = dwLenIn;
        return TRUE;
    case kContexts:
    {
        if (dwLenOut < sizeof(Contexts))
        {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        Contexts c{open->device->initContext, reinterpret_cast<uint64_t>(open->device), hOpenContext,
                   open->access, open->share};
        std::memcpy(pBufOut, &c, sizeof(c));
        *pdwActualOut = sizeof(c);
        return TRUE;
    }
    case kFail:
    {
        DWORD error = 0;
        if (dwLenIn >= sizeof(error))
            std::memcpy(&error, pBufIn, sizeof(error));
        if (error)
            SetLastError(error);
        *pdwActualOut = 3;
        return FALSE;
    }
    case kSetEventLater:
    {
        std::u16string name = NameFrom(pBufIn, dwLenIn);
        std::lock_guard lock(open->device->lock);
        open->device->threads.emplace_back(
            [name]
            {
                Sleep(20);
                HANDLE event = OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str());
                if (event)
                {
                    SetEvent(event);
                    CloseHandle(event);
                }
            });
        return TRUE;
    }
    case kReenter:
    {
        // The device manager must let a driver use the kernel, its own device included, from here.
        std::u16string name = NameFrom(pBufIn, dwLenIn);
        HANDLE self = CreateFileW(name.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (self == INVALID_HANDLE_VALUE)
            return FALSE;
        BYTE ping = 0x5A;
        BYTE pong = 0;
        DWORD done = 0;
        BOOL echoed = DeviceIoControl(self, kEcho, &ping, 1, &pong, 1, &done, nullptr);
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        BOOL set = SetEvent(event);
        CloseHandle(event);
        CloseHandle(self);
        DWORD result = (echoed && pong == ping && set) ? 1 : 0;
        if (dwLenOut < sizeof(result))
            return FALSE;
        std::memcpy(pBufOut, &result, sizeof(result));
        *pdwActualOut = sizeof(result);
        return TRUE;
    }
    case kBlock:
    {
        HANDLE event = OpenEventW(EVENT_ALL_ACCESS, FALSE, NameFrom(pBufIn, dwLenIn).c_str());
        if (!event)
            return FALSE;
        g_state.blocked = true;
        DWORD wait = WaitForSingleObject(event, 5000);
        CloseHandle(event);
        g_state.Record("unblocked");
        return wait == WAIT_OBJECT_0;
    }
    case kDeregister:
    {
        uint32_t handle = 0;
        if (dwLenIn < sizeof(handle))
            return FALSE;
        std::memcpy(&handle, pBufIn, sizeof(handle));
        BOOL done = DeregisterDevice(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)));
        g_state.Record("deregistered");
        return done;
    }
    case kOverReport:
        *pdwActualOut = dwLenOut + 100;
        return TRUE;
    case kThrow:
        throw std::runtime_error("driver fault");
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

STREAM_DRIVER_EXPORT DWORD TST_Read(DWORD_PTR hOpenContext, LPVOID pBuffer, DWORD Count)
{
    if (!AsOpen(hOpenContext))
        return static_cast<DWORD>(-1);
    auto* bytes = static_cast<BYTE*>(pBuffer);
    for (DWORD i = 0; i < Count; ++i)
        bytes[i] = static_cast<BYTE>('a' + i % 26);
    return Count;
}

STREAM_DRIVER_EXPORT DWORD TST_Write(DWORD_PTR hOpenContext, LPCVOID, DWORD Count)
{
    if (!AsOpen(hOpenContext))
        return static_cast<DWORD>(-1);
    // Takes at most 4 bytes per call; refuses an empty write.
    if (Count == 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return static_cast<DWORD>(-1);
    }
    return Count < 4 ? Count : 4;
}

STREAM_DRIVER_EXPORT DWORD TST_Seek(DWORD_PTR hOpenContext, LONG Amount, DWORD Type)
{
    if (!AsOpen(hOpenContext))
        return static_cast<DWORD>(-1);
    return static_cast<DWORD>(Amount) + Type * 1000;
}

// PCANDIS4.dll's stream-driver entry points (prefix PCA). Device and open contexts are numbers the driver
// hands out and looks up again, so a context it did not give out is refused rather than followed.
#include <windows.h>

#include <streamdrv.h>

#include "protocol_driver.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

DECLARE_STREAM_DRIVER(PCA)

namespace
{

// The driver's devices and their open contexts. It goes with the library when the device manager unloads
// it, after Deinit.
struct Devices
{
    std::mutex lock;
    std::map<DWORD_PTR, std::shared_ptr<pca::ProtocolDriver>> byContext;
    std::map<DWORD_PTR, DWORD_PTR> deviceOfOpen; // open context -> device context
    DWORD_PTR nextDevice = 1;
    DWORD_PTR nextOpen = 1;
} g_devices;

std::shared_ptr<pca::ProtocolDriver> DeviceOfOpen(DWORD_PTR open)
{
    std::lock_guard lock(g_devices.lock);
    auto it = g_devices.deviceOfOpen.find(open);
    if (it == g_devices.deviceOfOpen.end())
        return nullptr;
    auto device = g_devices.byContext.find(it->second);
    return device == g_devices.byContext.end() ? nullptr : device->second;
}

} // namespace

STREAM_DRIVER_EXPORT DWORD_PTR PCA_Init(DWORD_PTR)
{
    try
    {
        auto device = std::make_shared<pca::ProtocolDriver>();
        std::lock_guard lock(g_devices.lock);
        const DWORD_PTR id = g_devices.nextDevice++;
        g_devices.byContext[id] = std::move(device);
        return id;
    }
    catch (...)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

STREAM_DRIVER_EXPORT BOOL PCA_Deinit(DWORD_PTR hDeviceContext)
{
    std::shared_ptr<pca::ProtocolDriver> device;
    {
        std::lock_guard lock(g_devices.lock);
        auto it = g_devices.byContext.find(hDeviceContext);
        if (it == g_devices.byContext.end())
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        device = std::move(it->second);
        g_devices.byContext.erase(it);
        for (auto o = g_devices.deviceOfOpen.begin(); o != g_devices.deviceOfOpen.end();)
            o = o->second == hDeviceContext ? g_devices.deviceOfOpen.erase(o) : std::next(o);
    }
    device->Shutdown();
    return TRUE;
}

STREAM_DRIVER_EXPORT DWORD_PTR PCA_Open(DWORD_PTR hDeviceContext, DWORD, DWORD)
{
    try
    {
        std::lock_guard lock(g_devices.lock);
        auto it = g_devices.byContext.find(hDeviceContext);
        if (it == g_devices.byContext.end())
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        const DWORD_PTR open = g_devices.nextOpen++;
        g_devices.deviceOfOpen[open] = hDeviceContext;
        it->second->AddOpen(open);
        return open;
    }
    catch (...)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

STREAM_DRIVER_EXPORT BOOL PCA_Close(DWORD_PTR hOpenContext)
{
    auto device = DeviceOfOpen(hOpenContext);
    if (!device)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    device->Close(hOpenContext);
    std::lock_guard lock(g_devices.lock);
    g_devices.deviceOfOpen.erase(hOpenContext);
    return TRUE;
}

STREAM_DRIVER_EXPORT BOOL PCA_IOControl(DWORD_PTR hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn,
                                        PBYTE pBufOut, DWORD dwLenOut, PDWORD pdwActualOut)
{
    try
    {
        auto device = DeviceOfOpen(hOpenContext);
        if (!device)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        return device->IoControl(hOpenContext, dwCode, pBufIn, dwLenIn, pBufOut, dwLenOut, pdwActualOut);
    }
    catch (...)
    {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
}

STREAM_DRIVER_EXPORT DWORD PCA_Read(DWORD_PTR, LPVOID, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
}

STREAM_DRIVER_EXPORT DWORD PCA_Write(DWORD_PTR, LPCVOID, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
}

STREAM_DRIVER_EXPORT DWORD PCA_Seek(DWORD_PTR, LONG, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
}

STREAM_DRIVER_EXPORT void PCA_PowerUp(DWORD_PTR) {}
STREAM_DRIVER_EXPORT void PCA_PowerDown(DWORD_PTR) {}

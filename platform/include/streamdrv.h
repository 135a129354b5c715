// The stream-driver interface of the handheld's device manager.
//
// A stream driver is a DLL that exports, with C linkage, entry points named after its three-letter device
// prefix: for the prefix "PCA", PCA_Init, PCA_Deinit, PCA_Open, PCA_Close and PCA_IOControl (required), and
// PCA_Read, PCA_Write, PCA_Seek, PCA_PowerUp, PCA_PowerDown (optional). RegisterDevice(L"PCA", 4, ...) loads
// the DLL, calls PCA_Init and names the device "PCA4:"; CreateFileW(L"PCA4:") calls PCA_Open,
// DeviceIoControl calls PCA_IOControl, ReadFile/WriteFile/SetFilePointer call PCA_Read/Write/Seek,
// CloseHandle calls PCA_Close and DeregisterDevice calls PCA_Deinit and unloads the DLL.
//
// Contexts are pointer-wide (DWORD_PTR), so a driver may return a pointer to its own state as the device
// or open context on a 64-bit build; the device manager hands the values back unchanged.
//
// Init's context is the dwInfo value given to RegisterDevice. For a driver listed under
// HKEY_LOCAL_MACHINE\Drivers\BuiltIn, it is a pointer to the 0-terminated UTF-16 path of the driver's key
// below HKEY_LOCAL_MACHINE (for example u"Drivers\\BuiltIn\\NDIS"), valid until Deinit returns.
//
// Rules for drivers:
// - Init returns 0 to refuse the device, Open returns 0 to refuse the open; SetLastError explains why.
// - IOControl returns FALSE with SetLastError on failure and writes the bytes it produced to
//   *pdwActualOut (never null). Buffers may be null only when their length is 0.
// - Read and Write return the bytes transferred, or (DWORD)-1 on failure; Seek returns the new position,
//   or (DWORD)-1.
// - Entry points may call any kernel function (events, registry, other devices) and a driver's own
//   threads may too; the device manager holds no lock while it calls a driver. Entry points of one open
//   context may run on several threads at once.
// - DeregisterDevice waits for calls in progress on other threads, then calls Close for every open
//   context still open and then Deinit; no entry point of the device is called after Deinit. Handles that
//   are still open afterwards fail with ERROR_INVALID_HANDLE. Deinit must stop the driver's threads.
// - PowerUp and PowerDown are resolved but not called: the handheld never suspends.
#pragma once

#include <windef.h>

#ifndef RC_INVOKED

typedef DWORD_PTR (*PFN_STREAM_INIT)(DWORD_PTR dwContext);
typedef BOOL (*PFN_STREAM_DEINIT)(DWORD_PTR hDeviceContext);
typedef DWORD_PTR (*PFN_STREAM_OPEN)(DWORD_PTR hDeviceContext, DWORD AccessCode, DWORD ShareMode);
typedef BOOL (*PFN_STREAM_CLOSE)(DWORD_PTR hOpenContext);
typedef BOOL (*PFN_STREAM_IOCONTROL)(DWORD_PTR hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn,
                                     PBYTE pBufOut, DWORD dwLenOut, PDWORD pdwActualOut);
typedef DWORD (*PFN_STREAM_READ)(DWORD_PTR hOpenContext, LPVOID pBuffer, DWORD Count);
typedef DWORD (*PFN_STREAM_WRITE)(DWORD_PTR hOpenContext, LPCVOID pBuffer, DWORD Count);
typedef DWORD (*PFN_STREAM_SEEK)(DWORD_PTR hOpenContext, LONG Amount, DWORD Type);
typedef void (*PFN_STREAM_POWERUP)(DWORD_PTR hDeviceContext);
typedef void (*PFN_STREAM_POWERDOWN)(DWORD_PTR hDeviceContext);

// Exports a stream-driver entry point by its plain name.
#define STREAM_DRIVER_EXPORT extern "C" __attribute__((visibility("default")))

// Declares the entry points of a driver with the prefix pfx, so that a definition whose signature does
// not match the device manager's types fails to compile. Use once before the definitions:
//   DECLARE_STREAM_DRIVER(PCA)
//   STREAM_DRIVER_EXPORT DWORD_PTR PCA_Init(DWORD_PTR dwContext) { ... }
#define DECLARE_STREAM_DRIVER(pfx)                                                                           \
    extern "C"                                                                                               \
    {                                                                                                        \
        DWORD_PTR pfx##_Init(DWORD_PTR dwContext);                                                           \
        BOOL pfx##_Deinit(DWORD_PTR hDeviceContext);                                                         \
        DWORD_PTR pfx##_Open(DWORD_PTR hDeviceContext, DWORD AccessCode, DWORD ShareMode);                   \
        BOOL pfx##_Close(DWORD_PTR hOpenContext);                                                            \
        BOOL pfx##_IOControl(DWORD_PTR hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn,              \
                             PBYTE pBufOut, DWORD dwLenOut, PDWORD pdwActualOut);                            \
        DWORD pfx##_Read(DWORD_PTR hOpenContext, LPVOID pBuffer, DWORD Count);                               \
        DWORD pfx##_Write(DWORD_PTR hOpenContext, LPCVOID pBuffer, DWORD Count);                             \
        DWORD pfx##_Seek(DWORD_PTR hOpenContext, LONG Amount, DWORD Type);                                   \
        void pfx##_PowerUp(DWORD_PTR hDeviceContext);                                                        \
        void pfx##_PowerDown(DWORD_PTR hDeviceContext);                                                      \
    }

#endif // RC_INVOKED

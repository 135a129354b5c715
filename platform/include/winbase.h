// Kernel services of the handheld: handles, events, mutexes, modules, devices, files, time and
// the per-thread last error. Implemented by platform/kernel (coredll).
#pragma once

#include <windef.h>
#include <winerror.h>

#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 ((DWORD)STATUS_WAIT_0)
#define WAIT_ABANDONED ((DWORD)STATUS_ABANDONED_WAIT_0)
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)

// EventModify functions (Windows CE).
#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3

#define EVENT_ALL_ACCESS 0x1F0003
#define EVENT_MODIFY_STATE 0x0002
#define SYNCHRONIZE 0x00100000L
#define MUTEX_ALL_ACCESS 0x1F0001

#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define GENERIC_EXECUTE 0x20000000L
#define GENERIC_ALL 0x10000000L

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_FLAG_WRITE_THROUGH 0x80000000

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#ifndef RC_INVOKED

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

// Handles and errors.
BOOL CloseHandle(HANDLE hObject);
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();

// Events. Named events live in the process, so a driver loaded into the process finds the event a
// client created by creating or opening the same name.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCWSTR lpName);
HANDLE OpenEventW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
BOOL EventModify(HANDLE hEvent, DWORD func);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
BOOL PulseEvent(HANDLE hEvent);

// Mutexes. A named mutex is known to every process of the handheld for as long as one holds a
// handle to it; a second creator gets a handle and ERROR_ALREADY_EXISTS.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
BOOL ReleaseMutex(HANDLE hMutex);

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

// Time.
void Sleep(DWORD dwMilliseconds);
DWORD GetTickCount();

// Modules: "NAME.dll" is the shared object of exactly that file name in the program's library folder.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
BOOL FreeLibrary(HMODULE hLibModule);
FARPROC GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName);
FARPROC GetProcAddressA(HMODULE hModule, LPCSTR lpProcName);
inline FARPROC GetProcAddress(HMODULE hModule, LPCWSTR lpProcName) { return GetProcAddressW(hModule, lpProcName); }
inline FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) { return GetProcAddressA(hModule, lpProcName); }
HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// Device manager. Stream drivers export PFX_Init, PFX_Deinit, PFX_Open, PFX_Close, PFX_IOControl
// (and optionally PFX_Read, PFX_Write, PFX_Seek) with extern "C" linkage.
HANDLE RegisterDevice(LPCWSTR lpszType, DWORD dwIndex, LPCWSTR lpszLib, DWORD dwInfo);
BOOL DeregisterDevice(HANDLE hDevice);

// Files and devices ("XXXn:" names a stream device, anything else a file of the host).
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped);
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped);
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
BOOL DeleteFileW(LPCWSTR lpFileName);

// Local heap.
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL LocalFree(HLOCAL hMem);

// Strings of the kernel.
int lstrlenW(LPCWSTR lpString);
LPWSTR lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2);
LPWSTR lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength);
int lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2);
int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);

#endif // RC_INVOKED

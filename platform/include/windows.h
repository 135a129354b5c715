// The Windows CE API of the handheld.
#pragma once

#include <windef.h>
#include <winerror.h>
#include <winbase.h>
#include <winreg.h>
#include <winnls.h>
#include <tchar.h>
#if __has_include(<winuser.h>)
#include <winuser.h>
#endif

#define CreateEvent CreateEventW
#define OpenEvent OpenEventW
#define CreateMutex CreateMutexW
#define LoadLibrary LoadLibraryW
#define GetModuleHandle GetModuleHandleW
#define GetModuleFileName GetModuleFileNameW
#define CreateFile CreateFileW
#define DeleteFile DeleteFileW
#define RegOpenKeyEx RegOpenKeyExW
#define RegCreateKeyEx RegCreateKeyExW
#define RegQueryValueEx RegQueryValueExW
#define RegSetValueEx RegSetValueExW
#define RegEnumKeyEx RegEnumKeyExW
#define RegEnumValue RegEnumValueW
#define RegDeleteValue RegDeleteValueW
#define RegDeleteKey RegDeleteKeyW
#define RegQueryInfoKey RegQueryInfoKeyW
#define lstrlen lstrlenW
#define lstrcpy lstrcpyW
#define lstrcpyn lstrcpynW
#define lstrcmp lstrcmpW
#define lstrcmpi lstrcmpiW

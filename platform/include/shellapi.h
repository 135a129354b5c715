// The shell: the notification icon and opening documents and addresses.
#pragma once

#include <windef.h>

// Shell_NotifyIcon messages and flags
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004

// SHELLEXECUTEINFO masks and the errors reported in hInstApp
#define SEE_MASK_CLASSNAME 0x00000001
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_DDEWAIT 0x00000100
#define SEE_MASK_FLAG_NO_UI 0x00000400
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

#ifndef RC_INVOKED

// The handheld's notification record: 152 bytes on a 32-bit system (handles widen on a 64-bit build; the
// fields keep their order).
typedef struct _NOTIFYICONDATAW
{
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    WCHAR szTip[64];
} NOTIFYICONDATAW, *PNOTIFYICONDATAW;
typedef NOTIFYICONDATAW NOTIFYICONDATA;
typedef PNOTIFYICONDATAW PNOTIFYICONDATA;
static_assert(sizeof(NOTIFYICONDATAW) == (sizeof(void*) == 4 ? 152 : 168), "NOTIFYICONDATA layout");

BOOL Shell_NotifyIconW(DWORD dwMessage, PNOTIFYICONDATAW lpData);
#define Shell_NotifyIcon Shell_NotifyIconW

// 60 bytes on a 32-bit system.
typedef struct _SHELLEXECUTEINFOW
{
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    LPVOID lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;
typedef SHELLEXECUTEINFOW SHELLEXECUTEINFO;
typedef LPSHELLEXECUTEINFOW LPSHELLEXECUTEINFO;
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOW) == 60, "SHELLEXECUTEINFO layout");

// Opens a web or mail address (verb "open" or none) with the desktop's handler; FALSE with the error in
// hInstApp and the last error when nothing could open it. No message is shown either way.
BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW lpExecInfo);
#define ShellExecuteEx ShellExecuteExW

#endif // RC_INVOKED

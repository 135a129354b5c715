// Internals shared by the framework's window classes (private to platform/afx).
#pragma once

#include <afxwin.h>
#include <afxdlgs.h>

#include <kernel/resource.h>

#include <optional>

// Access to the framework's private parts of CWnd.
class CWndInternals
{
public:
    static WNDPROC Super(CWnd& wnd) { return wnd.m_pfnSuper; }
    static void SetSuper(CWnd& wnd, WNDPROC proc) { wnd.m_pfnSuper = proc; }
};

namespace afx::impl
{

// Connects the framework to the window services once: pre-translation of posted messages, the destroy
// listener and the run loop of CWinThread::Run.
void InstallHooks();

// Attaches a framework object to the next window created on this thread and subclasses it.
void HookCreation(CWnd* pWnd);
void CancelCreationHook();

// The dialog procedure of framework dialogs: WM_INITDIALOG becomes CDialog::OnInitDialog.
INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Looks a template up (resource handle first, then the program) and parses it.
std::optional<ce::res::DialogTemplate> LoadDialogTemplate(LPCTSTR lpszTemplateName, HINSTANCE* phInstance);

// Sets a window's text only when it differs (no flicker, no needless EN_CHANGE).
void SetWindowTextIfChanged(HWND hWnd, LPCTSTR lpszNew);

// The text of a window.
CString WindowText(HWND hWnd);

// True while CWinApp::Run's loop runs (destroying the main window then ends it).
extern bool g_inRunLoop;

} // namespace afx::impl

// The window services' interface for the framework, the graphics support and automation (no Qt here;
// see gwes/qt.h for the Qt side). The Windows calls themselves are declared in <winuser.h>.
#pragma once

#include <windows.h>

#include <kernel/resource.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gwes
{

// ----- The application
// Makes the window system ready (a QApplication on this thread); windows can be created only on the thread
// that did this. A program's entry (the framework's) calls InitApplication with the program's arguments;
// from then on message boxes are real boxes on the screen, unless a presenter (a test's recorder) was
// installed before. The first window calls EnsureApplication, which starts the window system as well but
// leaves message boxes to the presenter installed, if any. FALSE when no window system can be started.
BOOL InitApplication(int& argc, char** argv);
BOOL EnsureApplication();
// Destroys every window left and ends the window system.
void ShutdownApplication();
// What a program of windows needs of the handheld, checked before the program starts: the registry opens
// (made from the factory image on first use), the runtime folder is usable and the window station
// listens. FALSE, with the reason on standard error, when the program must not start: it would run on
// defaults or unreachable.
BOOL CheckHandheld();
// Runs the message loop until PostQuitMessage; returns its exit code.
int RunMessageLoop();
// Handles everything that is due (posted messages, timers, paints) and returns.
void ProcessPending();
// Handles messages for up to `ms` milliseconds, or until `done` returns true.
void ProcessFor(int ms);
template <class Done> bool ProcessUntil(Done done, int timeoutMs)
{
    for (int waited = 0; !done(); waited += 5)
    {
        if (waited >= timeoutMs)
            return false;
        ProcessFor(5);
    }
    return true;
}

// ----- Hooks of the framework
// The next window created on this thread is given to `hook` right after it exists and before it receives
// WM_NCCREATE (the framework attaches its object and subclasses the window there).
void HookNextWindowCreation(void (*hook)(HWND hWnd, void* context), void* context);
// Called after a window has received WM_NCDESTROY and is gone.
void AddWindowDestroyedListener(void (*listener)(HWND hWnd));
// Reports on standard error an exception a window procedure threw on a message, which ends there (call
// it from the catch block that stops it): the window, the message and what the exception says.
void ReportProcedureException(HWND hWnd, UINT msg) noexcept;
// Sees every posted message before it is dispatched; TRUE when it has handled the message.
void SetPreTranslateHook(BOOL (*hook)(MSG* pMsg));

// ----- Dialogs
// Creates a dialog from a parsed template (hidden until WM_INITDIALOG has run; then shown when the
// template says WS_VISIBLE). bChild: a child page inside hParent (property pages); the popup styles of
// the template are then replaced by WS_CHILD.
HWND CreateDialogFromTemplate(const ce::res::DialogTemplate& tmpl, HINSTANCE hInstance, HWND hParent,
                              DLGPROC dlgProc, LPARAM initParam, BOOL bChild = FALSE);
// Runs the modal loop of a dialog created by CreateDialogFromTemplate: disables the owner, shows the
// dialog unless it is visible already, handles messages until EndDialog, re-enables the owner and
// returns the EndDialog result. The caller destroys the window.
INT_PTR RunModalLoop(HWND hDlg);
// The dialog base units of a dialog (from its font): horizontal in the low word, vertical in the high.
LONG DialogBaseUnits(HWND hDlg);
// The size in pixels a dialog made from this template has.
SIZE DialogTemplateSize(const ce::res::DialogTemplate& tmpl);

// ----- Icons and bitmaps
HICON CreateIconFromImages(const std::vector<ce::res::Image>& images);
HBITMAP CreateBitmapFromImage(const ce::res::Image& image);
BOOL DeleteBitmap(HBITMAP hBitmap);
SIZE BitmapSize(HBITMAP hBitmap);

// ----- The wait cursor (nested)
void BeginWaitCursor();
void EndWaitCursor();
int WaitCursorDepth();

// ----- Automation and tests
// Expires a window timer now (as if its period had passed): at most one WM_TIMER is queued per timer.
BOOL FireTimer(HWND hWnd, UINT_PTR nIDEvent);
// The timers of a window, by id.
std::vector<UINT_PTR> WindowTimers(HWND hWnd);
// Top-level windows of this process, in creation order.
std::vector<HWND> TopLevelWindows();
// True while the window's dialog runs its modal loop.
BOOL IsInModalLoop(HWND hWnd);

// The colours of the handheld's colour scheme (COLOR_BTNFACE ...), as COLORREF.
COLORREF SystemColor(int index);

} // namespace gwes

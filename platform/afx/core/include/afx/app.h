// Framework internals shared by the framework's core and its window part.
#pragma once

#include <afxwin.h>

namespace afx::internal
{

// The message loop CWinThread::Run runs: installed by the window part with its hooks; without one Run only
// calls ExitInstance. Returns the exit code of the loop (the WM_QUIT code).
using RunLoop = int (*)(CWinThread* pThread);
void SetRunLoop(RunLoop loop);

// The program's command-line arguments, kept by main() for the window system.
void SetProgramArguments(int* argc, char** argv);
int* ProgramArgc();
char** ProgramArgv();

// The handle of a framework window, read by the window part. The core never reaches into a CWnd itself:
// CWnd's type information lives in the window part, and under the undefined-behaviour sanitizer every
// member access through a CWnd pointer refers to it, so a program of the core alone would not link.
using WindowHandleOf = HWND (*)(CWnd* pWnd);
void SetWindowHandleOf(WindowHandleOf handleOf);

// The name of the program file without folder and extension ("WLAN" for .../WLAN).
CString ProgramName();

// The built-in English text of a framework prompt (AFX_IDP_...), for programs whose resources lack it.
LPCTSTR DefaultPrompt(UINT nIDPrompt);

} // namespace afx::internal

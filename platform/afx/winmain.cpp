// The framework's entry (AfxWinMain), and the application's icon and cursor helpers.
#include "afximpl.h"

#include <gwes/gwes.h>

#include <afx/app.h>

using namespace afx::impl;

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    int code = -1;
    CWinApp* app = AfxGetApp();
    if (!gwes::CheckHandheld())
        return 1;
    if (!gwes::InitApplication(*afx::internal::ProgramArgc(), afx::internal::ProgramArgv()) || !app)
    {
        AfxWinTerm();
        return code;
    }
    InstallHooks();
    AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
    if (app->InitApplication())
    {
        if (!app->InitInstance())
        {
            // The application did its work in InitInstance (a modal main dialog) and ends here.
            if (app->m_pMainWnd)
                app->m_pMainWnd->DestroyWindow();
            code = app->ExitInstance();
        }
        else
        {
            code = app->Run();
        }
    }
    AfxWinTerm();
    return code;
}

void AfxWinTerm()
{
    gwes::ShutdownApplication();
}

// ----- The application's resource helpers
HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIconW(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCE(nIDResource));
}

HICON CWinApp::LoadStandardIcon(LPCTSTR lpszIconName) const
{
    return ::LoadIconW(nullptr, lpszIconName);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const
{
    return ::LoadCursorW(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource));
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const
{
    return ::LoadCursorW(nullptr, lpszCursorName);
}

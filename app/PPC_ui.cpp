// Start-up of the utility: one copy only, the interface language, and the main dialog run modally for the
// whole life of the process.
#include "PPC_ui.h"

#include "PPC_uiDlg.h"
#include "resource.h"

namespace
{

const WCHAR kMutexName[] = _T("QRVSupplicantUI");
const WCHAR kEnglishCaption[] = _T("Keltrax QN40-SD Utility");
const WCHAR kSimplifiedChineseLibrary[] = _T("langSC.dll");

} // namespace

CString CPPC_uiApp::Caption() const
{
    CString strCaption;
    if (!m_bLocalized || !strCaption.LoadString(IDS_APP_CAPTION))
        strCaption = kEnglishCaption;
    return strCaption;
}

void CPPC_uiApp::ChooseLanguage(LANGID wLangId)
{
    switch (wLangId)
    {
    case MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL): // Taiwan
    case MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_HONGKONG):
    case MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SINGAPORE):
    case MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_MACAU):
        m_bLocalized = TRUE;
        break;
    case MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED): // PRC
        m_bLocalized = TRUE;
        // The Simplified Chinese dialogs, menu and strings live in a resource library. Without it the
        // program keeps its own resources (Traditional Chinese strings) rather than a handle that no
        // dialog could be loaded from. The library is never unloaded.
        if (HMODULE hLibrary = LoadLibraryW(kSimplifiedChineseLibrary))
            AfxSetResourceHandle(hLibrary);
        break;
    default:
        m_bLocalized = FALSE;
        break;
    }
}

BOOL CPPC_uiApp::InitApplication()
{
    // The mutex is kept for the life of the process: it marks that a copy runs.
    CreateMutexW(NULL, TRUE, kMutexName);
    const BOOL bOtherCopy = GetLastError() == ERROR_ALREADY_EXISTS;

    ChooseLanguage(GetUserDefaultLangID());

    if (bOtherCopy)
    {
        // Ask the running copy, and only it, to come forward.
        if (HWND hWnd = FindWindowW(NULL, Caption()))
            PostMessageW(hWnd, WM_SHOWSHEET, 0, 0);
        return FALSE;
    }
    return CWinApp::InitApplication();
}

BOOL CPPC_uiApp::InitInstance()
{
    CPPC_uiDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    Trace(_T("exit..."));
    if (m_hHandle)
    {
        CloseHandle(m_hHandle);
        m_hHandle = NULL;
    }
    if (m_pMainWnd == &dlg)
        m_pMainWnd = NULL;
    dlg.DestroyWindow();
    return FALSE;
}

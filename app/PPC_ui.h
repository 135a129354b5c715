// The utility's application object.
#pragma once

#include <afxwin.h>

class CPPC_uiApp : public CWinApp
{
public:
    CPPC_uiApp() : m_bLocalized(FALSE), m_bCardRemoved(FALSE), m_hHandle(NULL) {}

    // Takes one line of diagnostic text and discards it.
    BOOL Trace(CString strLine)
    {
        (void)strLine;
        return TRUE;
    }

    // Only one copy runs: a second one asks the first to come forward and ends. Also picks the language.
    BOOL InitApplication() override
    {
        return s_pStartup ? (this->*s_pStartup->pfnInitApplication)() : CWinApp::InitApplication();
    }
    // Runs the main dialog for the whole life of the utility; FALSE, so that the process then ends.
    BOOL InitInstance() override
    {
        return s_pStartup ? (this->*s_pStartup->pfnInitInstance)() : CWinApp::InitInstance();
    }

    BOOL m_bLocalized;   // Chinese user interface: captions and labels come from the string table
    BOOL m_bCardRemoved; // no card or no usable adapter: pages and queries leave the driver alone
    HANDLE m_hHandle;    // closed at the end of InitInstance when set

    // The caption of the main window: string 32803 under the Chinese interface, else the English name.
    CString Caption() const;

    // Chooses the interface language for a language identifier: sets m_bLocalized and, for Simplified
    // Chinese, takes the resources from "langSC.dll" when it loads (else the program keeps its own).
    void ChooseLanguage(LANGID wLangId);

    // The start-up steps proper. They live in the program's library (PPC_ui.cpp) with the main dialog, so
    // that code needing only the application's state (the driver channel, the configuration model and
    // their tests) can construct this object without linking the windows of the utility.
    BOOL StartApplication();
    BOOL RunMainDialog();
    struct Startup
    {
        BOOL (CPPC_uiApp::*pfnInitApplication)();
        BOOL (CPPC_uiApp::*pfnInitInstance)();
    };
    inline static const Startup* s_pStartup = nullptr;
    static const Startup s_programStartup; // StartApplication and RunMainDialog
};

// The notification icon's callback message, registered as "TBarDlgMessage" while the program's statics
// are made; the main dialog's message map routes it.
extern UINT WM_TBARDLGMESSAGE;

// The message a second copy sends to bring the running one forward.
#define WM_SHOWSHEET (WM_USER + 18)

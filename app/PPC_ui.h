// The utility's application object.
#pragma once

#include <afxwin.h>

#include <WlanApp.h>

class CPPC_uiApp : public CWlanApp
{
public:
    CPPC_uiApp() : m_hHandle(NULL) {}

    // Only one copy runs: a second one asks the first to come forward and ends. Also picks the language.
    BOOL InitApplication() override;
    // Runs the main dialog for the whole life of the utility; FALSE, so that the process then ends.
    BOOL InitInstance() override;

    HANDLE m_hHandle; // closed at the end of InitInstance when set

    // The caption of the main window: string 32803 under the Chinese interface, else the English name.
    CString Caption() const;

    // Chooses the interface language for a language identifier: sets m_bLocalized and, for Simplified
    // Chinese, takes the resources from "langSC.dll" when it loads (else the program keeps its own).
    void ChooseLanguage(LANGID wLangId);
};

// The notification icon's callback message, registered as "TBarDlgMessage" while the program's statics
// are made; the main dialog's message map routes it.
extern UINT WM_TBARDLGMESSAGE;

// The message a second copy sends to bring the running one forward.
#define WM_SHOWSHEET (WM_USER + 18)

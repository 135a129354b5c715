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

    BOOL m_bLocalized;   // Chinese user interface: captions and labels come from the string table
    BOOL m_bCardRemoved; // no card or no usable adapter: pages and queries leave the driver alone
    HANDLE m_hHandle;    // closed at the end of InitInstance when set
};

// The part of the utility's application object that every layer of the utility reads through the
// framework's current-application pointer (AfxGetApp): the card-presence and language flags and the trace
// sink. The utility's application object CPPC_uiApp derives from it; the driver channel and the
// configuration model need only this part, so they and their tests link without the utility's windows.
#pragma once

#include <afxwin.h>

class CWlanApp : public CWinApp
{
public:
    CWlanApp() : m_bLocalized(FALSE), m_bCardRemoved(FALSE) {}

    // Takes one line of diagnostic text and discards it.
    BOOL Trace(CString strLine)
    {
        (void)strLine;
        return TRUE;
    }

    BOOL m_bLocalized;   // Chinese user interface: captions and labels come from the string table
    BOOL m_bCardRemoved; // no card or no usable adapter: pages and queries leave the driver alone
};

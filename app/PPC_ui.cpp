#include "PPC_ui.h"

CPPC_uiApp::CPPC_uiApp() : m_bLocalized(FALSE), m_bCardRemoved(FALSE), m_hHandle(NULL)
{
}

BOOL CPPC_uiApp::Trace(CString strLine)
{
    (void)strLine;
    return TRUE;
}

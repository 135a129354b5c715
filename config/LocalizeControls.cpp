// The control texts of the pages under the Chinese interface. Kept apart from the rest of the
// configuration because it is the one part that needs the window system: code that only talks to the card
// links without it.

#include "AdapterConfig.h"

#include <afxwin.h>

#include <WlanApp.h>

BOOL AdapterConfig::LocalizeControls(const int* pnControlIds, const UINT* pnStringIds, CWnd* pDialog)
{
    CWlanApp* pApp = static_cast<CWlanApp*>(AfxGetApp());
    if (pApp == nullptr || !pApp->m_bLocalized || pnControlIds == nullptr || pnStringIds == nullptr ||
        pDialog == nullptr)
        return TRUE;
    for (int i = 0; pnControlIds[i] != 0; i++)
    {
        // A string missing from the table leaves the control's own text rather than blanking it.
        CString strText;
        if (strText.LoadString(pnStringIds[i]))
            pDialog->SetDlgItemText(pnControlIds[i], strText);
    }
    return TRUE;
}

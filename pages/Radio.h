// The radio page: the software radio switch, the ad hoc channel and power saving.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CRadio : public CPropertyPage
{
    DECLARE_DYNAMIC(CRadio)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CRadio(UINT nIDCaption = 0);
    ~CRadio() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
protected:
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

// The baseband register page: reads and writes the card's baseband registers by index.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CBBCR : public CPropertyPage
{
    DECLARE_DYNAMIC(CBBCR)
public:
    CBBCR();
    ~CBBCR() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
protected:
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

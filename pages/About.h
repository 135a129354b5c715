// The about page: driver and utility versions and the links.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CAbout : public CPropertyPage
{
    DECLARE_DYNAMIC(CAbout)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CAbout(UINT nIDCaption = 0);
    ~CAbout() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
protected:
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

// The status page: the link, the network, the addresses, signal and quality.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CConfig : public CPropertyPage
{
    DECLARE_DYNAMIC(CConfig)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CConfig(UINT nIDCaption = 0);
    ~CConfig() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    CString m_strAdapterName; // the adapter binding in use, copied in by the main dialog

protected:
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

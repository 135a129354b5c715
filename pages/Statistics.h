// The statistics page: transmit and receive counters and throughput.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CStatistics : public CPropertyPage
{
    DECLARE_DYNAMIC(CStatistics)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CStatistics(UINT nIDCaption = 0);
    ~CStatistics() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
protected:
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

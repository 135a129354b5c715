// The EEPROM page: reads and writes the card's EEPROM words, also from a text file.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CEEPRomAccess : public CPropertyPage
{
    DECLARE_DYNAMIC(CEEPRomAccess)
public:
    CEEPRomAccess();
    ~CEEPRomAccess() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
protected:
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

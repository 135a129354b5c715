// The about page: driver and utility versions, and the links to the maker's web site and support mail.
// The versions are read once, when the page's window is made.
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

    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CString m_strDriver;      // 1039
    CString m_strUtility;     // 1040

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnWebLink();
    afx_msg void OnMailLink();
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // "N/A" without a card; else the miniport's DriverVersion parameter, or the driver's own version.
    void ReadDriverVersion();
    // Hands an address to the shell; nothing is shown when no program opens it.
    static void OpenAddress(LPCTSTR pszAddress);
};

// The baseband register page: reads and writes the card's 8-bit baseband registers by index and lists the
// first 128 of them.
#pragma once

#include <afxdlgs.h>

#include "ListingEdit.h"

class AdapterConfig;
class CPPC_uiDlg;

class CBBCR : public CPropertyPage
{
    DECLARE_DYNAMIC(CBBCR)
public:
    CBBCR();
    ~CBBCR() override;

    CString m_strOutput;      // the listing box (1020)
    CString m_strData;        // the data box (1017), hexadecimal
    int m_nIndex;             // the index box (1016), decimal; its low 8 bits name the register
    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    CListingEdit m_editOutput;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Reads the register into the data box.
    afx_msg void OnRead();
    // Writes the data box's value to the register.
    afx_msg void OnSet();
    // Lists registers 0 to 127, eight a line, keeping the listing's scroll position.
    afx_msg void OnReadAll();
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // Reads the listed registers behind the wait cursor; FALSE at the first that cannot be read.
    BOOL ReadListing(CString& strListing);
};

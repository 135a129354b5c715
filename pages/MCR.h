// The MAC register page: reads and writes the card's 32-bit MAC registers by byte address and lists the
// register block from 0x000 to 0x4fc.
#pragma once

#include <afxdlgs.h>

#include "ListingEdit.h"

class AdapterConfig;
class CPPC_uiDlg;

class CMCR : public CPropertyPage
{
    DECLARE_DYNAMIC(CMCR)
public:
    CMCR();
    ~CMCR() override;

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    CString m_strData;        // the data box (1024), hexadecimal
    CString m_strOutput;      // the listing box (1025)
    CString m_strAddr;        // the address box (1023), hexadecimal byte address
    CListingEdit m_editOutput;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Reads the register at the address into the data box.
    afx_msg void OnRead();
    // Writes the data box's value to the register at the address.
    afx_msg void OnSet();
    // Lists the whole register block, four registers a line, keeping the listing's scroll position.
    afx_msg void OnReadAll();
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // Reads the listed registers behind the wait cursor; FALSE at the first that cannot be read.
    BOOL ReadListing(CString& strListing);
};

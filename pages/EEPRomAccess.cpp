#include "EEPRomAccess.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CEEPRomAccess, CPropertyPage)

CEEPRomAccess::CEEPRomAccess() : CPropertyPage(IDD_EEPROM), m_pConfig(NULL), m_pMainDlg(NULL) {}

CEEPRomAccess::~CEEPRomAccess() = default;

BEGIN_MESSAGE_MAP(CEEPRomAccess, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CEEPRomAccess::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

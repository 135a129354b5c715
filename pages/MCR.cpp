#include "MCR.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CMCR, CPropertyPage)

CMCR::CMCR() : CPropertyPage(IDD_MCR), m_pConfig(NULL), m_pMainDlg(NULL) {}

CMCR::~CMCR() = default;

BEGIN_MESSAGE_MAP(CMCR, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CMCR::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

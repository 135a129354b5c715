#include "BBCR.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CBBCR, CPropertyPage)

CBBCR::CBBCR() : CPropertyPage(IDD_BBCR), m_pConfig(NULL), m_pMainDlg(NULL) {}

CBBCR::~CBBCR() = default;

BEGIN_MESSAGE_MAP(CBBCR, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CBBCR::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

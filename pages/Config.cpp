#include "Config.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CConfig, CPropertyPage)

CConfig::CConfig(UINT nIDCaption) : CPropertyPage(IDD_STATUS, nIDCaption), m_pConfig(NULL), m_pMainDlg(NULL)
{
}

CConfig::~CConfig() = default;

BEGIN_MESSAGE_MAP(CConfig, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CConfig::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

#include "Statistics.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CStatistics, CPropertyPage)

CStatistics::CStatistics(UINT nIDCaption)
    : CPropertyPage(IDD_STATISTICS, nIDCaption), m_pConfig(NULL), m_pMainDlg(NULL)
{
}

CStatistics::~CStatistics() = default;

BEGIN_MESSAGE_MAP(CStatistics, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CStatistics::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

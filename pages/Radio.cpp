#include "Radio.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CRadio, CPropertyPage)

CRadio::CRadio(UINT nIDCaption) : CPropertyPage(IDD_RADIO, nIDCaption), m_pConfig(NULL), m_pMainDlg(NULL) {}

CRadio::~CRadio() = default;

BEGIN_MESSAGE_MAP(CRadio, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CRadio::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

#include "About.h"

#include "PPC_uiDlg.h"
#include "resource.h"

IMPLEMENT_DYNAMIC(CAbout, CPropertyPage)

CAbout::CAbout(UINT nIDCaption) : CPropertyPage(IDD_ABOUT, nIDCaption), m_pConfig(NULL), m_pMainDlg(NULL) {}

CAbout::~CAbout() = default;

BEGIN_MESSAGE_MAP(CAbout, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CAbout::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

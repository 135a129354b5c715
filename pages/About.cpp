#include "About.h"

#include "PPC_uiDlg.h"
#include "resource.h"

#include <AdapterConfig.h>

#include <shellapi.h>
#include <tchar.h>

namespace
{

const WCHAR kWebAddress[] = _T("http://www.keltrax.example");
const WCHAR kMailAddress[] = _T("mailto:support@keltrax.example");

// The show command the handheld's shell is given for a document it opens.
const int kShowCommand = 11;

const int kLocalizedControls[] = {IDC_VERSION_GROUP, IDC_DRIVER_LABEL, IDC_UTILITY_LABEL, IDC_LINK_GROUP, 0};
const UINT kLocalizedStrings[] = {IDS_VERSION_GROUP, IDS_DRIVER, IDS_UTILITY, IDS_LINK_GROUP, 0};

} // namespace

IMPLEMENT_DYNAMIC(CAbout, CPropertyPage)

CAbout::CAbout(UINT nIDCaption) : CPropertyPage(IDD_ABOUT, nIDCaption), m_pMainDlg(NULL), m_pConfig(NULL) {}

CAbout::~CAbout() = default;

BEGIN_MESSAGE_MAP(CAbout, CPropertyPage)
ON_BN_CLICKED(IDC_WEB_LINK, OnWebLink)
ON_BN_CLICKED(IDC_MAIL_LINK, OnMailLink)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CAbout::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_DRIVER_VERSION, m_strDriver);
    DDX_Text(pDX, IDC_UTILITY_VERSION, m_strUtility);
}

BOOL CAbout::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_strUtility.LoadString(IDS_UTILITY_VERSION);
    ReadDriverVersion();
    UpdateData(FALSE);
    AdapterConfig::LocalizeControls(kLocalizedControls, kLocalizedStrings, this);
    return TRUE;
}

void CAbout::ReadDriverVersion()
{
    if (!m_pConfig)
    {
        m_strDriver = _T("N/A");
        return;
    }
    if (!m_pConfig->ReadRegistryValue(_T("DriverVersion"), m_strDriver, 0))
    {
        // Shows its own message when the driver does not answer.
        m_pConfig->GetDriverVersion(m_strDriver);
        return;
    }
    // Four numbers separated by points get the usual widths (2.1.5.17 reads 2.01.05.0017); any other
    // text is shown as stored.
    int nMajor = 0, nMinor = 0, nBuild = 0, nRevision = 0;
    if (_stscanf(m_strDriver, _T("%d.%d.%d.%d"), &nMajor, &nMinor, &nBuild, &nRevision) == 4)
        m_strDriver.Format(_T("%d.%02d.%02d.%04d"), nMajor, nMinor, nBuild, nRevision);
}

void CAbout::OnWebLink()
{
    OpenAddress(kWebAddress);
}

void CAbout::OnMailLink()
{
    OpenAddress(kMailAddress);
}

void CAbout::OpenAddress(LPCTSTR pszAddress)
{
    SHELLEXECUTEINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = NULL;
    info.lpVerb = _T("open");
    info.lpFile = pszAddress;
    info.nShow = kShowCommand;
    ShellExecuteEx(&info);
}

void CAbout::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

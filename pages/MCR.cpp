#include "MCR.h"

#include <AdapterConfig.h>

#include "HexText.h"
#include "PPC_uiDlg.h"
#include "resource.h"

namespace
{

enum : DWORD
{
    LISTED_BYTES = 0x500, // the register block, 320 registers
    REGISTER_BYTES = 4,
    LINE_BYTES = 16, // four registers a line
};

} // namespace

IMPLEMENT_DYNAMIC(CMCR, CPropertyPage)

CMCR::CMCR() : CPropertyPage(IDD_MCR), m_pConfig(NULL), m_pMainDlg(NULL) {}

CMCR::~CMCR() = default;

void CMCR::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MCR_OUTPUT, m_editOutput);
    DDX_Text(pDX, IDC_MCR_DATA, m_strData);
    DDX_Text(pDX, IDC_MCR_OUTPUT, m_strOutput);
    DDX_Text(pDX, IDC_MCR_ADDR, m_strAddr);
}

BEGIN_MESSAGE_MAP(CMCR, CPropertyPage)
ON_BN_CLICKED(IDC_READ, OnRead)
ON_BN_CLICKED(IDC_SET, OnSet)
ON_BN_CLICKED(IDC_READ_ALL, OnReadAll)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CMCR::OnRead()
{
    UpdateData(TRUE);
    if (m_pConfig == NULL)
        return;
    DWORD dwAddress = 0; // an empty box reads register 0
    ParseHexText(m_strAddr, &dwAddress);
    DWORD dwValue = 0;
    if (!m_pConfig->ReadMacRegister(dwAddress, &dwValue))
    {
        AfxMessageBox(_T("Fail to read"));
        return;
    }
    m_strData.Format(_T("%08x"), dwValue);
    UpdateData(FALSE);
}

void CMCR::OnSet()
{
    UpdateData(TRUE);
    if (m_pConfig == NULL)
        return;
    DWORD dwAddress = 0, dwValue = 0;
    if (!ParseHexInput(m_strAddr, &dwAddress) || !ParseHexInput(m_strData, &dwValue))
        return;
    if (!m_pConfig->WriteMacRegister(dwAddress, &dwValue))
        AfxMessageBox(_T("Fail to read write"));
}

void CMCR::OnReadAll()
{
    if (m_pConfig == NULL)
        return;
    CString strListing;
    if (!ReadListing(strListing))
    {
        AfxMessageBox(_T("Fail to read"));
        return;
    }
    m_strOutput = strListing;
    m_editOutput.ReplaceListing(m_strOutput);
}

BOOL CMCR::ReadListing(CString& strListing)
{
    CWaitCursor wait;
    for (DWORD dwAddress = 0; dwAddress < LISTED_BYTES; dwAddress += REGISTER_BYTES)
    {
        // Each label but the first starts a new line; the listing ends after its last value.
        if (dwAddress % LINE_BYTES == 0)
            strListing.AppendFormat(dwAddress == 0 ? _T("%04x: ") : _T("\r\n%04x: "), dwAddress);
        DWORD dwValue = 0;
        if (!m_pConfig->ReadMacRegister(dwAddress, &dwValue))
            return FALSE;
        strListing.AppendFormat(_T("%08x "), dwValue);
    }
    return TRUE;
}

void CMCR::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

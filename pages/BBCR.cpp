#include "BBCR.h"

#include <AdapterConfig.h>

#include "HexText.h"
#include "PPC_uiDlg.h"
#include "resource.h"

namespace
{

enum
{
    LISTED_REGISTERS = 128,
    REGISTERS_PER_LINE = 8,
};

} // namespace

IMPLEMENT_DYNAMIC(CBBCR, CPropertyPage)

CBBCR::CBBCR() : CPropertyPage(IDD_BBCR), m_nIndex(0), m_pConfig(NULL), m_pMainDlg(NULL) {}

CBBCR::~CBBCR() = default;

void CBBCR::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BB_OUTPUT, m_editOutput);
    DDX_Text(pDX, IDC_BB_OUTPUT, m_strOutput);
    DDX_Text(pDX, IDC_BB_DATA, m_strData);
    DDX_Text(pDX, IDC_BB_INDEX, m_nIndex);
}

BEGIN_MESSAGE_MAP(CBBCR, CPropertyPage)
ON_BN_CLICKED(IDC_READ, OnRead)
ON_BN_CLICKED(IDC_SET, OnSet)
ON_BN_CLICKED(IDC_READ_ALL, OnReadAll)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CBBCR::OnRead()
{
    // An index that is no number has been reported by the exchange; the previous one still holds.
    UpdateData(TRUE);
    if (m_pConfig == NULL)
        return;
    BYTE bValue = 0;
    if (!m_pConfig->ReadBBRegister(LOBYTE(m_nIndex), &bValue))
        return; // the configuration has shown why
    m_strData.Format(_T("%02x"), bValue);
    UpdateData(FALSE);
}

void CBBCR::OnSet()
{
    if (!UpdateData(TRUE))
        return; // the index is no number: nothing is written
    if (m_pConfig == NULL)
        return;
    DWORD dwValue = 0;
    if (!ParseHexInput(m_strData, &dwValue))
        return;
    // A failed write has been reported by the configuration.
    m_pConfig->WriteBBRegister(LOBYTE(m_nIndex), LOBYTE(dwValue));
}

void CBBCR::OnReadAll()
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

BOOL CBBCR::ReadListing(CString& strListing)
{
    CWaitCursor wait;
    for (int i = 0; i < LISTED_REGISTERS; ++i)
    {
        if (i % REGISTERS_PER_LINE == 0)
            strListing.AppendFormat(_T("%04d:\t"), i);
        BYTE bValue = 0;
        if (!m_pConfig->ReadBBRegister(static_cast<BYTE>(i), &bValue))
            return FALSE;
        strListing.AppendFormat(
            i % REGISTERS_PER_LINE == REGISTERS_PER_LINE - 1 ? _T("%02x\r\n") : _T("%02x "), bValue);
    }
    return TRUE;
}

void CBBCR::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

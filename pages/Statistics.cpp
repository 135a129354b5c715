#include "Statistics.h"

#include "PPC_ui.h"
#include "PPC_uiDlg.h"
#include "resource.h"

#include <AdapterConfig.h>

namespace
{

const UINT WM_CARD_GONE = WM_USER + 19;

const WCHAR kNoThroughput[] = _T("0.00");

const int kLocalizedControls[] = {IDC_TX_SUCCESS_LABEL,
                                  IDC_TX_ERROR_LABEL,
                                  IDC_TX_THROUGHPUT_LABEL,
                                  IDC_RX_SUCCESS_LABEL,
                                  IDC_RX_CRC_SUCCESS_LABEL,
                                  IDC_RX_CRC_ERROR_LABEL,
                                  IDC_RX_THROUGHPUT_LABEL,
                                  IDC_RESET,
                                  0};
const UINT kLocalizedStrings[] = {IDS_TX_SUCCESS,    IDS_TX_ERROR,       IDS_TX_THROUGHPUT,
                                  IDS_RX_SUCCESS,    IDS_RX_CRC_SUCCESS, IDS_RX_CRC_ERROR,
                                  IDS_RX_THROUGHPUT, IDS_RESET,          0};

// The bytes counted over one tick as kbit/s (1 kbit = 1000 bits), in single precision. A byte count
// below the one before (the driver started again, or the card was changed) measures nothing.
CString Throughput(ULONGLONG qwBefore, ULONGLONG qwNow)
{
    const ULONGLONG qwBytes = qwNow >= qwBefore ? qwNow - qwBefore : 0;
    float fKbps = static_cast<float>(qwBytes) * 0.25f; // bytes per second over the 4-second tick
    fKbps = fKbps * 0.008f;
    CString strText;
    strText.Format(_T("%.2f"), static_cast<double>(fKbps));
    return strText;
}

} // namespace

IMPLEMENT_DYNAMIC(CStatistics, CPropertyPage)

CStatistics::CStatistics(UINT nIDCaption)
    : CPropertyPage(IDD_STATISTICS, nIDCaption), m_pConfig(NULL), m_pMainDlg(NULL), m_dwRxCrcOk(0),
      m_strRxThroughput(kNoThroughput), m_dwRxOk(0), m_dwTxErr(0), m_strTxThroughput(kNoThroughput),
      m_dwTxOk(0), m_dwRxErr(0), m_qwRxBytes(0), m_qwTxBytes(0), m_dwTxOkBase(0), m_dwRxOkBase(0),
      m_dwTxErrBase(0), m_dwRxErrBase(0), m_dwRxCrcOkBase(0)
{
}

CStatistics::~CStatistics() = default;

BEGIN_MESSAGE_MAP(CStatistics, CPropertyPage)
ON_WM_TIMER()
ON_BN_CLICKED(IDC_RESET, OnReset)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CStatistics::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_RX_CRC_SUCCESS, m_dwRxCrcOk);
    DDX_Text(pDX, IDC_RX_THROUGHPUT, m_strRxThroughput);
    DDX_Text(pDX, IDC_RX_SUCCESS, m_dwRxOk);
    DDX_Text(pDX, IDC_TX_ERROR, m_dwTxErr);
    DDX_Text(pDX, IDC_TX_THROUGHPUT, m_strTxThroughput);
    DDX_Text(pDX, IDC_TX_SUCCESS, m_dwTxOk);
    DDX_Text(pDX, IDC_RX_CRC_ERROR, m_dwRxErr);
}

BOOL CStatistics::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    AdapterConfig::LocalizeControls(kLocalizedControls, kLocalizedStrings, this);
    if (m_pConfig)
        TakeBaseline();
    return TRUE;
}

BOOL CStatistics::OnSetActive()
{
    if (m_pConfig)
    {
        SetTimer(TIMER_REFRESH, REFRESH_PERIOD, NULL);
        Reading reading;
        if (Read(reading))
            ShowReading(reading);
        UpdateData(FALSE);
    }
    return CPropertyPage::OnSetActive();
}

BOOL CStatistics::OnKillActive()
{
    if (m_pConfig)
        KillTimer(TIMER_REFRESH);
    return CPropertyPage::OnKillActive();
}

void CStatistics::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == TIMER_REFRESH)
    {
        // While the card is out the page leaves the driver alone and keeps reminding the main dialog.
        CPPC_uiApp* pApp = static_cast<CPPC_uiApp*>(AfxGetApp());
        if (pApp && pApp->m_bCardRemoved)
        {
            PostCardGone();
            return;
        }
        if (!m_pConfig)
            KillTimer(TIMER_REFRESH);
        else
        {
            BOOL bRefreshed = FALSE;
            try
            {
                bRefreshed = Refresh();
            }
            catch (...)
            {
                bRefreshed = FALSE;
            }
            if (!bRefreshed)
                PostCardGone();
        }
    }
    CPropertyPage::OnTimer(nIDEvent);
}

BOOL CStatistics::Refresh()
{
    Reading reading;
    if (!Read(reading))
        return FALSE;
    m_strTxThroughput = Throughput(m_qwTxBytes, reading.qwTxBytes);
    m_strRxThroughput = Throughput(m_qwRxBytes, reading.qwRxBytes);
    ShowReading(reading);
    UpdateData(FALSE);
    return TRUE;
}

void CStatistics::OnReset()
{
    // Without a configuration this only shows zeros.
    TakeBaseline();
    m_strTxThroughput = kNoThroughput;
    m_strRxThroughput = kNoThroughput;
    UpdateData(FALSE);
}

BOOL CStatistics::Read(Reading& reading)
{
    Reading answer = {};
    if (!m_pConfig ||
        !m_pConfig->GetStatistics(&answer.qwTxBytes, &answer.qwRxBytes, &answer.dwTxOk, &answer.dwTxErr,
                                  &answer.dwRxOk, &answer.dwRxCrcOk, &answer.dwRxErr))
        return FALSE;
    reading = answer;
    return TRUE;
}

void CStatistics::TakeBaseline()
{
    Reading reading;
    if (Read(reading))
    {
        m_qwTxBytes = reading.qwTxBytes;
        m_qwRxBytes = reading.qwRxBytes;
        m_dwTxOkBase = reading.dwTxOk;
        m_dwTxErrBase = reading.dwTxErr;
        m_dwRxOkBase = reading.dwRxOk;
        m_dwRxCrcOkBase = reading.dwRxCrcOk;
        m_dwRxErrBase = reading.dwRxErr;
    }
    m_dwTxOk = m_dwTxErr = m_dwRxOk = m_dwRxCrcOk = m_dwRxErr = 0;
}

void CStatistics::ShowReading(const Reading& reading)
{
    m_qwTxBytes = reading.qwTxBytes;
    m_qwRxBytes = reading.qwRxBytes;
    m_dwTxOk = reading.dwTxOk - m_dwTxOkBase;
    m_dwTxErr = reading.dwTxErr - m_dwTxErrBase;
    m_dwRxOk = reading.dwRxOk - m_dwRxOkBase;
    m_dwRxCrcOk = reading.dwRxCrcOk - m_dwRxCrcOkBase;
    m_dwRxErr = reading.dwRxErr - m_dwRxErrBase;
}

void CStatistics::PostCardGone()
{
    if (m_pMainDlg && m_pMainDlg->GetSafeHwnd())
        m_pMainDlg->PostMessage(WM_CARD_GONE, 0, 0);
}

void CStatistics::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

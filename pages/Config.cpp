#include "Config.h"

#include "PPC_ui.h"
#include "PPC_uiDlg.h"
#include "resource.h"

#include <AdapterConfig.h>

#include <iphlpapi.h>

#include <cstring>
#include <new>

IMPLEMENT_DYNAMIC(CConfig, CPropertyPage)

namespace
{

const UINT WM_SET_ICON_LEVEL = WM_USER + 3;
const UINT WM_CARD_GONE = WM_USER + 19;
const LPARAM ICON_LEVEL_DISCONNECTED = 6;

// GetMediaConnectStatus
enum
{
    MEDIA_CONNECTED = 0,
    MEDIA_DISCONNECTED = 1,
    MEDIA_SCANNING = 2,
};

// The access point's modes in its information record; any other is 802.11b.
enum
{
    AP_MODE_MIXED = 1,
    AP_MODE_11G = 2,
};

const COLORREF BAR_START = RGB(0xAF, 0xEE, 0xEE);
const COLORREF BAR_END = RGB(0x00, 0x00, 0xFF);
const COLORREF BAR_TEXT = RGB(0xFF, 0xFF, 0xFF);

CPPC_uiApp* App()
{
    return static_cast<CPPC_uiApp*>(AfxGetApp());
}

// The text of an 8-bit field of the adapter list, which need not end in a 0.
template <size_t N> CString FieldText(const char (&achField)[N])
{
    char szText[N + 1] = {};
    memcpy(szText, achField, N);
    CString strText;
    strText.Format(_T("%S"), szText);
    return strText;
}

} // namespace

CConfig::CConfig(UINT nIDCaption)
    : CPropertyPage(IDD_STATUS, nIDCaption), m_nDeviceType(0), m_nChannel(0), m_nBssType(0), m_nSignal(0),
      m_nQuality(0), m_pConfig(NULL), m_pMainDlg(NULL), m_bBssidKnown(FALSE), m_radioConfig{},
      m_bDisconnectShown(FALSE), m_pTipText(std::make_unique<CString>())
{
}

CConfig::~CConfig() = default;

BEGIN_MESSAGE_MAP(CConfig, CPropertyPage)
ON_WM_TIMER()
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CConfig::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_QUALITY_BAR, m_qualityBar);
    DDX_Control(pDX, IDC_SIGNAL_BAR, m_signalBar);
    DDX_Text(pDX, IDC_SSID, m_strSsid);
    DDX_Text(pDX, IDC_LINK_STATUS, m_strStatus);
    DDX_Text(pDX, IDC_CHANNEL, m_nChannel);
    DDX_Text(pDX, IDC_IP_ADDRESS, m_strIp);
    DDX_Text(pDX, IDC_MAC_ADDRESS, m_strMac);
}

BOOL CConfig::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (m_pConfig)
        InitialFill();
    for (CGradientBar* pBar : {&m_signalBar, &m_qualityBar})
    {
        // The bars show 0 until the page is activated.
        pBar->SetRange(0, 100);
        pBar->m_crStart = BAR_START;
        pBar->m_crEnd = BAR_END;
        pBar->m_crText = BAR_TEXT;
        pBar->m_bShowPercent = TRUE;
    }
    // The members go to their fields, over what the fill wrote: the IP field is empty until the next
    // address refresh.
    UpdateData(FALSE);
    static const int s_anLabels[] = {IDC_STATUS_LABEL,
                                     IDC_TYPE_LABEL,
                                     IDC_CHANNEL_LABEL,
                                     IDC_TX_RATE_LABEL,
                                     IDC_SIGNAL_LABEL,
                                     IDC_QUALITY_LABEL,
                                     0};
    static const UINT s_anStrings[] = {IDS_STATUS_LABEL,
                                       IDS_TYPE_LABEL,
                                       IDS_CHANNEL_LABEL,
                                       IDS_TX_RATE_LABEL,
                                       IDS_SIGNAL_LABEL,
                                       IDS_QUALITY_LABEL,
                                       0};
    AdapterConfig::LocalizeControls(s_anLabels, s_anStrings, this);
    return TRUE;
}

CString CConfig::BssTypeText(BOOL bDetailed)
{
    switch (m_nBssType)
    {
    case 0:
        return _T("Infrastructure Station");
    case 1:
        return _T("Ad hoc station");
    case 2:
        break;
    default:
        return CString();
    }
    if (!bDetailed)
        return _T("AP Mode");
    // A failed query leaves the record zero: 802.11b.
    if (!m_pApInfo)
        m_pApInfo = std::make_unique<QN40_AP_INFO>();
    *m_pApInfo = QN40_AP_INFO{};
    m_pConfig->GetOid512(reinterpret_cast<BYTE*>(m_pApInfo.get()));
    switch (m_pApInfo->Mode)
    {
    case AP_MODE_MIXED:
        return _T("AP (Mixed Mode)");
    case AP_MODE_11G:
        return _T("AP (11g Mode)");
    default:
        return _T("AP (11b Mode)");
    }
}

void CConfig::InitialFill()
{
    m_pConfig->GetMacAddress(m_strMac);
    SetDlgItemText(IDC_MAC_ADDRESS, m_strMac);
    m_pConfig->GetDeviceType(&m_nDeviceType);
    const BOOL bDetailed = m_nDeviceType == DEVICE_TYPE_AP;
    m_pConfig->GetBssType(&m_nBssType);
    SetDlgItemText(IDC_BSS_TYPE, BssTypeText(bDetailed));
    RefreshAddress();
    m_pConfig->GetSsid(m_strSsid);
    SetDlgItemText(IDC_SSID, m_strSsid);
    m_pConfig->GetBssid(m_strBssid);

    int nStatus = -1;
    m_pConfig->GetMediaConnectStatus(&nStatus);
    switch (nStatus)
    {
    case MEDIA_CONNECTED:
    {
        if (m_strBssid.IsEmpty())
            m_pConfig->GetBssid(m_strBssid);
        m_strStatus.Format(_T("Connected: %s"), static_cast<LPCTSTR>(m_strBssid));
        SetDlgItemText(IDC_LINK_STATUS, m_strStatus);
        CString strRate;
        m_pConfig->GetTxRateText(strRate);
        SetDlgItemText(IDC_TX_RATE, strRate);
        m_pConfig->GetSignalStrength(&m_nSignal);
        m_signalBar.SetPos(m_nSignal);
        m_pConfig->GetLinkQuality(&m_nQuality);
        m_qualityBar.SetPos(m_nQuality);
        break;
    }
    case MEDIA_DISCONNECTED:
        if (m_strSsid.IsEmpty())
            m_pConfig->ReadRegistryValue(_T("Ssid"), m_strSsid, 0);
        m_bDisconnectShown = FALSE;
        ShowDisconnected();
        break;
    case MEDIA_SCANNING:
        m_strStatus = _T("Scanning");
        break;
    default:
        break;
    }

    m_pConfig->GetChannel(&m_radioConfig, &m_nChannel);
    SetDlgItemInt(IDC_CHANNEL, static_cast<UINT>(m_nChannel), TRUE);
    m_pConfig->GetDeviceType(&m_nDeviceType);
}

void CConfig::RefreshLink()
{
    // The low byte of GetBssType's code tells whether it answered.
    if ((m_pConfig->GetBssType(&m_nBssType) & 0xFF) == 0)
        return;
    SetDlgItemText(IDC_BSS_TYPE, BssTypeText(FALSE));
    RadioConfiguration radio = {};
    if (!m_pConfig->GetChannel(&radio, &m_nChannel))
        return;
    SetDlgItemInt(IDC_CHANNEL, static_cast<UINT>(m_nChannel), TRUE);
    if (!m_pConfig->GetSsid(m_strSsid))
        return;
    if (m_strSsid.IsEmpty() && !m_pConfig->ReadRegistryValue(_T("Ssid"), m_strSsid, 0))
        return;
    SetDlgItemText(IDC_SSID, m_strSsid);
    int nStatus = -1;
    if (!m_pConfig->GetMediaConnectStatus(&nStatus))
        return;
    if (nStatus == MEDIA_CONNECTED)
        RefreshConnected();
    else if (nStatus == MEDIA_DISCONNECTED)
        RefreshDisconnected();
}

void CConfig::RefreshConnected()
{
    m_bDisconnectShown = FALSE;
    CString strRate;
    if (!m_pConfig->GetTxRateText(strRate))
        return;
    SetDlgItemText(IDC_TX_RATE, strRate);
    CString strSsid;
    if (!m_pConfig->GetSsid(strSsid))
        return;
    m_pTipText->Format(_T("Connect to: %s\r\nTx Link Speed: %s"), static_cast<LPCTSTR>(strSsid),
                       static_cast<LPCTSTR>(strRate));
    if (!m_pConfig->GetBssid(m_strBssid))
        return;
    m_strStatus.Format(_T("Connected: %s"), static_cast<LPCTSTR>(m_strBssid));
    SetDlgItemText(IDC_LINK_STATUS, m_strStatus);
    if (!m_pConfig->GetLinkQuality(&m_nQuality))
        return;
    m_qualityBar.SetPos(m_nQuality);
    if (!m_pConfig->GetSignalStrength(&m_nSignal))
        return;
    // The tick draws the signal one below the value read (1..100 as 0..99).
    m_signalBar.SetPos(m_nSignal - 1);
}

void CConfig::RefreshDisconnected()
{
    ShowDisconnected();
    CString strText;
    int nState = 0;
    if (!m_pConfig->GetDisconnectState(strText, &nState))
        return;
    if (nState == QN40_DISCONNECT_JOINED)
    {
        // Joined but not let in: the network's BSSID (and channel) are known.
        if (!m_bBssidKnown)
        {
            if (!m_pConfig->GetBssid(m_strBssid) || !m_pConfig->GetChannel(&m_radioConfig, &m_nChannel))
                return;
            m_bBssidKnown = TRUE;
        }
        if (m_strBssid.IsEmpty() && !m_pConfig->GetBssid(m_strBssid))
            return;
        strText.Format(_T("Disconnected. BSSID: %s"), static_cast<LPCTSTR>(m_strBssid));
    }
    else
    {
        m_bBssidKnown = FALSE;
    }
    if (strText.IsEmpty())
        strText = _T("Disconnected");
    SetDlgItemText(IDC_LINK_STATUS, strText);
}

void CConfig::ShowDisconnected()
{
    if (m_bDisconnectShown)
        return;
    m_bDisconnectShown = TRUE;
    m_strStatus = _T("Disconnected");
    SetDlgItemText(IDC_LINK_STATUS, m_strStatus);
    m_nSignal = 0;
    m_signalBar.SetPos(0);
    m_nQuality = 0;
    m_qualityBar.SetPos(0);
    *m_pTipText = _T("Disconnected");
    PostToMainDlg(WM_SET_ICON_LEVEL, reinterpret_cast<WPARAM>(m_pTipText.get()), ICON_LEVEL_DISCONNECTED);
    m_strBssid.Empty();
    m_pConfig->ReadRegistryValue(_T("Ssid"), m_strSsid, 0);
    SetDlgItemText(IDC_SSID, m_strSsid);
}

void CConfig::RefreshAddress()
{
    SetDlgItemText(IDC_MAC_ADDRESS, m_strMac);
    ULONG ulSize = 0;
    if (GetAdaptersInfo(NULL, &ulSize) != ERROR_BUFFER_OVERFLOW || ulSize == 0)
        return;
    const size_t nEntries = (ulSize + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO);
    std::unique_ptr<IP_ADAPTER_INFO[]> pAdapters(new (std::nothrow) IP_ADAPTER_INFO[nEntries]);
    if (!pAdapters || GetAdaptersInfo(pAdapters.get(), &ulSize) != NO_ERROR)
        return;
    for (const IP_ADAPTER_INFO* pAdapter = pAdapters.get(); pAdapter != NULL; pAdapter = pAdapter->Next)
    {
        if (FieldText(pAdapter->AdapterName) == m_strAdapterName)
        {
            SetDlgItemText(IDC_IP_ADDRESS, FieldText(pAdapter->IpAddressList.IpAddress.String));
            break;
        }
    }
}

BOOL CConfig::OnSetActive()
{
    SetTimer(TIMER_LINK, LINK_PERIOD, NULL);
    SetTimer(TIMER_ADDRESS, ADDRESS_PERIOD, NULL);
    RefreshAddress();
    int nStatus = -1;
    if (m_pConfig && m_pConfig->GetMediaConnectStatus(&nStatus))
    {
        if (nStatus == MEDIA_CONNECTED)
        {
            m_pConfig->GetSignalStrength(&m_nSignal);
            m_pConfig->GetLinkQuality(&m_nQuality);
            m_signalBar.SetPos(m_nSignal);
            m_qualityBar.SetPos(m_nQuality);
        }
        else
        {
            m_signalBar.SetPos(0);
            m_qualityBar.SetPos(0);
        }
    }
    return CPropertyPage::OnSetActive();
}

BOOL CConfig::OnKillActive()
{
    KillTimer(TIMER_LINK);
    KillTimer(TIMER_ADDRESS);
    return CPropertyPage::OnKillActive();
}

void CConfig::OnTimer(UINT_PTR nIDEvent)
{
    CPPC_uiApp* pApp = App();
    if (pApp->m_bCardRemoved || !m_pConfig)
    {
        // The card has gone: nothing of it is asked until the page is activated again.
        KillTimer(TIMER_LINK);
        KillTimer(TIMER_ADDRESS);
        pApp->Trace(_T("CConfig::OnTimer: pApp->m_bCardRemoved == TRUE"));
        PostToMainDlg(WM_CARD_GONE, 0, 0);
    }
    else
    {
        try
        {
            if (nIDEvent == TIMER_LINK)
                RefreshLink();
            else if (nIDEvent == TIMER_ADDRESS)
                RefreshAddress();
        }
        catch (...)
        {
            pApp->Trace(_T("!! exception in config "));
            PostToMainDlg(WM_CARD_GONE, 0, 0);
        }
    }
    CPropertyPage::OnTimer(nIDEvent);
}

void CConfig::PostToMainDlg(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (m_pMainDlg && m_pMainDlg->GetSafeHwnd())
        m_pMainDlg->PostMessage(nMessage, wParam, lParam);
}

void CConfig::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

#include "Radio.h"

#include "PPC_ui.h"
#include "PPC_uiDlg.h"
#include "resource.h"

#include <AdapterConfig.h>

#include <tchar.h>

namespace
{

// The list entry of each 2.4 GHz channel, 1 to 14.
const LPCTSTR kChannelTexts[] = {
    _T("1  (2412 MHz)"), _T("2  (2417 MHz)"), _T("3  (2422 MHz)"), _T("4  (2427 MHz)"), _T("5  (2432 MHz)"),
    _T("6  (2437 MHz)"), _T("7  (2442 MHz)"), _T("8  (2447 MHz)"), _T("9  (2452 MHz)"), _T("10 (2457 MHz)"),
    _T("11 (2462 MHz)"), _T("12 (2467 MHz)"), _T("13 (2472 MHz)"), _T("14 (2484 MHz)"),
};

// The channels a regulatory domain allows (IEEE 802.11 domain codes in decimal, compared as whole texts).
struct ChannelRange
{
    LPCTSTR pszDomain;
    int nFirst;
    int nLast;
};
const ChannelRange kDomainChannels[] = {
    {_T("16"), 1, 11},  // United States
    {_T("32"), 1, 11},  // Canada
    {_T("48"), 1, 13},  // Europe, also when the domain cannot be read
    {_T("49"), 10, 11}, // Spain
    {_T("50"), 10, 13}, // France
};
const ChannelRange kOtherDomains = {_T(""), 1, 14};

const ChannelRange& ChannelsOf(const CString& strDomain)
{
    for (const ChannelRange& range : kDomainChannels)
        if (strDomain == range.pszDomain)
            return range;
    return kOtherDomains;
}

const int kLocalizedControls[] = {IDC_SW_RADIO_LABEL,      IDC_RADIO_OFF,          IDC_RADIO_ON,
                                  IDC_ADHOC_CHANNEL_LABEL, IDC_POWER_SAVING_LABEL, 0};
const UINT kLocalizedStrings[] = {IDS_SW_RADIO,      IDS_RADIO_OFF,  IDS_RADIO_ON,
                                  IDS_ADHOC_CHANNEL, IDS_POWER_SAVE, 0};

// The stored PowerMode texts, by list index.
const int kPowerModeCount = 3;
const LPCTSTR kPowerModes[kPowerModeCount] = {_T("0"), _T("1"), _T("2")};

} // namespace

IMPLEMENT_DYNAMIC(CRadio, CPropertyPage)

CRadio::CRadio(UINT nIDCaption)
    : CPropertyPage(IDD_RADIO, nIDCaption), m_nRadio(1), m_pConfig(NULL), m_strDomain(_T("48")),
      m_pMainDlg(NULL)
{
}

CRadio::~CRadio() = default;

BEGIN_MESSAGE_MAP(CRadio, CPropertyPage)
ON_BN_CLICKED(IDC_RADIO_OFF, OnRadioOff)
ON_BN_CLICKED(IDC_RADIO_ON, OnRadioOn)
ON_CBN_SELCHANGE(IDC_ADHOC_CHANNEL, OnSelchangeAdhocChannel)
ON_CBN_SELCHANGE(IDC_POWER_SAVING, OnSelchangePowerSaving)
ON_WM_DESTROY()
END_MESSAGE_MAP()

void CRadio::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ADHOC_CHANNEL, m_cbAdhocChannel);
    DDX_Control(pDX, IDC_POWER_SAVING, m_cbPowerSaving);
    DDX_Radio(pDX, IDC_RADIO_OFF, m_nRadio);
}

int CRadio::FirstChannel() const
{
    return ChannelsOf(m_strDomain).nFirst;
}

int CRadio::LastChannel() const
{
    return ChannelsOf(m_strDomain).nLast;
}

BOOL CRadio::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (m_pConfig)
        m_pConfig->ReadRegistryValue(_T("Domain"), m_strDomain, 0);
    FillChannelList();
    AdapterConfig::LocalizeControls(kLocalizedControls, kLocalizedStrings, this);
    CPPC_uiApp* pApp = static_cast<CPPC_uiApp*>(AfxGetApp());
    if (pApp && pApp->m_bLocalized)
        FillComboFromString(&m_cbPowerSaving, IDS_POWER_SAVING_ITEMS);
    return TRUE;
}

void CRadio::FillChannelList()
{
    m_cbAdhocChannel.ResetContent();
    for (int nChannel = FirstChannel(); nChannel <= LastChannel(); nChannel++)
        m_cbAdhocChannel.AddString(kChannelTexts[nChannel - 1]);
}

void CRadio::FillComboFromString(CComboBox* pCombo, UINT nIDString)
{
    CString strItems;
    if (pCombo == NULL || !strItems.LoadString(nIDString))
        return;
    pCombo->ResetContent();
    for (int nEnd = strItems.Find('\n'); nEnd > 0; nEnd = strItems.Find('\n'))
    {
        pCombo->AddString(strItems.Left(nEnd));
        strItems = strItems.Mid(nEnd + 1);
    }
}

BOOL CRadio::OnSetActive()
{
    if (m_pConfig)
    {
        CString strChannel, strRadio, strPowerMode;
        m_pConfig->ReadRegistryValue(_T("Channel"), strChannel, 0);
        m_pConfig->ReadRegistryValue(_T("RadioOn"), strRadio, 0);
        m_pConfig->ReadRegistryValue(_T("PowerMode"), strPowerMode, 0);

        SelectChannel(strChannel);
        m_nRadio = strRadio == _T("1") ? 1 : 0;
        for (int nMode = 0; nMode < kPowerModeCount; nMode++)
            if (strPowerMode == kPowerModes[nMode])
                m_cbPowerSaving.SetCurSel(nMode);
        UpdateData(FALSE);
    }
    return CPropertyPage::OnSetActive();
}

void CRadio::SelectChannel(const CString& strChannel)
{
    // The number is read from the first two characters only; only texts of one or two characters count.
    const int n = _ttoi(strChannel.Left(2));
    const BOOL bFromTen = FirstChannel() == 10;
    int nIndex = 0;
    if (strChannel.GetLength() == 1)
        nIndex = bFromTen ? 0 : n - 1;
    else if (strChannel.GetLength() == 2 && n >= 10 && n <= 13)
    {
        // A channel the list lacks: 12 and 13 in the two-channel list pick its first entry; in the lists
        // from channel 1 an index past the end selects nothing.
        nIndex = n - FirstChannel();
        if (m_strDomain == _T("49") && n > LastChannel())
            nIndex = 0;
    }
    else if (strChannel.GetLength() == 2 && n == 14 && LastChannel() == 14)
        nIndex = 14 - FirstChannel();
    else
        return;
    // An index outside the list (channel 0, or one the list lacks) leaves no entry selected.
    m_cbAdhocChannel.SetCurSel(nIndex);
}

void CRadio::OnRadioOff()
{
    if (!m_pConfig)
        return;
    m_pConfig->WriteRegistryValue(_T("RadioOn"), _T("0"), 0);
    m_pConfig->SetRadio(0);
}

void CRadio::OnRadioOn()
{
    if (!m_pConfig)
        return;
    m_pConfig->SetRadio(1);
    m_pConfig->WriteRegistryValue(_T("RadioOn"), _T("1"), 0);
}

void CRadio::OnSelchangeAdhocChannel()
{
    // A list without a selection has no channel to store.
    const int nIndex = m_cbAdhocChannel.GetCurSel();
    if (nIndex != CB_ERR)
        StoreNumber(_T("Channel"), nIndex + FirstChannel());
}

void CRadio::OnSelchangePowerSaving()
{
    const int nIndex = m_cbPowerSaving.GetCurSel();
    if (nIndex != CB_ERR)
        StoreNumber(_T("PowerMode"), nIndex);
}

void CRadio::StoreNumber(LPCTSTR pszName, int nValue)
{
    CString strText;
    strText.Format(_T("%d"), nValue);
    if (m_pConfig)
        m_pConfig->WriteRegistryValue(pszName, strText, 0);
}

void CRadio::OnDestroy()
{
    CPropertyPage::OnDestroy();
    if (m_pMainDlg)
        m_pMainDlg->HideFromPage();
}

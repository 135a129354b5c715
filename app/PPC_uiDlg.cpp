#include "PPC_uiDlg.h"

#include "PPC_ui.h"
#include "PropertySheetEx.h"
#include "resource.h"

#include <cstring>

#include <About.h>
#include <BBCR.h>
#include <Config.h>
#include <EEPRomAccess.h>
#include <MCR.h>
#include <Radio.h>
#include <Statistics.h>

#include <dbt.h>

namespace
{

CPPC_uiApp* App()
{
    return static_cast<CPPC_uiApp*>(AfxGetApp());
}

const WCHAR kAdapterInstance[] = _T("WLAN11b1");
const WCHAR kActiveDrivers[] = _T("Drivers\\Active\\");
// The client-driver keys of the card's two SDIO identities.
const WCHAR* const kCardKeys[] = {
    _T("\\Drivers\\SDCARD\\ClientDrivers\\Custom\\MANF-0A5D-CARDID-3B17-FUNC-1"),
    _T("\\Drivers\\SDCARD\\ClientDrivers\\Custom\\MANF-0C71-CARDID-4E22-FUNC-1"),
};

const UINT WM_CARD_GONE = WM_USER + 19;
const UINT WM_SET_ICON_LEVEL = WM_USER + 3;
const UINT ID_SHEET_CLOSED = 3026;
const UINT HIDE_AT_START_MS = 50;
const UINT HIDE_FROM_PAGE_MS = 10;

enum
{
    MAX_KEY_NAME = 260,   // characters of a sub-key name
    MAX_VALUE_BYTES = 260 // bytes of a "Name" or "Key" value
};

// Reads a string value of an open key, bounded; FALSE when it is missing, too long or not a string.
BOOL ReadBoundedString(HKEY hKey, LPCWSTR pszValue, CString& strText)
{
    WCHAR szText[MAX_VALUE_BYTES / sizeof(WCHAR) + 1] = {};
    DWORD dwType = REG_NONE;
    DWORD dwSize = MAX_VALUE_BYTES;
    if (RegQueryValueExW(hKey, pszValue, NULL, &dwType, reinterpret_cast<BYTE*>(szText), &dwSize) !=
            ERROR_SUCCESS ||
        dwType != REG_SZ)
        return FALSE;
    szText[dwSize / sizeof(WCHAR) < MAX_VALUE_BYTES / sizeof(WCHAR) ? dwSize / sizeof(WCHAR)
                                                                    : MAX_VALUE_BYTES / sizeof(WCHAR)] = 0;
    strText = szText;
    return TRUE;
}

BOOL IsCardKey(const CString& strKey)
{
    for (LPCWSTR pszKey : kCardKeys)
        if (strKey == pszKey)
            return TRUE;
    return FALSE;
}

// Calls fn(name, key) for every entry under "Drivers\Active" whose "Name" and "Key" read as strings,
// until it returns TRUE; returns whether one did.
template <class Fn> BOOL FindActiveEntry(Fn fn)
{
    HKEY hActive = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kActiveDrivers, 0, KEY_ALL_ACCESS, &hActive) != ERROR_SUCCESS)
        return FALSE;
    BOOL bFound = FALSE;
    for (DWORD dwIndex = 0; !bFound; ++dwIndex)
    {
        WCHAR szName[MAX_KEY_NAME + 1] = {};
        DWORD dwChars = MAX_KEY_NAME + 1;
        LONG lResult = RegEnumKeyExW(hActive, dwIndex, szName, &dwChars, NULL, NULL, NULL, NULL);
        if (lResult == ERROR_MORE_DATA)
            continue;
        if (lResult != ERROR_SUCCESS)
            break;
        if (!szName[0])
            continue;
        HKEY hEntry = NULL;
        if (RegOpenKeyExW(hActive, szName, 0, KEY_READ, &hEntry) != ERROR_SUCCESS)
            continue;
        CString strName, strKey;
        if (ReadBoundedString(hEntry, _T("Name"), strName) && ReadBoundedString(hEntry, _T("Key"), strKey))
            bFound = fn(strName, strKey);
        RegCloseKey(hEntry);
    }
    RegCloseKey(hActive);
    return bFound;
}

// The port name of a device-change record: the characters after the header, up to the first 0 character
// or the end of the record as its size declares it, whichever comes first.
CString PortName(const DEV_BROADCAST_HDR* pHeader)
{
    const size_t nOffset = offsetof(DEV_BROADCAST_PORT, dbcp_name);
    const size_t nChars = (pHeader->dbch_size - nOffset) / sizeof(WCHAR);
    const BYTE* pName = reinterpret_cast<const BYTE*>(pHeader) + nOffset;
    CString strName;
    for (size_t i = 0; i < nChars; ++i)
    {
        WCHAR ch = 0;
        memcpy(&ch, pName + i * sizeof(WCHAR), sizeof(ch));
        if (ch == 0)
            break;
        strName += ch;
    }
    return strName;
}

BOOL EndsWithAdapterInstance(const CString& strName)
{
    return strName.Right(8) == kAdapterInstance;
}

} // namespace

CPPC_uiDlg::CPPC_uiDlg(CWnd* pParent)
    : CDialog(IDD_PPC_UI_DIALOG, pParent), m_bTrayMenuRequested(FALSE), m_bSheetCreated(FALSE),
      m_bHiddenToTray(FALSE), m_hIcon(NULL), m_ahLinkIcons{}, m_nid{}, m_nIconShown(0),
      m_bCreatingSheet(FALSE)
{
    m_pSheet = std::make_unique<CPropertySheetEx>(IDS_APP_CAPTION, this, 0);
}

CPPC_uiDlg::~CPPC_uiDlg()
{
    // The window's end still needs the pages and the configuration; then the sheet, which refers to the
    // pages, goes before them.
    if (GetSafeHwnd())
        DestroyWindow();
    if (m_pSheet && m_pSheet->GetSafeHwnd())
        m_pSheet->DestroyWindow();
    m_pSheet.reset();
}

void CPPC_uiDlg::Trace(LPCTSTR pszLine)
{
    if (CPPC_uiApp* pApp = App())
        pApp->Trace(pszLine);
}

template <class Fn> void CPPC_uiDlg::ForEachPage(Fn fn)
{
    fn(*m_pBBCR);
    fn(*m_pMCR);
    fn(*m_pEEPRom);
    fn(*m_pStatistics);
    fn(*m_pAbout);
    fn(*m_pStatus);
    fn(*m_pRadio);
}

BEGIN_MESSAGE_MAP(CPPC_uiDlg, CDialog)
ON_BN_CLICKED(IDC_CREATE_SHEET, OnCreateSheetButton)
ON_WM_DESTROY()
ON_WM_LBUTTONDOWN()
ON_WM_TIMER()
ON_MESSAGE(WM_CARD_GONE, OnCardGone)
ON_MESSAGE(WM_SHOWSHEET, OnShowSheetRequest)
ON_WM_DEVICECHANGE()
ON_MESSAGE(WM_SET_ICON_LEVEL, OnSetIconLevel)
ON_REGISTERED_MESSAGE(WM_TBARDLGMESSAGE, OnNotifyIcon)
END_MESSAGE_MAP()

void CPPC_uiDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ADAPTER_COMBO, m_comboBox);
}

BOOL CPPC_uiDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CPPC_uiApp* pApp = App();
    m_hIcon = pApp->LoadIcon(IDR_MAINFRAME);
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    const BOOL bLocalized = pApp->m_bLocalized;
    if (bLocalized)
    {
        SetWindowText(pApp->Caption());
        m_strOn.LoadString(IDS_RADIO_ON);
        m_strOff.LoadString(IDS_RADIO_OFF);
        m_strRadio.LoadString(IDS_RADIO);
    }
    else
    {
        m_strOn = _T("On");
        m_strOff = _T("Off");
        m_strRadio = _T("Radio");
    }

    for (UINT nIcon = IDI_LINK_DOWN; nIcon <= IDI_SIGNAL_5; ++nIcon)
        m_ahLinkIcons[nIcon - IDI_LINK_DOWN] = pApp->LoadIcon(nIcon);

    m_pBBCR = std::make_unique<CBBCR>();
    m_pMCR = std::make_unique<CMCR>();
    m_pEEPRom = std::make_unique<CEEPRomAccess>();
    m_pStatistics = std::make_unique<CStatistics>(bLocalized ? IDS_STATISTICS : 0);
    m_pAbout = std::make_unique<CAbout>(bLocalized ? IDS_ABOUT : 0);
    m_pStatus = std::make_unique<CConfig>(bLocalized ? IDS_STATUS : 0);
    m_pRadio = std::make_unique<CRadio>(bLocalized ? IDS_RADIO : 0);

    // The Statistics page and the register pages are kept wired but not shown.
    m_pSheet->AddPage(m_pStatus.get());
    m_pSheet->AddPage(m_pRadio.get());
    m_pSheet->AddPage(m_pAbout.get());

    ForEachPage([this](auto& page) { page.m_pMainDlg = this; });

    if (!m_bindingList.CheckVersions())
    {
        // The user has been told; the utility ends on the timer.
        SetTimer(TIMER_VERSION_EXIT, 50, NULL);
        return TRUE;
    }

    m_bindingList.FillComboBox(m_comboBox.GetSafeHwnd());
    UpdateData(FALSE);

    if (m_comboBox.GetCount() == 0)
    {
        SetTimer(TIMER_HIDE, HIDE_AT_START_MS, NULL);
        pApp->m_bCardRemoved = TRUE;
    }
    else
    {
        for (int i = 0; i < m_comboBox.GetCount(); ++i)
        {
            m_comboBox.GetLBText(i, m_strAdapterName);
            if (EndsWithAdapterInstance(m_strAdapterName))
            {
                StartAdapter(TRUE);
                break;
            }
            CString strMessage;
            strMessage.Format(_T("WLAN driver description not match %s (%s)"), kAdapterInstance,
                              static_cast<LPCTSTR>(m_strAdapterName));
            AfxMessageBox(strMessage);
        }
    }
    ShowWindow(SW_MINIMIZE);
    return TRUE;
}

void CPPC_uiDlg::ForEachPageSetConfig(AdapterConfig* pConfig)
{
    ForEachPage([pConfig](auto& page) { page.m_pConfig = pConfig; });
}

void CPPC_uiDlg::StartAdapter(BOOL bShow)
{
    m_pConfig = std::make_unique<DriverAdapterConfig>(m_strAdapterName);
    ForEachPageSetConfig(m_pConfig.get());
    m_pStatus->m_strAdapterName = m_strAdapterName;
    SetNotifyIcon(IDR_MAINFRAME, NOTIFY_ADD);
    if (bShow)
        CreateSheet(TRUE);
    else
        SetTimer(TIMER_UPDATE_ICON, UPDATE_ICON_PERIOD, NULL);
    UpdateNotifyIcon();
}

void CPPC_uiDlg::CreateSheet(BOOL bActivatePages)
{
    if (m_bCreatingSheet)
        return;
    if (!m_pSheet->GetSafeHwnd())
    {
        m_bCreatingSheet = TRUE;
        BOOL bCreated = m_pSheet->Create(this, WS_CHILD | WS_VISIBLE, 0);
        m_bCreatingSheet = FALSE;
        if (!bCreated)
            return;
    }
    if (bActivatePages)
    {
        for (int i = 0; i < m_pSheet->GetPageCount(); ++i)
            m_pSheet->SetActivePage(i);
        m_pSheet->SetActivePage(0);
        m_bSheetCreated = TRUE;
    }
}

void CPPC_uiDlg::OnCreateSheetButton()
{
    CreateSheet(FALSE);
}

void CPPC_uiDlg::UpdateNotifyIcon()
{
    Trace(_T("UpdateNotifyIcon "));
    if (App()->m_bCardRemoved || !m_pConfig)
        return;
    Trace(_T("..\r\n"));
    try
    {
        int nStatus = -1;
        if (!m_pConfig->GetMediaConnectStatus(&nStatus))
            return;
        if (nStatus == 1)
        {
            SetNotifyIcon(IDI_LINK_DOWN, NOTIFY_MODIFY);
        }
        else if (nStatus == 0)
        {
            int nSignal = 0;
            if (!m_pConfig->GetSignalStrength(&nSignal))
                return;
            UINT nIcon = nSignal > 80   ? IDI_SIGNAL_5
                         : nSignal > 60 ? IDI_SIGNAL_4
                         : nSignal > 40 ? IDI_SIGNAL_3
                         : nSignal > 20 ? IDI_SIGNAL_2
                                        : IDI_SIGNAL_1;
            SetNotifyIcon(nIcon, NOTIFY_MODIFY);
        }
    }
    catch (...)
    {
        Trace(_T("!! catch(...) in CPPC_uiDlg\r\n"));
        CardRemoveHandle();
    }
}

void CPPC_uiDlg::SetNotifyIcon(UINT nIcon, int nAction)
{
    static_assert(sizeof(m_ahLinkIcons) / sizeof(m_ahLinkIcons[0]) == IDI_SIGNAL_5 - IDI_LINK_DOWN + 1);
    // Any other number gives the application icon (IDI_TRAY_APP stands for it when the icon goes).
    if (nIcon < IDI_LINK_DOWN || nIcon > IDI_SIGNAL_5)
        nIcon = nAction == NOTIFY_DELETE ? IDI_TRAY_APP : IDR_MAINFRAME;
    HICON hIcon = nIcon >= IDI_LINK_DOWN ? m_ahLinkIcons[nIcon - IDI_LINK_DOWN] : m_hIcon;
    m_nid = {};
    m_nid.cbSize = sizeof(m_nid);
    m_nid.hWnd = GetSafeHwnd();
    m_nid.uID = NOTIFY_ICON_ID;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON;
    m_nid.uCallbackMessage = WM_TBARDLGMESSAGE;
    m_nid.hIcon = hIcon;
    m_nid.szTip[0] = 0;
    DWORD dwMessage = nAction == NOTIFY_ADD ? NIM_ADD : nAction == NOTIFY_MODIFY ? NIM_MODIFY : NIM_DELETE;
    if (Shell_NotifyIcon(dwMessage, &m_nid))
        m_nIconShown = nAction == NOTIFY_DELETE ? 0 : nIcon;
}

BOOL CPPC_uiDlg::IsOurCard(LPCWSTR pszDeviceName)
{
    if (!pszDeviceName)
        return FALSE;
    const CString strDevice(pszDeviceName);
    BOOL bOurs = FALSE;
    FindActiveEntry(
        [&](const CString& strName, const CString& strKey)
        {
            if (strName != strDevice)
                return FALSE;
            bOurs = IsCardKey(strKey);
            return TRUE;
        });
    return bOurs;
}

BOOL CPPC_uiDlg::IsCardListed()
{
    return FindActiveEntry([](const CString&, const CString& strKey) { return IsCardKey(strKey); });
}

BOOL CPPC_uiDlg::OnDeviceChange(UINT nEventType, DWORD_PTR dwData)
{
    const auto* pHeader = reinterpret_cast<const DEV_BROADCAST_HDR*>(dwData);
    if (!pHeader)
        return 0;
    const BOOL bPort = pHeader->dbch_devicetype == DBT_DEVTYP_PORT &&
                       pHeader->dbch_size > offsetof(DEV_BROADCAST_PORT, dbcp_name);
    switch (nEventType)
    {
    case DBT_DEVICEARRIVAL:
    {
        Trace(_T("DBT_DEVICEARRIVAL\r\n"));
        // One configuration object, one icon: a second arrival changes nothing.
        if (!bPort || m_pConfig)
            break;
        if (!IsOurCard(PortName(pHeader)))
            break;
        CPPC_uiApp* pApp = App();
        pApp->m_bCardRemoved = FALSE;
        if (!m_bindingList.CheckVersions() || !StartSelectedAdapter())
            pApp->m_bCardRemoved = TRUE;
        break;
    }
    case DBT_DEVICEREMOVECOMPLETE:
        Trace(_T("DBT_DEVICEREMOVECOMPLETE\r\n"));
        // Another port going away leaves the card alone: only when no active entry is the card's.
        if (bPort && !IsCardListed())
            CardRemoveHandle();
        break;
    default:
        break;
    }
    return 0;
}

BOOL CPPC_uiDlg::StartSelectedAdapter()
{
    m_bindingList.FillComboBox(m_comboBox.GetSafeHwnd());
    UpdateData(FALSE);
    if (m_comboBox.GetCount() < 1)
        return FALSE;
    int nSel = m_comboBox.GetCurSel();
    m_comboBox.GetLBText(nSel < 0 ? 0 : nSel, m_strAdapterName);
    if (!EndsWithAdapterInstance(m_strAdapterName))
        return FALSE;
    StartAdapter(FALSE);
    return TRUE;
}

void CPPC_uiDlg::CardRemove()
{
    Trace(_T("CardRemove"));
    CPPC_uiApp* pApp = App();
    if (pApp->m_bCardRemoved)
        return;
    m_pConfig.reset();
    if (m_pBBCR)
        ForEachPageSetConfig(NULL);
    m_bindingList.Release();
    pApp->m_bCardRemoved = TRUE;
}

void CPPC_uiDlg::CardRemoveHandle()
{
    Trace(_T("CardRemoveHandle"));
    if (m_bHiddenToTray)
        KillTimer(TIMER_UPDATE_ICON);
    CardRemove();
    m_bHiddenToTray = FALSE;
    SetNotifyIcon(IDI_TRAY_APP, NOTIFY_DELETE);
    OnOK();
}

void CPPC_uiDlg::OnOK()
{
    Trace(_T("OnOK"));
    // The sheet stops being shown: its window goes, and is made again when it is next opened.
    if (m_pSheet->GetSafeHwnd())
        m_pSheet->EndDialog(0);
    m_bSheetCreated = FALSE;
    HideToTray();
    PostMessage(WM_COMMAND, ID_SHEET_CLOSED, 0);
}

void CPPC_uiDlg::HideWindow()
{
    ShowWindow(SW_HIDE);
    SetWindowPos(&wndBottom, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void CPPC_uiDlg::HideToTray()
{
    HideWindow();
    m_bHiddenToTray = TRUE;
    SetTimer(TIMER_UPDATE_ICON, UPDATE_ICON_PERIOD, NULL);
}

void CPPC_uiDlg::HideFromPage()
{
    if (!GetSafeHwnd())
        return; // the dialog itself is going away
    if (!m_bHiddenToTray)
        HideToTray();
    SetTimer(TIMER_HIDE, HIDE_FROM_PAGE_MS, NULL);
}

void CPPC_uiDlg::ShowSheet()
{
    if (App()->m_bCardRemoved)
        return;
    if (!m_bSheetCreated)
        CreateSheet(TRUE);
    SetForegroundWindow();
    BringWindowToTop();
    ShowWindow(SW_SHOWNORMAL);
    m_bHiddenToTray = FALSE;
    KillTimer(TIMER_UPDATE_ICON);
}

void CPPC_uiDlg::OnTimer(UINT_PTR nIDEvent)
{
    switch (nIDEvent)
    {
    case TIMER_UPDATE_ICON:
        UpdateNotifyIcon();
        break;
    case TIMER_VERSION_EXIT:
        EndDialog(RESULT_EXIT);
        KillTimer(TIMER_VERSION_EXIT);
        break;
    case TIMER_HIDE:
        HideWindow();
        KillTimer(TIMER_HIDE);
        m_bSheetCreated = FALSE;
        break;
    default:
        break;
    }
    CDialog::OnTimer(nIDEvent);
}

void CPPC_uiDlg::OnDestroy()
{
    CDialog::OnDestroy();
    CardRemove();
    SetNotifyIcon(IDI_TRAY_APP, NOTIFY_DELETE);
}

LRESULT CPPC_uiDlg::OnCardGone(WPARAM, LPARAM)
{
    CardRemoveHandle();
    return 0;
}

LRESULT CPPC_uiDlg::OnShowSheetRequest(WPARAM, LPARAM)
{
    ShowSheet();
    return 0;
}

LRESULT CPPC_uiDlg::OnSetIconLevel(WPARAM, LPARAM lParam)
{
    // Level 1 is the strongest signal, 5 the weakest, 6 no link.
    if (lParam >= 1 && lParam <= 6)
        SetNotifyIcon(static_cast<UINT>(IDI_SIGNAL_5 + 1 - lParam), NOTIFY_MODIFY);
    return 0;
}

LRESULT CPPC_uiDlg::OnNotifyIcon(WPARAM wParam, LPARAM lParam)
{
    m_bTrayMenuRequested = TRUE;
    if (lParam == WM_LBUTTONDOWN && wParam == NOTIFY_ICON_ID)
        PostMessage(WM_LBUTTONDOWN, 0, 0);
    return 0;
}

void CPPC_uiDlg::OnLButtonDown(UINT nFlags, CPoint point)
{
    // Only the tap that the icon's callback posts, at (0, 0).
    if (point.x != 0 || point.y != 0)
        return;
    CRect rect;
    GetWindowRect(&rect);
    point = CPoint(rect.right - 50, rect.bottom - 20);
    if (m_bTrayMenuRequested)
    {
        ShowTrayMenu(point);
        m_bTrayMenuRequested = FALSE;
    }
    CDialog::OnLButtonDown(nFlags, point);
}

UINT CPPC_uiDlg::CheckedRadioItem()
{
    // The registry store needs no adapter: a bare configuration object reads it as well.
    AdapterConfig store;
    CString strRadio;
    store.ReadRegistryValue(_T("RadioOn"), strRadio, 0);
    return strRadio == _T("1") ? ID_RADIO_ON : ID_RADIO_OFF;
}

void CPPC_uiDlg::ShowTrayMenu(CPoint point)
{
    CMenu menu;
    if (!menu.LoadMenu(IDR_TRAY_MENU))
        return;
    CMenu* pPopup = menu.GetSubMenu(0);
    if (!pPopup || !m_menuRadio.CreatePopupMenu())
    {
        menu.DestroyMenu();
        return;
    }
    m_menuRadio.AppendMenu(MF_STRING, ID_RADIO_ON, m_strOn);
    m_menuRadio.AppendMenu(MF_STRING, ID_RADIO_OFF, m_strOff);
    // The "Radio" item is the sub-menu's one pop-up item; the built menu takes its place (and its old
    // pop-up goes with the item).
    BOOL bPlaced = FALSE;
    for (int i = 0; i < pPopup->GetMenuItemCount() && !bPlaced; ++i)
        if (pPopup->GetSubMenu(i))
            bPlaced = pPopup->ModifyMenu(i, MF_BYPOSITION | MF_POPUP,
                                         reinterpret_cast<UINT_PTR>(m_menuRadio.GetSafeHmenu()), m_strRadio);
    if (!bPlaced)
        m_menuRadio.DestroyMenu();
    if (App()->m_bLocalized)
    {
        // The Chinese texts of "On" and "Off" read as "open" and "close".
        pPopup->ModifyMenu(ID_TRAY_OPEN, MF_BYCOMMAND | MF_STRING, ID_TRAY_OPEN, m_strOn);
        pPopup->ModifyMenu(ID_TRAY_EXIT, MF_BYCOMMAND | MF_STRING, ID_TRAY_EXIT, m_strOff);
    }
    pPopup->CheckMenuRadioItem(ID_RADIO_ON, ID_RADIO_OFF, CheckedRadioItem(), MF_BYCOMMAND);

    UINT nCommand =
        static_cast<UINT>(pPopup->TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, this));

    // The loaded menu owns the built one now: both go with it.
    if (bPlaced)
        m_menuRadio.Detach();
    menu.DestroyMenu();
    OnTrayCommand(nCommand);
}

void CPPC_uiDlg::OnTrayCommand(UINT nCommand)
{
    switch (nCommand)
    {
    case ID_RADIO_ON:
        if (m_pConfig)
        {
            m_pConfig->SetRadio(1);
            m_pConfig->WriteRegistryValue(_T("RadioOn"), _T("1"), 0);
        }
        break;
    case ID_RADIO_OFF:
        if (m_pConfig)
        {
            m_pConfig->WriteRegistryValue(_T("RadioOn"), _T("0"), 0);
            m_pConfig->SetRadio(0);
        }
        break;
    case ID_TRAY_EXIT:
        EndDialog(RESULT_EXIT);
        break;
    case ID_TRAY_OPEN:
        ShowSheet();
        break;
    default:
        break;
    }
}

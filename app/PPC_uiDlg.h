// The utility's one top-level window. Mostly hidden: it keeps the notification icon whose picture follows
// the link, offers the icon's pop-up menu, follows the SD card coming and going, owns the configuration
// object and hosts the property sheet with the pages.
#pragma once

#include <afxwin.h>
#include <shellapi.h>

#include <AdapterBindingList.h>
#include <DriverAdapterConfig.h>

#include <memory>

class CPropertySheetEx;
class CBBCR;
class CMCR;
class CEEPRomAccess;
class CStatistics;
class CAbout;
class CConfig;
class CRadio;

class CPPC_uiDlg : public CDialog
{
public:
    explicit CPPC_uiDlg(CWnd* pParent = NULL);
    ~CPPC_uiDlg() override;

    // Timers of the dialog.
    enum
    {
        TIMER_UPDATE_ICON = 254,  // refreshes the notification icon while the window is hidden
        TIMER_VERSION_EXIT = 255, // ends the utility after an interface version mismatch
        TIMER_HIDE = 256,         // hides the window
        UPDATE_ICON_PERIOD = 3000,
        NOTIFY_ICON_ID = 5000,
        RESULT_EXIT = 3,
    };
    enum NotifyAction
    {
        NOTIFY_ADD = 0,
        NOTIFY_MODIFY = 1,
        NOTIFY_DELETE = 2
    };

    // A page's window went away: hide shortly after.
    void HideFromPage();
    void HideToTray();
    // Brings the sheet forward (the request of a second copy, and "Open"); not while the card is absent.
    void ShowSheet();
    void StartAdapter(BOOL bShow);
    void UpdateNotifyIcon();
    void SetNotifyIcon(UINT nIcon, int nAction);
    // TRUE when the active driver entry of the port is the card's.
    BOOL IsOurCard(LPCWSTR pszDeviceName);
    // TRUE while some active driver entry still has one of the card's keys.
    static BOOL IsCardListed();
    void CardRemove();
    void CardRemoveHandle();
    void ShowTrayMenu(CPoint point);
    // The radio item the tray menu checks: 32771 (On) when "RadioOn" reads "1", else 32772 (Off).
    UINT CheckedRadioItem();
    // Acts on a command chosen in the tray menu.
    void OnTrayCommand(UINT nCommand);

    // The state the tray menu and the sheet's showing and hiding go by.
    BOOL m_bTrayMenuRequested; // the icon's callback asked for the menu
    BOOL m_bSheetCreated;      // the sheet is made and each of its pages was shown once
    BOOL m_bHiddenToTray;      // the window is hidden and the icon timer runs

    // Read-only views of the rest, for the tests.
    const CString& GetAdapterName() const { return m_strAdapterName; }
    DriverAdapterConfig* GetConfig() const { return m_pConfig.get(); }
    CPropertySheetEx* GetSheet() const { return m_pSheet.get(); }
    // The icon number the notification icon shows; 0 while there is none.
    UINT GetIconShown() const { return m_nIconShown; }
    const NOTIFYICONDATA& GetNotifyIconData() const { return m_nid; }
    CConfig* GetStatusPage() const { return m_pStatus.get(); }
    CRadio* GetRadioPage() const { return m_pRadio.get(); }
    CAbout* GetAboutPage() const { return m_pAbout.get(); }
    CStatistics* GetStatisticsPage() const { return m_pStatistics.get(); }
    CBBCR* GetBBCRPage() const { return m_pBBCR.get(); }
    CMCR* GetMCRPage() const { return m_pMCR.get(); }
    CEEPRomAccess* GetEEPRomPage() const { return m_pEEPRom.get(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    afx_msg void OnCreateSheetButton();
    afx_msg void OnDestroy();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg LRESULT OnCardGone(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnShowSheetRequest(WPARAM wParam, LPARAM lParam);
    afx_msg BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
    afx_msg LRESULT OnSetIconLevel(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnNotifyIcon(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    // Creates the sheet's window once (never while it has one or is being made: its message boxes run
    // nested loops), shows each page once and returns to the first.
    void CreateSheet(BOOL bActivatePages);
    void ForEachPageSetConfig(AdapterConfig* pConfig);
    void HideWindow();
    // The adapter named by the combo box's selection, when it is the wireless card's; FALSE otherwise.
    BOOL StartSelectedAdapter();
    void Trace(LPCTSTR pszLine);
    // Calls fn(page) for each of the seven pages, shown or not.
    template <class Fn> void ForEachPage(Fn fn);

    CString m_strAdapterName;
    AdapterBindingList m_bindingList;
    CComboBox m_comboBox;
    HICON m_hIcon;
    std::unique_ptr<CPropertySheetEx> m_pSheet;
    std::unique_ptr<CBBCR> m_pBBCR;
    std::unique_ptr<CMCR> m_pMCR;
    std::unique_ptr<CEEPRomAccess> m_pEEPRom;
    std::unique_ptr<CStatistics> m_pStatistics;
    std::unique_ptr<CAbout> m_pAbout;
    std::unique_ptr<CConfig> m_pStatus;
    std::unique_ptr<CRadio> m_pRadio;
    std::unique_ptr<DriverAdapterConfig> m_pConfig; // null while no adapter is in use
    CMenu m_menuRadio;
    CString m_strOn, m_strOff, m_strRadio;
    HICON m_ahLinkIcons[6]; // icons 156 to 161: no link, then the signal from weakest to strongest
    NOTIFYICONDATA m_nid;
    UINT m_nIconShown;
    BOOL m_bCreatingSheet;
};

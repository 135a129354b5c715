// The status page: the link, the network, the addresses, signal and quality. While it is the current page
// it refreshes the link every 3.5 s and the IP address every 8 s; it tells the main dialog when the link
// drops (the notification icon changes) and when the card has gone.
#pragma once

#include <afxdlgs.h>

#include <AdapterRecords.h>

#include "GradientBar.h"

#include <memory>

class AdapterConfig;
class CPPC_uiDlg;

class CConfig : public CPropertyPage
{
    DECLARE_DYNAMIC(CConfig)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CConfig(UINT nIDCaption = 0);
    ~CConfig() override;

    enum
    {
        TIMER_LINK = 254,
        LINK_PERIOD = 3500,
        TIMER_ADDRESS = 255,
        ADDRESS_PERIOD = 8000,
        DEVICE_TYPE_AP = 2, // GetDeviceType: the type field tells the access point's mode
    };

    int m_nDeviceType;
    CGradientBar m_qualityBar; // control 1012
    CGradientBar m_signalBar;  // control 1011
    CString m_strSsid;
    CString m_strStatus;
    int m_nChannel;
    CString m_strIp; // never assigned: the address refresh writes its control directly
    CString m_strMac;
    int m_nBssType; // 0 infrastructure, 1 ad hoc, 2 access point
    int m_nSignal;  // the last percentages read
    int m_nQuality;
    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    BOOL m_bBssidKnown;       // BSSID and channel of the joined-but-not-let-in state have been read
    RadioConfiguration m_radioConfig;
    std::unique_ptr<QN40_AP_INFO> m_pApInfo; // the access point's information, made once when needed
    CString m_strAdapterName;                // the adapter binding in use, copied in by the main dialog
    BOOL m_bDisconnectShown;                 // the disconnected display is up since the last connected tick
    std::unique_ptr<CString> m_pTipText;     // the link text handed to the main dialog with the icon level
    CString m_strBssid;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Starts both timers, refreshes the address and the bars.
    BOOL OnSetActive() override;
    // Stops both timers.
    BOOL OnKillActive() override;

    afx_msg void OnTimer(UINT_PTR nIDEvent);
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // The fields as the page opens; failed queries leave what the members hold.
    void InitialFill();
    // The link tick: each step needs its query to succeed, else the tick ends there.
    void RefreshLink();
    void RefreshConnected();
    void RefreshDisconnected();
    // Once per disconnection: empties the status and the bars and tells the main dialog.
    void ShowDisconnected();
    // The IP address of the adapter in use, from the system's adapter list.
    void RefreshAddress();
    // The type field's text for m_nBssType; under the detailed table an access point's mode is read.
    CString BssTypeText(BOOL bDetailed);
    void PostToMainDlg(UINT nMessage, WPARAM wParam, LPARAM lParam);
};

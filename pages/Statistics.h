// The statistics page: the card's frame counters since the last reset and the transmit and receive
// throughput, refreshed every 4 seconds while the page is active. "Reset" takes the counters as they are
// now as the new zero (the baselines); the driver's own counters are not touched.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CStatistics : public CPropertyPage
{
    DECLARE_DYNAMIC(CStatistics)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CStatistics(UINT nIDCaption = 0);
    ~CStatistics() override;

    enum
    {
        TIMER_REFRESH = 255,
        REFRESH_PERIOD = 4000, // ms; the throughput takes every tick to be this long
    };

    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page
    // The shown values: counters since the last reset, throughput in kbit/s.
    DWORD m_dwRxCrcOk;         // 1034
    CString m_strRxThroughput; // 1036
    DWORD m_dwRxOk;            // 1033
    DWORD m_dwTxErr;           // 1031
    CString m_strTxThroughput; // 1007
    DWORD m_dwTxOk;            // 1030
    DWORD m_dwRxErr;           // 1035
    // The byte counts of the last reading.
    ULONGLONG m_qwRxBytes;
    ULONGLONG m_qwTxBytes;
    // The counters at the last reset.
    DWORD m_dwTxOkBase;
    DWORD m_dwRxOkBase;
    DWORD m_dwTxErrBase;
    DWORD m_dwRxErrBase;
    DWORD m_dwRxCrcOkBase;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Starts the refresh and shows the counters (the throughput keeps what it showed).
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;

    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnReset() override;
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // One answer of the configuration's statistics.
    struct Reading
    {
        ULONGLONG qwTxBytes;
        ULONGLONG qwRxBytes;
        DWORD dwTxOk;
        DWORD dwTxErr;
        DWORD dwRxOk;
        DWORD dwRxCrcOk;
        DWORD dwRxErr;
    };
    // FALSE, with the members untouched, when the configuration gives no answer.
    BOOL Read(Reading& reading);
    // Makes the counters of now the new zero; a failed reading keeps the old baselines.
    void TakeBaseline();
    // Takes a reading's byte counts and its counters less the baselines (wrapping below a baseline).
    void ShowReading(const Reading& reading);
    // The refresh of a tick; FALSE when the configuration gave no answer (nothing changes then).
    BOOL Refresh();
    // Tells the main dialog that the card is gone.
    void PostCardGone();
};

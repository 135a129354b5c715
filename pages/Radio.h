// The radio page: the software radio switch, the ad hoc channel and power saving. It keeps nothing of
// its own between activations: the miniport's parameters RadioOn, Channel and PowerMode are re-read each
// time the page becomes active and written as soon as the user changes one. Only the radio switch also
// acts on the running driver.
#pragma once

#include <afxdlgs.h>

class AdapterConfig;
class CPPC_uiDlg;

class CRadio : public CPropertyPage
{
    DECLARE_DYNAMIC(CRadio)
public:
    // nIDCaption: the tab text's string (under the Chinese interface); 0 keeps the template's title.
    explicit CRadio(UINT nIDCaption = 0);
    ~CRadio() override;

    int m_nRadio;             // the S/W Radio group: 0 "Off" (1047), 1 "On" (1048)
    AdapterConfig* m_pConfig; // null while there is no card; set and cleared by the main dialog
    CString m_strDomain;      // the regulatory domain code as decimal text, read once at initialisation
    CPPC_uiDlg* m_pMainDlg;   // the dialog that made the page

    // Fills the list with the lines of a string resource, each ended by a newline; text after the last
    // newline, and everything after an empty line, is dropped. A string that cannot be loaded leaves the
    // list as it was.
    void FillComboFromString(CComboBox* pCombo, UINT nIDString);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Shows the stored channel, radio state and power mode.
    BOOL OnSetActive() override;

    afx_msg void OnRadioOff();
    afx_msg void OnRadioOn();
    afx_msg void OnSelchangeAdhocChannel();
    afx_msg void OnSelchangePowerSaving();
    // The page's window goes away: the main dialog hides itself shortly after.
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // The channels of m_strDomain's list: list index i stands for channel FirstChannel() + i.
    int FirstChannel() const;
    int LastChannel() const;
    void FillChannelList();
    // Selects the list entry of a stored Channel text; texts that name no entry leave the selection.
    void SelectChannel(const CString& strChannel);
    // Writes a parameter as decimal text, when there is a configuration.
    void StoreNumber(LPCTSTR pszName, int nValue);

    CComboBox m_cbAdhocChannel; // 1049
    CComboBox m_cbPowerSaving;  // 1051
};

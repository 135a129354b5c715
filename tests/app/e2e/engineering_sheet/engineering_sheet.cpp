// engineering_sheet: the baseband register, MAC register, EEPROM and Statistics pages in a sheet of their
// own on the simulated card WLAN11b1, so that the end-to-end tests can drive them from outside through uictl
// (the utility constructs these pages but does not show them). The sheet's OK or Cancel ends the program.
#include <BBCR.h>
#include <DriverAdapterConfig.h>
#include <EEPRomAccess.h>
#include <MCR.h>
#include <PPC_ui.h>
#include <Statistics.h>

#include <afxdlgs.h>

UINT WM_TBARDLGMESSAGE = 0;

namespace
{

class CEngineeringApp : public CPPC_uiApp
{
public:
    BOOL InitInstance() override
    {
        ChooseLanguage(GetUserDefaultLangID());
        DriverAdapterConfig config(_T("WLAN11b1"));
        CBBCR bbcr;
        CMCR mcr;
        CEEPRomAccess eeprom;
        CStatistics statistics;
        bbcr.m_pConfig = mcr.m_pConfig = eeprom.m_pConfig = statistics.m_pConfig = &config;
        CPropertySheet sheet(_T("Engineering"));
        sheet.AddPage(&bbcr);
        sheet.AddPage(&mcr);
        sheet.AddPage(&eeprom);
        sheet.AddPage(&statistics);
        m_pMainWnd = &sheet;
        sheet.DoModal();
        m_pMainWnd = NULL;
        return FALSE;
    }
};

CEngineeringApp theApp;

} // namespace

// Every page can be hosted in a sheet of its own, with and without a configuration, and goes away with it.
#include "page_test_support.h"

#include <About.h>
#include <BBCR.h>
#include <Config.h>
#include <EEPRomAccess.h>
#include <MCR.h>
#include <Radio.h>
#include <Statistics.h>

namespace page_test
{
namespace
{

class PageHost : public PageTest
{
};

TEST_F(PageHost, EveryPageIsCreatedInASheetOfItsOwn)
{
    MakeConfig();
    CConfig status;
    CRadio radio;
    CAbout about;
    CStatistics statistics;
    CBBCR bbcr;
    CMCR mcr;
    CEEPRomAccess eeprom;
    CPropertyPage* pages[] = {&status, &radio, &about, &statistics, &bbcr, &mcr, &eeprom};
    status.m_pConfig = radio.m_pConfig = about.m_pConfig = statistics.m_pConfig = m_pConfig.get();
    bbcr.m_pConfig = mcr.m_pConfig = eeprom.m_pConfig = m_pConfig.get();
    for (CPropertyPage* pPage : pages)
        AddPage(pPage);
    ASSERT_TRUE(m_pSheet->Create(nullptr, WS_POPUP | WS_VISIBLE, 0));
    Pump();
    for (int i = 0; i < 7; ++i)
    {
        Activate(i);
        EXPECT_NE(pages[i]->GetSafeHwnd(), nullptr) << "page " << i;
    }
    m_pSheet->DestroyWindow();
    Pump();
    for (CPropertyPage* pPage : pages)
        EXPECT_EQ(pPage->GetSafeHwnd(), nullptr);
}

} // namespace
} // namespace page_test

// LocalizeControls: under the Chinese interface each listed control takes the text of its paired string;
// otherwise, and past the list's terminating 0, nothing changes.

#include <AdapterConfig.h>

#include "localize_res.h"

#include <WlanApp.h>

#include <gwes/gwes.h>
#include <temp_handheld.h>
#include <window_system.h>

#include <gtest/gtest.h>

namespace
{

CWlanApp s_app;

const bool s_bWindowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerFixture);

class Localize : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gwes::EnsureApplication());
        ASSERT_TRUE(m_dialog.Create(IDD_LOCALIZE));
    }
    void TearDown() override
    {
        m_dialog.DestroyWindow();
        s_app.m_bLocalized = FALSE;
    }

    std::u16string Text(int nId)
    {
        WCHAR szText[128] = {};
        GetDlgItemTextW(m_dialog.GetSafeHwnd(), nId, szText, 128);
        return szText;
    }

    testing_support::TempHandheld m_handheld;
    CDialog m_dialog;
};

TEST_F(Localize, EnglishInterfaceKeepsTheTemplateTexts)
{
    const int anControls[] = {IDC_FIRST, IDC_SECOND, 0};
    const UINT anStrings[] = {IDS_FIRST, IDS_SECOND, 0};
    EXPECT_TRUE(AdapterConfig::LocalizeControls(anControls, anStrings, &m_dialog));
    EXPECT_EQ(Text(IDC_FIRST), u"One");
    EXPECT_EQ(Text(IDC_SECOND), u"Two");
}

TEST_F(Localize, ChineseInterfaceTakesThePairedStrings)
{
    s_app.m_bLocalized = TRUE;
    // Pairs go by position; a string missing from the table leaves its control; the 0 ends the list.
    const int anControls[] = {IDC_FIRST, IDC_SECOND, 0, IDC_THIRD};
    const UINT anStrings[] = {IDS_SECOND, IDS_MISSING, 0, IDS_FIRST};
    EXPECT_TRUE(AdapterConfig::LocalizeControls(anControls, anStrings, &m_dialog));
    EXPECT_EQ(Text(IDC_FIRST), u"無線電");
    EXPECT_EQ(Text(IDC_SECOND), u"Two");
    EXPECT_EQ(Text(IDC_THIRD), u"Three");
}

} // namespace

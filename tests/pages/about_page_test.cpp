// The about page on the simulated card: the driver and utility versions, the Chinese labels and the two
// links handed to the shell.
#include "interface_language.h"
#include "page_test_support.h"

#include <About.h>
#include <resource.h>

#include <gwes/shell.h>

#include <string>
#include <vector>

namespace page_test
{
namespace
{

class AboutPage : public PageTest
{
protected:
    void TearDown() override
    {
        gwes::SetUrlOpener(nullptr);
        PageTest::TearDown();
    }
    // A new sheet with a new about page, its window made now.
    void HostAbout(bool bConfig = true)
    {
        NewSheet();
        m_pAbout = std::make_unique<CAbout>();
        m_pAbout->m_pConfig = bConfig ? m_pConfig.get() : nullptr;
        Host(m_pAbout.get());
    }

    std::unique_ptr<CAbout> m_pAbout;
};

TEST_F(AboutPage, DriverVersionFromTheRegistryOrTheDriver)
{
    MakeConfig();
    struct Row
    {
        const char16_t* pszStored; // empty: no DriverVersion value
        const char* pszAnswer;     // the driver's vendor version, as cardctl's answer bytes; null: its own
        const char16_t* pszShown;
    };
    const Row rows[] = {
        {u"1.0.3.12", nullptr, u"1.00.03.0012"},
        {u"2.1.5.17", nullptr, u"2.01.05.0017"},
        {u"10.11.123.12345", nullptr, u"10.11.123.12345"},
        {u"abc", nullptr, u"abc"},
        {u"1.2.3", nullptr, u"1.2.3"},
        {u"v1.2.3.4", nullptr, u"v1.2.3.4"},
        {u"", "02000100", u"1.2"},
        {u"", nullptr, u"2.1"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        SetParameter(u"DriverVersion", row.pszStored);
        if (row.pszAnswer)
            Cardctl(std::string("fault answer 00010116 ") + row.pszAnswer);
        HostAbout();
        EXPECT_EQ(Text(m_pAbout.get(), IDC_DRIVER_VERSION), row.pszShown);
        EXPECT_EQ(Text(m_pAbout.get(), IDC_UTILITY_VERSION), u"10.26.6.2005\n");
        Cardctl("fault clear");
    }
    EXPECT_EQ(m_boxes.texts().size(), 0u);

    // The driver cannot tell either: its own message, and the field stays empty.
    Cardctl("fault status 00010116 C0000001 query");
    HostAbout();
    EXPECT_EQ(Text(m_pAbout.get(), IDC_DRIVER_VERSION), u"");
    EXPECT_EQ(Count(u"Failed to read driver version"), 1);

    // Without a card, and read once: a configuration given later changes nothing until a new window.
    HostAbout(false);
    EXPECT_EQ(Text(m_pAbout.get(), IDC_DRIVER_VERSION), u"N/A");
    m_pAbout->m_pConfig = m_pConfig.get();
    Activate(0);
    EXPECT_EQ(Text(m_pAbout.get(), IDC_DRIVER_VERSION), u"N/A");
}

TEST_F(AboutPage, LabelsInTheInterfaceLanguage)
{
    struct Row
    {
        LANGID wLangId;                     // 0: English
        std::vector<std::u16string> labels; // 1056, 1057, 1058, 1059
    };
    const Row rows[] = {
        {0, {u"Version", u"Driver:", u"Utility:", u"Link"}},
        {kTraditionalChinese, {u"版本", u"驅動程式", u"工具程式", u"連結"}},
        {kSimplifiedChinese, {u"版本", u"驱动程序", u"工具程序", u"链接"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.wLangId);
        std::unique_ptr<InterfaceLanguage> pLanguage;
        if (row.wLangId)
            pLanguage = std::make_unique<InterfaceLanguage>(row.wLangId);
        HostAbout(false);
        std::vector<std::u16string> labels;
        for (int nId : {IDC_VERSION_GROUP, IDC_DRIVER_LABEL, IDC_UTILITY_LABEL, IDC_LINK_GROUP})
            labels.push_back(Text(m_pAbout.get(), nId));
        EXPECT_EQ(labels, row.labels);
        EXPECT_EQ(Text(m_pAbout.get(), IDC_DRIVER_VERSION), u"N/A");
    }
}

TEST_F(AboutPage, LinksGoToTheShellAndShowNothingWhenNoProgramOpensThem)
{
    std::vector<std::u16string> opened;
    bool bOpens = true;
    gwes::SetUrlOpener(
        [&](const std::u16string& url)
        {
            opened.push_back(url);
            return bOpens;
        });
    HostAbout(false);
    m_pAbout->SendDlgItemMessage(IDC_WEB_LINK, BM_CLICK);
    m_pAbout->SendDlgItemMessage(IDC_MAIL_LINK, BM_CLICK);
    bOpens = false;
    m_pAbout->SendDlgItemMessage(IDC_WEB_LINK, BM_CLICK);
    Pump();
    EXPECT_EQ(opened,
              (std::vector<std::u16string>{u"http://www.keltrax.example", u"mailto:support@keltrax.example",
                                           u"http://www.keltrax.example"}));
    EXPECT_EQ(m_boxes.texts().size(), 0u);
}

} // namespace
} // namespace page_test

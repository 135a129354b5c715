#include "page_test_support.h"

#include <run_tool.h>
#include <window_system.h>

UINT WM_TBARDLGMESSAGE = 0;

namespace page_test
{

namespace
{

CPPC_uiApp s_app;

const bool s_bWindowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerFixture);

const char16_t kParms[] = u"Comm\\WLAN11b1\\Parms";

} // namespace

CPPC_uiApp& App()
{
    return s_app;
}

void Cardctl(const std::string& arguments)
{
    std::string output;
    EXPECT_EQ(testing_support::RunTool("cardctl", arguments, &output), 0) << arguments << ": " << output;
}

std::string CardctlOutput(const std::string& arguments)
{
    std::string output;
    testing_support::RunTool("cardctl", arguments, &output);
    return output;
}

std::u16string Parameter(const char16_t* pszName)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return u"<none>";
    WCHAR szText[64] = {};
    DWORD dwType = 0, dwSize = sizeof(szText) - sizeof(WCHAR);
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwType, reinterpret_cast<BYTE*>(szText), &dwSize);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS && dwType == REG_SZ ? std::u16string(szText) : u"<none>";
}

void SetParameter(const char16_t* pszName, const char16_t* pszValue)
{
    HKEY hKey = NULL;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, KEY_ALL_ACCESS, &hKey), ERROR_SUCCESS);
    if (pszValue == nullptr || *pszValue == 0)
        RegDeleteValueW(hKey, pszName);
    else
        EXPECT_EQ(RegSetValueExW(
                      hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                      static_cast<DWORD>((std::char_traits<char16_t>::length(pszValue) + 1) * sizeof(WCHAR))),
                  ERROR_SUCCESS);
    RegCloseKey(hKey);
}

void PageTest::SetUp()
{
    ASSERT_TRUE(gwes::EnsureApplication());
    s_app.m_bCardRemoved = FALSE;
    s_app.m_bLocalized = FALSE;
    AfxSetResourceHandle(AfxGetInstanceHandle());
    // A card that is connected at once, with a steady signal.
    Cardctl("set scantime 0");
    Cardctl("set rssi -50");
    m_pSheet = std::make_unique<CPropertySheet>(u"Pages");
}

void PageTest::TearDown()
{
    if (m_pSheet && m_pSheet->GetSafeHwnd())
        m_pSheet->DestroyWindow();
    m_pSheet.reset();
    m_pConfig.reset();
    Pump();
    s_app.m_bCardRemoved = FALSE;
    s_app.m_bLocalized = FALSE;
    AfxSetResourceHandle(AfxGetInstanceHandle());
}

void PageTest::MakeConfig()
{
    m_pConfig = std::make_unique<DriverAdapterConfig>(u"WLAN11b1");
}

void PageTest::AddPage(CPropertyPage* pPage)
{
    m_pSheet->AddPage(pPage);
}

void PageTest::Host(CPropertyPage* pPage)
{
    m_pSheet->AddPage(pPage);
    ASSERT_TRUE(m_pSheet->Create(nullptr, WS_POPUP | WS_VISIBLE, 0));
    Pump();
}

void PageTest::Activate(int nPage)
{
    m_pSheet->SetActivePage(nPage);
    Pump();
}

std::u16string PageTest::Text(CWnd* pPage, int nId)
{
    CString strText;
    pPage->GetDlgItemText(nId, strText);
    return std::u16string(static_cast<LPCTSTR>(strText));
}

void PageTest::Pump()
{
    gwes::ProcessPending();
}

int PageTest::Count(const char16_t* pszText) const
{
    int n = 0;
    for (const std::u16string& text : m_boxes.texts())
        n += text == pszText;
    return n;
}

void PageTest::NewSheet()
{
    if (m_pSheet->GetSafeHwnd())
        m_pSheet->DestroyWindow();
    Pump();
    m_pSheet = std::make_unique<CPropertySheet>(u"Pages");
}

} // namespace page_test

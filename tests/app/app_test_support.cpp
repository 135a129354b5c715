#include "app_test_support.h"

#include <run_tool.h>
#include <window_system.h>

UINT WM_TBARDLGMESSAGE = 0;

namespace app_test
{

namespace
{

CPPC_uiApp s_app;

const bool s_bWindowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerFixture);

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

std::string CardStatus()
{
    std::string output;
    testing_support::RunTool("cardctl", "status", &output);
    return output;
}

std::u16string Parameter(const char16_t* pszName)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms", 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return u"<none>";
    WCHAR szText[64] = {};
    DWORD dwType = 0, dwSize = sizeof(szText) - sizeof(WCHAR);
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwType, reinterpret_cast<BYTE*>(szText), &dwSize);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS && dwType == REG_SZ ? std::u16string(szText) : u"<none>";
}

void ShellTest::SetUp()
{
    ASSERT_TRUE(gwes::EnsureApplication());
    s_app.m_bCardRemoved = FALSE;
    s_app.m_bLocalized = FALSE;
    AfxSetResourceHandle(AfxGetInstanceHandle());
    WM_TBARDLGMESSAGE = RegisterWindowMessageW(u"TBarDlgMessage");
    // A card that is connected at once, with a steady signal.
    Cardctl("set scantime 0");
    Cardctl("set rssi -50");
}

void ShellTest::TearDown()
{
    if (m_pDlg && m_pDlg->GetSafeHwnd())
        m_pDlg->DestroyWindow();
    m_pDlg.reset();
    gwes::ProcessPending();
    s_app.m_bCardRemoved = FALSE;
    s_app.m_bLocalized = FALSE;
    AfxSetResourceHandle(AfxGetInstanceHandle());
}

std::unique_ptr<CPPC_uiDlg> ShellTest::Start()
{
    auto pDlg = std::make_unique<CPPC_uiDlg>();
    EXPECT_TRUE(pDlg->Create(IDD_PPC_UI_DIALOG));
    gwes::ProcessPending();
    return pDlg;
}

int ShellTest::Count(const ce::RecordingPresenter& boxes, const char16_t* pszText)
{
    int n = 0;
    for (const std::u16string& text : boxes.texts())
        n += text == pszText;
    return n;
}

} // namespace app_test

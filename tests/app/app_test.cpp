// The application object: the interface language and its resources, and one copy at a time.
#include "app_test_support.h"

#include <cstdlib>

namespace app_test
{
namespace
{

using AppTest = ShellTest;

TEST_F(AppTest, LanguageChoosesTheStringsAndTheResources)
{
    struct Row
    {
        LANGID wLangId;
        BOOL bLocalized;
        bool bOwnResources;
    };
    const Row rows[] = {
        {0x0404, TRUE, true},  {0x0C04, TRUE, true},  {0x1004, TRUE, true},  {0x1404, TRUE, true},
        {0x0409, FALSE, true}, {0x0407, FALSE, true}, {0x0804, TRUE, false},
    };
    const HINSTANCE hOwn = AfxGetInstanceHandle();
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.wLangId);
        AfxSetResourceHandle(hOwn);
        App().ChooseLanguage(row.wLangId);
        EXPECT_EQ(App().m_bLocalized, row.bLocalized);
        EXPECT_EQ(AfxGetResourceHandle() == hOwn, row.bOwnResources);
    }
    AfxSetResourceHandle(hOwn);
    App().m_bLocalized = FALSE;
    EXPECT_TRUE(App().Caption() == u"Keltrax QN40-SD Utility");
    App().m_bLocalized = TRUE;
    CString strChinese;
    ASSERT_TRUE(strChinese.LoadString(IDS_APP_CAPTION));
    EXPECT_TRUE(App().Caption() == strChinese);
}

TEST_F(AppTest, WithoutTheSimplifiedChineseLibraryTheProgramKeepsItsResources)
{
    // The library folder holds no langSC.dll.
    ASSERT_EQ(setenv("QN40_LIBRARY_DIR", m_handheld.path().c_str(), 1), 0);
    App().ChooseLanguage(0x0804);
    unsetenv("QN40_LIBRARY_DIR");
    EXPECT_TRUE(App().m_bLocalized);
    EXPECT_EQ(AfxGetResourceHandle(), AfxGetInstanceHandle());
    CDialog dlg(IDD_PPC_UI_DIALOG);
    ASSERT_TRUE(dlg.Create(IDD_PPC_UI_DIALOG));
    dlg.DestroyWindow();
}

// Counts the requests to come forward that reach a window.
class CCountingWnd : public CDialog
{
public:
    CCountingWnd() : CDialog(IDD_PPC_UI_DIALOG) {}
    int m_nRequests = 0;

protected:
    afx_msg LRESULT OnRequest(WPARAM, LPARAM)
    {
        ++m_nRequests;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountingWnd, CDialog)
ON_MESSAGE(WM_USER + 18, OnRequest)
END_MESSAGE_MAP()

TEST_F(AppTest, SecondCopyBringsTheFirstForwardAndEnds)
{
    // Another program's window, and the running copy's window with the utility's caption.
    CCountingWnd other;
    ASSERT_TRUE(other.Create(IDD_PPC_UI_DIALOG));
    other.SetWindowText(u"Another program");
    m_pDlg = Start();
    m_pDlg->OnTrayCommand(0); // nothing chosen
    m_pDlg->SendMessage(WM_COMMAND, IDOK);
    ASSERT_FALSE(m_pDlg->IsWindowVisible());

    EXPECT_TRUE(App().InitApplication());  // the first copy
    EXPECT_FALSE(App().InitApplication()); // a second one
    EXPECT_TRUE(WaitFor([&] { return m_pDlg->IsWindowVisible() == TRUE; }));
    EXPECT_TRUE(m_pDlg->m_bSheetCreated);
    gwes::ProcessPending();
    EXPECT_EQ(other.m_nRequests, 0);
    other.DestroyWindow();
}

} // namespace
} // namespace app_test

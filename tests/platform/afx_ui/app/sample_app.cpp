// A framework program for the tests of the framework's entry: its static application object is run by the
// framework's main(), its InitInstance runs a modal dialog that ends itself on a timer.
#include <afxwin.h>

#include "../uires.h"

#include <cstdio>

namespace
{

// Registered while the program's statics are made, before the framework starts.
const UINT g_registered = RegisterWindowMessageW(u"SampleRegistered");

class CTimedDlg : public CDialog
{
public:
    CTimedDlg() : CDialog(IDD_TIMED) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetTimer(1, 20, nullptr);
        return TRUE;
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent)
    {
        KillTimer(nIDEvent);
        EndDialog(7);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTimedDlg, CDialog)
ON_WM_TIMER()
END_MESSAGE_MAP()

class CSampleApp : public CWinApp
{
public:
    BOOL InitApplication() override
    {
        std::printf("InitApplication %s\n", g_registered >= 0xC000 ? "registered" : "unregistered");
        if (CString(m_lpCmdLine) == u"refuse")
            return FALSE;
        return CWinApp::InitApplication();
    }
    BOOL InitInstance() override
    {
        CTimedDlg dlg;
        m_pMainWnd = &dlg;
        INT_PTR result = dlg.DoModal();
        std::printf("DoModal %d main %s\n", static_cast<int>(result), m_pMainWnd ? "set" : "cleared");
        return FALSE;
    }
    int ExitInstance() override
    {
        std::printf("ExitInstance\n");
        return 3;
    }
};

CSampleApp theApp;

} // namespace

// The automation sample: "Automation Sample" is a dialog whose button 1001 writes "clicked" into control
// 1000 and then shows "Hello from the sample"; control 1000 lists "One" and "Two"; its notification icon
// (id 1) opens a menu with "Say hello", "Open file..." (a text file whose path goes into control 1000) and
// "Quit"; Quit ends the program.
#include <afxdlgs.h>
#include <afxwin.h>
#include <shellapi.h>

#include "uires.h"

namespace
{

const UINT WM_SAMPLE_TRAY = WM_USER + 100;
const UINT ID_SAY_HELLO = 100;
const UINT ID_QUIT = 101;
const UINT ID_OPEN_FILE = 102;

class CSampleDlg : public CDialog
{
public:
    CSampleDlg() : CDialog(IDD_MAIN) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetWindowText(u"Automation Sample");
        SendDlgItemMessage(IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"One"));
        SendDlgItemMessage(IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Two"));
        NOTIFYICONDATA nid = {};
        nid.cbSize = sizeof(nid);
        nid.hWnd = m_hWnd;
        nid.uID = 1;
        nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        nid.uCallbackMessage = WM_SAMPLE_TRAY;
        nid.hIcon = AfxGetApp()->LoadIcon(IDI_APP);
        Shell_NotifyIcon(NIM_ADD, &nid);
        return TRUE;
    }
    afx_msg void OnButton()
    {
        SetDlgItemText(IDC_COMBO, u"clicked");
        AfxMessageBox(u"Hello from the sample", MB_OK);
    }
    afx_msg LRESULT OnTray(WPARAM, LPARAM lParam)
    {
        if (lParam != WM_LBUTTONDOWN)
            return 0;
        CMenu menu;
        menu.CreatePopupMenu();
        menu.AppendMenu(MF_STRING, ID_SAY_HELLO, u"Say hello");
        menu.AppendMenu(MF_STRING, ID_OPEN_FILE, u"Open file...");
        menu.AppendMenu(MF_STRING, ID_QUIT, u"Quit");
        POINT pt = {10, 10};
        UINT nCommand = menu.TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, this);
        menu.DestroyMenu();
        if (nCommand == ID_OPEN_FILE)
        {
            CFileDialog dlg(TRUE, u"txt", u"*.txt", OFN_FILEMUSTEXIST, u"Text Files (*.txt)|*.txt||", this);
            if (dlg.DoModal() == IDOK)
                SetDlgItemText(IDC_COMBO, dlg.GetPathName());
        }
        if (nCommand == ID_QUIT)
        {
            NOTIFYICONDATA nid = {};
            nid.cbSize = sizeof(nid);
            nid.hWnd = m_hWnd;
            nid.uID = 1;
            Shell_NotifyIcon(NIM_DELETE, &nid);
            EndDialog(IDOK);
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSampleDlg, CDialog)
ON_BN_CLICKED(IDC_OKBUTTON, OnButton)
ON_MESSAGE(WM_SAMPLE_TRAY, OnTray)
END_MESSAGE_MAP()

class CSampleApp : public CWinApp
{
public:
    BOOL InitInstance() override
    {
        CSampleDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        return FALSE;
    }
};

CSampleApp theApp;

} // namespace

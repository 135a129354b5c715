// Property sheets: pages made on first activation and told of every activation, captions, a sheet as a
// child of a dialog, refused page changes, and the creation hooks a derived sheet sees.
#include "ui_test.h"

#include "uires.h"

#include <QTimer>

#include <string>
#include <vector>

using ui_test::Text;

namespace
{

class CCountingPage : public CPropertyPage
{
public:
    explicit CCountingPage(UINT nIDTemplate, UINT nIDCaption = 0) : CPropertyPage(nIDTemplate, nIDCaption) {}
    int inits = 0, activations = 0, deactivations = 0, destroys = 0;
    BOOL refuse = FALSE;
    int m_nCount = 3;

    BOOL OnInitDialog() override
    {
        ++inits;
        return CPropertyPage::OnInitDialog();
    }
    BOOL OnSetActive() override
    {
        ++activations;
        return CPropertyPage::OnSetActive();
    }
    BOOL OnKillActive() override
    {
        ++deactivations;
        return refuse ? FALSE : CPropertyPage::OnKillActive();
    }

protected:
    afx_msg void OnDestroy()
    {
        ++destroys;
        CPropertyPage::OnDestroy();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountingPage, CPropertyPage)
ON_WM_DESTROY()
END_MESSAGE_MAP()

class CNumberPage : public CCountingPage
{
public:
    using CCountingPage::CCountingPage;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_COUNT, m_nCount); }
};

// A sheet that reports its creation steps in message boxes.
class CReportingSheet : public CPropertySheet
{
public:
    CReportingSheet(UINT nIDCaption, CWnd* pParent) : CPropertySheet(nIDCaption, pParent, 0) {}
    BOOL PreCreateWindow(CREATESTRUCT& cs) override
    {
        AfxMessageBox(u"PreCreateWindow");
        return CPropertySheet::PreCreateWindow(cs);
    }

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct)
    {
        if (CPropertySheet::OnCreate(lpCreateStruct) == -1)
            return -1;
        AfxMessageBox(u"OnCreate");
        return 0;
    }
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus)
    {
        CPropertySheet::OnShowWindow(bShow, nStatus);
        AfxMessageBox(u"OnShowWindow");
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReportingSheet, CPropertySheet)
ON_WM_CREATE()
ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

struct Host
{
    CDialog dialog{IDD_MAIN};
    Host()
    {
        EXPECT_TRUE(dialog.Create(IDD_MAIN));
        dialog.ShowWindow(SW_SHOWNORMAL);
    }
    ~Host()
    {
        if (dialog.m_hWnd)
            dialog.DestroyWindow();
    }
};

CString TabText(CTabCtrl* tab, int i)
{
    WCHAR buffer[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 64;
    tab->GetItem(i, &item);
    return CString(buffer);
}

} // namespace

TEST(PropertySheets, APageIsToldOfEveryActivationAndItsWindowIsMadeOnce)
{
    Host host;
    CCountingPage status(IDD_PAGE_STATUS, IDS_STATUS), radio(IDD_PAGE_RADIO), about(IDD_PAGE_ABOUT);
    CPropertySheet sheet(IDS_CAPTION, &host.dialog, 0);
    sheet.AddPage(&status);
    sheet.AddPage(&radio);
    sheet.AddPage(&about);
    ASSERT_TRUE(sheet.Create(&host.dialog, WS_CHILD | WS_VISIBLE, 0));
    EXPECT_EQ(GetParent(sheet.m_hWnd), host.dialog.m_hWnd);
    EXPECT_EQ(status.inits, 1);
    EXPECT_EQ(status.activations, 1);
    EXPECT_EQ(radio.m_hWnd, nullptr); // not shown yet, so not made yet

    // Each page once, then the first: every activation is told, every window made once.
    for (int page : {1, 2, 0, 1, 0})
        ASSERT_TRUE(sheet.SetActivePage(page));
    EXPECT_EQ(status.inits, 1);
    EXPECT_EQ(status.activations, 3);
    EXPECT_EQ(status.deactivations, 2);
    EXPECT_EQ(radio.inits, 1);
    EXPECT_EQ(radio.activations, 2);
    EXPECT_EQ(about.inits, 1);
    EXPECT_EQ(sheet.GetActivePage(), &status);
    EXPECT_TRUE(IsWindowVisible(status.m_hWnd));
    EXPECT_FALSE(IsWindowVisible(radio.m_hWnd));
    EXPECT_EQ(GetParent(status.m_hWnd), sheet.m_hWnd);
    EXPECT_TRUE(GetWindowLongW(status.m_hWnd, GWL_STYLE) & WS_CHILD);

    // Tab texts: the caption string, else the template's title.
    CTabCtrl* tab = sheet.GetTabControl();
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(tab->GetItemCount(), 3);
    EXPECT_EQ(TabText(tab, 0), CString(u"Status"));
    EXPECT_EQ(TabText(tab, 1), CString(u"Radio"));
    EXPECT_EQ(TabText(tab, 2), CString(u"About"));
    EXPECT_EQ(tab->GetCurSel(), 0);

    // The pages lie inside the sheet, which fills its dialog.
    RECT sheetRect, pageRect, hostClient;
    GetWindowRect(sheet.m_hWnd, &sheetRect);
    GetWindowRect(status.m_hWnd, &pageRect);
    GetClientRect(host.dialog.m_hWnd, &hostClient);
    EXPECT_GE(sheetRect.right - sheetRect.left, hostClient.right);
    EXPECT_GE(pageRect.left, sheetRect.left);
    EXPECT_LE(pageRect.bottom, sheetRect.bottom);

    // Ending the modeless sheet destroys it with its pages; made again, it starts over.
    sheet.EndDialog(0);
    EXPECT_EQ(sheet.m_hWnd, nullptr);
    EXPECT_EQ(status.m_hWnd, nullptr);
    EXPECT_EQ(status.destroys, 1);
    EXPECT_EQ(radio.destroys, 1);
    ASSERT_TRUE(sheet.Create(&host.dialog, WS_CHILD | WS_VISIBLE, 0));
    EXPECT_EQ(status.inits, 2);
    EXPECT_EQ(status.activations, 4);
    EXPECT_EQ(radio.m_hWnd, nullptr);
}

TEST(PropertySheets, CaptionsComeFromTheStringTableOfTheLanguage)
{
    ui_test::Language language(0x0404);
    CCountingPage status(IDD_PAGE_STATUS, IDS_STATUS), radio(IDD_PAGE_RADIO, IDS_RADIO);
    EXPECT_EQ(status.GetTabText(), CString(u"狀態"));
    EXPECT_EQ(radio.GetTabText(), CString(u"無線電"));
}

TEST(PropertySheets, APageThatRefusesToLetGoStaysCurrent)
{
    Host host;
    CNumberPage number(IDD_PAGE_RADIO);
    CCountingPage about(IDD_PAGE_ABOUT);
    CPropertySheet sheet(u"Sheet", &host.dialog);
    sheet.AddPage(&number);
    sheet.AddPage(&about);
    ASSERT_TRUE(sheet.Create(&host.dialog, WS_CHILD | WS_VISIBLE, 0));
    EXPECT_EQ(Text(GetDlgItem(number.m_hWnd, IDC_COUNT)), CString(u"3"));

    ce::RecordingPresenter recorder;
    SetDlgItemTextW(number.m_hWnd, IDC_COUNT, u"many");
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(about.m_hWnd, nullptr);
    EXPECT_EQ(recorder.texts(), std::vector<std::u16string>{u"Please enter an integer."});
    // The tab strip asks the same question before it changes.
    NMHDR nm{sheet.GetTabControl()->m_hWnd, AFX_IDC_TAB_CONTROL, TCN_SELCHANGING};
    LRESULT refused =
        SendMessageW(sheet.m_hWnd, WM_NOTIFY, AFX_IDC_TAB_CONTROL, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(refused, TRUE);

    SetDlgItemTextW(number.m_hWnd, IDC_COUNT, u"8");
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(number.m_nCount, 8);
    number.m_nCount = 9;
    ASSERT_TRUE(sheet.SetActivePage(0));
    // From the second activation on, the members are pushed to the controls.
    EXPECT_EQ(Text(GetDlgItem(number.m_hWnd, IDC_COUNT)), CString(u"9"));
}

TEST(PropertySheets, ADerivedSheetSeesItsCreationAndAFailedCreationShowsNothingMore)
{
    Host host;
    CCountingPage status(IDD_PAGE_STATUS);
    ce::RecordingPresenter recorder;
    {
        CReportingSheet sheet(IDS_CAPTION, &host.dialog);
        sheet.AddPage(&status);
        ASSERT_TRUE(sheet.Create(&host.dialog, WS_CHILD | WS_VISIBLE, 0));
        EXPECT_EQ(recorder.texts(),
                  (std::vector<std::u16string>{u"PreCreateWindow", u"OnCreate", u"OnShowWindow"}));
        sheet.DestroyWindow();
    }
    recorder.clear();
    CCountingPage missing(IDD_MISSING);
    CReportingSheet broken(IDS_CAPTION, &host.dialog);
    broken.AddPage(&missing);
    EXPECT_FALSE(broken.Create(&host.dialog, WS_CHILD | WS_VISIBLE, 0));
    EXPECT_EQ(broken.m_hWnd, nullptr);
    EXPECT_EQ(recorder.texts(), std::vector<std::u16string>{u"PreCreateWindow"});
}

namespace
{

// A page that counts its applies and may take another page out of the sheet while it applies.
class CApplyingPage : public CCountingPage
{
public:
    using CCountingPage::CCountingPage;
    int applies = 0;
    CPropertyPage* removeOnApply = nullptr;
    CPropertySheet* sheet = nullptr;
    BOOL OnApply() override
    {
        ++applies;
        if (removeOnApply)
            sheet->RemovePage(removeOnApply);
        return CCountingPage::OnApply();
    }
};

} // namespace

// OK asks every page made so far to apply, once each, even when a page changes the sheet's pages while
// it applies.
TEST(PropertySheets, OKAppliesEveryPageOnceWhileAPageRemovesAnother)
{
    CApplyingPage status(IDD_PAGE_STATUS), radio(IDD_PAGE_RADIO), about(IDD_PAGE_ABOUT);
    CPropertySheet sheet(u"Sheet");
    status.removeOnApply = &radio;
    status.sheet = &sheet;
    sheet.AddPage(&status);
    sheet.AddPage(&radio);
    sheet.AddPage(&about);
    bool pressed = false;
    QTimer::singleShot(10,
                       [&]
                       {
                           for (int page : {1, 2, 0})
                               EXPECT_TRUE(sheet.SetActivePage(page));
                           pressed = sheet.PressButton(PSBTN_OK);
                       });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(status.applies, 1);
    EXPECT_EQ(radio.applies, 0);
    EXPECT_EQ(about.applies, 1);
    EXPECT_EQ(sheet.GetPageCount(), 2);
}

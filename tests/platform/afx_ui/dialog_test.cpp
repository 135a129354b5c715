// Dialogs: modal loops (also nested and inside timer handlers), the default buttons, templates in dialog
// units, initialisation data, and dialog data exchange both ways with the framework's parse messages.
#include "ui_test.h"

#include "uires.h"

#include <string>
#include <vector>

using ui_test::PumpUntil;
using ui_test::Text;

namespace
{

// Ends itself with `result` on its first timer tick.
class CTimedDlg : public CDialog
{
public:
    explicit CTimedDlg(INT_PTR result, CWnd* parent = nullptr) : CDialog(IDD_TIMED, parent), m_result(result)
    {
    }
    std::function<void()> onTick;
    bool initialised = false;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        initialised = true;
        SetTimer(1, 10, nullptr);
        return TRUE;
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent)
    {
        KillTimer(nIDEvent);
        if (onTick)
            onTick();
        EndDialog(static_cast<int>(m_result));
    }
    DECLARE_MESSAGE_MAP()

private:
    INT_PTR m_result;
};

BEGIN_MESSAGE_MAP(CTimedDlg, CDialog)
ON_WM_TIMER()
END_MESSAGE_MAP()

// Runs a modal dialog from its own timer handler.
class COwner : public CWnd
{
public:
    INT_PTR result = 0;
    bool done = false;

protected:
    afx_msg void OnTimer(UINT_PTR nIDEvent)
    {
        KillTimer(nIDEvent);
        CTimedDlg dlg(42, this);
        result = dlg.DoModal();
        done = true;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwner, CWnd)
ON_WM_TIMER()
END_MESSAGE_MAP()

} // namespace

TEST(Dialogs, DoModalInsideATimerHandlerReturnsItsEndDialogResult)
{
    COwner owner;
    ASSERT_TRUE(
        owner.CreateEx(0, nullptr, u"Owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    owner.SetTimer(254, 60000, nullptr);
    gwes::FireTimer(owner.m_hWnd, 254);
    ASSERT_TRUE(PumpUntil([&] { return owner.done; }));
    EXPECT_EQ(owner.result, 42);
    // The owner was disabled while the dialog ran and is enabled again.
    EXPECT_TRUE(owner.IsWindowEnabled());
    owner.DestroyWindow();
}

TEST(Dialogs, AnOuterDialogEndedWhileAnInnerRunsReturnsAfterTheInner)
{
    std::vector<std::string> order;
    CTimedDlg outer(1);
    CTimedDlg inner(2);
    outer.onTick = [&]
    {
        outer.EndDialog(1); // ends the outer loop only once the inner one is over
        inner.onTick = [&] { order.push_back("inner ends"); };
        INT_PTR r = inner.DoModal();
        order.push_back("inner returned " + std::to_string(r));
    };
    INT_PTR r = outer.DoModal();
    order.push_back("outer returned " + std::to_string(r));
    EXPECT_EQ(order, (std::vector<std::string>{"inner ends", "inner returned 2", "outer returned 1"}));
    EXPECT_EQ(outer.m_hWnd, nullptr);
}

TEST(Dialogs, EndDialogDuringInitialisationReturnsWithoutShowingAndMissingTemplatesFail)
{
    struct CQuick : public CDialog
    {
        CQuick() : CDialog(IDD_TIMED) {}
        bool shown = false;
        BOOL OnInitDialog() override
        {
            EndDialog(9);
            return TRUE;
        }
    } quick;
    EXPECT_EQ(quick.DoModal(), 9);
    CDialog missing(IDD_MISSING);
    EXPECT_EQ(missing.DoModal(), -1);
}

namespace
{

class CDataDlg : public CDialog
{
public:
    CDataDlg() : CDialog(IDD_DATA) {}
    CString m_strName = u"first";
    int m_nCount = -12;
    UINT m_uCounter = 4000000000u;
    int m_nRadio = 1;
    int m_nOther = 0;
    CComboBox m_power;
    int m_nPower = 1;
    CEdit m_output;

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_NAME, m_strName);
        DDX_Text(pDX, IDC_COUNT, m_nCount);
        DDX_Text(pDX, IDC_COUNTER, m_uCounter);
        DDX_Radio(pDX, IDC_OFF, m_nRadio);
        DDX_Radio(pDX, IDC_OTHER, m_nOther);
        DDX_Control(pDX, IDC_POWER, m_power);
        DDX_CBIndex(pDX, IDC_POWER, m_nPower);
        DDX_Control(pDX, IDC_OUTPUT, m_output);
    }
};

// A modeless dialog for looking at while the test works on it.
struct OpenDialog
{
    CDataDlg dlg;
    OpenDialog() { EXPECT_TRUE(dlg.Create(IDD_DATA)); }
    ~OpenDialog()
    {
        if (dlg.m_hWnd)
            dlg.DestroyWindow();
    }
    HWND Item(int id) const { return GetDlgItem(dlg.m_hWnd, id); }
};

} // namespace

TEST(DataExchange, InitialisationFillsTheComboFromTheTemplateDataAndPushesTheMembers)
{
    OpenDialog d;
    HWND combo = d.Item(IDC_POWER);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    const char16_t* items[] = {u"Disable", u"Enable (Max)", u"Enable (Fast)"};
    for (int i = 0; i < 3; ++i)
    {
        CString item;
        d.dlg.m_power.GetLBText(i, item);
        EXPECT_EQ(item, CString(items[i]));
    }
    EXPECT_EQ(d.dlg.m_power.GetCurSel(), 1);
    EXPECT_EQ(Text(d.Item(IDC_NAME)), CString(u"first"));
    EXPECT_EQ(Text(d.Item(IDC_COUNT)), CString(u"-12"));
    EXPECT_EQ(Text(d.Item(IDC_COUNTER)), CString(u"4000000000"));
    EXPECT_EQ(SendMessageW(d.Item(IDC_OFF), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(d.Item(IDC_ON), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(d.Item(IDC_OTHER), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(d.dlg.m_output.m_hWnd, d.Item(IDC_OUTPUT));
}

TEST(DataExchange, RadioGroupsAndTextsMoveBothWays)
{
    OpenDialog d;
    // Clicking Off (the first button of its group) unchecks On but not the button of the next group.
    SendMessageW(d.Item(IDC_OFF), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(d.Item(IDC_ON), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(d.Item(IDC_OTHER), BM_GETCHECK, 0, 0), BST_CHECKED);
    SetWindowTextW(d.Item(IDC_NAME), u"second");
    SetWindowTextW(d.Item(IDC_COUNT), u"  77 ");
    SetWindowTextW(d.Item(IDC_COUNTER), u"12");
    SendMessageW(d.Item(IDC_POWER), CB_SETCURSEL, 2, 0);
    ASSERT_TRUE(d.dlg.UpdateData(TRUE));
    EXPECT_EQ(d.dlg.m_strName, CString(u"second"));
    EXPECT_EQ(d.dlg.m_nCount, 77);
    EXPECT_EQ(d.dlg.m_uCounter, 12u);
    EXPECT_EQ(d.dlg.m_nRadio, 0);
    EXPECT_EQ(d.dlg.m_nPower, 2);

    // No button of a group checked reads as -1; -1 written unchecks them all.
    SendMessageW(d.Item(IDC_OFF), BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(d.dlg.UpdateData(TRUE));
    EXPECT_EQ(d.dlg.m_nRadio, -1);
    d.dlg.m_nRadio = 1;
    d.dlg.m_nCount = 5;
    ASSERT_TRUE(d.dlg.UpdateData(FALSE));
    EXPECT_EQ(SendMessageW(d.Item(IDC_ON), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Text(d.Item(IDC_COUNT)), CString(u"5"));
}

TEST(DataExchange, ABadNumberGetsTheFrameworksMessageAndKeepsTheMembers)
{
    OpenDialog d;
    ce::RecordingPresenter recorder;
    struct Row
    {
        const char16_t* count;
        const char16_t* counter;
        const char16_t* message; // null: accepted
    };
    const Row rows[] = {
        {u"12abc", u"1", u"Please enter an integer."},
        {u"", u"1", u"Please enter an integer."},
        {u"99999999999", u"1", u"Please enter an integer."},
        {u"-2147483648", u"1", nullptr},
        {u"3", u"-1", u"Please enter a positive integer."},
        {u"3", u"4294967296", u"Please enter a positive integer."},
        {u"+8", u"4294967295", nullptr},
    };
    for (const Row& row : rows)
    {
        recorder.clear();
        d.dlg.m_strName = u"unchanged";
        d.dlg.m_nCount = 1234;
        SetWindowTextW(d.Item(IDC_NAME), u"read before the failure");
        SetWindowTextW(d.Item(IDC_COUNT), row.count);
        SetWindowTextW(d.Item(IDC_COUNTER), row.counter);
        BOOL ok = d.dlg.UpdateData(TRUE);
        EXPECT_EQ(ok, row.message == nullptr) << CString(row.count).ToUtf8();
        if (row.message)
        {
            ASSERT_EQ(recorder.boxes().size(), 1u);
            EXPECT_EQ(recorder.boxes()[0].text, row.message);
            EXPECT_EQ(recorder.boxes()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
            if (std::u16string(row.message) == u"Please enter an integer.")
            {
                EXPECT_EQ(d.dlg.m_nCount, 1234);
            }
        }
        else
        {
            EXPECT_TRUE(recorder.boxes().empty());
        }
    }
    EXPECT_EQ(d.dlg.m_nCount, 8);
    EXPECT_EQ(d.dlg.m_uCounter, 4294967295u);
}

namespace
{

// Presses its OK button on every timer tick; the count is corrected on the second.
class CValidated : public CDataDlg
{
public:
    int attempts = 0;

protected:
    BOOL OnInitDialog() override
    {
        CDataDlg::OnInitDialog();
        SetDlgItemText(IDC_COUNT, u"not a number");
        SetTimer(1, 10, nullptr);
        return TRUE;
    }
    afx_msg void OnTimer(UINT_PTR)
    {
        if (++attempts == 2)
        {
            KillTimer(1);
            SetDlgItemText(IDC_COUNT, u"21");
        }
        SendDlgItemMessage(IDOK, BM_CLICK);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CValidated, CDataDlg)
ON_WM_TIMER()
END_MESSAGE_MAP()

} // namespace

TEST(Dialogs, TheOkButtonValidatesBeforeTheDialogEnds)
{
    CValidated dlg;
    ce::RecordingPresenter recorder;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_nCount, 21);
    EXPECT_EQ(dlg.attempts, 2);
    EXPECT_EQ(recorder.texts(), std::vector<std::u16string>{u"Please enter an integer."});
}

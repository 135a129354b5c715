// The control classes answering their own messages, notifying their parents, painting through their
// procedures; dialogs built from templates in dialog units and their keys.
#include "gwes_test.h"

#include <commctrl.h>
#include <gwes/qt.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabBar>

using gwes_test::TestWindow;

namespace
{

HWND Control(LPCWSTR cls, DWORD style, HWND parent, int id, RECT r = {5, 5, 125, 25}, LPCWSTR text = u"")
{
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)),
                           nullptr, nullptr);
}

std::u16string Text(HWND h)
{
    WCHAR buffer[1024] = {};
    GetWindowTextW(h, buffer, 1024);
    return buffer;
}

// The notification codes a parent received in WM_COMMAND from control `id`.
std::vector<UINT> Notifications(const TestWindow& parent, int id)
{
    std::vector<UINT> codes;
    for (const auto& r : parent.log)
        if (r.msg == WM_COMMAND && LOWORD(r.wParam) == id)
            codes.push_back(HIWORD(r.wParam));
    return codes;
}

LRESULT Add(HWND combo, LPCWSTR text)
{
    return SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

std::u16string Item(HWND combo, int i)
{
    WCHAR buffer[64] = {};
    return SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer)) ==
                   CB_ERR
               ? u"<err>"
               : buffer;
}

} // namespace

TEST(ComboBox, AnswersItsMessagesTheWindowsWay)
{
    TestWindow parent;
    HWND combo = Control(u"ComboBox", CBS_DROPDOWNLIST, parent.hwnd, 1049, {5, 5, 125, 105});
    ASSERT_NE(combo, nullptr);
    RECT r;
    GetWindowRect(combo, &r);
    EXPECT_LT(r.bottom - r.top, 100); // the window is as high as its field; the list drops below it

    EXPECT_EQ(Add(combo, u"1  (2412 MHz)"), 0);
    EXPECT_EQ(Add(combo, u"2  (2417 MHz)"), 1);
    EXPECT_EQ(Add(combo, u"10 (2457 MHz)"), 2);
    // Adding selects nothing.
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(Text(combo), u"10 (2457 MHz)");
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 3, 0), CB_ERR); // past the end: no selection
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(combo), u"");
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
    EXPECT_EQ(Item(combo, 1), u"2  (2417 MHz)");
    EXPECT_EQ(Item(combo, 5), u"<err>");
    EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, 0, 0), 13);
    // Prefix search without regard to case, starting after an item and wrapping.
    EXPECT_EQ(SendMessageW(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"1")), 0);
    EXPECT_EQ(SendMessageW(combo, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>(u"1")), 2);
    EXPECT_EQ(SendMessageW(combo, CB_FINDSTRING, 2, reinterpret_cast<LPARAM>(u"1")), 0);
    EXPECT_EQ(
        SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"1")),
        CB_ERR);
    // Deleting moves the selection with its item, or clears it.
    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 1, 0), 1);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
    // None of these told the parent anything.
    EXPECT_TRUE(Notifications(parent, 1049).empty());

    // The user's choice is reported with CBN_SELCHANGE.
    Add(combo, u"Disable");
    Add(combo, u"Enable (Max)");
    auto* box = qobject_cast<QComboBox*>(gwes::WidgetOf(combo));
    ASSERT_NE(box, nullptr);
    emit box->activated(1);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    std::vector<UINT> codes = Notifications(parent, 1049);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), static_cast<UINT>(CBN_SELCHANGE));
    for (const auto& rec : parent.log)
    {
        if (rec.msg == WM_COMMAND)
        {
            EXPECT_EQ(reinterpret_cast<HWND>(rec.lParam), combo);
        }
    }
}

TEST(ComboBox, SortedAndEditableCombos)
{
    TestWindow parent;
    HWND sorted = Control(u"ComboBox", CBS_DROPDOWNLIST | CBS_SORT, parent.hwnd, 1);
    for (LPCWSTR s : {u"beta", u"Alpha", u"gamma"})
        Add(sorted, s);
    EXPECT_EQ(Item(sorted, 0), u"Alpha");
    EXPECT_EQ(Item(sorted, 1), u"beta");
    EXPECT_EQ(Item(sorted, 2), u"gamma");
    // Setting the text of a drop-down list selects the item that has it.
    EXPECT_TRUE(SetWindowTextW(sorted, u"BETA"));
    EXPECT_EQ(SendMessageW(sorted, CB_GETCURSEL, 0, 0), 1);

    HWND editable = Control(u"ComboBox", CBS_DROPDOWN, parent.hwnd, 1000);
    Add(editable, u"PCA4:WLAN11b1");
    SetWindowTextW(editable, u"typed");
    EXPECT_EQ(Text(editable), u"typed");
    EXPECT_EQ(SendMessageW(editable, CB_GETCURSEL, 0, 0), CB_ERR);
    SendMessageW(editable, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(Text(editable), u"PCA4:WLAN11b1");
}

TEST(Edit, AMultiLineEditKeepsItsLinesAndItsOwnScrollPosition)
{
    TestWindow parent;
    HWND edit = Control(u"Edit", ES_MULTILINE | ES_READONLY | ES_UPPERCASE | WS_VSCROLL | WS_HSCROLL,
                        parent.hwnd, 1028, {5, 5, 205, 65});
    std::u16string text;
    for (int i = 0; i < 32; ++i)
        text += u"00" + std::u16string(1, static_cast<char16_t>(u'a' + i % 6)) + u":\tabcd\r\n";
    parent.Clear();
    SetWindowTextW(edit, text.c_str());
    std::u16string upper = text;
    for (auto& c : upper)
        c = static_cast<char16_t>(towupper(c));
    EXPECT_EQ(Text(edit), upper); // CR LF line ends come back as they went in
    EXPECT_EQ(Notifications(parent, 1028), (std::vector<UINT>{EN_UPDATE, EN_CHANGE}));
    EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 33);
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_TRUE(SendMessageW(edit, EM_LINESCROLL, 0, 5));
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 5);
    SendMessageW(edit, EM_LINESCROLL, 0, -9);
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SendMessageW(edit, EM_LINESCROLL, 0, 500);
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 32);
    // New text starts at the top again.
    SetWindowTextW(edit, u"one\r\ntwo");
    EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(SendMessageW(edit, EM_LINEINDEX, 1, 0), 5);
    EXPECT_EQ(SendMessageW(edit, EM_LINELENGTH, 5, 0), 3);
    WCHAR line[8] = {7};
    EXPECT_EQ(SendMessageW(edit, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 3);
    EXPECT_EQ(std::u16string(line, 3), u"TWO");
    // Selections count CR LF as two characters.
    SendMessageW(edit, EM_SETSEL, 5, 8);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 5u);
    EXPECT_EQ(end, 8u);
    SendMessageW(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u"three"));
    EXPECT_EQ(Text(edit), u"ONE\r\nTHREE");
    EXPECT_EQ(SendMessageW(edit, EM_GETMODIFY, 0, 0), TRUE);
}

TEST(Edit, TypedTextGoesThroughTheProcedureAndIsUpperCased)
{
    TestWindow parent(WS_OVERLAPPED | WS_VISIBLE);
    HWND edit = Control(u"Edit", ES_UPPERCASE | ES_AUTOHSCROLL, parent.hwnd, 1026);
    auto* line = qobject_cast<QLineEdit*>(gwes::WidgetOf(edit));
    ASSERT_NE(line, nullptr);
    int chars = 0;
    static WNDPROC s_edit = nullptr;
    static int* s_chars = nullptr;
    s_chars = &chars;
    s_edit = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        edit, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT
                                   {
                                       if (msg == WM_CHAR)
                                       {
                                           ++*s_chars;
                                           if (w == u'x')
                                               return 0; // swallowed: the edit never sees it
                                       }
                                       return CallWindowProcW(s_edit, h, msg, w, l);
                                   })));
    for (char16_t c : std::u16string(u"1fxf"))
    {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
        QCoreApplication::sendEvent(line, &press);
    }
    EXPECT_EQ(chars, 4);
    EXPECT_EQ(Text(edit), u"1FF");
    EXPECT_EQ(SendMessageW(edit, EM_GETMODIFY, 0, 0), TRUE);
    std::vector<UINT> codes = Notifications(parent, 1026);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), static_cast<UINT>(EN_CHANGE)), 3);
}

TEST(Buttons, AutomaticButtonsCheckThemselvesAndTellTheirParent)
{
    TestWindow parent;
    HWND off = Control(u"Button", BS_AUTORADIOBUTTON | WS_GROUP, parent.hwnd, 1047, {5, 5, 60, 20}, u"Off");
    HWND on = Control(u"Button", BS_AUTORADIOBUTTON, parent.hwnd, 1048, {65, 5, 120, 20}, u"On");
    HWND box = Control(u"Button", BS_AUTOCHECKBOX | WS_GROUP, parent.hwnd, 1050, {5, 25, 60, 40}, u"Check");
    HWND plain = Control(u"Button", BS_RADIOBUTTON, parent.hwnd, 1051, {65, 25, 120, 40}, u"Plain");
    HWND push = Control(u"Button", BS_DEFPUSHBUTTON, parent.hwnd, IDOK, {5, 45, 60, 60}, u"OK");
    SendMessageW(on, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(off, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(off, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(on, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(plain, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(plain, BM_GETCHECK, 0, 0), BST_UNCHECKED); // not automatic
    SendMessageW(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageW(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Notifications(parent, 1047), std::vector<UINT>{BN_CLICKED});
    EXPECT_EQ(Notifications(parent, 1050), (std::vector<UINT>{BN_CLICKED, BN_CLICKED}));
    EXPECT_EQ(Notifications(parent, 1051), std::vector<UINT>{BN_CLICKED});
    EXPECT_EQ(SendMessageW(off, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON, DLGC_RADIOBUTTON);
    EXPECT_EQ(SendMessageW(push, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    // A disabled button cannot be clicked.
    EnableWindow(box, FALSE);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(Notifications(parent, 1050).size(), 2u);
}

TEST(Buttons, AClickSwallowedBeforeTheButtonSeesItDoesNothing)
{
    TestWindow parent(WS_OVERLAPPED | WS_VISIBLE);
    HWND button = Control(u"Button", BS_PUSHBUTTON, parent.hwnd, 1001, {5, 5, 85, 30}, u"OK");
    QWidget* widget = gwes::WidgetOf(button);
    auto click = [&]
    {
        QPointF at(10, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    };
    click();
    EXPECT_EQ(Notifications(parent, 1001), std::vector<UINT>{BN_CLICKED});
    static WNDPROC s_button = nullptr;
    s_button = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(button, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(+[](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
                              return msg == WM_LBUTTONDOWN ? 0 : CallWindowProcW(s_button, h, msg, w, l);
                          })));
    click();
    EXPECT_EQ(Notifications(parent, 1001).size(), 1u);
}

// Pictures named by a template are checked with real resources in win32/.
TEST(Static, LabelsKeepTheirTextAndAnswerAsStatics)
{
    TestWindow parent;
    HWND label = Control(u"Static", SS_LEFT | SS_SUNKEN, parent.hwnd, 2, {5, 5, 105, 25}, u"&Status && more");
    EXPECT_EQ(Text(label),
              u"&Status && more"); // the window keeps its text; only the display drops the prefix
    EXPECT_EQ(SendMessageW(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST(Progress, KeepsItsRangeAndPositionAndPaintsThroughItsProcedure)
{
    TestWindow parent(WS_OVERLAPPED | WS_VISIBLE);
    HWND bar = Control(PROGRESS_CLASS, WS_BORDER | PBS_SMOOTH, parent.hwnd, 1011, {5, 5, 107, 17});
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 200)), MAKELRESULT(0, 100));
    EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 50, 0), 0);
    EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 500, 0), 50); // kept inside the range
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 200);
    PBRANGE range{};
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_EQ(range.iHigh, 200);
    EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100)), MAKELRESULT(0, 200));
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
    SendMessageW(bar, PBM_SETSTEP, 30, 0);
    SendMessageW(bar, PBM_SETPOS, 80, 0);
    EXPECT_EQ(SendMessageW(bar, PBM_STEPIT, 0, 0), 80);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 10); // past the end it starts over

    // Half filled: the left half of the client area in the bar colour, the rest in the background.
    SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(0, 0, 255));
    SendMessageW(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(bar, PBM_SETPOS, 50, 0);
    QImage shot = gwes::WidgetOf(bar)->grab().toImage();
    ASSERT_EQ(shot.width(), 102);
    EXPECT_EQ(shot.pixel(0, 5), qRgb(0, 0, 0));        // the border
    EXPECT_EQ(shot.pixel(1, 5), qRgb(0, 0, 255));      // client x 0
    EXPECT_EQ(shot.pixel(50, 5), qRgb(0, 0, 255));     // client x 49
    EXPECT_EQ(shot.pixel(51, 5), qRgb(255, 255, 255)); // client x 50
    EXPECT_EQ(shot.pixel(100, 5), qRgb(255, 255, 255));

    // A procedure in front of the control takes its painting over (as a self-drawn bar does).
    static WNDPROC s_bar = nullptr;
    s_bar = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        bar, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT
                                   {
                                       if (msg != WM_PAINT)
                                           return CallWindowProcW(s_bar, h, msg, w, l);
                                       PAINTSTRUCT ps;
                                       HDC dc = BeginPaint(h, &ps);
                                       if (QPainter* p = gwes::PainterOfPaintDC(dc))
                                           p->fillRect(QRect(0, 0, 100, 10), QColor(255, 0, 0));
                                       EndPaint(h, &ps);
                                       return 0;
                                   })));
    shot = gwes::WidgetOf(bar)->grab().toImage();
    EXPECT_EQ(shot.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(100, 10), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0)); // the border is not the client's to paint
}

TEST(TabControl, TheParentMayRefuseAChangeOfTab)
{
    TestWindow parent(WS_OVERLAPPED | WS_VISIBLE);
    HWND tab = Control(WC_TABCONTROL, TCS_BOTTOM, parent.hwnd, 1055, {0, 0, 200, 150});
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    for (const char16_t* text : {u"Status", u"Radio", u"About"})
    {
        item.pszText = const_cast<LPWSTR>(text);
        item.lParam = 7;
        SendMessageW(tab, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&item));
    }
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 2, 0), 0);
    RECT display{0, 0, 200, 150};
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    RECT window = display;
    SendMessageW(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&window));
    EXPECT_EQ(window, (RECT{0, 0, 200, 150}));
    EXPECT_LT(display.bottom, 150); // the tabs are at the bottom
    EXPECT_EQ(display.top, 2);

    bool refuse = true;
    std::vector<UINT> codes;
    parent.handler = [&](HWND, UINT msg, WPARAM, LPARAM l) -> std::optional<LRESULT>
    {
        if (msg != WM_NOTIFY)
            return std::nullopt;
        auto* nm = reinterpret_cast<NMHDR*>(l);
        codes.push_back(nm->code);
        EXPECT_EQ(nm->hwndFrom, tab);
        EXPECT_EQ(nm->idFrom, 1055u);
        return nm->code == TCN_SELCHANGING && refuse ? TRUE : FALSE;
    };
    auto* bar = gwes::WidgetOf(tab)->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    auto click = [&](int index)
    {
        QPointF at = bar->tabRect(index).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &press);
    };
    click(1);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 2);
    refuse = false;
    click(1);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGING, TCN_SELCHANGE}));
}

// Items read back within the caller's buffer; deleting a tab before the selected one keeps that tab
// selected (its index moves down with it).
TEST(TabControl, ItemsReadBackAndDeletionKeepsTheSelectedTab)
{
    TestWindow parent(WS_OVERLAPPED | WS_VISIBLE);
    HWND tab = Control(WC_TABCONTROL, 0, parent.hwnd, 1056, {0, 0, 200, 150});
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    for (const char16_t* text : {u"Status", u"Radio", u"Counters", u"About"})
    {
        item.pszText = const_cast<LPWSTR>(text);
        SendMessageW(tab, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&item));
    }
    auto textOf = [&](int index, int cch)
    {
        WCHAR buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        TCITEMW get{};
        get.mask = TCIF_TEXT;
        get.pszText = buffer;
        get.cchTextMax = cch;
        if (!SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&get)))
            return std::u16string(u"<err>");
        EXPECT_EQ(buffer[cch], u'#') << "written past cchTextMax";
        return std::u16string(buffer);
    };
    EXPECT_EQ(textOf(2, 15), u"Counters");
    EXPECT_EQ(textOf(2, 4), u"Cou");
    EXPECT_EQ(textOf(4, 15), u"<err>");

    EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 2, 0), 0);
    EXPECT_TRUE(SendMessageW(tab, TCM_DELETEITEM, 0, 0));
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(textOf(1, 15), u"Counters");
    auto* bar = gwes::WidgetOf(tab)->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->tabText(bar->currentIndex()), QStringLiteral("Counters"));
    // A tab after the selected one leaves the selection where it is.
    EXPECT_TRUE(SendMessageW(tab, TCM_DELETEITEM, 2, 0));
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(SendMessageW(tab, TCM_DELETEITEM, 5, 0));
}

namespace
{

struct DialogLog
{
    std::vector<gwes_test::Recorded> messages;
};
DialogLog* g_dialogLog = nullptr;

INT_PTR CALLBACK RecordingDialogProc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (g_dialogLog)
        g_dialogLog->messages.push_back({h, msg, w, l});
    if (msg == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL))
    {
        EndDialog(h, LOWORD(w));
        return TRUE;
    }
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

ce::res::DialogTemplate SampleTemplate()
{
    ce::res::DialogTemplate t;
    t.style = DS_SETFONT | WS_POPUP | WS_CAPTION | WS_VISIBLE;
    t.cx = 160;
    t.cy = 100;
    t.title = u"Sample";
    t.hasFont = true;
    t.pointSize = 8;
    t.typeface = u"MS Sans Serif";
    auto item =
        [](WORD atom, DWORD id, DWORD style, short x, short y, short cx, short cy, std::u16string text)
    {
        ce::res::DialogItem i;
        i.windowClass = ce::res::ResName::Ordinal(atom);
        i.id = id;
        i.style = WS_CHILD | WS_VISIBLE | style;
        i.x = x, i.y = y, i.cx = cx, i.cy = cy;
        i.title = ce::res::ResName::String(text);
        return i;
    };
    t.items.push_back(item(0x82, 0xFFFF, SS_LEFT, 5, 5, 40, 8, u"Label"));
    t.items.push_back(item(0x81, 1003, WS_TABSTOP | ES_AUTOHSCROLL, 50, 5, 100, 12, u""));
    t.items.push_back(item(0x80, IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 80, 50, 14, u"OK"));
    t.items.push_back(item(0x80, IDCANCEL, WS_TABSTOP, 60, 80, 50, 14, u"Cancel"));
    return t;
}

} // namespace

TEST(Dialogs, ATemplateIsBuiltInDialogUnitsOfItsFont)
{
    DialogLog log;
    g_dialogLog = &log;
    HWND dlg = gwes::CreateDialogFromTemplate(SampleTemplate(), nullptr, nullptr, RecordingDialogProc, 77);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(IsWindowVisible(dlg));
    // The dialog procedure hears of the font and then of the initialisation, with the first tab stop.
    auto init = std::find_if(log.messages.begin(), log.messages.end(),
                             [](auto& r) { return r.msg == WM_INITDIALOG; });
    ASSERT_NE(init, log.messages.end());
    EXPECT_EQ(reinterpret_cast<HWND>(init->wParam), GetDlgItem(dlg, 1003));
    EXPECT_EQ(init->lParam, 77);
    EXPECT_TRUE(std::any_of(log.messages.begin(), init, [](auto& r) { return r.msg == WM_SETFONT; }));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1003));

    LONG units = gwes::DialogBaseUnits(dlg);
    EXPECT_GE(LOWORD(units), 4);
    EXPECT_GE(HIWORD(units), 10);
    RECT expected{50, 5, 150, 17};
    ASSERT_TRUE(MapDialogRect(dlg, &expected));
    RECT actual;
    GetWindowRect(GetDlgItem(dlg, 1003), &actual);
    POINT origin{0, 0};
    ClientToScreen(dlg, &origin);
    EXPECT_EQ(actual.left - origin.x, expected.left);
    EXPECT_EQ(actual.top - origin.y, expected.top);
    EXPECT_EQ(actual.right - actual.left, expected.right - expected.left);
    RECT client;
    GetClientRect(dlg, &client);
    RECT whole{0, 0, 160, 100};
    MapDialogRect(dlg, &whole);
    EXPECT_EQ(client, whole);

    EXPECT_EQ(SendMessageW(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    SendMessageW(dlg, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, IDCANCEL), WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg, IDOK), WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    DestroyWindow(dlg);
    g_dialogLog = nullptr;
}

TEST(Dialogs, EnterPressesTheDefaultButtonEscapeAndClosingCancel)
{
    struct Row
    {
        int key;
        bool close;
        INT_PTR result;
    };
    for (Row row :
         {Row{Qt::Key_Return, false, IDOK}, Row{Qt::Key_Escape, false, IDCANCEL}, Row{0, true, IDCANCEL}})
    {
        HWND dlg = gwes::CreateDialogFromTemplate(SampleTemplate(), nullptr, nullptr, RecordingDialogProc, 0);
        ASSERT_NE(dlg, nullptr);
        QWidget* edit = gwes::WidgetOf(GetDlgItem(dlg, 1003));
        if (row.close)
        {
            PostMessageW(dlg, WM_CLOSE, 0, 0);
        }
        else
        {
            QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier);
            QCoreApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(gwes::RunModalLoop(dlg), row.result) << row.key;
        DestroyWindow(dlg);
    }
}

// GetDlgItemInt reads the whole text of the item: blanks around a decimal number with an optional sign
// (signed reads only), within the range of the reading; anything else is not translated.
TEST(Dialogs, GetDlgItemIntTranslatesTheWholeText)
{
    TestWindow parent(WS_OVERLAPPED);
    HWND edit = Control(u"Edit", ES_AUTOHSCROLL, parent.hwnd, 1003);
    ASSERT_TRUE(edit);
    const std::u16string blanks(70, u' ');
    struct Row
    {
        std::u16string text;
        BOOL isSigned;
        UINT value;
        BOOL translated;
    };
    const Row rows[] = {
        {u"42", FALSE, 42, TRUE},
        {u"  -17 ", TRUE, static_cast<UINT>(-17), TRUE},
        {u"-17", FALSE, 0, FALSE},
        {u"4294967295", FALSE, 4294967295u, TRUE},
        {u"4294967296", FALSE, 0, FALSE},
        {u"-2147483648", TRUE, 0x80000000u, TRUE},
        {u"2147483648", TRUE, 0, FALSE},
        {u"12abc", FALSE, 0, FALSE},
        {u"", FALSE, 0, FALSE},
        {blanks + u"42", FALSE, 42, TRUE},       // a long text is read whole
        {u"7" + blanks + u"x", FALSE, 0, FALSE}, // and so is what follows far behind the number
    };
    for (const Row& r : rows)
    {
        ASSERT_TRUE(SetWindowTextW(edit, r.text.c_str()));
        BOOL translated = -1;
        EXPECT_EQ(GetDlgItemInt(parent.hwnd, 1003, &translated, r.isSigned), r.value) << r.text.size();
        EXPECT_EQ(translated, r.translated) << r.text.size();
    }
    BOOL translated = -1;
    EXPECT_EQ(GetDlgItemInt(parent.hwnd, 999, &translated, FALSE), 0u);
    EXPECT_FALSE(translated);
}

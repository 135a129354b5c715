// Drawing, menus, the notification icon, files and automation of the window services and the framework.
#include <afxwin.h>
#include <afxdlgs.h>

#include <gwes/gdi.h>
#include <kernel/msgbox.h>
#include <gwes/gwes.h>
#include <gwes/qt.h>
#include <gwes/shell.h>

#include <window_system.h>

#include <QApplication>
#include <QPixmapCache>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

const bool g_windowSystem = testing_support::UseWindowSystem(testing_support::Handheld::PerProgram);

// A plain window whose WM_PAINT runs a test's drawing.
std::function<void(HWND)> g_paint;
LRESULT CALLBACK PaintProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT && g_paint)
    {
        g_paint(hWnd);
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

HWND PaintWindow(int cx, int cy)
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PaintProc;
        wc.lpszClassName = u"ShellTestPaint";
        RegisterClassW(&wc);
        registered = true;
    }
    HWND h = CreateWindowExW(0, u"ShellTestPaint", u"paint", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, nullptr,
                             nullptr, nullptr, nullptr);
    gwes::ProcessPending();
    return h;
}

QImage Grab(HWND h)
{
    return gwes::WidgetOf(h)->grab().toImage();
}

COLORREF At(const QImage& image, int x, int y)
{
    QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

TEST(Gdi, MemoryBandsBlittedToTheWindowKeepTheirExactColours)
{
    const COLORREF bands[] = {RGB(0xAF, 0xEE, 0xEE), RGB(0x12, 0x34, 0x56), RGB(0xFF, 0x00, 0x00),
                              RGB(1, 2, 3)};
    g_paint = [&](HWND h)
    {
        CWnd* wnd = CWnd::FromHandle(h);
        CPaintDC dc(wnd);
        RECT clip;
        ASSERT_EQ(dc.GetClipBox(&clip), SIMPLEREGION);
        CDC mem;
        ASSERT_TRUE(mem.CreateCompatibleDC(&dc));
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, clip.right - clip.left, clip.bottom - clip.top));
        CBitmap* old = mem.SelectObject(&bitmap);
        ASSERT_NE(old, nullptr);
        for (int i = 0; i < 4; ++i)
        {
            CBrush brush(bands[i]);
            RECT band{i * 10, 0, i * 10 + 10, 20};
            mem.FillRect(&band, &brush);
        }
        // A bitmap selected into a context is not deleted.
        EXPECT_FALSE(::DeleteObject(bitmap.m_hObject));
        dc.BitBlt(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, &mem, 0, 0, SRCCOPY);
        mem.SelectObject(old);
    };
    HWND h = PaintWindow(40, 20);
    QImage image = Grab(h);
    g_paint = nullptr;
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(At(image, i * 10, 0), bands[i]) << i;
        EXPECT_EQ(At(image, i * 10 + 9, 19), bands[i]) << i;
    }
    DestroyWindow(h);
}

// Brushes made and deleted one after the other (a paint's bands) and many alive at once: every live brush
// paints its own colour, and the handle of a deleted one stays invalid while new brushes are made.
TEST(Gdi, DeletedBrushesStayInvalidWhileNewOnesAreMade)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    ASSERT_NE(hdc, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, 400, 1);
    ASSERT_NE(SelectObject(hdc, bitmap), nullptr);

    HBRUSH deleted = CreateSolidBrush(RGB(9, 9, 9));
    ASSERT_TRUE(DeleteObject(deleted));
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 400; ++i)
    {
        HBRUSH brush = CreateSolidBrush(RGB(i % 256, i / 256, 7));
        ASSERT_NE(brush, nullptr);
        EXPECT_NE(brush, deleted);
        brushes.push_back(brush);
        if (i % 2) // every other one goes again at once, as a band's brush does
        {
            RECT column{i, 0, i + 1, 1};
            EXPECT_EQ(FillRect(hdc, &column, brush), 1);
            EXPECT_TRUE(DeleteObject(brush));
        }
    }
    for (int i = 0; i < 400; i += 2)
    {
        RECT column{i, 0, i + 1, 1};
        EXPECT_EQ(FillRect(hdc, &column, brushes[i]), 1);
    }
    const QImage image = gwes::DCImage(hdc);
    for (int i = 0; i < 400; ++i)
        EXPECT_EQ(At(image, i, 0), RGB(i % 256, i / 256, 7)) << i;

    RECT cell{0, 0, 1, 1};
    for (HBRUSH gone : {deleted, brushes[1], brushes[399]})
    {
        EXPECT_EQ(GetObjectType(gone), 0u);
        EXPECT_EQ(FillRect(hdc, &cell, gone), 0);
        SetLastError(0);
        EXPECT_FALSE(DeleteObject(gone));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    for (int i = 0; i < 400; i += 2)
    {
        EXPECT_EQ(GetObjectType(brushes[i]), static_cast<DWORD>(OBJ_BRUSH));
        EXPECT_TRUE(DeleteObject(brushes[i]));
    }
    DeleteDC(hdc);
    EXPECT_TRUE(DeleteObject(bitmap));
}

// The wrapper FromHandle gives stays valid while its handle lives, also when the same handle is later
// asked for through another class (a stock brush first as a CGdiObject, then as a CBrush).
TEST(Gdi, WrappersOfOneHandleThroughTwoClassesBothStayValid)
{
    CBrush brush(RGB(1, 2, 3));
    HGDIOBJ h = brush.m_hObject;
    CGdiObject* plain = CGdiObject::FromHandle(h);
    ASSERT_NE(plain, nullptr);
    CBrush* typed = CBrush::FromHandle(static_cast<HBRUSH>(h));
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(plain->m_hObject, h); // read from the first wrapper (the address sanitizer checks it)
    EXPECT_EQ(typed->m_hObject, h);
    EXPECT_FALSE(plain->DeleteObject()); // a wrapper does not own its handle
    EXPECT_EQ(GetObjectType(h), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(CBrush::FromHandle(static_cast<HBRUSH>(h)), typed);
}

TEST(Gdi, SingleLineCentredTextLandsInTheMiddle)
{
    g_paint = [](HWND h)
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT all{0, 0, 200, 40};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        SetTextColor(dc, RGB(0, 0, 0));
        EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
        DrawTextW(dc, u"37 %", -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(h, &ps);
    };
    HWND h = PaintWindow(200, 40);
    QImage image = Grab(h);
    g_paint = nullptr;
    int left = 200, right = -1, top = 40, bottom = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (At(image, x, y) != GetSysColor(COLOR_BTNFACE))
            {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, left) << "no text was drawn";
    EXPECT_NEAR((left + right) / 2.0, 100, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 20, 4);
    // The background stays where no glyph is (transparent mode).
    EXPECT_EQ(At(image, 0, 0), GetSysColor(COLOR_BTNFACE));
    DestroyWindow(h);
}

// Runs `action` once the pop-up menu is open.
void WhenMenuOpens(std::function<void()> action)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout,
                     [timer, action]
                     {
                         if (!gwes::OpenPopupMenu())
                             return;
                         timer->stop();
                         timer->deleteLater();
                         action();
                     });
    timer->start(5);
}

HMENU TrayMenu()
{
    HMENU radio = CreatePopupMenu();
    AppendMenuW(radio, MF_STRING, 32771, u"On");
    AppendMenuW(radio, MF_STRING, 32772, u"Off");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(radio), u"Radio");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 32777, u"&Open");
    AppendMenuW(menu, MF_STRING, 32776, u"Exit");
    return menu;
}

TEST(Menus, TrackPopupMenuReturnsTheChosenCommandOrZero)
{
    HMENU menu = TrayMenu();
    WhenMenuOpens(
        []
        {
            auto listing = gwes::Automate({"menu"});
            EXPECT_TRUE(listing.ok);
            EXPECT_NE(listing.output.find("  32772 \"Off\""), std::string::npos) << listing.output;
            EXPECT_TRUE(gwes::Automate({"choose", "Off"}).ok);
        });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 10, 10, 0, nullptr, nullptr), 32772);
    WhenMenuOpens([] { EXPECT_TRUE(gwes::Automate({"choose", "32777"}).ok); });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 10, 10, 0, nullptr, nullptr), 32777);
    WhenMenuOpens(
        []
        {
            EXPECT_FALSE(gwes::Automate({"choose", "999"}).ok);
            gwes::DismissOpenMenu();
        });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, 10, 10, 0, nullptr, nullptr), 0);
    EXPECT_FALSE(gwes::Automate({"menu"}).ok);
    EXPECT_TRUE(DestroyMenu(menu));
}

TEST(Menus, RadioCheckAndReplacedSubMenuReadBack)
{
    CMenu menu;
    menu.Attach(TrayMenu());
    HMENU oldRadio = GetSubMenu(menu, 0);
    CMenu radio;
    ASSERT_TRUE(radio.CreatePopupMenu());
    radio.AppendMenu(MF_STRING, 32771, u"Ein");
    radio.AppendMenu(MF_STRING, 32772, u"Aus");
    ASSERT_TRUE(
        menu.ModifyMenu(0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(radio.m_hMenu), u"Funk"));
    EXPECT_FALSE(IsMenu(oldRadio)); // the replaced sub-menu went with its item
    EXPECT_EQ(menu.GetSubMenu(0)->m_hMenu, radio.m_hMenu);

    EXPECT_TRUE(menu.CheckMenuRadioItem(32771, 32772, 32772, MF_BYCOMMAND));
    EXPECT_EQ(menu.GetMenuState(32772, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(menu.GetMenuState(32771, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_TRUE(menu.CheckMenuRadioItem(32771, 32772, 32771, MF_BYCOMMAND));
    EXPECT_EQ(menu.GetMenuState(32771, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(menu.GetMenuState(32772, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_FALSE(menu.CheckMenuRadioItem(40000, 40001, 40000, MF_BYCOMMAND));
    CString text;
    menu.GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, CString(u"Funk"));
    // The sheet's menu owns the radio menu now: destroying it destroys both.
    HMENU radioHandle = radio.Detach();
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(IsMenu(radioHandle));
}

HWND g_owner;
std::vector<MSG> g_received;
LRESULT CALLBACK OwnerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg >= WM_USER)
        g_received.push_back(MSG{hWnd, msg, wParam, lParam, 0, {}});
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

TEST(NotifyIcon, AddModifyDeleteShowInAutomationAndATapPostsTheCallback)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"ShellTestOwner";
    RegisterClassW(&wc);
    g_owner = CreateWindowExW(0, u"ShellTestOwner", u"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ce::res::Image res;
    res.width = res.height = 16;
    res.argb.assign(256, 0xFFFF0000u);
    HICON app = gwes::CreateIconFromImages({res});
    HICON link = gwes::CreateIconFromImages({res});
    gwes::NoteIconResource(app, 137);
    gwes::NoteIconResource(link, 156);

    NOTIFYICONDATA nid{};
    nid.cbSize = 152;
    nid.hWnd = g_owner;
    nid.uID = 5000;
    nid.uFlags = NIF_MESSAGE | NIF_ICON;
    nid.uCallbackMessage = WM_USER + 100;
    nid.hIcon = app;
    EXPECT_FALSE(gwes::Automate({"icon"}).ok);
    ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &nid));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &nid)); // once per window and id
    EXPECT_EQ(
        gwes::Automate({"icon"}).output, "owner=" +
                                             []
                                             {
                                                 char b[32];
                                                 std::snprintf(b, 32, "0x%lx",
                                                               (unsigned long)(uintptr_t)g_owner);
                                                 return std::string(b);
                                             }() +
                                             " id=5000 icon=137 visible=1 tip=\"\"\n");
    nid.uFlags = NIF_ICON;
    nid.hIcon = link;
    ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &nid));
    EXPECT_NE(gwes::Automate({"icon"}).output.find(" icon=156 "), std::string::npos);

    g_received.clear();
    EXPECT_TRUE(gwes::Automate({"tap"}).ok);
    gwes::ProcessUntil([] { return !g_received.empty(); }, 2000);
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_USER + 100));
    EXPECT_EQ(g_received[0].wParam, 5000u);
    EXPECT_EQ(g_received[0].lParam, WM_LBUTTONDOWN);

    ASSERT_TRUE(Shell_NotifyIcon(NIM_DELETE, &nid));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &nid));
    EXPECT_FALSE(gwes::Automate({"icon"}).ok);
    EXPECT_FALSE(gwes::Automate({"tap"}).ok);
    DestroyWindow(g_owner);
}

TEST(Files, MissingFileGivesTheFrameworkMessageThroughTheRecorder)
{
    ce::RecordingPresenter recorder;
    CString missing(std::string(testing::TempDir() + "missing_eeprom.txt").c_str());
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing, CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    error.ReportError();
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(CString(recorder.boxes()[0].text.c_str()), missing + u" was not found.");

    // The throwing constructor hands the caller an exception to report and delete.
    try
    {
        CFile thrown(u"/nonexistent/other.txt", CFile::modeRead);
        ADD_FAILURE() << "no exception";
    }
    catch (CFileException* e)
    {
        e->ReportError();
        e->Delete();
    }
    ASSERT_EQ(recorder.boxes().size(), 2u);
    // A folder that does not exist is a bad path, not a missing file.
    EXPECT_EQ(recorder.boxes()[1].text, u"/nonexistent/other.txt contains an incorrect path.");
}

TEST(Files, ReadsAWholeFileSharedForReading)
{
    std::string path = testing::TempDir() + "shell_test_words.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("0a0b, 0c0d", f);
    std::fclose(f);
    CFile file;
    ASSERT_TRUE(file.Open(CString(path.c_str()), CFile::modeRead | CFile::shareDenyNone));
    ASSERT_EQ(file.GetLength(), 10u);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 16), 10u);
    EXPECT_STREQ(buffer, "0a0b, 0c0d");
    EXPECT_EQ(file.Read(buffer, 16), 0u);
    std::remove(path.c_str());
}

TEST(Shell, ShellExecuteExOpensWebAndMailAddressesOnly)
{
    std::vector<std::u16string> opened;
    bool handler = true;
    gwes::SetUrlOpener(
        [&](const std::u16string& url)
        {
            opened.push_back(url);
            return handler;
        });
    SHELLEXECUTEINFO sei{};
    sei.cbSize = 60;
    sei.fMask = SEE_MASK_FLAG_NO_UI;
    sei.lpVerb = u"open";
    sei.nShow = 11;
    sei.lpFile = u"mailto:support@example.com";
    EXPECT_TRUE(ShellExecuteEx(&sei));
    sei.lpFile = u"/etc/passwd";
    EXPECT_FALSE(ShellExecuteEx(&sei));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(sei.hInstApp), static_cast<uintptr_t>(SE_ERR_NOASSOC));
    handler = false; // nothing on the desktop can open it: FALSE, and no box
    ce::RecordingPresenter recorder;
    sei.lpFile = u"https://example.com/";
    EXPECT_FALSE(ShellExecuteEx(&sei));
    EXPECT_TRUE(recorder.boxes().empty());
    EXPECT_EQ(opened, (std::vector<std::u16string>{u"mailto:support@example.com", u"https://example.com/"}));
    gwes::SetUrlOpener(nullptr);
}

TEST(MessageBoxes, AnOpenBoxIsReadAndAnsweredThroughAutomation)
{
    std::string seen;
    QTimer::singleShot(20,
                       [&]
                       {
                           seen = gwes::Automate({"msgbox"}).output;
                           EXPECT_FALSE(gwes::Automate({"answer", "Retry"}).ok);
                           EXPECT_TRUE(gwes::Automate({"answer", "no"}).ok);
                       });
    EXPECT_EQ(gwes::ShowMessageBox(nullptr, u"Fail to read", u"Utility", MB_YESNO), IDNO);
    EXPECT_EQ(seen, "caption: Utility\ntext: Fail to read\nbuttons: Yes No\n");
    EXPECT_FALSE(gwes::Automate({"msgbox"}).ok);
}

// Every box is a window of its own, and the style keeps the pictures of its buttons in Qt's pixmap cache
// under keys of that window's palette: a box shown every few minutes adds entries until the cache is
// full. The window services keep that cache at a handheld's size instead of Qt's 10 MiB.
TEST(MessageBoxes, BoxesShownAgainAndAgainFillOnlyASmallPictureCache)
{
    ASSERT_TRUE(gwes::EnsureApplication());
    EXPECT_LE(QPixmapCache::cacheLimit(), 1024);
}

} // namespace

// An owner destroyed while its box (or file dialog) is open takes the box with it: the call returns as if
// the box had been closed, and nothing is freed twice.
TEST(MessageBoxes, AnOwnerDestroyedWhileItsBoxIsOpenEndsTheBox)
{
    HWND owner = PaintWindow(60, 40);
    ASSERT_TRUE(IsWindow(owner));
    QTimer::singleShot(20,
                       [&]
                       {
                           EXPECT_TRUE(DestroyWindow(owner));
                           gwes::ProcessPending(); // the owner's widget goes now
                       });
    EXPECT_EQ(gwes::ShowMessageBox(owner, u"Owner goes", u"Utility", MB_OKCANCEL), IDCANCEL);
    EXPECT_FALSE(IsWindow(owner));
    EXPECT_FALSE(gwes::Automate({"msgbox"}).ok);

    owner = PaintWindow(60, 40);
    gwes::FileDialogRequest request;
    request.owner = owner;
    request.open = true;
    request.title = u"Open";
    QTimer::singleShot(20,
                       [&]
                       {
                           EXPECT_TRUE(DestroyWindow(owner));
                           gwes::ProcessPending();
                       });
    EXPECT_FALSE(gwes::RunFileDialog(request));
    EXPECT_FALSE(IsWindow(owner));
}

TEST(WaitCursor, NestsAndGivesWayToAnArrowWhileABoxIsOpen)
{
    auto shape = [] { return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1; };
    {
        CWaitCursor outer;
        {
            CWaitCursor inner;
            EXPECT_EQ(shape(), Qt::WaitCursor);
        }
        EXPECT_EQ(shape(), Qt::WaitCursor); // the outer one still waits
        int during = -2;
        QTimer::singleShot(20,
                           [&]
                           {
                               during = shape();
                               gwes::Automate({"answer", "OK"});
                           });
        EXPECT_EQ(gwes::ShowMessageBox(nullptr, u"Fail to read", u"Utility", MB_OK), IDOK);
        EXPECT_EQ(during, Qt::ArrowCursor);
        EXPECT_EQ(shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(shape(), -1);
    // An end without a beginning is ignored: the next wait cursor still shows.
    gwes::EndWaitCursor();
    CWaitCursor again;
    EXPECT_EQ(shape(), Qt::WaitCursor);
}

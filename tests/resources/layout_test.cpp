// The dialogs built from the templates as the program shows them (offscreen): every control inside its
// dialog and clear of the others, every text fitting its control in English, Traditional and Simplified
// Chinese (also after the pages put their labels from the string table), and the sheet of the three shown
// pages filling the main window of a 240 x 320 screen.
#include "res_test.h"

#include "resource.h"

#include <afxdlgs.h>
#include <gwes/gwes.h>
#include <gwes/qt.h>

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using res_test::LangSC;
using res_test::Language;
using res_test::ResourceModule;

namespace
{

struct Variant
{
    const char* name;
    LANGID lang;
    bool simplified; // langSC.dll is the resource module
    bool localized;  // the pages replace their labels from the string table
};

const Variant kVariants[] = {
    {"English", 0x0409, false, false},
    {"Traditional Chinese", 0x0404, false, true},
    {"Simplified Chinese", 0x0804, true, true},
};

// The labels each page sets from the string table under a Chinese interface: control, string.
struct Relabel
{
    WORD dialog;
    std::vector<std::pair<int, UINT>> labels;
};

const Relabel kRelabels[] = {
    {IDD_STATUS,
     {{IDC_STATUS_LABEL, IDS_STATUS_LABEL},
      {IDC_TYPE_LABEL, IDS_TYPE_LABEL},
      {IDC_CHANNEL_LABEL, IDS_CHANNEL_LABEL},
      {IDC_TX_RATE_LABEL, IDS_TX_RATE_LABEL},
      {IDC_SIGNAL_LABEL, IDS_SIGNAL_LABEL},
      {IDC_QUALITY_LABEL, IDS_QUALITY_LABEL}}},
    {IDD_STATISTICS,
     {{IDC_TX_SUCCESS_LABEL, IDS_TX_SUCCESS},
      {IDC_TX_ERROR_LABEL, IDS_TX_ERROR},
      {IDC_TX_THROUGHPUT_LABEL, IDS_TX_THROUGHPUT},
      {IDC_RX_SUCCESS_LABEL, IDS_RX_SUCCESS},
      {IDC_RX_CRC_SUCCESS_LABEL, IDS_RX_CRC_SUCCESS},
      {IDC_RX_CRC_ERROR_LABEL, IDS_RX_CRC_ERROR},
      {IDC_RX_THROUGHPUT_LABEL, IDS_RX_THROUGHPUT},
      {IDC_RESET, IDS_RESET}}},
    {IDD_ABOUT,
     {{IDC_VERSION_GROUP, IDS_VERSION_GROUP},
      {IDC_DRIVER_LABEL, IDS_DRIVER},
      {IDC_UTILITY_LABEL, IDS_UTILITY},
      {IDC_LINK_GROUP, IDS_LINK_GROUP}}},
    {IDD_RADIO,
     {{IDC_SW_RADIO_LABEL, IDS_SW_RADIO},
      {IDC_RADIO_OFF, IDS_RADIO_OFF},
      {IDC_RADIO_ON, IDS_RADIO_ON},
      {IDC_ADHOC_CHANNEL_LABEL, IDS_ADHOC_CHANNEL},
      {IDC_POWER_SAVING_LABEL, IDS_POWER_SAVE}}},
};

const WORD kPages[] = {IDD_STATUS, IDD_RADIO, IDD_ABOUT, IDD_STATISTICS, IDD_BBCR, IDD_MCR, IDD_EEPROM};

// Chooses the interface of a variant for the life of the object.
class Interface
{
public:
    explicit Interface(const Variant& v) : m_language(v.lang), m_module(v.simplified ? LangSC() : nullptr) {}

private:
    Language m_language;
    ResourceModule m_module;
};

std::u16string TextOf(HWND hWnd)
{
    WCHAR buffer[256] = {};
    GetWindowTextW(hWnd, buffer, 256);
    return buffer;
}

std::u16string ClassOf(HWND hWnd)
{
    WCHAR buffer[64] = {};
    GetClassNameW(hWnd, buffer, 64);
    std::u16string name = buffer;
    for (char16_t& ch : name)
        if (ch >= u'A' && ch <= u'Z')
            ch = static_cast<char16_t>(ch - u'A' + u'a');
    return name;
}

int TextWidth(HWND hWnd, const std::u16string& text)
{
    QFontMetrics fm(gwes::FontOf(hWnd));
    return fm.horizontalAdvance(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

int TextHeight(HWND hWnd)
{
    return QFontMetrics(gwes::FontOf(hWnd)).height();
}

RECT RectIn(HWND parent, HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool IsGroupBox(HWND hWnd)
{
    return ClassOf(hWnd) == u"button" && (GetWindowLongW(hWnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Every control of a dialog inside it and clear of the others (a group box holds the controls inside it),
// and every text within its control.
void CheckLayout(HWND hDlg)
{
    RECT client;
    GetClientRect(hDlg, &client);
    std::vector<HWND> controls;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        controls.push_back(c);
    ASSERT_FALSE(controls.empty());

    for (HWND c : controls)
    {
        const int id = GetDlgCtrlID(c);
        const std::u16string cls = ClassOf(c);
        const std::u16string text = TextOf(c);
        const DWORD style = static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE));
        const RECT r = RectIn(hDlg, c);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SCOPED_TRACE(::testing::Message()
                     << "control " << id << " \"" << QString::fromUtf16(text.data()).toStdString() << "\"");
        EXPECT_TRUE(Inside(r, client));
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);

        if (cls == u"static" && (style & SS_TYPEMASK) <= SS_RIGHT)
        {
            int frame = (style & SS_SUNKEN) ? 4 : 0;
            EXPECT_LE(TextWidth(c, text) + frame, w);
            EXPECT_GE(h, TextHeight(c));
        }
        else if (cls == u"static" && (style & SS_TYPEMASK) == SS_BITMAP)
        {
            auto* label = qobject_cast<QLabel*>(gwes::WidgetOf(c));
            ASSERT_NE(label, nullptr);
            QPixmap picture = label->pixmap();
            ASSERT_FALSE(picture.isNull());
            EXPECT_LE(picture.width(), w);
            EXPECT_LE(picture.height(), h);
        }
        else if (cls == u"button")
        {
            DWORD type = style & BS_TYPEMASK;
            if (type == BS_GROUPBOX)
            {
                EXPECT_LE(TextWidth(c, text) + 16, w);
            }
            else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            {
                EXPECT_LE(TextWidth(c, text) + 8, w);
                EXPECT_GE(h, TextHeight(c) + 4);
            }
            else
            {
                EXPECT_LE(gwes::WidgetOf(c)->sizeHint().width(), w); // the indicator and the text
            }
        }
        else if (cls == u"edit")
        {
            EXPECT_GE(h, TextHeight(c) + 2);
        }
    }

    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j)
        {
            HWND a = controls[i], b = controls[j];
            RECT ra = RectIn(hDlg, a), rb = RectIn(hDlg, b);
            if (!Overlap(ra, rb))
                continue;
            bool grouped = (IsGroupBox(a) && Inside(rb, ra)) || (IsGroupBox(b) && Inside(ra, rb));
            EXPECT_TRUE(grouped) << "controls " << GetDlgCtrlID(a) << " and " << GetDlgCtrlID(b)
                                 << " overlap";
        }
}

// The main window, made as the program makes it.
struct MainWindow
{
    CDialog dialog{IDD_PPC_UI_DIALOG};
    MainWindow() { EXPECT_TRUE(dialog.Create(IDD_PPC_UI_DIALOG)); }
    ~MainWindow()
    {
        if (dialog.m_hWnd)
            dialog.DestroyWindow();
    }
};

void Relabelled(UINT dialog, HWND hPage)
{
    for (const Relabel& r : kRelabels)
        if (r.dialog == dialog)
            for (const auto& [control, string] : r.labels)
            {
                CString text;
                ASSERT_TRUE(text.LoadString(string));
                ASSERT_TRUE(SetDlgItemTextW(hPage, control, text));
            }
}

TEST(WlanLayout, EveryPageLaysOutItsControlsClearOfEachOtherWithTheirTextsInView)
{
    ASSERT_NE(LangSC(), nullptr);
    for (const Variant& v : kVariants)
    {
        SCOPED_TRACE(v.name);
        Interface ui(v);
        MainWindow main;
        ASSERT_TRUE(main.dialog.m_hWnd);
        {
            SCOPED_TRACE("main window");
            CheckLayout(main.dialog.m_hWnd);
        }
        for (WORD id : kPages)
        {
            SCOPED_TRACE(::testing::Message() << "page " << id);
            CDialog page(id);
            ASSERT_TRUE(page.Create(id, &main.dialog));
            CheckLayout(page.m_hWnd);
            if (v.localized)
            {
                Relabelled(id, page.m_hWnd);
                CheckLayout(page.m_hWnd);
            }
            page.DestroyWindow();
        }
    }
}

TEST(WlanLayout, TheSheetOfStatusRadioAndAboutFillsTheMainWindowOfTheHandheldScreen)
{
    ASSERT_NE(LangSC(), nullptr);
    for (const Variant& v : kVariants)
    {
        SCOPED_TRACE(v.name);
        Interface ui(v);
        MainWindow main;
        ASSERT_TRUE(main.dialog.m_hWnd);
        RECT window;
        GetWindowRect(main.dialog.m_hWnd, &window);
        EXPECT_LE(window.right - window.left, 240);
        EXPECT_LE(window.bottom - window.top, 320);

        // Captions as the main window gives them: from the string table under a Chinese interface.
        CPropertyPage status(IDD_STATUS, v.localized ? IDS_STATUS : 0);
        CPropertyPage radio(IDD_RADIO, v.localized ? IDS_RADIO : 0);
        CPropertyPage about(IDD_ABOUT, v.localized ? IDS_ABOUT : 0);
        CPropertySheet sheet(IDS_APP_CAPTION, &main.dialog, 0);
        sheet.AddPage(&status);
        sheet.AddPage(&radio);
        sheet.AddPage(&about);
        ASSERT_TRUE(sheet.Create(&main.dialog, WS_CHILD | WS_VISIBLE, 0));
        for (int page : {1, 2, 0})
            ASSERT_TRUE(sheet.SetActivePage(page));

        // The sheet takes the window's client area exactly: the pages fit without growing it.
        RECT client, sheetRect;
        GetClientRect(main.dialog.m_hWnd, &client);
        sheetRect = RectIn(main.dialog.m_hWnd, sheet.m_hWnd);
        EXPECT_EQ(sheetRect.left, 0);
        EXPECT_EQ(sheetRect.top, 0);
        EXPECT_EQ(sheetRect.right, client.right);
        EXPECT_EQ(sheetRect.bottom, client.bottom);
        for (CPropertyPage* page : {&status, &radio, &about})
        {
            ASSERT_TRUE(page->m_hWnd);
            EXPECT_TRUE(Inside(RectIn(main.dialog.m_hWnd, page->m_hWnd), client));
        }
        sheet.DestroyWindow();
    }
}

TEST(WlanLayout, RegisterListingsFitTheirOutputBoxes)
{
    // The baseband listing has no horizontal scroll bar: a line of eight registers must not wrap.
    // The Status page's most common link text shows whole.
    ASSERT_NE(LangSC(), nullptr);
    for (const Variant& v : kVariants)
    {
        SCOPED_TRACE(v.name);
        Interface ui(v);
        MainWindow main;
        CDialog bbcr(IDD_BBCR);
        ASSERT_TRUE(bbcr.Create(IDD_BBCR, &main.dialog));
        HWND output = GetDlgItem(bbcr.m_hWnd, IDC_BB_OUTPUT);
        RECT r;
        GetClientRect(output, &r);
        // Tab stops every 32 dialog units put the values after the label.
        int tabStop = LOWORD(gwes::DialogBaseUnits(bbcr.m_hWnd)) * 8;
        EXPECT_LT(TextWidth(output, u"0120:"), tabStop);
        int line = tabStop + TextWidth(output, u"FF FF FF FF FF FF FF FF");
        EXPECT_LE(line + 6, r.right - GetSystemMetrics(SM_CXVSCROLL));

        CDialog status(IDD_STATUS);
        ASSERT_TRUE(status.Create(IDD_STATUS, &main.dialog));
        HWND link = GetDlgItem(status.m_hWnd, IDC_LINK_STATUS);
        GetClientRect(link, &r);
        EXPECT_LE(TextWidth(link, u"Connected: 00-11-22-33-44-55") + 4, r.right);
    }
}

} // namespace

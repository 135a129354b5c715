// What the utility's resources hold, read with the kernel's resource reader: every dialog template with
// its controls, the strings in English, Traditional and Simplified Chinese, the tray menu, the power-saving
// list's initialisation data, the icons and the logo.
#include "res_test.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace ce::res;
using res_test::LangSC;
using res_test::Language;
using res_test::LoadText;
using res_test::ResourceModule;

namespace
{

// ----- Dialog templates
struct ControlEntry
{
    WORD id;             // IDC_STATIC controls are told apart by their English text
    const char16_t* cls; // class name
    DWORD mask, style;   // (control style & mask) == style
    const char16_t* en;  // text in the program's template (null: not looked at)
    const char16_t* sc;  // text in langSC.dll's template (null: as in English)
    WORD image = 0;      // picture controls: the bitmap they name
};

struct TemplateEntry
{
    WORD id;
    const char16_t* titleEn;
    const char16_t* titleSc;
    std::vector<ControlEntry> controls;
};

constexpr WORD kStatic = 0xFFFF;
constexpr DWORD kComboType = 0x3; // CBS_SIMPLE / CBS_DROPDOWN / CBS_DROPDOWNLIST
constexpr DWORD kOutput = ES_MULTILINE | ES_READONLY | ES_UPPERCASE | WS_VSCROLL;
constexpr DWORD kOutputBothBars = kOutput | WS_HSCROLL;

ControlEntry Label(WORD id, const char16_t* en, const char16_t* sc = nullptr)
{
    return {id, u"Static", SS_TYPEMASK, SS_LEFT, en, sc};
}
ControlEntry ReadOnlyEdit(WORD id)
{
    return {id, u"Edit", ES_READONLY | ES_MULTILINE, ES_READONLY, nullptr, nullptr};
}
ControlEntry PlainEdit(WORD id)
{
    return {id, u"Edit", ES_READONLY | ES_MULTILINE, 0, nullptr, nullptr};
}
ControlEntry Output(WORD id, DWORD style)
{
    return {id, u"Edit", kOutputBothBars, style, nullptr, nullptr};
}
ControlEntry Push(WORD id, const char16_t* en, const char16_t* sc = nullptr)
{
    return {id, u"Button", BS_TYPEMASK, BS_PUSHBUTTON, en, sc};
}
ControlEntry Group(WORD id, const char16_t* en, const char16_t* sc)
{
    return {id, u"Button", BS_TYPEMASK, BS_GROUPBOX, en, sc};
}
ControlEntry DropList(WORD id)
{
    return {id, u"ComboBox", kComboType | CBS_SORT, CBS_DROPDOWNLIST, nullptr, nullptr};
}

const std::vector<TemplateEntry>& Templates()
{
    static const std::vector<TemplateEntry> templates = {
        {IDD_PPC_UI_DIALOG,
         u"Keltrax QN40-SD Utility",
         u"Keltrax QN40-SD 工具程序",
         {
             {IDC_ADAPTER_COMBO, u"ComboBox", kComboType, CBS_DROPDOWN, nullptr, nullptr},
             Push(IDC_CREATE_SHEET, u"OK", u"确定"),
             {IDC_PAGE_TAB, u"systabcontrol32", 0, 0, nullptr, nullptr},
         }},
        {IDD_STATUS,
         u"Status",
         u"状态",
         {
             Label(kStatic, u"SSID"),
             ReadOnlyEdit(IDC_SSID),
             Label(IDC_STATUS_LABEL, u"Status", u"状态"),
             ReadOnlyEdit(IDC_LINK_STATUS),
             Label(IDC_TYPE_LABEL, u"Type", u"类型"),
             ReadOnlyEdit(IDC_BSS_TYPE),
             Label(IDC_CHANNEL_LABEL, u"Channel", u"信道"),
             ReadOnlyEdit(IDC_CHANNEL),
             Label(IDC_TX_RATE_LABEL, u"Tx Rate", u"Tx 速率"),
             ReadOnlyEdit(IDC_TX_RATE),
             Label(kStatic, u"IP"),
             {IDC_IP_ADDRESS, u"Static", SS_SUNKEN, SS_SUNKEN, u"", u""},
             Label(kStatic, u"MAC"),
             {IDC_MAC_ADDRESS, u"Static", SS_SUNKEN, SS_SUNKEN, u"", u""},
             Label(IDC_SIGNAL_LABEL, u"Signal", u"信号强度"),
             {IDC_SIGNAL_BAR, u"msctls_progress32", 0, 0, nullptr, nullptr},
             Label(IDC_QUALITY_LABEL, u"Quality", u"连接质量"),
             {IDC_QUALITY_BAR, u"msctls_progress32", 0, 0, nullptr, nullptr},
         }},
        {IDD_RADIO,
         u"Radio",
         u"无线电",
         {
             Label(IDC_SW_RADIO_LABEL, u"S/W Radio:", u"软件无线电:"),
             {IDC_RADIO_OFF, u"Button", BS_TYPEMASK | WS_GROUP, BS_AUTORADIOBUTTON | WS_GROUP, u"Off",
              u"关闭"},
             {IDC_RADIO_ON, u"Button", BS_TYPEMASK | WS_GROUP, BS_AUTORADIOBUTTON, u"On", u"开启"},
             Label(IDC_ADHOC_CHANNEL_LABEL, u"Ad Hoc Channel:", u"Ad hoc 信道:"),
             DropList(IDC_ADHOC_CHANNEL),
             Label(IDC_POWER_SAVING_LABEL, u"Power Saving:", u"省电模式:"),
             DropList(IDC_POWER_SAVING),
         }},
        {IDD_ABOUT,
         u"About",
         u"关于",
         {
             {kStatic, u"Static", SS_TYPEMASK, SS_BITMAP, nullptr, nullptr, IDB_LOGO},
             Group(IDC_VERSION_GROUP, u"Version", u"版本"),
             Label(IDC_DRIVER_LABEL, u"Driver:", u"驱动程序:"),
             Label(IDC_DRIVER_VERSION, u""),
             Label(IDC_UTILITY_LABEL, u"Utility:", u"工具程序:"),
             Label(IDC_UTILITY_VERSION, u""),
             Group(IDC_LINK_GROUP, u"Link", u"链接"),
             Push(IDC_WEB_LINK, u"www.keltrax.example"),
             Push(IDC_MAIL_LINK, u"support@keltrax.example"),
             Label(IDC_NOTICE, u"Copyright (C) 2005 Keltrax", u"版权所有 (C) 2005 Keltrax"),
         }},
        {IDD_STATISTICS,
         u"Statistics",
         u"统计",
         {
             Label(IDC_TX_SUCCESS_LABEL, u"Tx Success", u"Tx 成功"),
             ReadOnlyEdit(IDC_TX_SUCCESS),
             Label(IDC_TX_ERROR_LABEL, u"Tx Error", u"Tx 错误"),
             ReadOnlyEdit(IDC_TX_ERROR),
             Label(IDC_TX_THROUGHPUT_LABEL, u"Tx Throughput (Kbps)", u"Tx 流量 (Kbps)"),
             ReadOnlyEdit(IDC_TX_THROUGHPUT),
             Label(IDC_RX_SUCCESS_LABEL, u"Rx Success", u"Rx 成功"),
             ReadOnlyEdit(IDC_RX_SUCCESS),
             Label(IDC_RX_CRC_SUCCESS_LABEL, u"Rx CRC Success", u"Rx CRC 成功"),
             ReadOnlyEdit(IDC_RX_CRC_SUCCESS),
             Label(IDC_RX_CRC_ERROR_LABEL, u"Rx CRC Error", u"Rx CRC 错误"),
             ReadOnlyEdit(IDC_RX_CRC_ERROR),
             Label(IDC_RX_THROUGHPUT_LABEL, u"Rx Throughput (Kbps)", u"Rx 流量 (Kbps)"),
             ReadOnlyEdit(IDC_RX_THROUGHPUT),
             Push(IDC_RESET, u"Reset", u"重计"),
         }},
        {IDD_BBCR,
         u"BBCR",
         u"BBCR",
         {
             Label(kStatic, u"CR_index (dec):"),
             PlainEdit(IDC_BB_INDEX),
             Label(kStatic, u"CR_Data (hex):"),
             PlainEdit(IDC_BB_DATA),
             Push(IDC_READ, u"Read", u"读取"),
             Push(IDC_SET, u"Set", u"设置"),
             Push(IDC_READ_ALL, u"Read All", u"全部读取"),
             Output(IDC_BB_OUTPUT, kOutput),
         }},
        {IDD_MCR,
         u"MCR",
         u"MCR",
         {
             Label(kStatic, u"MCR_addr (hex):"),
             PlainEdit(IDC_MCR_ADDR),
             Label(kStatic, u"MCR_Data (hex):"),
             PlainEdit(IDC_MCR_DATA),
             Push(IDC_READ, u"Read", u"读取"),
             Push(IDC_SET, u"Set", u"设置"),
             Push(IDC_READ_ALL, u"Read All", u"全部读取"),
             Output(IDC_MCR_OUTPUT, kOutputBothBars),
         }},
        {IDD_EEPROM,
         u"EEPROM",
         u"EEPROM",
         {
             Label(kStatic, u"EEP_Index(hex):"),
             PlainEdit(IDC_EEP_INDEX),
             Label(kStatic, u"EEP_Data (hex):"),
             PlainEdit(IDC_EEP_DATA),
             Push(IDC_READ, u"Read", u"读取"),
             Push(IDC_SET, u"Set", u"设置"),
             Push(IDC_READ_ALL, u"Read All", u"全部读取"),
             Push(IDC_FROM_FILE, u"From file", u"从文件"),
             Output(IDC_EEP_OUTPUT, kOutputBothBars),
         }},
    };
    return templates;
}

std::optional<DialogTemplate> LoadTemplate(HMODULE module, WORD id, LANGID lang)
{
    const Directory* dir = ModuleResources(module);
    if (!dir)
        return std::nullopt;
    const Entry* e = dir->Find(ResName::Ordinal(kTypeDialog), ResName::Ordinal(id), lang);
    if (!e)
        return std::nullopt;
    return ParseDialog(e->data, e->size);
}

// The class of an item; the resource compiler stores class names in capitals, and they do not depend on
// case, so the predefined ones come back spelt as the ordinals name them and others in lower case.
std::u16string ClassOf(const DialogItem& item)
{
    if (item.windowClass.isOrdinal)
        return std::u16string(PredefinedClassName(item.windowClass.ordinal));
    for (WORD atom = 0x80; atom <= 0x85; ++atom)
        if (item.windowClass.Matches(ResName::String(PredefinedClassName(atom))))
            return std::u16string(PredefinedClassName(atom));
    std::u16string name = item.windowClass.name;
    for (char16_t& ch : name)
        if (ch >= u'A' && ch <= u'Z')
            ch = static_cast<char16_t>(ch - u'A' + u'a');
    return name;
}

// The item an entry describes: by id, or for IDC_STATIC by its English text (or its position among the
// template's unnamed items, which is how a translated template is matched).
const DialogItem* FindItem(const DialogTemplate& t, const ControlEntry& entry, size_t unnamedIndex)
{
    size_t seen = 0;
    for (const DialogItem& item : t.items)
    {
        if (static_cast<WORD>(item.id) != entry.id)
            continue;
        if (entry.id != kStatic)
            return &item;
        if (seen++ == unnamedIndex)
            return &item;
    }
    return nullptr;
}

void CheckTemplate(HMODULE module, LANGID lang, const TemplateEntry& entry, bool simplified)
{
    SCOPED_TRACE(::testing::Message() << "template " << entry.id << (simplified ? " in langSC.dll" : ""));
    std::optional<DialogTemplate> t = LoadTemplate(module, entry.id, lang);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->title, simplified ? entry.titleSc : entry.titleEn);
    EXPECT_TRUE(t->hasFont);
    EXPECT_EQ(t->pointSize, 8);
    // Pages are children of the sheet; the main window is a popup with a caption.
    if (entry.id == IDD_PPC_UI_DIALOG)
        EXPECT_EQ(t->style & (WS_POPUP | WS_CAPTION), static_cast<DWORD>(WS_POPUP | WS_CAPTION));
    else
        EXPECT_EQ(t->style & (WS_CHILD | WS_POPUP | WS_DISABLED), static_cast<DWORD>(WS_CHILD));

    // Exactly the listed controls, each once.
    EXPECT_EQ(t->items.size(), entry.controls.size());
    std::map<WORD, int> ids;
    for (const DialogItem& item : t->items)
    {
        if (static_cast<WORD>(item.id) != kStatic)
        {
            EXPECT_EQ(++ids[static_cast<WORD>(item.id)], 1) << "control " << item.id << " twice";
        }
    }

    size_t unnamed = 0;
    for (const ControlEntry& c : entry.controls)
    {
        SCOPED_TRACE(::testing::Message() << "control " << c.id);
        const DialogItem* item = FindItem(*t, c, c.id == kStatic ? unnamed++ : 0);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(ClassOf(*item), c.cls);
        EXPECT_EQ(item->style & c.mask, c.style) << std::hex << item->style;
        EXPECT_TRUE(item->style & WS_VISIBLE);
        const char16_t* text = simplified && c.sc ? c.sc : c.en;
        if (c.image)
        {
            ASSERT_TRUE(item->title.isOrdinal);
            EXPECT_EQ(item->title.ordinal, c.image);
        }
        else if (text)
        {
            EXPECT_FALSE(item->title.isOrdinal);
            EXPECT_EQ(item->title.name, text);
        }
    }
}

TEST(WlanDialogs, EveryTemplateHoldsItsControlsWithTheirClassesStylesAndTexts)
{
    ASSERT_NE(LangSC(), nullptr);
    for (const TemplateEntry& entry : Templates())
    {
        CheckTemplate(nullptr, 0x0409, entry, false);
        CheckTemplate(LangSC(), 0x0804, entry, true);
    }
}

TEST(WlanDialogs, TheSimplifiedChineseTemplatesKeepTheLayoutOfTheProgramOnes)
{
    ASSERT_NE(LangSC(), nullptr);
    for (const TemplateEntry& entry : Templates())
    {
        SCOPED_TRACE(::testing::Message() << "template " << entry.id);
        std::optional<DialogTemplate> en = LoadTemplate(nullptr, entry.id, 0x0409);
        std::optional<DialogTemplate> sc = LoadTemplate(LangSC(), entry.id, 0x0804);
        ASSERT_TRUE(en && sc);
        EXPECT_EQ(sc->style, en->style);
        EXPECT_EQ(sc->cx, en->cx);
        EXPECT_EQ(sc->cy, en->cy);
        ASSERT_EQ(sc->items.size(), en->items.size());
        for (size_t i = 0; i < en->items.size(); ++i)
        {
            const DialogItem& a = en->items[i];
            const DialogItem& b = sc->items[i];
            SCOPED_TRACE(::testing::Message() << "item " << i << " id " << a.id);
            EXPECT_EQ(b.id, a.id);
            EXPECT_EQ(ClassOf(b), ClassOf(a));
            EXPECT_EQ(b.style, a.style);
            EXPECT_EQ(b.exStyle, a.exStyle);
            EXPECT_EQ(std::vector<int>({b.x, b.y, b.cx, b.cy}), std::vector<int>({a.x, a.y, a.cx, a.cy}));
        }
    }
}

// ----- Strings
struct StringSpec
{
    UINT id;
    const char16_t* en;
    const char16_t* tc;
    const char16_t* sc;
};

const StringSpec kStrings[] = {
    {IDS_UTILITY_VERSION, u"10.26.6.2005\n", u"10.26.6.2005\n", u"10.26.6.2005\n"},
    {IDS_CHANNEL_LABEL, u"Channel", u"頻道", u"信道"},
    {IDS_STATUS_LABEL, u"Status", u"狀態", u"状态"},
    {IDS_TYPE_LABEL, u"Type", u"類型", u"类型"},
    {IDS_TX_RATE_LABEL, u"Tx Rate", u"Tx 速率", u"Tx 速率"},
    {IDS_SIGNAL_LABEL, u"Signal", u"信號強度", u"信号强度"},
    {IDS_QUALITY_LABEL, u"Quality", u"連線品質", u"连接质量"},
    {IDS_TX_SUCCESS, u"Tx Success", u"Tx 成功", u"Tx 成功"},
    {IDS_TX_ERROR, u"Tx Error", u"Tx 錯誤", u"Tx 错误"},
    {IDS_TX_THROUGHPUT, u"Tx Throughput (Kbps)", u"Tx 流量 (Kbps)", u"Tx 流量 (Kbps)"},
    {IDS_RX_SUCCESS, u"Rx Success", u"Rx 成功", u"Rx 成功"},
    {IDS_RX_CRC_SUCCESS, u"Rx CRC Success", u"Rx CRC 成功", u"Rx CRC 成功"},
    {IDS_RX_CRC_ERROR, u"Rx CRC Error", u"Rx CRC 錯誤", u"Rx CRC 错误"},
    {IDS_RX_THROUGHPUT, u"Rx Throughput (Kbps)", u"Rx 流量 (Kbps)", u"Rx 流量 (Kbps)"},
    {IDS_RESET, u"Reset", u"重計", u"重计"},
    {IDS_SW_RADIO, u"SW Radio", u"軟體無線電", u"软件无线电"},
    {IDS_RADIO_ON, u"On", u"開啟", u"开启"},
    {IDS_RADIO_OFF, u"Off", u"關閉", u"关闭"},
    {IDS_ADHOC_CHANNEL, u"Ad hoc Channel", u"Ad hoc 頻道", u"Ad hoc 信道"},
    {IDS_POWER_SAVE, u"Power Save", u"省電模式", u"省电模式"},
    {IDS_ABOUT, u"About", u"關於", u"关于"},
    {IDS_VERSION_GROUP, u"Version", u"版本", u"版本"},
    {IDS_DRIVER, u"Driver", u"驅動程式", u"驱动程序"},
    {IDS_UTILITY, u"Utility", u"工具程式", u"工具程序"},
    {IDS_LINK_GROUP, u"Link", u"連結", u"链接"},
    {IDS_STATUS, u"Status", u"狀態", u"状态"},
    {IDS_STATISTICS, u"Statistics", u"統計", u"统计"},
    {IDS_RADIO, u"Radio", u"無線電", u"无线电"},
    {IDS_APP_CAPTION, u"Keltrax QN40-SD Utility", u"Keltrax QN40-SD 工具程式", u"Keltrax QN40-SD 工具程序"},
    {IDS_POWER_SAVING_ITEMS, u"Disable\nEnable (Max)\nEnable (Fast)\n", u"關閉\n啟動 (最大)\n啟動 (最快)\n",
     u"关闭\n启动 (最大)\n启动 (最快)\n"},
};

TEST(WlanStrings, EveryStringInEnglishTraditionalAndSimplifiedChinese)
{
    ASSERT_NE(LangSC(), nullptr);
    struct Row
    {
        LANGID lang;
        HMODULE module;
        const char16_t* StringSpec::*text;
    };
    const Row rows[] = {
        {0x0409, nullptr, &StringSpec::en},
        {0x0404, nullptr, &StringSpec::tc},
        // The other Chinese locales that keep the program's own resources read the Traditional table too,
        // never the English one (the tray menu relabels Open and Exit with the On and Off texts).
        {0x0C04, nullptr, &StringSpec::tc},
        {0x1404, nullptr, &StringSpec::tc},
        {0x1004, nullptr, &StringSpec::tc},
        {0x0804, LangSC(), &StringSpec::sc},
        // Without its library the Simplified Chinese interface still reads Chinese.
        {0x0804, nullptr, &StringSpec::tc},
        // Any other language: English.
        {0x0411, nullptr, &StringSpec::en},
    };
    for (const Row& row : rows)
    {
        Language language(row.lang);
        ResourceModule module(row.module);
        for (const StringSpec& s : kStrings)
            EXPECT_EQ(LoadText(s.id), s.*row.text)
                << "language " << std::hex << row.lang << std::dec << " string " << s.id;
    }
}

TEST(WlanStrings, TheTablesAreStoredUnderLanguages1033And1028AndLangSCUnder2052)
{
    ASSERT_NE(LangSC(), nullptr);
    struct Row
    {
        HMODULE module;
        WORD lang;
    };
    for (const Row& row : {Row{nullptr, 1033}, Row{nullptr, 1028}, Row{LangSC(), 2052}})
        for (const StringSpec& s : kStrings)
        {
            SetLastError(0);
            EXPECT_NE(FindResourceExW(row.module, RT_STRING, MAKEINTRESOURCE(s.id / 16 + 1), row.lang),
                      nullptr)
                << "language " << row.lang << " string " << s.id;
        }
}

// Converts UTF-16 text to a legacy Chinese character set; false when a character has no place in it.
bool Encodable(std::u16string_view text, const char* charset)
{
    iconv_t cd = iconv_open(charset, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    std::string out(text.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    size_t result = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    return result != static_cast<size_t>(-1) && inLeft == 0;
}

TEST(WlanStrings, EachChineseTableUsesOnlyTheCharactersOfItsScript)
{
    // GB2312 has no Traditional characters and Big5 no Simplified ones, so a character left over from the
    // other script shows here.
    for (const StringSpec& s : kStrings)
    {
        EXPECT_TRUE(Encodable(s.sc, "GB2312")) << "string " << s.id;
        EXPECT_TRUE(Encodable(s.tc, "BIG5")) << "string " << s.id;
    }
    for (const TemplateEntry& t : Templates())
    {
        EXPECT_TRUE(Encodable(t.titleSc, "GB2312")) << t.id;
        for (const ControlEntry& c : t.controls)
        {
            if (c.sc)
            {
                EXPECT_TRUE(Encodable(c.sc, "GB2312")) << t.id << " " << c.id;
            }
        }
    }
}

// ----- The tray menu
std::optional<std::vector<MenuItem>> LoadMenuTree(HMODULE module, LANGID lang)
{
    const Entry* e =
        ModuleResources(module)->Find(ResName::Ordinal(kTypeMenu), ResName::Ordinal(IDR_TRAY_MENU), lang);
    if (!e)
        return std::nullopt;
    return ParseMenu(e->data, e->size);
}

TEST(WlanMenu, TheTrayMenuHoldsRadioOnOffASeparatorOpenAndExit)
{
    ASSERT_NE(LangSC(), nullptr);
    struct Row
    {
        HMODULE module;
        LANGID lang;
        std::vector<std::u16string> texts; // Radio, On, Off, Open, Exit
    };
    const Row rows[] = {
        {nullptr, 0x0409, {u"Radio", u"On", u"Off", u"Open", u"Exit"}},
        {LangSC(), 0x0804, {u"无线电", u"开启", u"关闭", u"打开", u"退出"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << std::hex << row.lang);
        std::optional<std::vector<MenuItem>> menu = LoadMenuTree(row.module, row.lang);
        ASSERT_TRUE(menu);
        // The program takes the first sub-menu.
        ASSERT_EQ(menu->size(), 1u);
        ASSERT_TRUE((*menu)[0].IsPopup());
        const std::vector<MenuItem>& items = (*menu)[0].children;
        ASSERT_EQ(items.size(), 4u);
        ASSERT_TRUE(items[0].IsPopup());
        EXPECT_EQ(items[0].text, row.texts[0]);
        ASSERT_EQ(items[0].children.size(), 2u);
        EXPECT_EQ(items[0].children[0].id, static_cast<UINT>(ID_RADIO_ON));
        EXPECT_EQ(items[0].children[0].text, row.texts[1]);
        EXPECT_EQ(items[0].children[1].id, static_cast<UINT>(ID_RADIO_OFF));
        EXPECT_EQ(items[0].children[1].text, row.texts[2]);
        EXPECT_TRUE(items[1].IsSeparator());
        EXPECT_EQ(items[2].id, static_cast<UINT>(ID_TRAY_OPEN));
        EXPECT_EQ(items[2].text, row.texts[3]);
        EXPECT_EQ(items[3].id, static_cast<UINT>(ID_TRAY_EXIT));
        EXPECT_EQ(items[3].text, row.texts[4]);
        for (const MenuItem& item : items)
            EXPECT_EQ(item.flags & (MF_GRAYED | MF_CHECKED), 0u);
    }
    EXPECT_EQ(ID_RADIO_ON, 32771);
    EXPECT_EQ(ID_RADIO_OFF, 32772);
    EXPECT_EQ(ID_TRAY_EXIT, 32776);
    EXPECT_EQ(ID_TRAY_OPEN, 32777);
}

// ----- The power-saving list's initialisation data
std::u16string FromCodePage(const std::vector<uint8_t>& bytes, UINT codePage)
{
    std::string text(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(std::max(n, 0)), u'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

TEST(WlanDlgInit, ThePowerSavingListHoldsTheItemsOfThePowerSavingStringInOrder)
{
    ASSERT_NE(LangSC(), nullptr);
    struct Row
    {
        HMODULE module;
        LANGID lang;
        UINT codePage; // the ANSI code page of the device language
        const char16_t* StringSpec::*text;
    };
    const Row rows[] = {{nullptr, 0x0409, 1252, &StringSpec::en}, {LangSC(), 0x0804, 936, &StringSpec::sc}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << std::hex << row.lang);
        const Entry* e = ModuleResources(row.module)
                             ->Find(ResName::Ordinal(kTypeDlgInit), ResName::Ordinal(IDD_RADIO), row.lang);
        ASSERT_NE(e, nullptr);
        std::optional<std::vector<DlgInitItem>> items = ParseDlgInit(e->data, e->size);
        ASSERT_TRUE(items);
        const StringSpec& list = kStrings[std::size(kStrings) - 1];
        ASSERT_EQ(list.id, static_cast<UINT>(IDS_POWER_SAVING_ITEMS));
        std::vector<std::u16string> expected = res_test::Lines(list.*row.text);
        ASSERT_EQ(expected.size(), 3u);
        ASSERT_EQ(items->size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
        {
            EXPECT_EQ((*items)[i].controlId, IDC_POWER_SAVING);
            EXPECT_EQ((*items)[i].message, kDlgInitComboAdd);
            // The stored length counts the terminator, which ends the text.
            ASSERT_FALSE((*items)[i].data.empty());
            EXPECT_EQ((*items)[i].data.back(), 0);
            EXPECT_EQ(std::count((*items)[i].data.begin(), (*items)[i].data.end(), 0), 1);
            EXPECT_EQ(FromCodePage((*items)[i].data, row.codePage), expected[i]) << i;
        }
    }
    // No other template carries initialisation data.
    for (const TemplateEntry& t : Templates())
    {
        if (t.id != IDD_RADIO)
        {
            EXPECT_EQ(ModuleResources(nullptr)->Find(ResName::Ordinal(kTypeDlgInit), ResName::Ordinal(t.id),
                                                     0x0409),
                      nullptr)
                << t.id;
        }
    }
}

// ----- Icons and the logo
struct PixelCounts
{
    int green = 0, red = 0, blue = 0, opaque = 0;
    int greenBars = 0; // runs of columns that hold green
};

PixelCounts Count(const Image& image)
{
    PixelCounts c;
    std::vector<bool> greenColumn(static_cast<size_t>(image.width), false);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
        {
            uint32_t p = image.argb[static_cast<size_t>(y) * image.width + x];
            int a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (a < 128)
                continue;
            ++c.opaque;
            if (g > r + 60 && g > b + 60)
            {
                ++c.green;
                greenColumn[static_cast<size_t>(x)] = true;
            }
            if (r > 150 && g < 90 && b < 90)
                ++c.red;
            if (b > r + 60 && b > g + 20)
                ++c.blue;
        }
    for (size_t x = 0; x < greenColumn.size(); ++x)
        if (greenColumn[x] && (x == 0 || !greenColumn[x - 1]))
            ++c.greenBars;
    return c;
}

TEST(WlanImages, EveryIconHasALargeAndASmallImageWithTransparency)
{
    ASSERT_NE(LangSC(), nullptr);
    const WORD icons[] = {IDR_MAINFRAME, IDI_TRAY_APP, IDI_LINK_DOWN, IDI_SIGNAL_1,
                          IDI_SIGNAL_2,  IDI_SIGNAL_3, IDI_SIGNAL_4,  IDI_SIGNAL_5};
    for (HMODULE module : {static_cast<HMODULE>(nullptr), LangSC()})
        for (WORD id : icons)
        {
            SCOPED_TRACE(::testing::Message() << "icon " << id << (module ? " in langSC.dll" : ""));
            std::vector<Image> images = LoadIconImages(module, ResName::Ordinal(id));
            ASSERT_EQ(images.size(), 2u);
            EXPECT_EQ(images[0].width, 32);
            EXPECT_EQ(images[0].height, 32);
            EXPECT_EQ(images[1].width, 16);
            EXPECT_EQ(images[1].height, 16);
            for (const Image& image : images)
            {
                PixelCounts c = Count(image);
                // A picture, not a filled square and not an empty one.
                EXPECT_GT(c.opaque, image.width * image.height / 8);
                EXPECT_LT(c.opaque, image.width * image.height);
            }
        }
    EXPECT_EQ(IDI_SIGNAL_1, 157);
    EXPECT_EQ(IDI_SIGNAL_5, 161);
}

TEST(WlanImages, LinkIconsShowNoLinkAsACrossAndOneToFiveGreenBarsFromWeakestToStrongest)
{
    struct Row
    {
        WORD id;
        int bars;
        bool cross;
    };
    const Row rows[] = {{IDI_LINK_DOWN, 0, true}, {IDI_SIGNAL_1, 1, false}, {IDI_SIGNAL_2, 2, false},
                        {IDI_SIGNAL_3, 3, false}, {IDI_SIGNAL_4, 4, false}, {IDI_SIGNAL_5, 5, false}};
    for (size_t size : {0u, 1u})
    {
        int previousGreen = -1;
        for (const Row& row : rows)
        {
            SCOPED_TRACE(::testing::Message() << "icon " << row.id << " image " << size);
            std::vector<Image> images = LoadIconImages(nullptr, ResName::Ordinal(row.id));
            ASSERT_EQ(images.size(), 2u);
            PixelCounts c = Count(images[size]);
            EXPECT_EQ(c.greenBars, row.bars);
            EXPECT_EQ(c.red > 0, row.cross);
            EXPECT_GT(c.green, previousGreen);
            previousGreen = c.green;
        }
    }
    // The application pictures show the blue card and no link state.
    for (WORD id : {IDR_MAINFRAME, IDI_TRAY_APP})
        for (const Image& image : LoadIconImages(nullptr, ResName::Ordinal(id)))
        {
            PixelCounts c = Count(image);
            EXPECT_GT(c.blue, image.width * image.height / 8) << id;
            EXPECT_EQ(c.greenBars, 0) << id;
            EXPECT_EQ(c.red, 0) << id;
        }
}

TEST(WlanImages, TheLogoIsABannerInBothModules)
{
    ASSERT_NE(LangSC(), nullptr);
    std::optional<Image> logo = LoadBitmapImage(nullptr, ResName::Ordinal(IDB_LOGO));
    std::optional<Image> logoSC = LoadBitmapImage(LangSC(), ResName::Ordinal(IDB_LOGO));
    ASSERT_TRUE(logo && logoSC);
    EXPECT_EQ(logo->argb, logoSC->argb);
    EXPECT_GT(logo->width, 2 * logo->height);
    PixelCounts c = Count(*logo);
    EXPECT_EQ(c.opaque, logo->width * logo->height);
    EXPECT_GT(c.blue, logo->width * logo->height / 2);
}

} // namespace

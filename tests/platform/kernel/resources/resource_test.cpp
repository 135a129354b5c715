// The resource reader and the kernel's resource calls on the resources of this program (testres.rc) and
// of a resource-only DLL.
#include <windows.h>

#include <kernel/resource.h>
#include <thread_language.h>

#include "testres.h"

#include <gtest/gtest.h>

#include <string>

using namespace ce::res;

namespace
{

using Language = testing_support::ThreadLanguage;

std::u16string Load(UINT id, HMODULE hModule = nullptr)
{
    WCHAR buffer[64];
    int n = LoadStringW(hModule, id, buffer, 64);
    return n > 0 ? std::u16string(buffer, static_cast<size_t>(n)) : u"<none>";
}

const Directory& ProgramResources()
{
    const Directory* dir = ModuleResources(nullptr);
    EXPECT_NE(dir, nullptr);
    return *dir;
}

} // namespace

TEST(ResourceStrings, ChoosesTheTableOfTheThreadLanguageWithTheWindowsFallbacks)
{
    struct Row
    {
        LANGID lang;
        UINT id;
        std::u16string expected;
    };
    const Row rows[] = {
        {0x0409, IDS_STATUS, u"Status"},
        {0x0404, IDS_STATUS, u"狀態"},
        // No Hong Kong table and no neutral Chinese block for this id: US English.
        {0x0C04, IDS_STATUS, u"Status"},
        {0x0411, IDS_STATUS, u"Status"},
        // The primary language with the neutral sub-language comes before US English.
        {0x0804, IDS_PRIMARY, u"中文"},
        {0x0409, IDS_PRIMARY, u"Primary in English"},
        // The neutral language comes before US English; a block only one language has is found by all.
        {0x0407, IDS_NEUTRAL, u"Neutral"},
        {0x0409, IDS_NEUTRAL, u"Neutral"},
        // A block found in the thread's language that lacks the string yields no string, as in Windows.
        {0x0404, IDS_ENGLISH_ONLY, u"<none>"},
        {0x0409, IDS_ENGLISH_ONLY, u"English only"},
        {0x0409, IDS_VERSION, u"10.26.6.2005\n"},
        {0x0409, IDS_EMPTY, u"<none>"},
        {0x0409, 4000, u"<none>"},
    };
    for (const Row& row : rows)
    {
        Language language(row.lang);
        EXPECT_EQ(Load(row.id), row.expected)
            << "language " << std::hex << row.lang << " id " << std::dec << row.id;
    }
}

TEST(ResourceStrings, LoadStringCopiesTruncatesOrLendsThePointer)
{
    Language language(0x0409);
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'x');
    EXPECT_EQ(LoadStringW(nullptr, IDS_LONG, buffer, 8), 7);
    EXPECT_EQ(std::u16string(buffer), u"A strin");

    LPCWSTR direct = nullptr;
    int n = LoadStringW(nullptr, IDS_STATUS, reinterpret_cast<LPWSTR>(&direct), 0);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(std::u16string(direct, n), u"Status");

    // Not found: 0 and the buffer as it was.
    std::fill(std::begin(buffer), std::end(buffer), u'x');
    EXPECT_EQ(LoadStringW(nullptr, 4000, buffer, 8), 0);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(LoadStringW(nullptr, IDS_EMPTY, buffer, 8), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(nullptr, IDS_STATUS, nullptr, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ResourceStrings, AModuleHandleReadsThatModulesTables)
{
    HMODULE other = LoadLibraryW(u"qn40resother.dll");
    ASSERT_NE(other, nullptr);
    {
        Language language(0x0409);
        EXPECT_EQ(Load(IDS_STATUS, other), u"Status of the other module");
        // The module has no block for this id: nothing, even though the program has one.
        EXPECT_EQ(Load(IDS_VERSION, other), u"<none>");
        EXPECT_EQ(Load(IDS_STATUS), u"Status");
    }
    {
        Language language(0x0804);
        EXPECT_EQ(Load(IDS_STATUS, other), u"状态");
    }
    FreeLibrary(other);
}

TEST(ResourceLookup, FindResourceReportsWhatIsMissing)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCE(IDD_TEST), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    EXPECT_GT(SizeofResource(nullptr, found), 18u);
    EXPECT_NE(LockResource(LoadResource(nullptr, found)), nullptr);
    EXPECT_NE(FindResourceW(nullptr, u"#130", RT_DIALOG), nullptr);

    struct Row
    {
        LPCWSTR type;
        WORD name;
        WORD lang;
        DWORD error;
    };
    const Row rows[] = {
        {RT_DIALOG, IDD_TEST, 0x0409, 0},
        {RT_DIALOG, IDD_TEST, 0x0404, ERROR_RESOURCE_LANG_NOT_FOUND},
        {RT_DIALOG, 999, 0x0409, ERROR_RESOURCE_NAME_NOT_FOUND},
        {RT_ACCELERATOR, 1, 0x0409, ERROR_RESOURCE_TYPE_NOT_FOUND},
    };
    for (const Row& row : rows)
    {
        SetLastError(0);
        HRSRC r = FindResourceExW(nullptr, row.type, MAKEINTRESOURCE(row.name), row.lang);
        EXPECT_EQ(r != nullptr, row.error == 0) << row.name;
        EXPECT_EQ(GetLastError(), row.error) << row.name;
    }
}

TEST(ResourceLookup, APointerIntoAResourceKnowsHowFarTheResourceGoes)
{
    const Entry* e =
        ProgramResources().Find(ResName::Ordinal(kTypeDialog), ResName::Ordinal(IDD_TEST_EX), 0x0409);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(BytesToEndOfResource(e->data), e->size);
    EXPECT_EQ(BytesToEndOfResource(e->data + 5), e->size - 5u);
    EXPECT_EQ(BytesToEndOfResource(e->data + e->size - 1), 1u);
    // Memory of the program's own is no resource.
    const uint8_t local[4] = {};
    EXPECT_EQ(BytesToEndOfResource(local), 0u);
}

TEST(ResourceTemplates, DialogTemplatesOfBothKinds)
{
    const Entry* e =
        ProgramResources().Find(ResName::Ordinal(kTypeDialog), ResName::Ordinal(IDD_TEST), 0x0409);
    ASSERT_NE(e, nullptr);
    std::optional<DialogTemplate> t = ParseDialog(e->data, e->size);
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->extended);
    EXPECT_EQ(t->title, u"Test dialog");
    EXPECT_EQ(t->cx, 160);
    EXPECT_EQ(t->cy, 120);
    EXPECT_TRUE(t->hasFont);
    EXPECT_EQ(t->pointSize, 8);
    EXPECT_EQ(t->typeface, u"MS Sans Serif");
    ASSERT_EQ(t->items.size(), 9u);
    EXPECT_EQ(t->items[0].id, static_cast<DWORD>(IDC_COMBO));
    EXPECT_EQ(PredefinedClassName(t->items[0].windowClass.ordinal), u"ComboBox");
    EXPECT_EQ(t->items[0].style & CBS_DROPDOWNLIST, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_EQ(t->items[1].id, 0xFFFFu); // IDC_STATIC
    EXPECT_EQ(t->items[1].title.name, u"Label:");
    EXPECT_EQ(t->items[2].style & ES_UPPERCASE, static_cast<DWORD>(ES_UPPERCASE));
    EXPECT_TRUE(t->items[3].style & WS_GROUP);
    EXPECT_FALSE(t->items[4].style & WS_GROUP);
    EXPECT_TRUE(t->items[5].windowClass.Matches(ResName::String(u"msctls_progress32")));
    // A picture names its bitmap by ordinal.
    EXPECT_TRUE(t->items[6].title.isOrdinal);
    EXPECT_EQ(t->items[6].title.ordinal, IDB_TEST);
    EXPECT_EQ(t->items[7].id, static_cast<DWORD>(IDOK));
    EXPECT_EQ(t->items[7].style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));

    e = ProgramResources().Find(ResName::Ordinal(kTypeDialog), ResName::Ordinal(IDD_TEST_EX), 0x0409);
    ASSERT_NE(e, nullptr);
    t = ParseDialog(e->data, e->size);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->x, 2);
    EXPECT_EQ(t->y, 3);
    EXPECT_EQ(t->exStyle, static_cast<DWORD>(WS_EX_CONTROLPARENT));
    EXPECT_EQ(t->typeface, u"Tahoma");
    EXPECT_EQ(t->pointSize, 9);
    EXPECT_EQ(t->weight, 700);
    EXPECT_EQ(t->italic, 1);
    ASSERT_EQ(t->items.size(), 2u);
    EXPECT_EQ(t->items[0].exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(PredefinedClassName(t->items[0].windowClass.ordinal), u"ListBox");
}

TEST(ResourceTemplates, DialogInitialisationDataListsComboItems)
{
    const Entry* e =
        ProgramResources().Find(ResName::Ordinal(kTypeDlgInit), ResName::Ordinal(IDD_TEST), 0x0409);
    ASSERT_NE(e, nullptr);
    std::optional<std::vector<DlgInitItem>> items = ParseDlgInit(e->data, e->size);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 3u);
    const char* texts[] = {"Disable", "Enable (Max)", "Enable (Fast)"};
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ((*items)[i].controlId, IDC_COMBO);
        EXPECT_EQ((*items)[i].message, kDlgInitComboAdd);
        EXPECT_STREQ(reinterpret_cast<const char*>((*items)[i].data.data()), texts[i]);
    }
}

TEST(ResourceTemplates, MenusKeepTheirTreeAndFlags)
{
    const Entry* e =
        ProgramResources().Find(ResName::Ordinal(kTypeMenu), ResName::Ordinal(IDM_POPUP), 0x0409);
    ASSERT_NE(e, nullptr);
    std::optional<std::vector<MenuItem>> menu = ParseMenu(e->data, e->size);
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->size(), 1u);
    const MenuItem& popup = (*menu)[0];
    EXPECT_TRUE(popup.IsPopup());
    EXPECT_EQ(popup.text, u"Menu");
    ASSERT_EQ(popup.children.size(), 3u);
    const MenuItem& radio = popup.children[0];
    EXPECT_TRUE(radio.IsPopup());
    ASSERT_EQ(radio.children.size(), 2u);
    EXPECT_EQ(radio.children[0].id, static_cast<UINT>(IDM_ON));
    EXPECT_EQ(radio.children[1].flags & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_TRUE(popup.children[1].IsSeparator());
    EXPECT_EQ(popup.children[2].id, static_cast<UINT>(IDM_EXIT));
    EXPECT_EQ(popup.children[2].flags & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_FALSE(popup.children[2].IsPopup());
}

TEST(ResourceImages, IconGroupsAndBitmapsDecodeToPixels)
{
    std::vector<Image> icon = LoadIconImages(nullptr, ResName::Ordinal(IDI_TEST));
    ASSERT_EQ(icon.size(), 2u);
    // Largest first; the 4-bit image takes its transparency from the AND mask.
    ASSERT_EQ(icon[0].width, 32);
    ASSERT_EQ(icon[0].height, 32);
    EXPECT_EQ(icon[0].argb[0], 0u);                     // top-left corner masked out
    EXPECT_EQ(icon[0].argb[31], 0xFF0000FFu);           // top-right blue
    EXPECT_EQ(icon[0].argb[31 * 32 + 31], 0xFF0000FFu); // bottom-right blue
    // The 32-bit image carries its own alpha.
    ASSERT_EQ(icon[1].width, 16);
    EXPECT_EQ(icon[1].argb[0], 0u);
    EXPECT_EQ(icon[1].argb[5 * 16 + 5], 0xFFFF0000u);
    EXPECT_TRUE(LoadIconImages(nullptr, ResName::Ordinal(999)).empty());

    std::optional<Image> bitmap = LoadBitmapImage(nullptr, ResName::Ordinal(IDB_TEST));
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->width, 3);
    ASSERT_EQ(bitmap->height, 2);
    const uint32_t expected[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(bitmap->argb[i], expected[i]) << i;
}

// Every prefix of a valid resource is either refused or parsed within its bounds (run under the address
// sanitizer, a read past the end fails the test).
TEST(ResourceParsing, TruncatedDataIsRefusedOrReadWithinBounds)
{
    const Directory& dir = ProgramResources();
    for (const Entry& e : dir.entries())
    {
        for (uint32_t n = 0; n < e.size; ++n)
        {
            std::vector<uint8_t> copy(e.data, e.data + n);
            const uint8_t* p = copy.data();
            if (e.type.isOrdinal && e.type.ordinal == kTypeDialog)
            {
                std::optional<DialogTemplate> t = ParseDialog(p, n);
                EXPECT_LE(t ? t->items.size() : 0u, 9u);
            }
            else if (e.type.isOrdinal && e.type.ordinal == kTypeMenu)
                ParseMenu(p, n);
            else if (e.type.isOrdinal && e.type.ordinal == kTypeDlgInit)
                ParseDlgInit(p, n);
            else if (e.type.isOrdinal && e.type.ordinal == kTypeGroupIcon)
                ParseGroupIcon(p, n);
            else if (e.type.isOrdinal && e.type.ordinal == kTypeIcon)
            {
                EXPECT_FALSE(DecodeIconImage(p, n) && n < 40);
            }
            else if (e.type.isOrdinal && e.type.ordinal == kTypeBitmap)
            {
                EXPECT_FALSE(DecodeBitmap(p, n)) << n;
            }
        }
    }

    // A resource image whose sizes run past its end is refused as a whole.
    const uint8_t bad[] = {0xFF, 0xFF, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0xFF, 0xFF, 1, 0};
    EXPECT_FALSE(Directory::Parse(bad, sizeof bad));
    EXPECT_TRUE(Directory::Parse(bad, 0));
}

TEST(ResourceNames, PointersOrdinalsAndNumberStrings)
{
    EXPECT_TRUE(ResName::FromPointer(MAKEINTRESOURCE(5)).Matches(ResName::Ordinal(5)));
    EXPECT_TRUE(ResName::FromPointer(u"#141").Matches(ResName::Ordinal(141)));
    EXPECT_TRUE(ResName::FromPointer(u"#14x").Matches(ResName::String(u"#14X")));
    EXPECT_TRUE(ResName::FromPointer(u"Dialog").Matches(ResName::String(u"DIALOG")));
    EXPECT_FALSE(ResName::FromPointer(u"141").Matches(ResName::Ordinal(141)));
}

namespace
{

// A .res image of the empty marker entry and one string-table block (ordinal 1) whose header claims
// `headerSize` bytes (32 is what the compiler writes; the rest is filled with zeros).
std::vector<uint8_t> StringImage(uint32_t headerSize)
{
    std::vector<uint8_t> out;
    auto u16 = [&](uint16_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto u32 = [&](uint32_t v) { u16(uint16_t(v)), u16(uint16_t(v >> 16)); };
    auto header = [&](uint32_t dataSize, uint32_t size, uint16_t type, uint16_t name)
    {
        size_t start = out.size();
        u32(dataSize), u32(size), u16(0xFFFF), u16(type), u16(0xFFFF), u16(name);
        u32(0), u16(0x30), u16(0x0409), u32(0), u32(0);
        out.resize(start + size, 0);
    };
    header(0, 32, 0, 0);
    // The block: string 0 is "Hi", the other 15 are empty.
    header(2 + 4 + 15 * 2, headerSize, 6, 1);
    u16(2), u16(u'H'), u16(u'i');
    for (int i = 0; i < 15; ++i)
        u16(0);
    return out;
}

} // namespace

// Every header of the format is a whole number of 32-bit words, so its data starts aligned; an image whose
// header size is anything else is malformed and refused as a whole.
TEST(ResourceParsing, HeaderSizesThatBreakTheWordAlignmentAreRefused)
{
    std::vector<uint8_t> good = StringImage(32);
    std::optional<Directory> dir = Directory::Parse(good.data(), good.size());
    ASSERT_TRUE(dir);
    ASSERT_EQ(dir->entries().size(), 1u);
    EXPECT_EQ(dir->entries()[0].size, 36u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(dir->entries()[0].data) % 4,
              reinterpret_cast<uintptr_t>(good.data()) % 4);
    for (uint32_t size : {33u, 34u, 35u, 37u})
    {
        std::vector<uint8_t> bad = StringImage(size);
        EXPECT_FALSE(Directory::Parse(bad.data(), bad.size())) << size;
    }
    std::vector<uint8_t> padded = StringImage(36); // a longer header in whole words is fine
    EXPECT_TRUE(Directory::Parse(padded.data(), padded.size()));
}

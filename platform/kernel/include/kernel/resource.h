// The resource reader: the binary resource format (.res) as the resource compiler writes it, embedded in a
// module, and the layouts of the resources read by the kernel's resource calls (FindResourceW,
// LoadStringW, ...), the window services (dialogs, menus, icons, bitmaps) and the framework (dialog
// templates, string tables, dialog initialisation data).
//
// A module carries its resources as one .res image under the exported symbols qn40_resources (the bytes)
// and qn40_resources_size (their count, 64-bit); qn40_add_resources() in the build embeds them. The reader
// finds them through GetProcAddressA on the module's handle, so the program's own (GetModuleHandleW(NULL))
// and a resource-only DLL's (LoadLibraryW) work alike.
//
// Everything here checks every length against the data it reads and never throws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ce::res
{

inline constexpr char kDataSymbol[] = "qn40_resources";
inline constexpr char kSizeSymbol[] = "qn40_resources_size";

// Resource type ordinals.
inline constexpr WORD kTypeBitmap = 2;
inline constexpr WORD kTypeIcon = 3;
inline constexpr WORD kTypeMenu = 4;
inline constexpr WORD kTypeDialog = 5;
inline constexpr WORD kTypeString = 6;
inline constexpr WORD kTypeGroupIcon = 14;
inline constexpr WORD kTypeDlgInit = 240;

// A resource type or name: an ordinal or a string (compared without regard to ASCII case).
struct ResName
{
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::u16string name;

    static ResName Ordinal(WORD id) { return ResName{true, id, {}}; }
    static ResName String(std::u16string_view s) { return ResName{false, 0, std::u16string(s)}; }
    // From a Windows resource pointer: MAKEINTRESOURCE values are ordinals, "#123" too.
    static ResName FromPointer(LPCWSTR p);
    bool empty() const { return !isOrdinal && name.empty(); }
    bool Matches(const ResName& other) const;
};

struct Entry
{
    ResName type;
    ResName name;
    WORD language = 0;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// The resources of one .res image, in file order.
class Directory
{
public:
    // Parses a .res image; nullopt when the image is malformed (a header or a size runs past the end).
    static std::optional<Directory> Parse(const uint8_t* data, size_t size);

    const std::vector<Entry>& entries() const { return m_entries; }
    // The entry of exactly this language, or null.
    const Entry* FindExact(const ResName& type, const ResName& name, WORD language) const;
    // The entry of the best language for `language`: that language, its primary language with the neutral
    // sub-language, the neutral language, US English, and finally whichever language there is.
    const Entry* Find(const ResName& type, const ResName& name, WORD language) const;
    bool HasType(const ResName& type) const;
    bool HasName(const ResName& type, const ResName& name) const;

private:
    std::vector<Entry> m_entries;
};

// The resources embedded in a module (null: the program); null when the module has none. The directory
// stays valid for the life of the process; its data pointers as long as the module stays loaded.
const Directory* ModuleResources(HMODULE hModule);

// The language resources are chosen for on this thread: the one set with SetThreadLanguage, or the
// device's default language. SetThreadLanguage(0) returns to the device's language; returns the previous
// setting.
LANGID ThreadLanguage();
LANGID SetThreadLanguage(LANGID language);

// The bytes from `p` to the end of the resource it lies in, among the modules whose resources have been
// read; 0 when it lies in none.
size_t BytesToEndOfResource(const void* p);

// Looks a resource up in a module in the thread's language order; null (and the Windows error) when absent.
const Entry* FindInModule(HMODULE hModule, const ResName& type, const ResName& name);

// String table entry `id` of a module, in the thread's language order; nullopt when the module has no
// table block for it. An id the block does not define is an empty string.
std::optional<std::u16string_view> FindString(HMODULE hModule, UINT id);

// ----- Dialog templates (DIALOG and DIALOGEX)
struct DialogItem
{
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    ResName windowClass; // ordinals 0x80..0x85: Button, Edit, Static, ListBox, ScrollBar, ComboBox
    ResName title;       // an ordinal names an image resource (pictures)
    std::vector<uint8_t> creationData;
};

struct DialogTemplate
{
    bool extended = false;
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    ResName menu;
    ResName windowClass;
    std::u16string title;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;
};

std::optional<DialogTemplate> ParseDialog(const uint8_t* data, size_t size);
// The class name of a predefined control atom (u"Button" for 0x80 ...), empty for other values.
inline std::u16string_view PredefinedClassName(WORD atom)
{
    switch (atom)
    {
    case 0x80:
        return u"Button";
    case 0x81:
        return u"Edit";
    case 0x82:
        return u"Static";
    case 0x83:
        return u"ListBox";
    case 0x84:
        return u"ScrollBar";
    case 0x85:
        return u"ComboBox";
    default:
        return {};
    }
}

// ----- Menus (MENU and MENUEX)
struct MenuItem
{
    UINT flags = 0; // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED, ...
    UINT id = 0;
    std::u16string text;
    std::vector<MenuItem> children;
    bool IsPopup() const { return (flags & MF_POPUP) != 0; }
    bool IsSeparator() const { return (flags & MF_SEPARATOR) != 0; }
};

std::optional<std::vector<MenuItem>> ParseMenu(const uint8_t* data, size_t size);

// ----- Dialog initialisation data (resource type 240): items for combo and list boxes
struct DlgInitItem
{
    WORD controlId = 0;
    WORD message = 0;          // as stored: 0x0403 adds to a combo box, 0x0401 to a list box
    std::vector<uint8_t> data; // 8-bit text in the ANSI code page, usually 0-terminated
};
inline constexpr WORD kDlgInitComboAdd = 0x0403;
inline constexpr WORD kDlgInitListAdd = 0x0401;

std::optional<std::vector<DlgInitItem>> ParseDlgInit(const uint8_t* data, size_t size);

// ----- Images
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb; // 0xAARRGGBB, top row first, not premultiplied
    std::vector<uint8_t> png;   // instead of pixels: a PNG stream (icons stored as PNG)
};

// A device-independent bitmap (RT_BITMAP data: BITMAPINFOHEADER, colours, pixels). Uncompressed 1, 4, 8,
// 16, 24 and 32 bits per pixel.
std::optional<Image> DecodeBitmap(const uint8_t* data, size_t size);
// One image of an icon (RT_ICON data: a DIB of twice the height with the AND mask, or a PNG stream).
std::optional<Image> DecodeIconImage(const uint8_t* data, size_t size);

struct GroupIconEntry
{
    BYTE width = 0; // 0 means 256
    BYTE height = 0;
    BYTE colorCount = 0;
    WORD planes = 0;
    WORD bitCount = 0;
    DWORD bytesInRes = 0;
    WORD id = 0; // RT_ICON ordinal
};
std::optional<std::vector<GroupIconEntry>> ParseGroupIcon(const uint8_t* data, size_t size);

// Every image of icon group `name` of a module, largest first; empty when there is no such icon.
std::vector<Image> LoadIconImages(HMODULE hModule, const ResName& name);
// Bitmap `name` of a module.
std::optional<Image> LoadBitmapImage(HMODULE hModule, const ResName& name);

} // namespace ce::res

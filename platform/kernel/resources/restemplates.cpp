// Layouts of dialog templates, menus, dialog initialisation data and icon groups.
#include <kernel/resource.h>

#include "resbytes.h"

namespace ce::res
{

using detail::ByteReader;

namespace
{

// A name-or-ordinal field of a template: 0 (none), 0xFFFF and an ordinal, or a 0-terminated string.
ResName ReadNameOrOrdinal(ByteReader& r)
{
    uint16_t first = r.U16();
    if (first == 0)
        return {};
    if (first == 0xFFFF)
        return ResName::Ordinal(r.U16());
    std::u16string s(1, static_cast<char16_t>(first));
    s += r.WString();
    return ResName::String(s);
}

constexpr size_t kMaxItems = 4096;

} // namespace

std::optional<DialogTemplate> ParseDialog(const uint8_t* data, size_t size)
{
    ByteReader r(data, size);
    DialogTemplate t;
    WORD count = 0;
    if (size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF)
    {
        t.extended = true;
        r.Skip(4);
        t.helpId = r.U32();
        t.exStyle = r.U32();
        t.style = r.U32();
    }
    else
    {
        t.style = r.U32();
        t.exStyle = r.U32();
    }
    count = r.U16();
    t.x = r.S16();
    t.y = r.S16();
    t.cx = r.S16();
    t.cy = r.S16();
    t.menu = ReadNameOrOrdinal(r);
    t.windowClass = ReadNameOrOrdinal(r);
    t.title = r.WString();
    if (t.style & DS_SETFONT)
    {
        t.hasFont = true;
        t.pointSize = r.U16();
        if (t.extended)
        {
            t.weight = r.U16();
            t.italic = r.U8();
            t.charset = r.U8();
        }
        t.typeface = r.WString();
    }
    if (!r.ok() || count > kMaxItems)
        return std::nullopt;

    for (WORD i = 0; i < count; ++i)
    {
        r.Align(4);
        DialogItem item;
        if (t.extended)
        {
            item.helpId = r.U32();
            item.exStyle = r.U32();
            item.style = r.U32();
        }
        else
        {
            item.style = r.U32();
            item.exStyle = r.U32();
        }
        item.x = r.S16();
        item.y = r.S16();
        item.cx = r.S16();
        item.cy = r.S16();
        item.id = t.extended ? r.U32() : r.U16();
        item.windowClass = ReadNameOrOrdinal(r);
        item.title = ReadNameOrOrdinal(r);
        uint16_t extra = r.U16();
        if (!r.ok())
            return std::nullopt;
        // DIALOGEX counts the creation data after the count; DIALOG counts the count word as well.
        size_t bytes = t.extended ? extra : (extra >= 2 ? extra - 2u : 0u);
        if (bytes > 0)
        {
            if (!t.extended)
                r.Align(2);
            if (bytes > r.remaining())
                return std::nullopt;
            item.creationData.assign(r.here(), r.here() + bytes);
            r.Skip(bytes);
        }
        t.items.push_back(std::move(item));
    }
    return t;
}

namespace
{

bool ParseMenuItems(ByteReader& r, std::vector<MenuItem>& out, int depth)
{
    if (depth > 16)
        return false;
    for (;;)
    {
        if (out.size() > kMaxItems)
            return false;
        MenuItem item;
        uint16_t flags = r.U16();
        if (!r.ok())
            return false;
        item.flags = flags & ~static_cast<UINT>(MF_END);
        if (!(flags & MF_POPUP))
            item.id = r.U16();
        item.text = r.WString();
        if (!r.ok())
            return false;
        // A plain item with no id and no text is a separator.
        if (!(flags & MF_POPUP) && item.id == 0 && item.text.empty())
            item.flags |= MF_SEPARATOR;
        if (flags & MF_POPUP)
        {
            if (!ParseMenuItems(r, item.children, depth + 1))
                return false;
        }
        out.push_back(std::move(item));
        if (flags & MF_END)
            return true;
    }
}

bool ParseMenuExItems(ByteReader& r, std::vector<MenuItem>& out, int depth)
{
    if (depth > 16)
        return false;
    for (;;)
    {
        if (out.size() > kMaxItems)
            return false;
        r.Align(4);
        MenuItem item;
        uint32_t type = r.U32();
        uint32_t state = r.U32();
        item.id = r.U32();
        uint16_t resInfo = r.U16();
        item.text = r.WString();
        if (!r.ok())
            return false;
        item.flags = (type & (MF_SEPARATOR | MF_MENUBREAK | MF_MENUBARBREAK | MFT_RADIOCHECK)) |
                     (state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT));
        if (resInfo & 0x01)
        {
            item.flags |= MF_POPUP;
            r.Align(4);
            r.U32(); // help id
            if (!ParseMenuExItems(r, item.children, depth + 1))
                return false;
        }
        out.push_back(std::move(item));
        if (resInfo & 0x80)
            return true;
    }
}

} // namespace

std::optional<std::vector<MenuItem>> ParseMenu(const uint8_t* data, size_t size)
{
    ByteReader r(data, size);
    uint16_t version = r.U16();
    uint16_t offset = r.U16();
    std::vector<MenuItem> items;
    if (!r.ok())
        return std::nullopt;
    if (version == 0)
    {
        if (!r.Skip(offset) || !ParseMenuItems(r, items, 0))
            return std::nullopt;
    }
    else if (version == 1)
    {
        // The offset counts from the end of the version word.
        if (!r.Seek(2 + static_cast<size_t>(offset)) || !ParseMenuExItems(r, items, 0))
            return std::nullopt;
    }
    else
    {
        return std::nullopt;
    }
    return items;
}

std::optional<std::vector<DlgInitItem>> ParseDlgInit(const uint8_t* data, size_t size)
{
    ByteReader r(data, size);
    std::vector<DlgInitItem> items;
    for (;;)
    {
        if (r.remaining() < 2)
            return items; // a missing terminator ends the list too
        DlgInitItem item;
        item.controlId = r.U16();
        if (item.controlId == 0)
            return items;
        item.message = r.U16();
        uint32_t length = r.U32();
        if (!r.ok() || length > r.remaining() || items.size() > kMaxItems)
            return std::nullopt;
        item.data.assign(r.here(), r.here() + length);
        r.Skip(length);
        items.push_back(std::move(item));
    }
}

std::optional<std::vector<GroupIconEntry>> ParseGroupIcon(const uint8_t* data, size_t size)
{
    ByteReader r(data, size);
    r.U16(); // reserved
    uint16_t type = r.U16();
    uint16_t count = r.U16();
    if (!r.ok() || type != 1 || count > 256)
        return std::nullopt;
    std::vector<GroupIconEntry> entries;
    for (uint16_t i = 0; i < count; ++i)
    {
        GroupIconEntry e;
        e.width = r.U8();
        e.height = r.U8();
        e.colorCount = r.U8();
        r.U8(); // reserved
        e.planes = r.U16();
        e.bitCount = r.U16();
        e.bytesInRes = r.U32();
        e.id = r.U16();
        if (!r.ok())
            return std::nullopt;
        entries.push_back(e);
    }
    return entries;
}

} // namespace ce::res

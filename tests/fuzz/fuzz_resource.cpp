// The kernel's resource reader on arbitrary bytes. The first byte chooses what the rest is read as:
// 0 a .res image (every entry is then read by the reader its type calls for), 1 a dialog template, 2 a menu,
// 3 dialog initialisation data, 4 a bitmap, 5 an icon image, 6 an icon group.
// Checks: nothing is read outside the bytes (the sanitizers watch; the bytes are an exactly sized copy);
// every entry of a parsed image lies inside it and is found again by its type, name and language; parsed
// results stay within what their bytes can hold (item counts, creation data, menu nesting, image sizes and
// pixel counts); reading the same bytes twice gives the same result.
#include "fuzz_support.h"

#include <kernel/resource.h>

#include <windows.h>

namespace res = ce::res;

namespace
{

void CheckMenu(const std::vector<res::MenuItem>& items, int depth, size_t size)
{
    FUZZ_CHECK(depth <= 17, "menu nested " + std::to_string(depth) + " deep");
    FUZZ_CHECK(items.size() * 4 <= size, "more menu items than the bytes can hold");
    for (const res::MenuItem& item : items)
    {
        FUZZ_CHECK(item.text.size() * 2 <= size, "");
        FUZZ_CHECK(item.children.empty() || item.IsPopup(), "a plain item with children");
        CheckMenu(item.children, depth + 1, size);
    }
}

size_t CountMenu(const std::vector<res::MenuItem>& items)
{
    size_t n = items.size();
    for (const auto& item : items)
        n += CountMenu(item.children);
    return n;
}

void CheckImage(const std::optional<res::Image>& image, const uint8_t* data, size_t size)
{
    if (!image)
        return;
    if (!image->png.empty())
    {
        FUZZ_CHECK(image->png.size() == size && std::equal(image->png.begin(), image->png.end(), data),
                   "a PNG icon not kept as its bytes");
        FUZZ_CHECK(image->argb.empty(), "");
        return;
    }
    FUZZ_CHECK(image->width > 0 && image->height > 0 && image->width <= 4096 && image->height <= 4096,
               std::to_string(image->width) + "x" + std::to_string(image->height));
    FUZZ_CHECK(image->argb.size() == static_cast<size_t>(image->width) * image->height, "");
    // At least one bit per pixel came from the bytes.
    FUZZ_CHECK(image->argb.size() <= size * 8, "more pixels than bits");
}

void ReadAs(WORD type, const uint8_t* data, size_t size)
{
    switch (type)
    {
    case res::kTypeDialog:
    {
        auto t = res::ParseDialog(data, size);
        if (!t)
            break;
        FUZZ_CHECK(t->items.size() <= 4096, "");
        size_t creation = 0;
        for (const auto& item : t->items)
            creation += item.creationData.size();
        FUZZ_CHECK(creation + t->items.size() * 18 <= size, "dialog items larger than their template");
        auto again = res::ParseDialog(data, size);
        FUZZ_CHECK(again && again->items.size() == t->items.size() && again->title == t->title &&
                       again->typeface == t->typeface,
                   "");
        break;
    }
    case res::kTypeMenu:
    {
        auto items = res::ParseMenu(data, size);
        if (!items)
            break;
        CheckMenu(*items, 0, size);
        auto again = res::ParseMenu(data, size);
        FUZZ_CHECK(again && CountMenu(*again) == CountMenu(*items), "");
        break;
    }
    case res::kTypeDlgInit:
    {
        auto items = res::ParseDlgInit(data, size);
        if (!items)
            break;
        size_t total = 0;
        for (const auto& item : *items)
        {
            FUZZ_CHECK(item.controlId != 0, "the terminator read as an item");
            total += 8 + item.data.size();
        }
        FUZZ_CHECK(total <= size, "dialog initialisation items larger than their data");
        break;
    }
    case res::kTypeBitmap:
        CheckImage(res::DecodeBitmap(data, size), data, size);
        break;
    case res::kTypeIcon:
        CheckImage(res::DecodeIconImage(data, size), data, size);
        break;
    case res::kTypeGroupIcon:
    {
        auto entries = res::ParseGroupIcon(data, size);
        if (entries)
            FUZZ_CHECK(6 + entries->size() * 14 <= size, "icon group larger than its data");
        break;
    }
    default:
        break;
    }
}

void ReadImage(const uint8_t* data, size_t size)
{
    auto dir = res::Directory::Parse(data, size);
    auto again = res::Directory::Parse(data, size);
    FUZZ_CHECK(dir.has_value() == again.has_value(), "");
    if (!dir)
        return;
    FUZZ_CHECK(dir->entries().size() == again->entries().size(), "");
    FUZZ_CHECK(dir->entries().size() * 24 <= size, "more entries than headers fit in the image");
    for (const res::Entry& e : dir->entries())
    {
        FUZZ_CHECK(e.data >= data && e.data <= data + size &&
                       e.size <= static_cast<size_t>(data + size - e.data),
                   "an entry outside the image");
        FUZZ_CHECK(dir->HasType(e.type) && dir->HasName(e.type, e.name), "");
        const res::Entry* exact = dir->FindExact(e.type, e.name, e.language);
        FUZZ_CHECK(exact && exact->language == e.language && exact->type.Matches(e.type) &&
                       exact->name.Matches(e.name),
                   "an entry not found by its own type, name and language");
        const res::Entry* best = dir->Find(e.type, e.name, static_cast<WORD>(e.language ^ 0x0400));
        FUZZ_CHECK(best && best->type.Matches(e.type) && best->name.Matches(e.name), "");
        if (e.type.isOrdinal)
            ReadAs(e.type.ordinal, e.data, e.size);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const WORD kModes[] = {0,
                                  res::kTypeDialog,
                                  res::kTypeMenu,
                                  res::kTypeDlgInit,
                                  res::kTypeBitmap,
                                  res::kTypeIcon,
                                  res::kTypeGroupIcon};
    const WORD mode = kModes[data[0] % std::size(kModes)];
    // The rest as a block of its own, so that a read past its end is a read past an allocation.
    std::vector<uint8_t> bytes(data + 1, data + size);
    const uint8_t* p = bytes.empty() ? nullptr : bytes.data();
    if (mode == 0)
        ReadImage(p, bytes.size());
    else
        ReadAs(mode, p, bytes.size());
    return 0;
}

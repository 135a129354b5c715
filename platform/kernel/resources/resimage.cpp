// Bitmaps and icons: device-independent bitmaps decoded to 32-bit pixels.
#include <kernel/resource.h>

#include "resbytes.h"

#include <algorithm>

namespace ce::res
{

using detail::ByteReader;

namespace
{

constexpr int kMaxDimension = 4096;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct DibHeader
{
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0; // positive: bottom row first
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    bool core = false; // BITMAPCOREHEADER: 16-bit sizes and 3-byte colours
};

int CountBits(uint32_t v)
{
    int n = 0;
    for (; v; v >>= 1)
        n += v & 1;
    return n;
}

int LowestBit(uint32_t v)
{
    if (v == 0)
        return 0;
    int n = 0;
    while (!(v & 1))
        v >>= 1, ++n;
    return n;
}

// Scales a masked channel to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask)
{
    if (!mask)
        return 0;
    uint32_t v = (pixel & mask) >> LowestBit(mask);
    int bits = CountBits(mask);
    if (bits >= 8)
        return v >> (bits - 8);
    uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}

// Decodes the pixels of a DIB of `rows` rows into `image` (rows top first). `data` starts at the header.
// Returns the offset just past the pixel rows, or 0 on malformed data.
size_t DecodePixels(const uint8_t* data, size_t size, const DibHeader& h, int rows, Image& image)
{
    if (h.width <= 0 || h.width > kMaxDimension || rows <= 0 || rows > kMaxDimension)
        return 0;
    if (h.compression != kBiRgb && !(h.compression == kBiBitfields && (h.bitCount == 16 || h.bitCount == 32)))
        return 0;
    const uint16_t bpp = h.bitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return 0;

    size_t offset = h.headerSize;
    if (h.compression == kBiBitfields && h.headerSize == 40)
        offset += 12; // the three masks follow a plain info header
    std::vector<uint32_t> palette;
    if (bpp <= 8)
    {
        uint32_t colors = h.colorsUsed ? h.colorsUsed : (1u << bpp);
        if (colors > 256)
            return 0;
        size_t entry = h.core ? 3 : 4;
        if (offset > size || colors * entry > size - offset)
            return 0;
        for (uint32_t i = 0; i < colors; ++i)
        {
            const uint8_t* p = data + offset + i * entry;
            palette.push_back(0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]);
        }
        palette.resize(1u << bpp, 0xFF000000u);
        offset += colors * entry;
    }

    uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (h.compression != kBiBitfields)
    {
        if (bpp == 16)
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        else
            masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }

    const uint64_t stride = ((static_cast<uint64_t>(h.width) * bpp + 31) / 32) * 4;
    if (offset > size || stride * static_cast<uint64_t>(rows) > size - offset)
        return 0;

    image.width = h.width;
    image.height = rows;
    image.argb.assign(static_cast<size_t>(h.width) * rows, 0);
    const bool bottomUp = h.height > 0;
    for (int row = 0; row < rows; ++row)
    {
        const uint8_t* src = data + offset + stride * static_cast<uint64_t>(row);
        int y = bottomUp ? rows - 1 - row : row;
        uint32_t* dst = image.argb.data() + static_cast<size_t>(y) * h.width;
        for (int x = 0; x < h.width; ++x)
        {
            uint32_t pixel = 0;
            switch (bpp)
            {
            case 1:
                pixel = palette[(src[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                pixel = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
                break;
            case 8:
                pixel = palette[src[x]];
                break;
            case 16:
            {
                uint32_t v = src[2 * x] | (uint32_t(src[2 * x + 1]) << 8);
                pixel = 0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) |
                        Channel(v, masks[2]);
                break;
            }
            case 24:
                pixel = 0xFF000000u | (uint32_t(src[3 * x + 2]) << 16) | (uint32_t(src[3 * x + 1]) << 8) |
                        src[3 * x];
                break;
            case 32:
            {
                uint32_t v = src[4 * x] | (uint32_t(src[4 * x + 1]) << 8) | (uint32_t(src[4 * x + 2]) << 16) |
                             (uint32_t(src[4 * x + 3]) << 24);
                uint32_t alpha = v >> 24;
                pixel = (alpha << 24) | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) |
                        Channel(v, masks[2]);
                break;
            }
            }
            dst[x] = pixel;
        }
    }
    return offset + static_cast<size_t>(stride * static_cast<uint64_t>(rows));
}

std::optional<DibHeader> ReadHeader(const uint8_t* data, size_t size)
{
    ByteReader r(data, size);
    DibHeader h;
    h.headerSize = r.U32();
    if (!r.ok())
        return std::nullopt;
    if (h.headerSize == 12)
    {
        h.core = true;
        h.width = r.U16();
        h.height = r.S16();
        r.U16(); // planes
        h.bitCount = r.U16();
    }
    else if (h.headerSize >= 40 && h.headerSize <= size)
    {
        h.width = r.S32();
        h.height = r.S32();
        r.U16(); // planes
        h.bitCount = r.U16();
        h.compression = r.U32();
        r.U32(); // image size
        r.S32(); // resolution
        r.S32();
        h.colorsUsed = r.U32();
        r.U32(); // important colours
        if (h.compression == kBiBitfields)
        {
            // In the larger headers the masks are fields; after a plain one they follow it.
            h.masks[0] = r.U32();
            h.masks[1] = r.U32();
            h.masks[2] = r.U32();
        }
    }
    else
    {
        return std::nullopt;
    }
    if (!r.ok() || h.height == INT32_MIN)
        return std::nullopt;
    return h;
}

} // namespace

std::optional<Image> DecodeBitmap(const uint8_t* data, size_t size)
{
    std::optional<DibHeader> h = ReadHeader(data, size);
    if (!h)
        return std::nullopt;
    Image image;
    int rows = h->height < 0 ? -h->height : h->height;
    if (!DecodePixels(data, size, *h, rows, image))
        return std::nullopt;
    // Plain bitmaps have no alpha; a 32-bit one with an all-zero alpha channel is opaque.
    if (h->bitCount == 32 &&
        std::all_of(image.argb.begin(), image.argb.end(), [](uint32_t p) { return (p >> 24) == 0; }))
        for (uint32_t& p : image.argb)
            p |= 0xFF000000u;
    return image;
}

std::optional<Image> DecodeIconImage(const uint8_t* data, size_t size)
{
    if (size >= sizeof(kPngSignature) && std::equal(std::begin(kPngSignature), std::end(kPngSignature), data))
    {
        Image image;
        image.png.assign(data, data + size);
        return image;
    }
    std::optional<DibHeader> h = ReadHeader(data, size);
    if (!h || h->height <= 0 || h->height % 2 != 0)
        return std::nullopt;
    // The height covers the colour image and the AND mask below it.
    int rows = h->height / 2;
    Image image;
    size_t end = DecodePixels(data, size, *h, rows, image);
    if (!end)
        return std::nullopt;
    bool hasAlpha = h->bitCount == 32 && std::any_of(image.argb.begin(), image.argb.end(),
                                                     [](uint32_t p) { return (p >> 24) != 0; });
    if (hasAlpha)
        return image;
    for (uint32_t& p : image.argb)
        p |= 0xFF000000u;
    const uint64_t maskStride = ((static_cast<uint64_t>(h->width) + 31) / 32) * 4;
    if (maskStride * rows > size - end)
        return image; // no mask: opaque
    for (int row = 0; row < rows; ++row)
    {
        const uint8_t* src = data + end + maskStride * static_cast<uint64_t>(row);
        int y = rows - 1 - row;
        for (int x = 0; x < h->width; ++x)
            if ((src[x / 8] >> (7 - x % 8)) & 1)
                image.argb[static_cast<size_t>(y) * h->width + x] = 0; // transparent
    }
    return image;
}

std::vector<Image> LoadIconImages(HMODULE hModule, const ResName& name)
{
    std::vector<Image> images;
    const Entry* group = FindInModule(hModule, ResName::Ordinal(kTypeGroupIcon), name);
    if (!group)
        return images;
    std::optional<std::vector<GroupIconEntry>> entries = ParseGroupIcon(group->data, group->size);
    if (!entries)
        return images;
    const Directory* dir = ModuleResources(hModule);
    std::vector<std::pair<int, Image>> found;
    for (const GroupIconEntry& e : *entries)
    {
        // The images of a group are stored in the group's language, or in any.
        const Entry* icon = dir->Find(ResName::Ordinal(kTypeIcon), ResName::Ordinal(e.id), group->language);
        if (!icon)
            continue;
        std::optional<Image> image = DecodeIconImage(icon->data, icon->size);
        if (!image)
            continue;
        int area = (e.width ? e.width : 256) * (e.height ? e.height : 256) * 64 + e.bitCount;
        found.emplace_back(area, std::move(*image));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& f : found)
        images.push_back(std::move(f.second));
    return images;
}

std::optional<Image> LoadBitmapImage(HMODULE hModule, const ResName& name)
{
    const Entry* e = FindInModule(hModule, ResName::Ordinal(kTypeBitmap), name);
    if (!e)
        return std::nullopt;
    return DecodeBitmap(e->data, e->size);
}

} // namespace ce::res

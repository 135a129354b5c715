// The binary resource format and the resource calls of the kernel (FindResource, LoadResource,
// LoadString) on the resources embedded in the program and its DLLs.
#include <kernel/resource.h>

#include "resbytes.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace ce::res
{

using detail::AsciiEqualNoCase;
using detail::ByteReader;

ResName ResName::FromPointer(LPCWSTR p)
{
    if (IS_INTRESOURCE(p))
        return Ordinal(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(p)));
    std::u16string_view s(p);
    // "#123" names resource 123, as in Windows.
    if (s.size() > 1 && s[0] == u'#')
    {
        uint32_t v = 0;
        bool digits = true;
        for (char16_t c : s.substr(1))
        {
            if (c < u'0' || c > u'9' || v > 0xFFFF)
            {
                digits = false;
                break;
            }
            v = v * 10 + (c - u'0');
        }
        if (digits && v <= 0xFFFF)
            return Ordinal(static_cast<WORD>(v));
    }
    return String(s);
}

bool ResName::Matches(const ResName& other) const
{
    if (isOrdinal != other.isOrdinal)
        return false;
    return isOrdinal ? ordinal == other.ordinal : AsciiEqualNoCase(name, other.name);
}

namespace
{

// A type or name field of a resource header: 0xFFFF and an ordinal, or a 0-terminated string.
ResName ReadHeaderName(ByteReader& r)
{
    if (r.remaining() >= 2 && r.here()[0] == 0xFF && r.here()[1] == 0xFF)
    {
        r.Skip(2);
        return ResName::Ordinal(r.U16());
    }
    return ResName::String(r.WString());
}

} // namespace

std::optional<Directory> Directory::Parse(const uint8_t* data, size_t size)
{
    Directory dir;
    size_t offset = 0;
    while (offset + 8 <= size)
    {
        ByteReader r(data, size);
        r.Seek(offset);
        uint32_t dataSize = r.U32();
        uint32_t headerSize = r.U32();
        // A header is a whole number of 32-bit words, so the data after it starts aligned.
        if (headerSize < 16 + 8 || headerSize % 4 != 0 || headerSize > size - offset ||
            dataSize > size - offset - headerSize)
            return std::nullopt;
        ByteReader h(data + offset, headerSize);
        h.Skip(8);
        Entry e;
        e.type = ReadHeaderName(h);
        e.name = ReadHeaderName(h);
        h.Align(4);
        h.U32(); // data version
        h.U16(); // memory flags
        e.language = h.U16();
        h.U32(); // version
        h.U32(); // characteristics
        if (!h.ok())
            return std::nullopt;
        e.data = data + offset + headerSize;
        e.size = dataSize;
        // The image starts with an empty entry (type 0, name 0) that marks it as 32-bit resources.
        bool marker = e.type.isOrdinal && e.type.ordinal == 0 && e.name.isOrdinal && e.name.ordinal == 0;
        if (!marker)
            dir.m_entries.push_back(std::move(e));
        size_t next = offset + headerSize + dataSize;
        next = (next + 3) & ~static_cast<size_t>(3);
        offset = next;
    }
    return dir;
}

const Entry* Directory::FindExact(const ResName& type, const ResName& name, WORD language) const
{
    for (const Entry& e : m_entries)
        if (e.language == language && e.type.Matches(type) && e.name.Matches(name))
            return &e;
    return nullptr;
}

const Entry* Directory::Find(const ResName& type, const ResName& name, WORD language) const
{
    const WORD order[] = {
        language,
        static_cast<WORD>(MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL)),
        static_cast<WORD>(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)),
        static_cast<WORD>(MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)),
        static_cast<WORD>(MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)),
        static_cast<WORD>(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
    };
    for (WORD lang : order)
        if (const Entry* e = FindExact(type, name, lang))
            return e;
    for (const Entry& e : m_entries)
        if (e.type.Matches(type) && e.name.Matches(name))
            return &e;
    return nullptr;
}

bool Directory::HasType(const ResName& type) const
{
    for (const Entry& e : m_entries)
        if (e.type.Matches(type))
            return true;
    return false;
}

bool Directory::HasName(const ResName& type, const ResName& name) const
{
    for (const Entry& e : m_entries)
        if (e.type.Matches(type) && e.name.Matches(name))
            return true;
    return false;
}

namespace
{

struct Cache
{
    std::mutex lock;
    // Keyed by the address of the module's image, so a module loaded again (or a handle value reused for
    // another module) gets its own directory.
    std::map<const uint8_t*, std::unique_ptr<const Directory>> modules;
};

Cache& TheCache()
{
    static Cache* cache = new Cache; // lives for the process: directories are handed out by pointer
    return *cache;
}

thread_local LANGID t_language = 0;

} // namespace

const Directory* ModuleResources(HMODULE hModule)
{
    DWORD savedError = GetLastError();
    auto data = reinterpret_cast<const uint8_t*>(GetProcAddressA(hModule, kDataSymbol));
    auto size = reinterpret_cast<const uint64_t*>(GetProcAddressA(hModule, kSizeSymbol));
    SetLastError(savedError);
    if (!data || !size)
        return nullptr;
    Cache& cache = TheCache();
    std::lock_guard lock(cache.lock);
    auto it = cache.modules.find(data);
    if (it != cache.modules.end())
        return it->second.get();
    std::optional<Directory> dir = Directory::Parse(data, static_cast<size_t>(*size));
    if (!dir)
        return nullptr;
    auto stored = std::make_unique<const Directory>(std::move(*dir));
    const Directory* result = stored.get();
    cache.modules.emplace(data, std::move(stored));
    return result;
}

size_t BytesToEndOfResource(const void* p)
{
    auto at = static_cast<const uint8_t*>(p);
    Cache& cache = TheCache();
    std::lock_guard lock(cache.lock);
    for (const auto& [image, dir] : cache.modules)
        for (const Entry& e : dir->entries())
            if (at >= e.data && at < e.data + e.size)
                return static_cast<size_t>(e.data + e.size - at);
    return 0;
}

LANGID ThreadLanguage()
{
    return t_language ? t_language : GetUserDefaultLangID();
}

LANGID SetThreadLanguage(LANGID language)
{
    LANGID previous = t_language;
    t_language = language;
    return previous;
}

const Entry* FindInModule(HMODULE hModule, const ResName& type, const ResName& name)
{
    const Directory* dir = ModuleResources(hModule);
    if (!dir)
    {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    if (const Entry* e = dir->Find(type, name, ThreadLanguage()))
        return e;
    SetLastError(dir->HasType(type) ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

std::optional<std::u16string_view> FindString(HMODULE hModule, UINT id)
{
    if (id > 0xFFFF)
        return std::nullopt;
    const Entry* block = FindInModule(hModule, ResName::Ordinal(kTypeString),
                                      ResName::Ordinal(static_cast<WORD>((id >> 4) + 1)));
    if (!block)
        return std::nullopt;
    // A block holds 16 strings, each a length and that many UTF-16 units.
    ByteReader r(block->data, block->size);
    for (UINT i = 0; i < 16; ++i)
    {
        uint16_t length = r.U16();
        if (!r.ok() || static_cast<size_t>(length) * 2 > r.remaining())
            return std::u16string_view();
        if (i == (id & 15))
            return std::u16string_view(reinterpret_cast<const char16_t*>(r.here()), length);
        r.Skip(static_cast<size_t>(length) * 2);
    }
    return std::u16string_view();
}

} // namespace ce::res

using ce::res::Entry;
using ce::res::ResName;

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    if (!lpName || !lpType)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const Entry* e =
        ce::res::FindInModule(hModule, ResName::FromPointer(lpType), ResName::FromPointer(lpName));
    return reinterpret_cast<HRSRC>(const_cast<Entry*>(e));
}

HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    if (!lpName || !lpType)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const ce::res::Directory* dir = ce::res::ModuleResources(hModule);
    if (!dir)
    {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    ResName type = ResName::FromPointer(lpType);
    ResName name = ResName::FromPointer(lpName);
    const Entry* e = dir->FindExact(type, name, wLanguage);
    if (!e)
    {
        SetLastError(!dir->HasType(type)         ? ERROR_RESOURCE_TYPE_NOT_FOUND
                     : !dir->HasName(type, name) ? ERROR_RESOURCE_NAME_NOT_FOUND
                                                 : ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<Entry*>(e));
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo)
{
    if (!hResInfo)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto e = reinterpret_cast<const Entry*>(hResInfo);
    return reinterpret_cast<HGLOBAL>(const_cast<uint8_t*>(e->data));
}

LPVOID LockResource(HGLOBAL hResData)
{
    return reinterpret_cast<LPVOID>(hResData);
}

DWORD SizeofResource(HMODULE, HRSRC hResInfo)
{
    if (!hResInfo)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return reinterpret_cast<const Entry*>(hResInfo)->size;
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE; // resources live as long as their module, as on 32-bit Windows
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::optional<std::u16string_view> s = ce::res::FindString(hInstance, uID);
    if (!s)
        return 0;
    if (cchBufferMax == 0)
    {
        // The caller gets a read-only pointer to the string in the resource (not 0-terminated).
        *reinterpret_cast<LPCWSTR*>(lpBuffer) = s->data();
        return static_cast<int>(s->size());
    }
    if (cchBufferMax < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = std::min(s->size(), static_cast<size_t>(cchBufferMax - 1));
    std::copy_n(s->data(), n, lpBuffer);
    lpBuffer[n] = 0;
    return static_cast<int>(n);
}

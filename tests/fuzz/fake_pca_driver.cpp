// FUZZPCA.dll: a stand-in for the protocol driver that answers the bindings enumeration with whatever the
// fuzz target hands it (any bytes, any bytes-returned count, or a failure), records the names the client
// binds to and answers every binding's network-type query at once. Registered as PCA4: in place of
// PCANDIS4.dll, so that the client library's parsing of the list can be fed what a faulty driver returns.
#include <windows.h>

#include <streamdrv.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

DECLARE_STREAM_DRIVER(PCA)

namespace
{

std::mutex g_lock;
std::vector<uint8_t> g_list;
DWORD g_returned = 0;
DWORD g_flags = 0;
std::vector<std::u16string> g_bound; // names as bound; a name without a terminator gets a '?' appended

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

BOOL Answer(PBYTE out, DWORD outLength, PDWORD actual, uint32_t value)
{
    if (!out || outLength < 4)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Put32(out, value);
    *actual = 4;
    return TRUE;
}

} // namespace

// Flags: 1 the enumeration fails; 2 every bind fails; 4 bindings with names of odd length are not wireless.
extern "C" __attribute__((visibility("default"))) void FuzzPca_SetBindings(const uint8_t* list, size_t size,
                                                                           DWORD returned, DWORD flags)
{
    std::lock_guard lock(g_lock);
    g_list.assign(list, list + size);
    g_returned = returned;
    g_flags = flags;
    g_bound.clear();
}

extern "C" __attribute__((visibility("default"))) size_t FuzzPca_BoundCount()
{
    std::lock_guard lock(g_lock);
    return g_bound.size();
}

extern "C" __attribute__((visibility("default"))) const char16_t* FuzzPca_Bound(size_t index)
{
    std::lock_guard lock(g_lock);
    return index < g_bound.size() ? g_bound[index].c_str() : nullptr;
}

STREAM_DRIVER_EXPORT DWORD_PTR PCA_Init(DWORD_PTR)
{
    return 1;
}
STREAM_DRIVER_EXPORT BOOL PCA_Deinit(DWORD_PTR)
{
    return TRUE;
}
STREAM_DRIVER_EXPORT DWORD_PTR PCA_Open(DWORD_PTR, DWORD, DWORD)
{
    return 1;
}
STREAM_DRIVER_EXPORT BOOL PCA_Close(DWORD_PTR)
{
    return TRUE;
}

STREAM_DRIVER_EXPORT BOOL PCA_IOControl(DWORD_PTR, DWORD code, PBYTE in, DWORD inLength, PBYTE out,
                                        DWORD outLength, PDWORD actual)
{
    std::lock_guard lock(g_lock);
    *actual = 0;
    switch (code)
    {
    case 0x80002000: // version
        return Answer(out, outLength, actual, 0x0400040E);
    case 0x80002008: // init
    case 0x8000200C: // deinit
    case 0x80002048: // get registration
    case 0x8000204C: // may unload
        return out ? Answer(out, outLength, actual, 0) : TRUE;
    case 0x80002010: // enumerate bindings
        if (g_flags & 1)
        {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        if (out && !g_list.empty())
            std::memcpy(out, g_list.data(), std::min<size_t>(g_list.size(), outLength));
        *actual = g_returned;
        return TRUE;
    case 0x80002014: // bind
    {
        std::u16string name;
        bool terminated = false;
        for (DWORD i = 0; in && i + 1 < inLength; i += 2)
        {
            const char16_t c = static_cast<char16_t>(in[i] | (in[i + 1] << 8));
            if (!c)
            {
                terminated = true;
                break;
            }
            name += c;
        }
        g_bound.push_back(terminated ? name : name + u"?");
        if (g_flags & 2)
        {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        return TRUE;
    }
    case 0x8000201C: // unbind
    case 0x80002044: // set registration
        return TRUE;
    case 0x80002040: // submit: completed at once; the network type is known unless flag 4 says otherwise
    {
        if (!in || inLength < 116)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const bool wireless = !((g_flags & 4) && !g_bound.empty() && g_bound.back().size() % 2);
        Put32(in + 84, 0);                           // submission status
        Put32(in + 124, wireless ? 0 : 0xC00000BBu); // NDIS status
        Put32(in + 144, wireless ? 4 : 0);           // bytes done
        Put32(in + 148, 0);                          // bytes needed
        *actual = 116;
        return TRUE;
    }
    default:
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
}

// NDS0:, NDIS's own stream device. It answers IOCTL_NDIS_REBIND_ADAPTER: the input is a multi-string of
// adapter names (UTF-16, each 0-terminated, the list ended by an empty name); every named adapter has its
// protocols unbound and bound again, so that its miniport re-reads its registry parameters. All names are
// checked before any adapter is touched. Other control codes fail with ERROR_NOT_SUPPORTED.
#include <windows.h>

#include <ntddndis.h>
#include <streamdrv.h>

#include <hostwifi/host_slot.h>
#include <ndis/adapters.h>
#include <simcore/request_log.h>
#include <simcore/text.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

DECLARE_STREAM_DRIVER(NDS)

namespace
{

constexpr DWORD_PTR kDeviceContext = 0x4E445330; // "NDS0"
std::atomic<DWORD_PTR> g_nextOpen{1};
// While the host's interface stands for the card, NDIS keeps the slot in step with it.
std::unique_ptr<hostwifi::SlotWatcher> g_hostSlot;

// The names of a multi-string, or nothing when it is malformed or empty.
std::optional<std::vector<std::u16string>> ParseMultiString(const BYTE* input, DWORD length)
{
    if (!input || length < 4 || (length & 1))
        return std::nullopt;
    std::vector<std::u16string> names;
    std::u16string current;
    for (DWORD i = 0; i + 1 < length; i += 2)
    {
        const char16_t c = static_cast<char16_t>(input[i] | (input[i + 1] << 8));
        if (c != 0)
        {
            current += c;
            continue;
        }
        if (current.empty())
            return names.empty() ? std::nullopt : std::optional(names);
        names.push_back(std::move(current));
        current.clear();
    }
    return std::nullopt; // no empty name ends the list within the buffer
}

BOOL Rebind(const BYTE* input, DWORD length)
{
    auto names = ParseMultiString(input, length);
    if (!names)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (const auto& name : *names)
        if (!sim::ndis::FindAdapter(name))
        {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
    for (const auto& name : *names)
        sim::ndis::Rebind(name);
    return TRUE;
}

} // namespace

STREAM_DRIVER_EXPORT DWORD_PTR NDS_Init(DWORD_PTR)
{
    try
    {
        g_hostSlot = hostwifi::FollowChosenInterface();
    }
    catch (...)
    {
        g_hostSlot.reset(); // the slot then stays as it is
    }
    return kDeviceContext;
}

STREAM_DRIVER_EXPORT BOOL NDS_Deinit(DWORD_PTR hDeviceContext)
{
    if (hDeviceContext != kDeviceContext)
        return FALSE;
    g_hostSlot.reset();
    return TRUE;
}

STREAM_DRIVER_EXPORT DWORD_PTR NDS_Open(DWORD_PTR hDeviceContext, DWORD, DWORD)
{
    if (hDeviceContext != kDeviceContext)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return g_nextOpen++;
}

STREAM_DRIVER_EXPORT BOOL NDS_Close(DWORD_PTR)
{
    return TRUE;
}

STREAM_DRIVER_EXPORT BOOL NDS_IOControl(DWORD_PTR hOpenContext, DWORD dwCode, PBYTE pBufIn, DWORD dwLenIn,
                                        PBYTE, DWORD, PDWORD pdwActualOut)
{
    try
    {
        if (pdwActualOut)
            *pdwActualOut = 0;
        BOOL ok = FALSE;
        if (dwCode == IOCTL_NDIS_REBIND_ADAPTER)
            ok = Rebind(pBufIn, dwLenIn);
        else
            SetLastError(ERROR_NOT_SUPPORTED);
        const DWORD error = ok ? 0 : GetLastError();
        std::vector<std::pair<std::string, std::string>> fields = {
            {"device", "NDS0:"},
            {"open", std::to_string(hOpenContext)},
            {"code", sim::Hex32(dwCode)},
            {"in", std::to_string(dwLenIn)},
            {"input", pBufIn ? sim::HexBytes({pBufIn, dwLenIn}) : std::string()},
            {"ok", ok ? "1" : "0"},
            {"error", std::to_string(error)}};
        sim::requestlog::Append(dwCode == IOCTL_NDIS_REBIND_ADAPTER ? "rebind" : "ioctl", fields);
        SetLastError(error);
        return ok;
    }
    catch (...)
    {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
}

STREAM_DRIVER_EXPORT DWORD NDS_Read(DWORD_PTR, LPVOID, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
}

STREAM_DRIVER_EXPORT DWORD NDS_Write(DWORD_PTR, LPCVOID, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
}

STREAM_DRIVER_EXPORT DWORD NDS_Seek(DWORD_PTR, LONG, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
}

STREAM_DRIVER_EXPORT void NDS_PowerUp(DWORD_PTR) {}
STREAM_DRIVER_EXPORT void NDS_PowerDown(DWORD_PTR) {}

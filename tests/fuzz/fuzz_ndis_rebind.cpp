// NDS0:'s rebind control code (IOCTL_NDIS_REBIND_ADAPTER) on arbitrary input: the bytes are the
// multi-string of adapter names, given in a buffer of exactly their length. A first byte with its low bit
// set appends the name of a real adapter and the list's end, so that accepted inputs are reached often.
// Checks: the input is never read past its length; the rebind succeeds exactly when the input is a
// well-formed list (names of UTF-16 units each ended by a zero, the list ended by an empty name within
// the length, at least one name, an even length of at least 4) and every name is an adapter the protocol
// driver lists (in any letter case); otherwise it fails with ERROR_INVALID_PARAMETER for a malformed list
// and ERROR_FILE_NOT_FOUND for an unknown name; the adapters are all still there afterwards.
#include "fuzz_support.h"

#include <windows.h>

#include <ntddndis.h>

#include "temp_handheld.h"

#include <cstring>
#include <memory>
#include <optional>

namespace
{

struct World
{
    testing_support::TempHandheld handheld;
    HANDLE registration = nullptr;
    HANDLE ndis = INVALID_HANDLE_VALUE;
    HANDLE pca = INVALID_HANDLE_VALUE;
    World()
    {
        registration = RegisterDevice(u"PCA", 4, u"PCANDIS4.dll", 0x34414350);
        FUZZ_CHECK(registration != nullptr, "RegisterDevice: " + std::to_string(GetLastError()));
        pca = CreateFileW(u"PCA4:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ndis = CreateFileW(u"NDS0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FUZZ_CHECK(pca != INVALID_HANDLE_VALUE && ndis != INVALID_HANDLE_VALUE, "opening PCA4: and NDS0:");
        DWORD status = 0, actual = 0;
        FUZZ_CHECK(DeviceIoControl(pca, 0x80002008, nullptr, 0, &status, 4, &actual, nullptr), "init");
    }
    ~World()
    {
        CloseHandle(ndis);
        CloseHandle(pca);
        DeregisterDevice(registration);
    }
};

World& TheWorld()
{
    return fuzz::Lasting<World>();
}

// The adapters as the protocol driver lists them.
std::vector<std::u16string> Adapters()
{
    uint8_t list[1024];
    DWORD actual = 0;
    FUZZ_CHECK(DeviceIoControl(TheWorld().pca, 0x80002010, nullptr, 0, list, sizeof(list), &actual, nullptr),
               "enumerating bindings");
    std::vector<std::u16string> names;
    std::u16string current;
    for (DWORD i = 0; i + 1 < actual; i += 2)
    {
        const char16_t c = static_cast<char16_t>(list[i] | (list[i + 1] << 8));
        if (c)
            current += c;
        else if (!current.empty())
            names.push_back(current), current.clear();
    }
    return names;
}

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
}

bool Known(const std::vector<std::u16string>& adapters, std::u16string_view name)
{
    for (const auto& a : adapters)
        if (a.size() == name.size() &&
            std::equal(a.begin(), a.end(), name.begin(),
                       [](char16_t x, char16_t y) { return Lower(x) == Lower(y); }))
            return true;
    return false;
}

// The names of a well-formed list, or nothing.
std::optional<std::vector<std::u16string>> WellFormed(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 4 || bytes.size() % 2)
        return std::nullopt;
    std::vector<std::u16string> names;
    std::u16string current;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    {
        const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c)
            current += c;
        else if (current.empty())
            return names.empty() ? std::nullopt : std::optional(names);
        else
            names.push_back(current), current.clear();
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    World& world = TheWorld();
    const std::vector<std::u16string> adapters = Adapters();
    std::vector<uint8_t> bytes(data + 1, data + size);
    if ((data[0] & 1) && !adapters.empty())
    {
        for (char16_t c : adapters[data[0] / 2 % adapters.size()])
            bytes.push_back(static_cast<uint8_t>(c)), bytes.push_back(static_cast<uint8_t>(c >> 8));
        bytes.insert(bytes.end(), {0, 0, 0, 0});
    }
    auto input = std::make_unique<uint8_t[]>(bytes.size() + 1);
    fuzz::Copy(input.get(), bytes.data(), bytes.size());
    DWORD actual = 0xDEAD;
    const BOOL ok =
        DeviceIoControl(world.ndis, IOCTL_NDIS_REBIND_ADAPTER, bytes.empty() ? nullptr : input.get(),
                        static_cast<DWORD>(bytes.size()), nullptr, 0, &actual, nullptr);
    const DWORD error = ok ? 0 : GetLastError();
    FUZZ_CHECK(fuzz::Equal(input.get(), bytes.data(), bytes.size()), "the rebind wrote into its input");

    const auto names = WellFormed(bytes);
    const std::string what = fuzz::Hex(bytes.data(), bytes.size());
    if (!names)
        FUZZ_CHECK(!ok && error == ERROR_INVALID_PARAMETER, "a malformed list: " + what);
    else
    {
        bool allKnown = true;
        for (const auto& n : *names)
            allKnown = allKnown && Known(adapters, n);
        if (allKnown)
            FUZZ_CHECK(ok, "a list of known adapters refused with " + std::to_string(error) + ": " + what);
        else
            FUZZ_CHECK(!ok && error == ERROR_FILE_NOT_FOUND, "a list with an unknown adapter: " + what);
    }
    FUZZ_CHECK(Adapters() == adapters, "the adapters changed on a rebind");
    return 0;
}

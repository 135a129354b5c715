// The registry store's reads: AdapterConfig::ReadRegistryValue of a value that another program wrote into
// the miniport's parameters with RegSetValueExW, of any type and any size, in a temporary handheld.
//
// Input: a byte choosing the stored type (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY,
// REG_NONE or any number), a byte choosing the report flag and the value's name (a parameter's, or one of
// up to 15 units from the input), then the value's bytes; a type byte of 0xFF leaves the value missing.
// Checks: the text reads as stored, up to its first zero and at most the store's 129 characters, and only
// from a REG_SZ value that fits the store's 260 bytes; a four-byte REG_DWORD reads as its decimal number;
// every other value fails, leaving the caller's text as it was, with the failure's message exactly when the
// report flag is 1 and no message on success.
#include "fuzz_support.h"

#include <AdapterConfig.h>
#include <WlanApp.h>

#include <kernel/msgbox.h>

#include <temp_handheld.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace
{

const char16_t* const kParms = u"Comm\\WLAN11b1\\Parms";
const char16_t kKept[] = u"kept";

CWlanApp s_app;

struct World
{
    testing_support::TempHandheld handheld;
    ce::RecordingPresenter boxes;
    AdapterConfig config;
    HKEY key = nullptr;

    World()
    {
        FUZZ_CHECK(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                   nullptr) == ERROR_SUCCESS,
                   "no parameters key");
    }
    ~World() { RegCloseKey(key); }
};

DWORD Type(fuzz::Input& in, uint8_t selector)
{
    static const DWORD kTypes[] = {REG_SZ,    REG_SZ,     REG_EXPAND_SZ, REG_MULTI_SZ,
                                   REG_DWORD, REG_BINARY, REG_NONE};
    if (selector % 8 < std::size(kTypes))
        return kTypes[selector % 8];
    return in.U32(); // any number, known or not
}

std::u16string Name(fuzz::Input& in, uint8_t selector)
{
    static const char16_t* const kNames[] = {u"Ssid", u"DriverVersion", u"CCXFlags", u""};
    if (selector % 8 < std::size(kNames))
        return kNames[selector % 8];
    std::u16string name;
    for (int n = selector % 16; n > 0; --n)
        if (const char16_t ch = in.U16())
            name.push_back(ch);
    return name;
}

// The units of the stored bytes up to the first zero (an odd last byte is no unit).
std::u16string StoredText(const std::vector<uint8_t>& data)
{
    std::u16string text;
    for (size_t i = 0; i + 2 <= data.size(); i += 2)
    {
        const char16_t ch = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (ch == 0)
            break;
        text.push_back(ch);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& world = fuzz::Lasting<World>();
    fuzz::Input in(data, size);
    const uint8_t typeSelector = in.U8();
    const uint8_t nameSelector = in.U8();
    const bool missing = typeSelector == 0xFF;
    const DWORD type = Type(in, typeSelector);
    const int report = nameSelector >> 6; // 0 to 3
    const std::u16string name = Name(in, nameSelector >> 2);
    const std::vector<uint8_t> value = in.Rest();

    RegDeleteValueW(world.key, name.c_str());
    if (!missing)
    {
        const LONG rc =
            RegSetValueExW(world.key, name.c_str(), 0, type, value.empty() ? nullptr : value.data(),
                           static_cast<DWORD>(value.size()));
        FUZZ_CHECK(rc == ERROR_SUCCESS, "the value cannot be stored: " + std::to_string(rc));
    }

    world.boxes.clear();
    CString text(kKept);
    const BOOL read = world.config.ReadRegistryValue(CString(std::u16string_view(name)), text, report);
    const std::vector<std::u16string> texts = world.boxes.texts();
    RegDeleteValueW(world.key, name.c_str());

    const bool fits = value.size() <= 260;
    if (!missing && type == REG_SZ && fits)
    {
        FUZZ_CHECK(read, "a text value of " + std::to_string(value.size()) + " bytes cannot be read");
        const std::u16string stored = StoredText(value);
        const std::u16string got = text.str();
        FUZZ_CHECK(got.size() <= 129 && stored.compare(0, got.size(), got) == 0 &&
                       got.size() == std::min<size_t>(stored.size(), 129),
                   "the text does not read as stored: " + std::to_string(got.size()) + " of " +
                       std::to_string(stored.size()) + " units");
    }
    else if (!missing && type == REG_DWORD && value.size() == 4)
    {
        FUZZ_CHECK(read, "a number cannot be read");
        const uint32_t number =
            value[0] | (value[1] << 8) | (value[2] << 16) | (static_cast<uint32_t>(value[3]) << 24);
        FUZZ_CHECK(text.ToUtf8() == std::to_string(number), "the number reads as " + text.ToUtf8());
    }
    else
    {
        FUZZ_CHECK(!read, "a value of type " + std::to_string(type) + " and " + std::to_string(value.size()) +
                              " bytes was read");
        FUZZ_CHECK(text == kKept, "a failed read changed the text");
    }
    if (read)
        FUZZ_CHECK(texts.empty(), "a message on success");
    else if (report == 1)
        FUZZ_CHECK(texts.size() == 1 &&
                       texts[0] == u"registry of the item named '" + name + u"' can't be read",
                   "the failure's message is missing");
    else
        FUZZ_CHECK(texts.empty(), "a message without being asked");
    return 0;
}

// The client library's reading of the protocol bindings list (AdapterBindingList::FillComboBox): the
// driver answers the enumeration into the library's 128-byte buffer with bytes and a bytes-returned count
// from the fuzzer, through the stand-in driver FUZZPCA.dll registered as PCA4:. Input: a flags byte (see
// fake_pca_driver.cpp), the 16-bit bytes-returned count, then the list's bytes.
// Checks: the library reads only what the driver returned and its buffer holds; it binds only to whole
// names (each ended by its terminator within that) in the list's order, up to the first empty name; the
// combo box gets exactly the wireless bindings whose names end in "WLAN11b1", the first one selected; a
// failed enumeration is told in a message box and lists nothing.
#include "fuzz_support.h"

#include <kernel/msgbox.h>
#include <gwes/gwes.h>

#include "AdapterBindingList.h"
#include "temp_handheld.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace
{

using SetBindings = void (*)(const uint8_t*, size_t, DWORD, DWORD);
using BoundCount = size_t (*)();
using Bound = const char16_t* (*)(size_t);

template <typename F> F Entry(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddressA(module, name)));
}

struct World
{
    testing_support::TempHandheld handheld;
    ce::RecordingPresenter boxes;
    HANDLE registration = nullptr;
    SetBindings setBindings = nullptr;
    BoundCount boundCount = nullptr;
    Bound bound = nullptr;
    HWND combo = nullptr;

    World()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        FUZZ_CHECK(gwes::EnsureApplication(), "no application for the combo box");
        ce::SetMessageBoxPresenter(&boxes);
        registration = RegisterDevice(u"PCA", 4, u"FUZZPCA.dll", 0x34414350);
        FUZZ_CHECK(registration != nullptr, "RegisterDevice(FUZZPCA.dll): " + std::to_string(GetLastError()));
        HMODULE module = LoadLibraryW(u"FUZZPCA.dll");
        FUZZ_CHECK(module != nullptr, "LoadLibraryW(FUZZPCA.dll)");
        setBindings = Entry<SetBindings>(module, "FuzzPca_SetBindings");
        boundCount = Entry<BoundCount>(module, "FuzzPca_BoundCount");
        bound = Entry<Bound>(module, "FuzzPca_Bound");
        FUZZ_CHECK(setBindings && boundCount && bound, "FUZZPCA.dll's fuzzing entry points");
        combo = CreateWindowExW(0, u"COMBOBOX", u"", WS_POPUP | CBS_DROPDOWN, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
        FUZZ_CHECK(combo != nullptr, "no combo box");
    }
    ~World()
    {
        DestroyWindow(combo);
        ce::SetMessageBoxPresenter(nullptr);
        DeregisterDevice(registration);
    }
};

World& TheWorld()
{
    return fuzz::Lasting<World>();
}

std::vector<std::u16string> Items(HWND combo)
{
    std::vector<std::u16string> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        std::u16string text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), u'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        items.push_back(text);
    }
    return items;
}

bool EndsWithInstance(const std::u16string& name)
{
    return name.size() >= 8 && name.compare(name.size() - 8, 8, u"WLAN11b1") == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World& world = TheWorld();
    fuzz::Input in(data, size);
    const DWORD flags = in.U8() & 7;
    const DWORD returned = in.U16();
    const std::vector<uint8_t> list = in.Rest();
    world.setBindings(list.data(), list.size(), returned, flags);
    world.boxes.clear();

    AdapterBindingList bindings;
    FUZZ_CHECK(bindings.CheckVersions(), "the stand-in driver's version was refused");
    FUZZ_CHECK(bindings.FillComboBox(world.combo) == 0, "");
    const std::vector<std::u16string> items = Items(world.combo);

    // What the library may see: the bytes the driver wrote into its zeroed 128-byte buffer, as far as the
    // driver said it returned.
    std::vector<std::u16string> names;
    if (!(flags & 1))
    {
        uint8_t buffer[AdapterBindingList::BINDINGS_BUFFER_SIZE] = {};
        fuzz::Copy(buffer, list.data(), std::min(list.size(), sizeof(buffer)));
        const size_t chars = std::min<size_t>(returned, sizeof(buffer)) / 2;
        std::u16string current;
        for (size_t i = 0; i < chars; ++i)
        {
            const char16_t c = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
            if (c)
                current += c;
            else if (current.empty())
                break;
            else
                names.push_back(current), current.clear();
        }
    }
    else
    {
        FUZZ_CHECK(world.boxes.boxes().size() == 1 &&
                       world.boxes.boxes()[0].text == u"W32N_EnumProtocolBindings Error!!",
                   "a failed enumeration not told");
    }

    std::vector<std::u16string> boundNames;
    for (size_t i = 0; i < world.boundCount(); ++i)
        boundNames.push_back(world.bound(i));
    FUZZ_CHECK(boundNames == names, "bound to " + std::to_string(boundNames.size()) +
                                        " names, the list has " + std::to_string(names.size()));

    std::vector<std::u16string> expected;
    for (const auto& name : names)
    {
        const bool wireless = !(flags & 2) && !((flags & 4) && name.size() % 2);
        if (wireless && EndsWithInstance(name))
            expected.push_back(name);
    }
    FUZZ_CHECK(items == expected, "the combo box lists " + std::to_string(items.size()) +
                                      " bindings, expected " + std::to_string(expected.size()));
    FUZZ_CHECK(bindings.GetCount() == static_cast<int>(items.size()), "");
    FUZZ_CHECK(bindings.GetSelectedIndex() == (items.empty() ? -1 : 0), "");
    FUZZ_CHECK(SendMessageW(world.combo, CB_GETCURSEL, 0, 0) == (items.empty() ? CB_ERR : 0), "");
    if (!(flags & 1))
        FUZZ_CHECK(world.boxes.boxes().empty(), "a message box for a list that was read");
    bindings.Release();
    return 0;
}

// A second registry process for the tests:
//   registry_test_helper get KEY NAME            prints the REG_SZ value (UTF-8); exit 1 if missing
//   registry_test_helper set KEY NAME TEXT       writes a REG_SZ value
//   registry_test_helper delete KEY              deletes the key tree
//   registry_test_helper stream KEY SIZE         writes v0, v1, ... (SIZE bytes each, see Payload)
//                                                and prints each index after its write returned
//   registry_test_helper burst KEY PREFIX COUNT  writes PREFIX0 .. PREFIX<COUNT-1>, reading each back
#include <windows.h>

#include <kernel/regfile.h>
#include <kernel/utf8.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

// The data of stream value i: its index in the first four bytes, then a pattern that depends on it.
std::vector<BYTE> Payload(unsigned index, std::size_t size)
{
    std::vector<BYTE> data(size);
    for (std::size_t j = 0; j < size; ++j)
        data[j] = static_cast<BYTE>(j < 4 ? (index >> (8 * j)) : (index * 31 + j));
    return data;
}

HKEY Create(const char* path)
{
    const auto parsed = ce::ParseRegistryPath(ce::text::FromUtf8(path));
    if (!parsed)
        std::exit(2);
    HKEY key = nullptr;
    if (RegCreateKeyExW(parsed->root, parsed->subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        std::exit(3);
    return key;
}

std::vector<BYTE> Text(const std::u16string& text)
{
    std::vector<BYTE> data;
    for (char16_t c : text)
    {
        data.push_back(static_cast<BYTE>(c & 0xFF));
        data.push_back(static_cast<BYTE>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string command = argv[1];
    if (command == "get" && argc == 4)
    {
        HKEY key = Create(argv[2]);
        const std::u16string name = ce::text::FromUtf8(argv[3]);
        WCHAR buffer[512] = {};
        DWORD size = sizeof(buffer) - sizeof(WCHAR);
        if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size))
            return 1;
        std::printf("%s\n", ce::text::ToUtf8(buffer).c_str());
        return 0;
    }
    if (command == "set" && argc == 5)
    {
        HKEY key = Create(argv[2]);
        const std::vector<BYTE> data = Text(ce::text::FromUtf8(argv[4]));
        return RegSetValueExW(key, ce::text::FromUtf8(argv[3]).c_str(), 0, REG_SZ, data.data(),
                              static_cast<DWORD>(data.size())) == ERROR_SUCCESS
                   ? 0
                   : 1;
    }
    if (command == "delete" && argc == 3)
    {
        const auto parsed = ce::ParseRegistryPath(ce::text::FromUtf8(argv[2]));
        return parsed && RegDeleteKeyW(parsed->root, parsed->subKey.c_str()) == ERROR_SUCCESS ? 0 : 1;
    }
    if (command == "stream" && argc == 4)
    {
        HKEY key = Create(argv[2]);
        const std::size_t size = std::strtoul(argv[3], nullptr, 10);
        for (unsigned i = 0;; ++i)
        {
            const std::vector<BYTE> data = Payload(i, size);
            const std::u16string name = u"v" + ce::text::FromUtf8(std::to_string(i));
            if (RegSetValueExW(key, name.c_str(), 0, REG_BINARY, data.data(),
                               static_cast<DWORD>(data.size())))
                return 1;
            std::printf("%u\n", i);
            std::fflush(stdout);
        }
    }
    if (command == "burst" && argc == 5)
    {
        HKEY key = Create(argv[2]);
        const int count = std::atoi(argv[4]);
        for (int i = 0; i < count; ++i)
        {
            const std::u16string name = ce::text::FromUtf8(argv[3] + std::to_string(i));
            const std::vector<BYTE> data = Text(name);
            if (RegSetValueExW(key, name.c_str(), 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())))
                return 1;
            DWORD size = 0;
            if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size) || size != data.size())
                return 1;
        }
        return 0;
    }
    return 2;
}

// Registry files (.reg) from outside: ce::ParseRegFile and ce::ImportRegFile on arbitrary bytes, in a fresh
// temporary handheld.
// Checks: parsing is deterministic; a parse failure names what is wrong and the import refuses the file
// with ERROR_BAD_FORMAT; a failed import names its error; after a successful import every value the file
// leaves in place reads back with the file's type and bytes; and a key that was written, exported with
// ce::ExportRegFile and parsed again, gives the same values (file -> registry -> file round trip).
// Keys and values are compared exactly only where their names are plain ASCII, whose case folding is
// unambiguous; other names are still imported and exported.
#include "fuzz_support.h"

#include <kernel/regfile.h>

#include "temp_handheld.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

namespace
{

std::unique_ptr<testing_support::TempHandheld> g_handheld;
unsigned g_runs = 0;

bool IsAscii(std::u16string_view s)
{
    for (char16_t c : s)
        if (c >= 0x80)
            return false;
    return true;
}

std::u16string Fold(std::u16string_view s)
{
    std::u16string out(s);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 0x20);
    return out;
}

std::string Utf8(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

bool SameEntries(const std::vector<ce::RegFileEntry>& a, const std::vector<ce::RegFileEntry>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].line != b[i].line || a[i].root != b[i].root ||
            a[i].subKey != b[i].subKey || a[i].name != b[i].name || a[i].type != b[i].type ||
            a[i].data != b[i].data)
            return false;
    return true;
}

struct KeyId
{
    HKEY root;
    std::u16string folded;
    bool operator<(const KeyId& o) const { return root != o.root ? root < o.root : folded < o.folded; }
};

struct Expected
{
    std::u16string subKey; // as written
    bool checkable = true; // ASCII path
    // folded name -> (name, type, data); nullopt: deleted by the file
    std::map<std::u16string, std::optional<std::pair<DWORD, std::vector<BYTE>>>> values;
    bool checkableValues = true;
};

// What the file leaves in the registry, key by key, as far as it says.
std::map<KeyId, Expected> Model(const std::vector<ce::RegFileEntry>& entries)
{
    std::map<KeyId, Expected> keys;
    KeyId current{nullptr, {}};
    for (const ce::RegFileEntry& e : entries)
    {
        const KeyId id{e.root, Fold(e.subKey)};
        switch (e.kind)
        {
        case ce::RegFileEntry::Kind::Key:
        {
            current = id;
            Expected& k = keys[id];
            if (k.subKey.empty())
                k.subKey = e.subKey;
            k.checkable = k.checkable && IsAscii(e.subKey);
            break;
        }
        case ce::RegFileEntry::Kind::DeleteKey:
            // The key and everything below it are gone (until written again).
            for (auto it = keys.begin(); it != keys.end();)
            {
                const bool below =
                    it->first.root == id.root &&
                    (it->first.folded == id.folded || it->first.folded.starts_with(id.folded + u"\\"));
                if (below && !(IsAscii(it->first.folded) && IsAscii(id.folded)))
                    it->second.checkable = false, ++it; // folding of non-ASCII names is not ours to guess
                else
                    it = below ? keys.erase(it) : std::next(it);
            }
            current = KeyId{nullptr, {}};
            break;
        case ce::RegFileEntry::Kind::Value:
        case ce::RegFileEntry::Kind::DeleteValue:
        {
            auto it = keys.find(current);
            if (it == keys.end())
                break;
            if (!IsAscii(e.name))
                it->second.checkableValues = false;
            if (e.kind == ce::RegFileEntry::Kind::Value)
                it->second.values[Fold(e.name)] = std::make_pair(e.type, e.data);
            else
                it->second.values[Fold(e.name)] = std::nullopt;
            break;
        }
        }
    }
    return keys;
}

void CheckKey(HKEY root, const Expected& k)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(root, k.subKey.c_str(), 0, KEY_READ, &key);
    FUZZ_CHECK(rc == ERROR_SUCCESS,
               "imported key " + Utf8(k.subKey) + " cannot be opened: " + std::to_string(rc));
    for (const auto& [folded, value] : k.values)
    {
        DWORD type = 0, size = 0;
        rc = RegQueryValueExW(key, folded.c_str(), nullptr, &type, nullptr, &size);
        if (!value)
        {
            FUZZ_CHECK(rc == ERROR_FILE_NOT_FOUND, "deleted value " + Utf8(folded) + " is still there");
            continue;
        }
        FUZZ_CHECK(rc == ERROR_SUCCESS, "value " + Utf8(folded) + ": " + std::to_string(rc));
        std::vector<BYTE> data(size + 1);
        DWORD got = size;
        rc = RegQueryValueExW(key, folded.c_str(), nullptr, &type, data.data(), &got);
        FUZZ_CHECK(rc == ERROR_SUCCESS && got == size, "value " + Utf8(folded));
        data.resize(got);
        FUZZ_CHECK(type == value->first, "value " + Utf8(folded) + " type " + std::to_string(type));
        FUZZ_CHECK(data == value->second,
                   "value " + Utf8(folded) + " reads back as " + fuzz::Hex(data.data(), data.size()));
    }
    RegCloseKey(key);

    // The round trip: the exported key parses and gives the same values.
    std::vector<BYTE> exported;
    rc = ce::ExportRegFile(root, k.subKey, exported);
    FUZZ_CHECK(rc == ERROR_SUCCESS, "export of " + Utf8(k.subKey) + ": " + std::to_string(rc));
    std::vector<ce::RegFileEntry> again;
    ce::RegFileError error;
    FUZZ_CHECK(ce::ParseRegFile(exported, again, error),
               "the export of " + Utf8(k.subKey) + " does not parse: " + error.ToString());
    FUZZ_CHECK(!again.empty() && again.front().kind == ce::RegFileEntry::Kind::Key &&
                   Fold(again.front().subKey) == Fold(k.subKey),
               "the export does not start with its key");
    std::map<std::u16string, std::pair<DWORD, std::vector<BYTE>>> exportedValues;
    for (size_t i = 1; i < again.size() && again[i].kind == ce::RegFileEntry::Kind::Value; ++i)
        exportedValues[Fold(again[i].name)] = std::make_pair(again[i].type, again[i].data);
    for (const auto& [folded, value] : k.values)
    {
        auto it = exportedValues.find(folded);
        if (!value)
        {
            FUZZ_CHECK(it == exportedValues.end(), "deleted value " + Utf8(folded) + " exported");
            continue;
        }
        FUZZ_CHECK(it != exportedValues.end(), "value " + Utf8(folded) + " missing from the export");
        FUZZ_CHECK(it->second == *value, "value " + Utf8(folded) + " changed on the round trip");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One handheld for many inputs; a long campaign gets a fresh one now and then so it stays small.
    if (!g_handheld || ++g_runs % 2000 == 0)
    {
        g_handheld.reset();
        g_handheld = std::make_unique<testing_support::TempHandheld>();
    }
    const std::span<const BYTE> bytes(data, size);

    std::vector<ce::RegFileEntry> entries, second;
    ce::RegFileError error, secondError;
    const bool parsed = ce::ParseRegFile(bytes, entries, error);
    FUZZ_CHECK(parsed == ce::ParseRegFile(bytes, second, secondError), "parsing is not deterministic");
    if (!parsed)
    {
        FUZZ_CHECK(!error.message.empty(), "a parse failure without a reason");
        FUZZ_CHECK(error.message == secondError.message && error.line == secondError.line, "");
        ce::RegFileError importError;
        FUZZ_CHECK(ce::ImportRegFile(bytes, importError) == ERROR_BAD_FORMAT,
                   "a malformed file was imported");
        FUZZ_CHECK(importError.ToString() == error.ToString(), importError.ToString());
        return 0;
    }
    FUZZ_CHECK(SameEntries(entries, second), "parsing is not deterministic");
    for (const ce::RegFileEntry& e : entries)
        FUZZ_CHECK(e.line >= 1 && (e.kind != ce::RegFileEntry::Kind::DeleteKey || !e.subKey.empty()), "");

    ce::RegFileError importError;
    const LONG rc = ce::ImportRegFile(bytes, importError);
    if (rc != ERROR_SUCCESS)
    {
        FUZZ_CHECK(rc != ERROR_BAD_FORMAT && !importError.message.empty(),
                   std::to_string(rc) + " " + importError.ToString());
        return 0;
    }
    // A key named with non-ASCII letters may be another spelling of an ASCII one: its root is not compared.
    std::vector<HKEY> unclearRoots;
    for (const ce::RegFileEntry& e : entries)
        if (!IsAscii(e.subKey))
            unclearRoots.push_back(e.root);
    int exported = 0;
    for (const auto& [id, k] : Model(entries))
    {
        // Whole roots take long to export; keys below them are enough.
        if (!k.checkable || !k.checkableValues || k.subKey.empty() || exported >= 4 ||
            std::find(unclearRoots.begin(), unclearRoots.end(), id.root) != unclearRoots.end())
            continue;
        ++exported;
        CheckKey(id.root, k);
    }
    return 0;
}

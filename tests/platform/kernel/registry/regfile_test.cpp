// .reg files: every statement form, errors with their line, all-or-nothing import, the export layout,
// round trips, and robustness against random and truncated input.
#include "registry_test_util.h"

#include <kernel/regfile.h>
#include <kernel/utf8.h>

#include <random>

using regtest::Key;

namespace
{

std::vector<BYTE> Utf8File(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> Utf16File(const std::u16string& text)
{
    std::vector<BYTE> bytes{0xFF, 0xFE};
    for (char16_t c : text)
    {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::u16string FromUtf16File(const std::vector<BYTE>& bytes)
{
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

LONG Import(const std::string& text, ce::RegFileError* errorOut = nullptr)
{
    ce::RegFileError error;
    const LONG rc = ce::ImportRegFile(Utf8File(text), error);
    if (errorOut)
        *errorOut = error;
    return rc;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST(RegFileParse, UnderstandsEveryStatement)
{
    const std::string text = kHeader + "; a comment\r\n"
                                       "[HKLM\\Comm\\WLAN11b1\\Parms]\r\n"
                                       "\"Ssid\"=\"say \\\"hi\\\" \\\\ bye\"\r\n"
                                       "@=\"default\"\r\n"
                                       "\"Mode\" = dword:1A\r\n"
                                       "\"Bin\"=hex:00,ff, 10 ,\\\r\n"
                                       "    7f\r\n"
                                       "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
                                       "\"Empty\"=hex:\r\n"
                                       "\"Old\"=-\r\n"
                                       "[-hkey_current_user\\Gone\\]\n"
                                       "[HKEY_USERS]\r"
                                       "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n";
    std::vector<ce::RegFileEntry> entries;
    ce::RegFileError error;
    ASSERT_TRUE(ce::ParseRegFile(Utf8File(text), entries, error)) << error.ToString();
    using Kind = ce::RegFileEntry::Kind;
    struct Expected
    {
        Kind kind;
        std::size_t line;
        std::u16string nameOrKey;
        DWORD type;
        std::vector<BYTE> data;
    };
    const std::vector<Expected> expected = {
        {Kind::Key, 4, u"Comm\\WLAN11b1\\Parms", REG_NONE, {}},
        {Kind::Value, 5, u"Ssid", REG_SZ, regtest::Sz(u"say \"hi\" \\ bye")},
        {Kind::Value, 6, u"", REG_SZ, regtest::Sz(u"default")},
        {Kind::Value, 7, u"Mode", REG_DWORD, {0x1A, 0, 0, 0}},
        {Kind::Value, 8, u"Bin", REG_BINARY, {0x00, 0xFF, 0x10, 0x7F}},
        {Kind::Value, 10, u"Multi", REG_MULTI_SZ, {0x61, 0, 0, 0, 0, 0}},
        {Kind::Value, 11, u"Empty", REG_BINARY, {}},
        {Kind::DeleteValue, 12, u"Old", REG_NONE, {}},
        {Kind::DeleteKey, 13, u"Gone", REG_NONE, {}},
        {Kind::Key, 14, u"", REG_NONE, {}},
        {Kind::Value, 15, u"Q", 11, {1, 0, 0, 0, 0, 0, 0, 0}},
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].kind, expected[i].kind);
        EXPECT_EQ(entries[i].line, expected[i].line);
        const bool isKey = expected[i].kind == Kind::Key || expected[i].kind == Kind::DeleteKey;
        EXPECT_EQ(isKey ? entries[i].subKey : entries[i].name, expected[i].nameOrKey);
        EXPECT_EQ(entries[i].type, expected[i].type);
        EXPECT_EQ(entries[i].data, expected[i].data);
    }
    EXPECT_EQ(entries[0].root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(entries[8].root, HKEY_CURRENT_USER);
    EXPECT_EQ(entries[9].root, HKEY_USERS);
}

TEST(RegFileParse, ErrorsNameTheirLine)
{
    struct Case
    {
        std::string text;
        std::size_t line;
        std::string says;
    };
    const Case cases[] = {
        {"REGEDIT4\r\n[HKLM\\A]\r\n", 1, "first line"},
        {"", 1, "missing"},
        {kHeader + "\"v\"=dword:1\r\n", 3, "before the first [key]"},
        {kHeader + "[HKXX\\A]\r\n", 3, "unknown root"},
        {kHeader + "[HKLM\\A\r\n", 3, "must end with ']'"},
        {kHeader + "[HKLM\\A\\\\B]\r\n", 3, "invalid key name"},
        {kHeader + "[-HKLM]\r\n", 3, "root key cannot be deleted"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=dword:123456789\r\n", 4, "1 to 8 hex digits"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=dword:\r\n", 4, "1 to 8 hex digits"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex:1,2x\r\n", 4, "hex data"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex:123\r\n", 4, "hex data"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex(zz):00\r\n", 4, "hex(N)"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=\"open\r\n", 4, "closing quote"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=\"a\\nb\"\r\n", 4, "unknown escape"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=\"a\" junk\r\n", 4, "after the value"},
        {kHeader + "[HKLM\\A]\r\n\"v\" dword:1\r\n", 4, "expected '='"},
        {kHeader + "[HKLM\\A]\r\n\"\"=\"x\"\r\n", 4, "empty value name"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=text\r\n", 4, "unknown value data"},
        {kHeader + "[-HKLM\\A]\r\n\"v\"=dword:1\r\n", 4, "being deleted"},
        {kHeader + "[HKLM\\A]\r\nnonsense\r\n", 4, "expected [key]"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,\\\r\n  zz\r\n", 4,
         "hex data"}, // continued line: the first one
        {kHeader + "[HKLM\\A]\r\n\"v\"=\"\xff\"\r\n", 4, "UTF-8"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,0\r\n", 4, "two hex digits"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex:1\r\n", 4, "two hex digits"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=hex:001,02\r\n", 4, "two hex digits"},
        // Only hex data goes on over lines: elsewhere a closing '\\' is text the value does not take.
        {kHeader + "[HKLM\\A]\r\n\"v\"=\"a\" \\\r\n\"w\"=dword:2\r\n", 4, "after the value"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=dword:1\\\r\n2\r\n", 4, "after the value"},
        {kHeader + "[HKLM\\A]\r\n\"v\"=\"open \\\r\nmore\"\r\n", 4, "closing quote"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        std::vector<ce::RegFileEntry> entries;
        ce::RegFileError error;
        EXPECT_FALSE(ce::ParseRegFile(Utf8File(c.text), entries, error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
        EXPECT_EQ(error.ToString().rfind("line " + std::to_string(c.line) + ": ", 0), 0u);
    }
}

// A line goes on over the next one only when it is hex data ending in '\\' outside its ; comment and
// outside quoted names: a comment that happens to end in '\\' must not swallow the next statement.
TEST(RegFileParse, OnlyHexDataContinuesAndNeverFromAComment)
{
    using Values = std::vector<std::pair<std::u16string, std::vector<BYTE>>>;
    struct Case
    {
        std::string body;
        Values values;
    };
    const std::vector<BYTE> one{1, 0, 0, 0}, two{2, 0, 0, 0};
    const Case cases[] = {
        {"\"a\"=dword:1 ; note \\\r\n\"b\"=dword:2\r\n", {{u"a", one}, {u"b", two}}},
        {"\"a\"=hex:01,02 ; end \\\r\n\"b\"=dword:2\r\n", {{u"a", {1, 2}}, {u"b", two}}},
        {"\"a\"=hex:01,\\ ; goes on\r\n  02 ; done \\\r\n\"b\"=dword:2\r\n", {{u"a", {1, 2}}, {u"b", two}}},
        {"\"a;\\\\\"=hex:01,\\\r\n  02\r\n\"b\"=dword:2\r\n", {{u"a;\\", {1, 2}}, {u"b", two}}},
        {"\"a\"=\"x;y \\\\\" ; \\\r\n\"b\"=dword:2\r\n", {{u"a", regtest::Sz(u"x;y \\")}, {u"b", two}}},
        {"@=HEX(7):61,00,\\\r\n  00,00\r\n\"b\"=dword:2\r\n", {{u"", {0x61, 0, 0, 0}}, {u"b", two}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.body);
        std::vector<ce::RegFileEntry> entries;
        ce::RegFileError error;
        ASSERT_TRUE(ce::ParseRegFile(Utf8File(kHeader + "[HKLM\\A]\r\n" + c.body), entries, error))
            << error.ToString();
        Values values;
        for (const ce::RegFileEntry& e : entries)
            if (e.kind == ce::RegFileEntry::Kind::Value)
                values.emplace_back(e.name, e.data);
        EXPECT_EQ(values, c.values);
    }
}

TEST(RegFileImport, AppliesStatementsInOrderAndAllOrNothing)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    ASSERT_EQ(
        Import(kHeader +
               "[HKCU\\App\\Old]\r\n\"x\"=dword:1\r\n[HKCU\\App]\r\n\"Keep\"=\"1\"\r\n\"Drop\"=\"2\"\r\n"),
        ERROR_SUCCESS);
    ASSERT_EQ(Import(kHeader + "[-HKCU\\App\\Old]\r\n[-HKCU\\Never\\Was]\r\n[HKCU\\App]\r\n\"Drop\"=-\r\n"
                               "\"Missing\"=-\r\n\"Keep\"=\"one\"\r\n"),
              ERROR_SUCCESS);
    Key app = regtest::Open(HKEY_CURRENT_USER, u"App", KEY_READ);
    EXPECT_EQ(regtest::Data(app.get(), u"Keep"), regtest::Sz(u"one"));
    EXPECT_TRUE(regtest::Data(app.get(), u"Drop").empty());
    HKEY out = nullptr;
    EXPECT_EQ(RegOpenKeyExW(app.get(), u"Old", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);

    // A bad last line: the statements before it are not applied either.
    ce::RegFileError error;
    EXPECT_EQ(
        Import(kHeader + "[HKCU\\App]\r\n\"Keep\"=\"two\"\r\n[HKCU\\New]\r\n\"bad\"=dword:xyz\r\n", &error),
        ERROR_BAD_FORMAT);
    EXPECT_EQ(error.line, 6u);
    EXPECT_EQ(regtest::Data(app.get(), u"Keep"), regtest::Sz(u"one"));
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"New", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(ce::ImportRegFile(handheld.path() / "absent.reg", error), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(error.message.find("absent.reg"), std::string::npos);
}

TEST(RegFileImport, ReadsUtf16AndUtf8WithOrWithoutMark)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    const std::u16string body =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\Enc]\r\n\"Ssid\"=\"無線\"\r\n";
    const std::string utf8 = ce::text::ToUtf8(body);
    std::vector<BYTE> withMark{0xEF, 0xBB, 0xBF};
    withMark.insert(withMark.end(), utf8.begin(), utf8.end());
    for (const std::vector<BYTE>& file : {Utf16File(body), Utf8File(utf8), withMark})
    {
        ce::RegFileError error;
        ASSERT_EQ(ce::ImportRegFile(file, error), ERROR_SUCCESS) << error.ToString();
        Key key = regtest::Open(HKEY_CURRENT_USER, u"Enc", KEY_READ);
        EXPECT_EQ(regtest::Data(key.get(), u"Ssid"), regtest::Sz(u"無線"));
        RegDeleteKeyW(HKEY_CURRENT_USER, u"Enc");
    }
    std::vector<BYTE> odd = Utf16File(body);
    odd.push_back(0x41);
    ce::RegFileError error;
    EXPECT_EQ(ce::ImportRegFile(odd, error), ERROR_BAD_FORMAT);
    EXPECT_NE(error.message.find("middle of a character"), std::string::npos);
}

TEST(RegFileExport, WritesTheDesktopLayout)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    {
        Key key = regtest::Create(HKEY_CURRENT_USER, u"Exp");
        ASSERT_EQ(regtest::SetSz(key.get(), u"Na\"me", u"a \"quoted\" \\ path"), ERROR_SUCCESS);
        ASSERT_EQ(regtest::SetSz(key.get(), u"", u"default"), ERROR_SUCCESS);
        ASSERT_EQ(regtest::SetDword(key.get(), u"Count", 0xff), ERROR_SUCCESS);
        const BYTE bytes[] = {0x00, 0x01, 0xFE};
        ASSERT_EQ(RegSetValueExW(key.get(), u"Bytes", 0, REG_BINARY, bytes, 3), ERROR_SUCCESS);
        const BYTE expand[] = {'%', 0, 0, 0};
        ASSERT_EQ(RegSetValueExW(key.get(), u"Expand", 0, REG_EXPAND_SZ, expand, 4), ERROR_SUCCESS);
        const BYTE unterminated[] = {'A', 0};
        ASSERT_EQ(RegSetValueExW(key.get(), u"Raw", 0, REG_SZ, unterminated, 2), ERROR_SUCCESS);
        ASSERT_EQ(regtest::SetSz(key.get(), u"Lines", u"one\r\ntwo"), ERROR_SUCCESS);
        std::vector<BYTE> big(40);
        for (std::size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<BYTE>(i);
        ASSERT_EQ(RegSetValueExW(key.get(), u"Big", 0, REG_BINARY, big.data(), 40), ERROR_SUCCESS);
        Key child = regtest::Create(key.get(), u"Child");
        ASSERT_EQ(regtest::SetDword(child.get(), u"v", 1), ERROR_SUCCESS);
    }
    std::vector<BYTE> out{1, 2, 3};
    ASSERT_EQ(ce::ExportRegFile(HKEY_CURRENT_USER, u"Exp", out), ERROR_SUCCESS);
    const std::u16string expected =
        u"Windows Registry Editor Version 5.00\r\n"
        u"\r\n"
        u"[HKEY_CURRENT_USER\\Exp]\r\n"
        u"\"Na\\\"me\"=\"a \\\"quoted\\\" \\\\ path\"\r\n"
        u"@=\"default\"\r\n"
        u"\"Count\"=dword:000000ff\r\n"
        u"\"Bytes\"=hex:00,01,fe\r\n"
        u"\"Expand\"=hex(2):25,00,00,00\r\n"
        u"\"Raw\"=hex(1):41,00\r\n"
        u"\"Lines\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00,74,00,77,00,6f,00,00,00\r\n"
        u"\"Big\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        u"  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
        u"\r\n"
        u"[HKEY_CURRENT_USER\\Exp\\Child]\r\n"
        u"\"v\"=dword:00000001\r\n"
        u"\r\n";
    EXPECT_EQ(ce::text::ToUtf8(FromUtf16File(out)), ce::text::ToUtf8(expected));

    std::vector<BYTE> untouched{9};
    EXPECT_EQ(ce::ExportRegFile(HKEY_CURRENT_USER, u"NoSuchKey", untouched), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(untouched, std::vector<BYTE>{9});
}

TEST(RegFileExport, ImportOfAnExportRebuildsTheSameTree)
{
    std::vector<BYTE> first;
    {
        testing_support::TempHandheld source;
        regtest::NoFactory noFactory{source};
        Key root = regtest::Create(HKEY_LOCAL_MACHINE, u"Round");
        std::mt19937 random(7);
        for (int k = 0; k < 6; ++k)
        {
            Key sub = regtest::Create(root.get(), u"K" + regtest::Num(5 - k) + u"\\網路" + regtest::Num(k));
            for (int v = 0; v < 5; ++v)
            {
                std::vector<BYTE> data(random() % 120);
                for (BYTE& b : data)
                    b = static_cast<BYTE>(random());
                const DWORD types[] = {REG_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, 0x7777};
                ASSERT_EQ(RegSetValueExW(sub.get(), (u"V" + regtest::Num(v)).c_str(), 0, types[v],
                                         data.data(), static_cast<DWORD>(data.size())),
                          ERROR_SUCCESS);
            }
            ASSERT_EQ(regtest::SetSz(sub.get(), u"", u"默認 \"x\" \\"), ERROR_SUCCESS);
        }
        ASSERT_EQ(ce::ExportRegFile(HKEY_LOCAL_MACHINE, u"Round", first), ERROR_SUCCESS);
    }
    testing_support::TempHandheld target;
    regtest::NoFactory noFactory{target};
    ce::RegFileError error;
    ASSERT_EQ(ce::ImportRegFile(first, error), ERROR_SUCCESS) << error.ToString();
    std::vector<BYTE> second;
    ASSERT_EQ(ce::ExportRegFile(HKEY_LOCAL_MACHINE, u"Round", second), ERROR_SUCCESS);
    EXPECT_EQ(first, second);
}

TEST(RegFileParse, SurvivesRandomAndTruncatedInput)
{
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    const std::string sample = kHeader +
                               "[HKCU\\Fuzz\\A]\r\n\"s\"=\"t\\\\x\\\"\"\r\n@=dword:0000abcd\r\n"
                               "\"h\"=hex(7):61,00,00,00,\\\r\n  00,00\r\n\"d\"=-\r\n[-HKCU\\Fuzz\\B]\r\n";
    std::mt19937 random(12345);
    std::vector<std::vector<BYTE>> inputs;
    for (std::size_t n = 0; n <= sample.size(); ++n)
        inputs.push_back(Utf8File(sample.substr(0, n)));
    for (int i = 0; i < 400; ++i)
    {
        std::vector<BYTE> mutated = Utf8File(sample);
        for (int m = 0; m < 1 + i % 4; ++m)
            mutated[random() % mutated.size()] = static_cast<BYTE>(random());
        inputs.push_back(std::move(mutated));
        std::vector<BYTE> garbage(random() % 200);
        for (BYTE& b : garbage)
            b = static_cast<BYTE>(i % 2 ? random() : "[]\"\\=@:,-hexdword(7);\r\n"[random() % 24]);
        if (i % 3 == 0)
            garbage.insert(garbage.begin(), sample.begin(), sample.begin() + 40); // past the header
        inputs.push_back(std::move(garbage));
    }
    std::vector<BYTE> utf16 = Utf16File(ce::text::FromUtf8(sample));
    for (std::size_t n = 0; n <= utf16.size(); n += 3)
        inputs.emplace_back(utf16.begin(), utf16.begin() + static_cast<std::ptrdiff_t>(n));

    std::size_t parsed = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i)
    {
        std::vector<ce::RegFileEntry> entries;
        ce::RegFileError error;
        if (ce::ParseRegFile(inputs[i], entries, error))
        {
            ++parsed;
            for (const ce::RegFileEntry& e : entries)
                ASSERT_GT(e.line, 0u);
            if (i % 8 == 0) // apply some of them too
            {
                const LONG rc = ce::ImportRegFile(inputs[i], error);
                ASSERT_TRUE(rc == ERROR_SUCCESS || !error.message.empty());
            }
        }
        else
        {
            ASSERT_FALSE(error.message.empty());
            ASSERT_LE(error.line,
                      static_cast<std::size_t>(std::count(inputs[i].begin(), inputs[i].end(), '\n') +
                                               std::count(inputs[i].begin(), inputs[i].end(), '\r') + 1));
        }
    }
    EXPECT_GT(parsed, 10u); // the truncations at line ends parse
}

} // namespace

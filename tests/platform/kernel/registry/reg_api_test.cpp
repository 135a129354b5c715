// Conformance of the registry calls: results, error numbers, and outputs left alone on failure.
#include "registry_test_util.h"

#include <kernel/handheld.h>
#include <kernel/registry.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

using regtest::Key;

namespace
{

const HKEY kSentinel = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x5A5A));

class Registry : public ::testing::Test
{
protected:
    testing_support::TempHandheld handheld;
    regtest::NoFactory noFactory{handheld};
    Key key = regtest::Create(HKEY_CURRENT_USER, u"Tests");

    std::vector<std::u16string> SubKeyNames(HKEY parent)
    {
        std::vector<std::u16string> names;
        WCHAR name[300];
        for (DWORD i = 0;; ++i)
        {
            DWORD cch = 300;
            const LONG rc = RegEnumKeyExW(parent, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
            if (rc != ERROR_SUCCESS)
            {
                EXPECT_EQ(rc, ERROR_NO_MORE_ITEMS);
                return names;
            }
            names.emplace_back(name, cch);
        }
    }
};

TEST_F(Registry, OpenKeyResultsAndUntouchedOutput)
{
    regtest::Create(key.get(), u"Comm\\WLAN11b1\\Parms");
    struct Case
    {
        HKEY parent;
        std::u16string path;
        LONG expected;
    };
    const Case cases[] = {
        {key.get(), u"Comm\\WLAN11b1\\Parms", ERROR_SUCCESS},
        {key.get(), u"COMM\\wlan11B1\\parms", ERROR_SUCCESS}, // names compare without case
        {key.get(), u"\\Comm\\WLAN11b1\\", ERROR_SUCCESS},    // leading and trailing '\'
        {key.get(), u"Comm\\Missing", ERROR_FILE_NOT_FOUND},
        {key.get(), u"Comm\\\\WLAN11b1", ERROR_INVALID_PARAMETER},
        {key.get(), std::u16string(256, u'k'), ERROR_INVALID_PARAMETER},
        {reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234)), u"Comm", ERROR_INVALID_HANDLE},
        {nullptr, u"Comm", ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases)
    {
        HKEY out = kSentinel;
        const LONG rc = RegOpenKeyExW(c.parent, c.path.c_str(), 0, KEY_READ, &out);
        EXPECT_EQ(rc, c.expected);
        if (rc == ERROR_SUCCESS)
            EXPECT_EQ(RegCloseKey(out), ERROR_SUCCESS);
        else
            EXPECT_EQ(out, kSentinel);
    }
    EXPECT_EQ(RegOpenKeyExW(key.get(), u"Comm", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);

    // A root with no sub-key opens as itself.
    HKEY out = kSentinel;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &out), ERROR_SUCCESS);
    EXPECT_EQ(out, HKEY_LOCAL_MACHINE);
}

TEST_F(Registry, CreateKeyMakesIntermediatesAndTellsWhatItDid)
{
    HKEY out = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyExW(key.get(), u"A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(out);
    ASSERT_EQ(RegCreateKeyExW(key.get(), u"a\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    // The key keeps the case it was created with.
    EXPECT_EQ(SubKeyNames(out), std::vector<std::u16string>{u"C"});
    RegCloseKey(out);

    out = kSentinel;
    disposition = 7;
    EXPECT_EQ(
        RegCreateKeyExW(key.get(), u"A\\\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, &disposition),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(out, kSentinel);
    EXPECT_EQ(disposition, 7u);
    EXPECT_EQ(RegCreateKeyExW(key.get(), u"A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, CloseKeyRejectsUnknownAndClosedHandles)
{
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key.get(), u"Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    // A closed handle is no longer usable.
    EXPECT_EQ(regtest::SetSz(sub, u"x", u"y"), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, QueryValueSizesTypesAndShortBuffers)
{
    ASSERT_EQ(regtest::SetSz(key.get(), u"Ssid", u"Office"), ERROR_SUCCESS);
    const DWORD needed = 14; // "Office" and the terminator

    // No type pointer, exact buffer.
    BYTE buffer[64];
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExW(key.get(), u"ssid", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer)), u"Office");

    // Size only.
    DWORD type = 0;
    size = 999;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Ssid", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    // Too small: the size needed, the buffer untouched.
    std::memset(buffer, 0xCC, sizeof buffer);
    size = needed - 1;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Ssid", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, needed);
    for (BYTE b : buffer)
        ASSERT_EQ(b, 0xCC);

    // A buffer without a size, and a missing value: outputs untouched.
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Ssid", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    type = 77;
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key.get(), u"Missing", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(size, sizeof buffer);
    EXPECT_EQ(buffer[0], 0xCC);
}

TEST_F(Registry, SetValueStoresBytesAsGivenForEveryType)
{
    const std::u16string chinese = u"無線網路設定";
    struct Case
    {
        std::u16string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const std::vector<Case> cases = {
        {u"Text", REG_SZ, regtest::Sz(u"1")},
        {u"NoTerminator", REG_SZ, {'2', 0}}, // REG_SZ keeps exactly cbData bytes
        {u"Chinese", REG_SZ, regtest::Sz(chinese)},
        {u"Expand", REG_EXPAND_SZ, regtest::Sz(u"%windir%")},
        {u"Dword", REG_DWORD, {0xFF, 0, 0, 0}},
        {u"Binary", REG_BINARY, {0, 1, 2, 0xFE}},
        {u"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {u"Odd", 0x12345, {9, 8, 7}},
        {u"Empty", REG_BINARY, {}},
        {u"", REG_SZ, regtest::Sz(u"default")},
    };
    for (const Case& c : cases)
        ASSERT_EQ(RegSetValueExW(key.get(), c.name.c_str(), 0, c.type, c.data.data(),
                                 static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS);
    for (const Case& c : cases)
    {
        DWORD type = 0;
        DWORD size = 1;
        ASSERT_EQ(RegQueryValueExW(key.get(), c.name.c_str(), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(regtest::Data(key.get(), c.name), c.data) << regtest::Data(key.get(), c.name).size();
    }
    // The default value answers to a null name and to "".
    EXPECT_EQ(regtest::Data(key.get(), u""), regtest::Sz(u"default"));
    BYTE buffer[32];
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, regtest::Sz(u"default").size());

    EXPECT_EQ(RegSetValueExW(key.get(), u"x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key.get(), std::u16string(16384, u'n').c_str(), 0, REG_BINARY, buffer, 1),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, NamesCompareWithoutCaseAcrossScripts)
{
    const std::pair<std::u16string, std::u16string> pairs[] = {
        {u"RadioOn", u"RADIOON"}, {u"Äöü", u"äÖÜ"},           {u"ПАРАМЕТР", u"параметр"},
        {u"ΣΥΣΚΕΥΗ", u"συσκευη"}, {u"Ｗｉｆｉ", u"ＷＩＦＩ"},
    };
    for (const auto& [written, asked] : pairs)
    {
        ASSERT_EQ(regtest::SetSz(key.get(), written, u"first"), ERROR_SUCCESS);
        ASSERT_EQ(regtest::SetSz(key.get(), asked, u"second"), ERROR_SUCCESS);
        EXPECT_EQ(regtest::Data(key.get(), written), regtest::Sz(u"second"));
    }
    // Overwriting kept one value per name, with the case it was first written in.
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, std::size(pairs));
    WCHAR name[32];
    DWORD cch = 32;
    ASSERT_EQ(RegEnumValueW(key.get(), 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, cch), u"Äöü");
    // Different letters stay different names.
    EXPECT_TRUE(regtest::Data(key.get(), u"RadioOff").empty());
}

TEST_F(Registry, EnumKeyInCreationOrderWithCharacterCounts)
{
    for (const char16_t* name : {u"Zeta", u"alpha", u"Mid", u"beta"})
        regtest::Create(key.get(), name);
    EXPECT_EQ(SubKeyNames(key.get()), (std::vector<std::u16string>{u"Zeta", u"alpha", u"Mid", u"beta"}));

    // "alpha" needs 6 characters with its terminator; 5 is too few and leaves buffer and count alone.
    WCHAR name[8];
    std::fill(std::begin(name), std::end(name), u'#');
    DWORD cch = 5;
    EXPECT_EQ(RegEnumKeyExW(key.get(), 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(name[0], u'#');
    cch = 6;
    FILETIME written{};
    EXPECT_EQ(RegEnumKeyExW(key.get(), 1, name, &cch, nullptr, nullptr, nullptr, &written), ERROR_SUCCESS);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(std::u16string(name), u"alpha");
    EXPECT_NE(written.dwHighDateTime, 0u);

    cch = 8;
    EXPECT_EQ(RegEnumKeyExW(key.get(), 4, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyExW(key.get(), 0, nullptr, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);

    // Deleting one keeps the others in order; a new one comes last.
    ASSERT_EQ(RegDeleteKeyW(key.get(), u"alpha"), ERROR_SUCCESS);
    regtest::Create(key.get(), u"Alpha");
    EXPECT_EQ(SubKeyNames(key.get()), (std::vector<std::u16string>{u"Zeta", u"Mid", u"beta", u"Alpha"}));
}

TEST_F(Registry, EnumValueInCreationOrderAndShortBuffers)
{
    ASSERT_EQ(regtest::SetSz(key.get(), u"Second", u"2"), ERROR_SUCCESS);
    ASSERT_EQ(regtest::SetDword(key.get(), u"First", 1), ERROR_SUCCESS);
    ASSERT_EQ(regtest::SetSz(key.get(), u"Second", u"22"), ERROR_SUCCESS); // keeps its place

    WCHAR name[16];
    DWORD cch = 16, type = 0, size = 0;
    BYTE data[16];
    size = sizeof data;
    ASSERT_EQ(RegEnumValueW(key.get(), 0, name, &cch, nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, cch), u"Second");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);

    // Name too short: nothing written.
    std::fill(std::begin(name), std::end(name), u'#');
    cch = 5;
    size = sizeof data;
    EXPECT_EQ(RegEnumValueW(key.get(), 1, name, &cch, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(name[0], u'#');
    // Data too short: the size needed, data untouched.
    std::memset(data, 0xCC, sizeof data);
    cch = 16;
    size = 3;
    EXPECT_EQ(RegEnumValueW(key.get(), 1, name, &cch, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 0xCC);
    // Sizes only.
    cch = 16;
    size = 0;
    ASSERT_EQ(RegEnumValueW(key.get(), 1, name, &cch, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, cch), u"First");
    EXPECT_EQ(size, 4u);

    cch = 16;
    EXPECT_EQ(RegEnumValueW(key.get(), 2, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumValueW(key.get(), 0, name, &cch, nullptr, nullptr, data, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, DeleteValueAndKeyTree)
{
    ASSERT_EQ(regtest::SetSz(key.get(), u"Gone", u"x"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key.get(), u"GONE"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key.get(), u"Gone"), ERROR_FILE_NOT_FOUND);

    {
        Key deep = regtest::Create(key.get(), u"Tree\\A\\B");
        ASSERT_EQ(regtest::SetSz(deep.get(), u"v", u"x"), ERROR_SUCCESS);
    }
    regtest::Create(key.get(), u"Tree\\C");
    regtest::Create(key.get(), u"Tree2"); // a sibling whose name starts the same
    EXPECT_EQ(RegDeleteKeyW(key.get(), u"tree"), ERROR_SUCCESS);
    HKEY out = kSentinel;
    EXPECT_EQ(RegOpenKeyExW(key.get(), u"Tree\\A\\B", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SubKeyNames(key.get()), std::vector<std::u16string>{u"Tree2"});
    EXPECT_EQ(RegDeleteKeyW(key.get(), u"Tree"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(key.get(), nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);

    // Re-created, the tree is empty: its old values went with it.
    Key again = regtest::Create(key.get(), u"Tree\\A\\B");
    EXPECT_EQ(RegQueryValueExW(again.get(), u"v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, HandleOfDeletedKeyReportsKeyDeleted)
{
    Key sub = regtest::Create(key.get(), u"Doomed");
    Key child = regtest::Create(key.get(), u"Doomed\\Child");
    ASSERT_EQ(RegDeleteKeyW(key.get(), u"Doomed"), ERROR_SUCCESS);
    regtest::Create(key.get(), u"Doomed"); // a new key of the same name is another key

    for (HKEY h : {sub.get(), child.get()})
    {
        EXPECT_EQ(regtest::SetSz(h, u"x", u"y"), ERROR_KEY_DELETED);
        EXPECT_EQ(RegQueryValueExW(h, u"x", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
        WCHAR name[8];
        DWORD cch = 8;
        EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
        HKEY out = kSentinel;
        EXPECT_EQ(RegCreateKeyExW(h, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
                  ERROR_KEY_DELETED);
        EXPECT_EQ(out, kSentinel);
        EXPECT_EQ(RegFlushKey(h), ERROR_KEY_DELETED);
    }
}

TEST_F(Registry, AccessMaskOfEachHandleIsEnforced)
{
    ASSERT_EQ(regtest::SetSz(key.get(), u"RadioOn", u"1"), ERROR_SUCCESS);
    regtest::Create(key.get(), u"Existing");
    Key reader = regtest::Open(HKEY_CURRENT_USER, u"Tests", KEY_READ);
    Key writer = regtest::Open(HKEY_CURRENT_USER, u"Tests", KEY_WRITE);

    EXPECT_EQ(regtest::SetSz(reader.get(), u"RadioOn", u"0"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(reader.get(), u"RadioOn"), ERROR_ACCESS_DENIED);
    HKEY out = kSentinel;
    EXPECT_EQ(RegCreateKeyExW(reader.get(), u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(out, kSentinel);
    // Opening an existing sub-key through the create call needs no right to create.
    EXPECT_EQ(RegCreateKeyExW(reader.get(), u"Existing", 0, nullptr, 0, KEY_READ, nullptr, &out, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(out);
    EXPECT_EQ(regtest::Data(key.get(), u"RadioOn"), regtest::Sz(u"1"));

    EXPECT_EQ(regtest::SetSz(writer.get(), u"RadioOn", u"0"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(writer.get(), u"RadioOn", nullptr, nullptr, nullptr, &size),
              ERROR_ACCESS_DENIED);
    WCHAR name[16];
    DWORD cch = 16;
    EXPECT_EQ(RegEnumKeyExW(writer.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumValueW(writer.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegQueryInfoKeyW(writer.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        RegCreateKeyExW(writer.get(), u"FromWriter", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(out);
}

TEST_F(Registry, QueryInfoKeyCountsAndLongestNames)
{
    regtest::Create(key.get(), u"Short");
    regtest::Create(key.get(), u"MuchLongerName");
    ASSERT_EQ(regtest::SetSz(key.get(), u"A", u"twelve chars"), ERROR_SUCCESS);
    ASSERT_EQ(regtest::SetDword(key.get(), u"LongestValueName", 5), ERROR_SUCCESS);

    WCHAR cls[4] = {u'#', u'#'};
    DWORD cchClass = 4, subKeys = 0, maxSubKey = 0, maxClass = 9, values = 0, maxValueName = 0, maxValue = 0,
          security = 9;
    FILETIME written{};
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), cls, &cchClass, nullptr, &subKeys, &maxSubKey, &maxClass, &values,
                               &maxValueName, &maxValue, &security, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(cls[0], 0);
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 14u);
    EXPECT_EQ(maxClass, 0u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxValueName, 16u);
    EXPECT_EQ(maxValue, 26u);
    EXPECT_EQ(security, 0u);
    EXPECT_NE(written.dwHighDateTime, 0u);
    EXPECT_EQ(RegQueryInfoKeyW(key.get(), cls, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, HandlesAreSmallDistinctAndSafeAcrossThreads)
{
    constexpr int kThreads = 4, kRounds = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                std::set<std::uintptr_t> seen;
                for (int i = 0; i < kRounds; ++i)
                {
                    HKEY sub = nullptr;
                    const std::u16string path =
                        u"Threads\\T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
                    if (RegCreateKeyExW(key.get(), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                                        nullptr))
                        ++failures;
                    const auto value = reinterpret_cast<std::uintptr_t>(sub);
                    if (value == 0 || value > 0x7FFFFFFF || !seen.insert(value).second)
                        ++failures;
                    if (regtest::SetDword(sub, u"n", static_cast<DWORD>(i)) != ERROR_SUCCESS)
                        ++failures;
                    // Keep half of them open, so that values must stay distinct while in use.
                    if (i % 2 == 0 && RegCloseKey(sub) != ERROR_SUCCESS)
                        ++failures;
                    else if (i % 2 == 0)
                        seen.erase(value);
                }
            });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(Registry, TransactionAppliesAllOrNothing)
{
    const LONG rc = ce::RunRegistryTransaction(
        true,
        [&]() -> LONG
        {
            EXPECT_EQ(regtest::SetSz(key.get(), u"Partial", u"x"), ERROR_SUCCESS);
            regtest::Create(key.get(), u"PartialKey");
            // A failing call inside undoes only itself...
            EXPECT_EQ(RegSetValueExW(key.get(), u"Bad", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
            EXPECT_FALSE(regtest::Data(key.get(), u"Partial").empty());
            return ERROR_INVALID_DATA; // ...and a failing body undoes everything.
        });
    EXPECT_EQ(rc, ERROR_INVALID_DATA);
    EXPECT_TRUE(regtest::Data(key.get(), u"Partial").empty());
    HKEY out = kSentinel;
    EXPECT_EQ(RegOpenKeyExW(key.get(), u"PartialKey", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(ce::RunRegistryTransaction(true, [&] { return regtest::SetSz(key.get(), u"Kept", u"y"); }),
              ERROR_SUCCESS);
    EXPECT_EQ(regtest::Data(key.get(), u"Kept"), regtest::Sz(u"y"));
}

TEST_F(Registry, CallsInsideATransactionSeeItsDeletionsAndFailuresOfTheirOwn)
{
    Key doomed = regtest::Create(key.get(), u"Doomed");
    const LONG rc = ce::RunRegistryTransaction(
        true,
        [&]() -> LONG
        {
            EXPECT_EQ(RegDeleteKeyW(key.get(), u"Doomed"), ERROR_SUCCESS);
            // Many failing calls one after the other: each undoes only itself, the transaction goes on.
            for (int i = 0; i < 3; ++i)
            {
                EXPECT_EQ(RegQueryValueExW(doomed.get(), u"x", nullptr, nullptr, nullptr, nullptr),
                          ERROR_KEY_DELETED);
                EXPECT_EQ(regtest::SetSz(doomed.get(), u"x", u"y"), ERROR_KEY_DELETED);
                EXPECT_EQ(RegQueryValueExW(key.get(), u"Missing", nullptr, nullptr, nullptr, nullptr),
                          ERROR_FILE_NOT_FOUND);
            }
            return regtest::SetSz(key.get(), u"After", u"z");
        });
    EXPECT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(regtest::Data(key.get(), u"After"), regtest::Sz(u"z"));
    EXPECT_EQ(RegQueryValueExW(doomed.get(), u"x", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
}

TEST_F(Registry, WritesSurviveClosingTheDatabase)
{
    ASSERT_EQ(regtest::SetSz(key.get(), u"Persisted", u"中文"), ERROR_SUCCESS);
    key.reset();
    ce::ResetHandheld(); // closes the database; the next call opens it again
    Key again = regtest::Open(HKEY_CURRENT_USER, u"Tests", KEY_READ);
    EXPECT_EQ(regtest::Data(again.get(), u"Persisted"), regtest::Sz(u"中文"));
}

TEST(RegistryFactory, ShippedImageImportsOnFirstUse)
{
    testing_support::TempHandheld handheld;
    Key drivers = regtest::Open(HKEY_LOCAL_MACHINE, u"Drivers", KEY_READ);
    DWORD subKeys = 0;
    ASSERT_EQ(RegQueryInfoKeyW(drivers.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_GE(subKeys, 2u); // BuiltIn and Active at least
    EXPECT_TRUE(std::filesystem::exists(handheld.path() / "registry.db"));
}

} // namespace

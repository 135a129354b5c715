// Insertion and removal from cardctl, seen in the registry and by a listener in another process.
#include "sim_test.h"

#include <simcore/text.h>

using namespace simtest;

namespace
{

std::vector<std::pair<std::u16string, std::u16string>> ActiveEntries()
{
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    HKEY active = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, KEY_READ, &active) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0;; ++i)
    {
        WCHAR name[64];
        DWORD length = 64;
        if (RegEnumKeyExW(active, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY key = nullptr;
        RegOpenKeyExW(active, name, 0, KEY_READ, &key);
        auto read = [&](const char16_t* value)
        {
            WCHAR text[260] = {};
            DWORD size = sizeof(text);
            RegQueryValueExW(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
            return std::u16string(text);
        };
        entries.emplace_back(read(u"Name"), read(u"Key"));
        RegCloseKey(key);
    }
    RegCloseKey(active);
    return entries;
}

const std::u16string kCardKey = u"\\Drivers\\SDCARD\\ClientDrivers\\Custom\\MANF-0A5D-CARDID-3B17-FUNC-1";

// The record broadcast for a port, as hex: size, type 3, reserved, the name with its zero.
std::string PortRecordHex(const std::u16string& port)
{
    std::vector<uint8_t> r(12 + (port.size() + 1) * 2);
    Put32(r.data(), static_cast<uint32_t>(r.size()));
    Put32(r.data() + 4, 3);
    for (size_t i = 0; i < port.size(); ++i)
        r[12 + 2 * i] = static_cast<uint8_t>(port[i]);
    return sim::HexBytes(r);
}

class Slot : public ::testing::Test
{
protected:
    testing_support::TempHandheld m_handheld;
};

TEST_F(Slot, FactoryHandheldHasTheCardBehindOtherActiveDrivers)
{
    const auto entries = ActiveEntries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_NE(entries.front().first, u"NDL1:") << "a reader stopping at the first entry misses the card";
    EXPECT_EQ(entries.back().first, u"NDL1:");
    EXPECT_EQ(entries.back().second, kCardKey);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCardKey.c_str() + 1, 0, KEY_READ, &key), 0);
    RegCloseKey(key);
}

TEST_F(Slot, EjectAndInsertAreSeenByAListenerInAnotherProcess)
{
    const std::string listener = (testing_support::ProgramDir() / "simulator_device_listener").string();
    FILE* pipe = ::popen((listener + " 4 8000").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512];
    ASSERT_NE(std::fgets(line, sizeof(line), pipe), nullptr);
    ASSERT_STREQ(line, "ready\n");

    ASSERT_EQ(Cardctl("eject"), 0);
    for (const auto& e : ActiveEntries())
        EXPECT_NE(e.first, u"NDL1:") << "the card's entry is gone";
    std::string out;
    ASSERT_EQ(Cardctl("eject", &out), 0);
    EXPECT_NE(out.find("already"), std::string::npos)
        << "a second eject changes nothing and broadcasts nothing";
    ASSERT_EQ(Cardctl("insert"), 0);
    EXPECT_EQ(ActiveEntries().back(), std::make_pair(std::u16string(u"NDL1:"), kCardKey));
    ASSERT_EQ(Cardctl("plug COM5:"), 0);
    EXPECT_EQ(ActiveEntries().back().first, u"COM5:");
    ASSERT_EQ(Cardctl("unplug COM5:"), 0);
    EXPECT_EQ(ActiveEntries().back().first, u"NDL1:");

    std::vector<std::string> messages;
    while (std::fgets(line, sizeof(line), pipe))
        messages.emplace_back(line);
    EXPECT_EQ(::pclose(pipe), 0);
    const std::vector<std::string> expected = {
        "message 0219 8004 " + PortRecordHex(u"NDL1:") + "\n",
        "message 0219 8000 " + PortRecordHex(u"NDL1:") + "\n",
        "message 0219 8000 " + PortRecordHex(u"COM5:") + "\n",
        "message 0219 8004 " + PortRecordHex(u"COM5:") + "\n",
    };
    EXPECT_EQ(messages, expected);
}

TEST_F(Slot, PlugChecksThePortAndKeepsTheGivenKey)
{
    EXPECT_EQ(Cardctl("plug NDL1:"), 2) << "the card's port is the slot's";
    EXPECT_EQ(Cardctl("plug COM"), 2);
    EXPECT_EQ(Cardctl("unplug COM7:"), 0);
    ASSERT_EQ(
        Cardctl(
            "plug USB2: \\\\Drivers\\\\SDCARD\\\\ClientDrivers\\\\Custom\\\\MANF-0C71-CARDID-4E22-FUNC-1"),
        0);
    EXPECT_EQ(ActiveEntries().back(),
              std::make_pair(
                  std::u16string(u"USB2:"),
                  std::u16string(u"\\Drivers\\SDCARD\\ClientDrivers\\Custom\\MANF-0C71-CARDID-4E22-FUNC-1")));
}

} // namespace

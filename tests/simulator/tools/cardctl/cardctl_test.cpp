// cardctl as a command: its help names every key and fault, status reports the world, bad usage is
// refused with exit code 2.
#include "sim_test.h"

#include <algorithm>

using namespace simtest;

namespace
{

class CardctlTool : public ::testing::Test
{
protected:
    testing_support::TempHandheld m_handheld;
};

TEST_F(CardctlTool, HelpDocumentsEveryCommandKeyAndFault)
{
    std::string help;
    ASSERT_EQ(Cardctl("--help", &help), 0);
    for (const char* word :
         {"status",      "insert",     "eject",        "plug PORT",   "unplug PORT", "set KEY VALUE",
          "link up",     "ssid",       "bssid",        "channel",     "rssi",        "quality",
          "traffic",     "latency",    "seed",         "ip",          "scantime",    "log on",
          "version HEX", "init",       "bind",         "ioctl CODE",  "submit OID",  "pending OID",
          "status OID",  "answer OID", "removed",      "bbreg",       "macreg",      "eeprom",
          "clear",       "list",       "clock freeze", "adapter add", "HANDHELD_DIR"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST_F(CardctlTool, StatusReportsSlotAirCardAndFaults)
{
    ASSERT_EQ(Cardctl("fault removed"), 0);
    std::string status;
    ASSERT_EQ(Cardctl("status", &status), 0);
    for (const char* part : {"card inserted (NDL1:)", "USBLAN1(wired) WLAN11b1(card)", "ssid \"HarborNet\"",
                             "REMOVED = 1", "log: off", "NDL1:  \\Drivers\\SDCARD"})
        EXPECT_NE(status.find(part), std::string::npos) << part << "\n" << status;
    ASSERT_EQ(Cardctl("eject"), 0);
    ASSERT_EQ(Cardctl("status", &status), 0);
    EXPECT_NE(status.find("slot: empty"), std::string::npos);
}

TEST_F(CardctlTool, EepromListsEveryWordAndKeepsThemWhileTheCardIsOut)
{
    std::string listing;
    ASSERT_EQ(Cardctl("eeprom", &listing), 0);
    // 128 words, eight a line; the first three hold the MAC address 00-0A-5D-40-51-2C, low byte first.
    EXPECT_EQ(listing.substr(0, 20), "000: 0a00 405d 2c51 ");
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 16);
    EXPECT_NE(listing.find("\n078: ffff "), std::string::npos) << listing;
    EXPECT_EQ(listing.size(), 16 * (4 + 8 * 5 + 1));
    ASSERT_EQ(Cardctl("eject"), 0);
    std::string ejected;
    ASSERT_EQ(Cardctl("eeprom", &ejected), 0);
    EXPECT_EQ(ejected, listing);
    EXPECT_EQ(Cardctl("eeprom 3"), 2);
}

TEST_F(CardctlTool, BadUsageExitsWithTwo)
{
    for (const char* words :
         {"", "frobnicate", "status extra", "insert now", "set ssid", "clock", "clock advance x",
          "adapter add X1 fibre", "log maybe", "unplug NDL1:", "fault list now", "fault clear pending bind"})
    {
        std::string output;
        EXPECT_EQ(Cardctl(words, &output), 2) << words;
        EXPECT_NE(output.find("usage: cardctl COMMAND [ARGS]"), std::string::npos) << words << ": " << output;
    }
    EXPECT_EQ(Cardctl("adapter remove NOSUCH"), 1);
}

// The clock line of the status report.
std::string ClockLine()
{
    std::string status;
    Cardctl("status", &status);
    const size_t at = status.find("clock: ");
    return at == std::string::npos ? status : status.substr(at, status.find('\n', at) - at);
}

TEST_F(CardctlTool, ClockMovesThatWouldOverflowAreRefusedAndStoredValuesSaturate)
{
    ASSERT_EQ(Cardctl("clock freeze"), 0);
    ASSERT_EQ(Cardctl("clock advance -5000"), 0);
    const std::string before = ClockLine();
    for (const char* far : {"9223372036854775807", "-9223372036854775808", "9007199254740993"})
    {
        std::string output;
        EXPECT_EQ(Cardctl(std::string("clock advance ") + far, &output), 2) << far;
        EXPECT_NE(output.find("would take the clock past 9007199254740992 ms"), std::string::npos) << output;
        EXPECT_EQ(ClockLine(), before);
    }

    // Whatever the registry holds (written by hand), the clock stays at its bounds instead of wrapping.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Simulator\\Clock", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string huge = u"9223372036854775807";
    ASSERT_EQ(RegSetValueExW(key, u"At", 0, REG_SZ, reinterpret_cast<const BYTE*>(huge.c_str()),
                             static_cast<DWORD>((huge.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ClockLine(), "clock: frozen at 9007199254740992 ms");
    ASSERT_EQ(Cardctl("clock run"), 0);
    EXPECT_EQ(Cardctl("clock advance 1"), 2);
    std::string status;
    ASSERT_EQ(Cardctl("status", &status), 0);
    EXPECT_EQ(status.find("clock: running at -"), std::string::npos) << status;
}

TEST_F(CardctlTool, AddedAdaptersAreBoundBeforeTheCard)
{
    ASSERT_EQ(Cardctl("adapter add XWLAN11b1 wireless"), 0);
    EXPECT_EQ(Cardctl("adapter add XWLAN11b1 wireless"), 1);
    EXPECT_EQ(Cardctl("adapter add WLAN11b1 wired"), 1);
    std::string status;
    ASSERT_EQ(Cardctl("status", &status), 0);
    EXPECT_NE(status.find("USBLAN1(wired) XWLAN11b1(wireless) WLAN11b1(card)"), std::string::npos) << status;
}

} // namespace

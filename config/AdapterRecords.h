// The records exchanged with the wireless miniport, byte for byte as it reads and writes them
// (little-endian, packed). Every record is zero-filled before the utility builds it, so bytes it does not
// set go out as 0.
#pragma once

#include <windows.h>
#include <ntddndis.h>

#include <cstddef>

// The radio configuration of the miniport (the NDIS 802.11 configuration record): length, beacon period in
// units of 1024 microseconds, ATIM window, the channel's centre frequency in kHz (DSConfig) and four words
// of frequency hopping that an 802.11b card does not use.
typedef NDIS_802_11_CONFIGURATION RadioConfiguration;

#pragma pack(push, 1)

// Two words, as the feature flags, the test parameter and the test channel objects take them.
struct WLAN_WORD_PAIR
{
    DWORD dwFirst;
    DWORD dwSecond;
};

#pragma pack(pop)

#define WLAN_BSSID_SIZE 6
#define WLAN_BSSID_LIST_SIZE 3332
#define WLAN_MAX_SSID 32
#define WLAN_KEY_BYTES 16
#define WLAN_VENDOR_RECORD_SELECT 0xFF // marks a vendor record set that only chooses what the query returns
#define WLAN_TEST_FRAME_DATA 2348

static_assert(sizeof(RadioConfiguration) == 32);
static_assert(offsetof(RadioConfiguration, BeaconPeriod) == 4);
static_assert(offsetof(RadioConfiguration, ATIMWindow) == 8);
static_assert(offsetof(RadioConfiguration, DSConfig) == 12);
static_assert(offsetof(RadioConfiguration, FHConfig) == 16);
static_assert(sizeof(WLAN_WORD_PAIR) == 8);
static_assert(offsetof(WLAN_WORD_PAIR, dwSecond) == 4);

static_assert(sizeof(NDIS_802_11_SSID) == 4 + WLAN_MAX_SSID);
static_assert(sizeof(NDIS_802_11_RATES) == 8);
static_assert(sizeof(NDIS_802_11_STATISTICS) == 104);
static_assert(sizeof(QN40_MAC_REGISTER_ACCESS) == 12);
static_assert(sizeof(QN40_BB_REGISTER_ACCESS) == 3);
static_assert(sizeof(QN40_EEPROM_ACCESS) == 6);
static_assert(offsetof(QN40_EEPROM_ACCESS, Address) == 2);
static_assert(offsetof(QN40_KEY_RECORD, Form) == WLAN_KEY_BYTES);
static_assert(sizeof(QN40_KEY_RECORD) == 17);
static_assert(sizeof(QN40_COUNTERS) == 16);
static_assert(sizeof(QN40_VENDOR_RECORD) == 48);
static_assert(offsetof(QN40_VENDOR_RECORD, Select) == 9);
static_assert(sizeof(QN40_TEST_FRAME) == 2360);
static_assert(sizeof(QN40_TEST_FRAME::Data) == WLAN_TEST_FRAME_DATA);
static_assert(offsetof(QN40_TEST_FRAME, Repeat) == 2352);
static_assert(offsetof(QN40_TEST_FRAME, Rate) == 2356);
static_assert(sizeof(QN40_TEST_RESULT) == 48);
static_assert(sizeof(QN40_AP_INFO) == 20);
static_assert(sizeof(QN40_INFO_BLOCK) == 724);

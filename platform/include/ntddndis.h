// NDIS object identifiers, statuses and the 802.11 records exchanged with network miniports, and the
// control code of NDIS's own device "NDS0:". Records that cross the driver boundary are packed, with their
// sizes and offsets pinned below.
#pragma once

#include <windef.h>
#include <winioctl.h>

#ifndef RC_INVOKED

typedef int NDIS_STATUS;
typedef ULONG NDIS_OID;
typedef NDIS_OID* PNDIS_OID;

#ifndef QN40_LARGE_INTEGER_DEFINED
#define QN40_LARGE_INTEGER_DEFINED
#pragma pack(push, 1)
typedef union _LARGE_INTEGER
{
    struct
    {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;
#pragma pack(pop)
static_assert(sizeof(LARGE_INTEGER) == 8);
#endif

#endif // RC_INVOKED

// NDIS's device "NDS0:": unbind and bind again the protocols of the adapter named by a multi-string input.
#define IOCTL_NDIS_REBIND_ADAPTER                                                                            \
    CTL_CODE(FILE_DEVICE_PHYSICAL_NETCARD, 11, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)
static_assert(IOCTL_NDIS_REBIND_ADAPTER == 0x0017002E);

// Statuses.
#define NDIS_STATUS_SUCCESS ((NDIS_STATUS)0x00000000L)
#define NDIS_STATUS_PENDING ((NDIS_STATUS)0x00000103L)
#define NDIS_STATUS_NOT_RECOGNIZED ((NDIS_STATUS)0x00010001L)
#define NDIS_STATUS_NOT_COPIED ((NDIS_STATUS)0x00010002L)
#define NDIS_STATUS_NOT_ACCEPTED ((NDIS_STATUS)0x00010003L)
#define NDIS_STATUS_MEDIA_CONNECT ((NDIS_STATUS)0x4001000BL)
#define NDIS_STATUS_MEDIA_DISCONNECT ((NDIS_STATUS)0x4001000CL)
#define NDIS_STATUS_BUFFER_OVERFLOW ((NDIS_STATUS)0x80000005L)
#define NDIS_STATUS_FAILURE ((NDIS_STATUS)0xC0000001L)
#define NDIS_STATUS_RESOURCES ((NDIS_STATUS)0xC000009AL)
#define NDIS_STATUS_NOT_SUPPORTED ((NDIS_STATUS)0xC00000BBL)
#define NDIS_STATUS_CLOSING ((NDIS_STATUS)0xC0010002L)
#define NDIS_STATUS_BAD_VERSION ((NDIS_STATUS)0xC0010004L)
#define NDIS_STATUS_ADAPTER_NOT_FOUND ((NDIS_STATUS)0xC0010006L)
#define NDIS_STATUS_OPEN_FAILED ((NDIS_STATUS)0xC0010007L)
#define NDIS_STATUS_DEVICE_FAILED ((NDIS_STATUS)0xC0010008L)
#define NDIS_STATUS_REQUEST_ABORTED ((NDIS_STATUS)0xC001000CL)
#define NDIS_STATUS_RESET_IN_PROGRESS ((NDIS_STATUS)0xC001000DL)
#define NDIS_STATUS_INVALID_PACKET ((NDIS_STATUS)0xC001000FL)
#define NDIS_STATUS_ADAPTER_NOT_READY ((NDIS_STATUS)0xC0010011L)
#define NDIS_STATUS_ADAPTER_NOT_OPEN ((NDIS_STATUS)0xC0010012L)
#define NDIS_STATUS_INVALID_LENGTH ((NDIS_STATUS)0xC0010014L)
#define NDIS_STATUS_INVALID_DATA ((NDIS_STATUS)0xC0010015L)
#define NDIS_STATUS_BUFFER_TOO_SHORT ((NDIS_STATUS)0xC0010016L)
#define NDIS_STATUS_INVALID_OID ((NDIS_STATUS)0xC0010017L)
#define NDIS_STATUS_ADAPTER_REMOVED ((NDIS_STATUS)0xC0010018L)
#define NDIS_STATUS_UNSUPPORTED_MEDIA ((NDIS_STATUS)0xC0010019L)
#define NDIS_STATUS_FILE_NOT_FOUND ((NDIS_STATUS)0xC001001BL)
#define NDIS_STATUS_NO_CABLE ((NDIS_STATUS)0xC001001FL)

// General objects.
#define OID_GEN_SUPPORTED_LIST 0x00010101
#define OID_GEN_HARDWARE_STATUS 0x00010102
#define OID_GEN_MEDIA_SUPPORTED 0x00010103
#define OID_GEN_MEDIA_IN_USE 0x00010104
#define OID_GEN_MAXIMUM_LOOKAHEAD 0x00010105
#define OID_GEN_MAXIMUM_FRAME_SIZE 0x00010106
#define OID_GEN_LINK_SPEED 0x00010107 // u32, units of 100 bit/s
#define OID_GEN_VENDOR_ID 0x0001010C
#define OID_GEN_VENDOR_DESCRIPTION 0x0001010D
#define OID_GEN_CURRENT_PACKET_FILTER 0x0001010E
#define OID_GEN_DRIVER_VERSION 0x00010110
#define OID_GEN_MAXIMUM_TOTAL_SIZE 0x00010111
#define OID_GEN_MEDIA_CONNECT_STATUS 0x00010114  // u32, NDIS_MEDIA_STATE
#define OID_GEN_VENDOR_DRIVER_VERSION 0x00010116 // u32, major in the high 16 bits
#define OID_GEN_XMIT_OK 0x00020101
#define OID_GEN_RCV_OK 0x00020102
#define OID_GEN_XMIT_ERROR 0x00020103
#define OID_GEN_RCV_ERROR 0x00020104
#define OID_GEN_RCV_NO_BUFFER 0x00020105

// 802.3 objects.
#define OID_802_3_PERMANENT_ADDRESS 0x01010101
#define OID_802_3_CURRENT_ADDRESS 0x01010102
#define OID_802_3_MULTICAST_LIST 0x01010103
#define OID_802_3_MAXIMUM_LIST_SIZE 0x01010104

// 802.11 objects.
#define OID_802_11_BSSID 0x0D010101
#define OID_802_11_SSID 0x0D010102
#define OID_802_11_NETWORK_TYPES_SUPPORTED 0x0D010203
#define OID_802_11_NETWORK_TYPE_IN_USE 0x0D010204
#define OID_802_11_TX_POWER_LEVEL 0x0D010205
#define OID_802_11_RSSI 0x0D010206
#define OID_802_11_INFRASTRUCTURE_MODE 0x0D010108
#define OID_802_11_FRAGMENTATION_THRESHOLD 0x0D010209
#define OID_802_11_RTS_THRESHOLD 0x0D01020A
#define OID_802_11_NUMBER_OF_ANTENNAS 0x0D01020B
#define OID_802_11_RX_ANTENNA_SELECTED 0x0D01020C
#define OID_802_11_TX_ANTENNA_SELECTED 0x0D01020D
#define OID_802_11_SUPPORTED_RATES 0x0D01020E
#define OID_802_11_DESIRED_RATES 0x0D010210
#define OID_802_11_CONFIGURATION 0x0D010211
#define OID_802_11_STATISTICS 0x0D020212
#define OID_802_11_ADD_WEP 0x0D010113
#define OID_802_11_REMOVE_WEP 0x0D010114
#define OID_802_11_DISASSOCIATE 0x0D010115
#define OID_802_11_POWER_MODE 0x0D010216
#define OID_802_11_BSSID_LIST 0x0D010217
#define OID_802_11_AUTHENTICATION_MODE 0x0D010118
#define OID_802_11_PRIVACY_FILTER 0x0D010119
#define OID_802_11_BSSID_LIST_SCAN 0x0D01011A
#define OID_802_11_WEP_STATUS 0x0D01011B
#define OID_802_11_RELOAD_DEFAULTS 0x0D01011C

// The wireless card's own objects (miniport WLAN11b1). The first group mirrors 802.11 objects under the
// card's numbers; the rest are the card's settings, counters and engineering access.
#define OID_QN40_DEVICE_STATE 0xFFA0C000            // Q u32: QN40_DEVICE_STATE_*
#define OID_QN40_BSSID 0xFFA0C001                   // Q/S 6 bytes
#define OID_QN40_SSID 0xFFA0C002                    // Q/S NDIS_802_11_SSID
#define OID_QN40_RSSI 0xFFA0C006                    // Q LONG, dBm
#define OID_QN40_INFRASTRUCTURE_MODE 0xFFA0C008     // Q/S u32 NDIS_802_11_NETWORK_INFRASTRUCTURE
#define OID_QN40_FRAGMENTATION_THRESHOLD 0xFFA0C009 // Q/S u32 bytes, 256..2346
#define OID_QN40_RTS_THRESHOLD 0xFFA0C00A           // Q/S u32 bytes, 0..2347
#define OID_QN40_RX_ANTENNA 0xFFA0C00C              // Q/S u32: 0, 1, or 0xFFFFFFFF (diversity)
#define OID_QN40_SUPPORTED_RATES 0xFFA0C00E         // Q NDIS_802_11_RATES
#define OID_QN40_DESIRED_RATES 0xFFA0C00F           // Q/S NDIS_802_11_RATES
#define OID_QN40_CONFIGURATION 0xFFA0C010           // Q/S NDIS_802_11_CONFIGURATION
#define OID_QN40_STATISTICS 0xFFA0C011              // Q NDIS_802_11_STATISTICS
#define OID_QN40_DISASSOCIATE 0xFFA0C014            // S, no data
#define OID_QN40_POWER_MODE 0xFFA0C015              // Q/S u32 NDIS_802_11_POWER_MODE
#define OID_QN40_BSSID_LIST 0xFFA0C016              // Q NDIS_802_11_BSSID_LIST (up to 32 entries)
#define OID_QN40_AUTHENTICATION_MODE 0xFFA0C017     // Q/S u32 NDIS_802_11_AUTHENTICATION_MODE (0..2)
#define OID_QN40_BSSID_LIST_SCAN 0xFFA0C019         // S, no data
#define OID_QN40_WEP_STATUS 0xFFA0C01A              // Q u32 NDIS_802_11_WEP_STATUS
#define OID_QN40_WEP_ENABLE 0xFFA0C01C              // Q/S u32: 0 enabled, 1 disabled
#define OID_QN40_PREAMBLE_TYPE 0xFFA0C502           // Q/S u32: 0 long, 1 short, 2 automatic
#define OID_QN40_LINK_QUALITY 0xFFA0C503            // Q u32 percent
#define OID_QN40_FEATURE_FLAGS 0xFFA0C504           // Q/S two u32 flags
#define OID_QN40_VENDOR_RECORD 0xFFA0C505           // Q/S QN40_VENDOR_RECORD
#define OID_QN40_KEY 0xFFA0C507                     // Q/S QN40_KEY_RECORD
#define OID_QN40_TX_BYTES 0xFFA0C508                // Q u64
#define OID_QN40_RX_BYTES 0xFFA0C509                // Q u64
#define OID_QN40_DISCONNECT_STATE 0xFFA0C50A        // Q u32: QN40_DISCONNECT_*
#define OID_QN40_ENVIRONMENT_CONDITION 0xFFA0C50B   // Q/S u32: 0 indoor, 1 outdoor
#define OID_QN40_REGULATORY_DOMAIN 0xFFA0C50C       // Q u32: the domain code in use
#define OID_QN40_TRACE_MASK 0xFFA0C50D              // Q/S u32
#define OID_QN40_INFO_BLOCK 0xFFA0C50F              // Q QN40_INFO_BLOCK
#define OID_QN40_TX_POWER 0xFFA0C510                // Q/S u32 percent, 1..100
#define OID_QN40_DEVICE_MODE 0xFFA0C511             // Q/S u32: 1 station, 2 access point
#define OID_QN40_AP_INFO 0xFFA0C512                 // Q QN40_AP_INFO
#define OID_QN40_RADIO 0xFFA0C516                   // Q/S u32: 1 on, 0 off
#define OID_QN40_MAC_REGISTER 0xFFA0C801            // Q/S QN40_MAC_REGISTER_ACCESS
#define OID_QN40_BB_REGISTER 0xFFA0C802             // Q/S QN40_BB_REGISTER_ACCESS
#define OID_QN40_EEPROM 0xFFA0C803                  // Q/S QN40_EEPROM_ACCESS
#define OID_QN40_TEST_PARAMETER 0xFFA0C804          // Q/S two u32: parameter number, value
#define OID_QN40_RX_COUNTERS 0xFFA0C805             // Q QN40_COUNTERS
#define OID_QN40_RESET_COUNTERS 0xFFA0C806          // S, no data
#define OID_QN40_TEST_FRAME 0xFFA0C807              // S QN40_TEST_FRAME
#define OID_QN40_TEST_RESULT 0xFFA0C808             // Q QN40_TEST_RESULT
#define OID_QN40_TEST_START 0xFFA0C809              // S, no data
#define OID_QN40_TEST_STOP 0xFFA0C80A               // S, no data
#define OID_QN40_TEST_RESET 0xFFA0C80B              // S, no data
#define OID_QN40_TX_COUNTERS 0xFFA0C80D             // Q QN40_COUNTERS
#define OID_QN40_TEST_CHANNEL 0xFFA0C80E            // Q/S two u32: channel, transmit power
#define OID_QN40_CALIBRATE 0xFFA0C901               // S, no data
#define OID_QN40_RELOAD_EEPROM 0xFFA0C906           // S, no data

#define QN40_DEVICE_STATE_RADIO_OFF 0
#define QN40_DEVICE_STATE_SCANNING 1
#define QN40_DEVICE_STATE_CONNECTED 2
#define QN40_DEVICE_STATE_JOINED 3

#define QN40_DISCONNECT_NONE 0     // connected, or the radio is off
#define QN40_DISCONNECT_SCANNING 1 // looking for a network
#define QN40_DISCONNECT_JOINED 8   // joined a network that did not let the card in

#define QN40_DEVICE_MODE_STATION 1
#define QN40_DEVICE_MODE_AP 2

#define QN40_EEPROM_WORDS 128

#ifndef RC_INVOKED

typedef enum _NDIS_MEDIA_STATE : ULONG
{
    NdisMediaStateConnected,
    NdisMediaStateDisconnected
} NDIS_MEDIA_STATE,
    *PNDIS_MEDIA_STATE;

typedef enum _NDIS_MEDIUM : ULONG
{
    NdisMedium802_3,
    NdisMedium802_5,
    NdisMediumFddi,
    NdisMediumWan,
    NdisMediumLocalTalk,
    NdisMediumDix,
    NdisMediumArcnetRaw,
    NdisMediumArcnet878_2,
    NdisMediumAtm,
    NdisMediumWirelessWan,
    NdisMediumIrda
} NDIS_MEDIUM,
    *PNDIS_MEDIUM;

typedef enum _NDIS_HARDWARE_STATUS : ULONG
{
    NdisHardwareStatusReady,
    NdisHardwareStatusInitializing,
    NdisHardwareStatusReset,
    NdisHardwareStatusClosing,
    NdisHardwareStatusNotReady
} NDIS_HARDWARE_STATUS,
    *PNDIS_HARDWARE_STATUS;

typedef enum _NDIS_802_11_NETWORK_TYPE : ULONG
{
    Ndis802_11FH,
    Ndis802_11DS,
    Ndis802_11OFDM5,  // 5 GHz
    Ndis802_11OFDM24, // 2.4 GHz OFDM
    Ndis802_11NetworkTypeMax
} NDIS_802_11_NETWORK_TYPE,
    *PNDIS_802_11_NETWORK_TYPE;

typedef enum _NDIS_802_11_NETWORK_INFRASTRUCTURE : ULONG
{
    Ndis802_11IBSS,
    Ndis802_11Infrastructure,
    Ndis802_11AutoUnknown,
    Ndis802_11InfrastructureMax
} NDIS_802_11_NETWORK_INFRASTRUCTURE,
    *PNDIS_802_11_NETWORK_INFRASTRUCTURE;

typedef enum _NDIS_802_11_AUTHENTICATION_MODE : ULONG
{
    Ndis802_11AuthModeOpen,
    Ndis802_11AuthModeShared,
    Ndis802_11AuthModeAutoSwitch,
    Ndis802_11AuthModeMax
} NDIS_802_11_AUTHENTICATION_MODE,
    *PNDIS_802_11_AUTHENTICATION_MODE;

typedef enum _NDIS_802_11_POWER_MODE : ULONG
{
    Ndis802_11PowerModeCAM,
    Ndis802_11PowerModeMAX_PSP,
    Ndis802_11PowerModeFast_PSP,
    Ndis802_11PowerModeMax
} NDIS_802_11_POWER_MODE,
    *PNDIS_802_11_POWER_MODE;

typedef enum _NDIS_802_11_WEP_STATUS : ULONG
{
    Ndis802_11WEPEnabled,
    Ndis802_11WEPDisabled,
    Ndis802_11WEPKeyAbsent,
    Ndis802_11WEPNotSupported
} NDIS_802_11_WEP_STATUS,
    *PNDIS_802_11_WEP_STATUS;

typedef LONG NDIS_802_11_RSSI;            // dBm
typedef ULONG NDIS_802_11_TX_POWER_LEVEL; // mW
typedef ULONG NDIS_802_11_FRAGMENTATION_THRESHOLD;
typedef ULONG NDIS_802_11_RTS_THRESHOLD;
typedef ULONG NDIS_802_11_ANTENNA;
typedef UCHAR NDIS_802_11_MAC_ADDRESS[6];
typedef UCHAR NDIS_802_11_RATES[8]; // units of 500 kbit/s, ended by the first zero

#pragma pack(push, 1)

typedef struct _NDIS_802_11_SSID
{
    ULONG SsidLength; // bytes, at most 32
    UCHAR Ssid[32];
} NDIS_802_11_SSID, *PNDIS_802_11_SSID;

typedef struct _NDIS_802_11_CONFIGURATION_FH
{
    ULONG Length;
    ULONG HopPattern;
    ULONG HopSet;
    ULONG DwellTime;
} NDIS_802_11_CONFIGURATION_FH, *PNDIS_802_11_CONFIGURATION_FH;

typedef struct _NDIS_802_11_CONFIGURATION
{
    ULONG Length;       // 32
    ULONG BeaconPeriod; // units of 1024 us
    ULONG ATIMWindow;
    ULONG DSConfig; // channel centre frequency in kHz
    NDIS_802_11_CONFIGURATION_FH FHConfig;
} NDIS_802_11_CONFIGURATION, *PNDIS_802_11_CONFIGURATION;

typedef struct _NDIS_802_11_STATISTICS
{
    ULONG Length; // 104
    ULONG Padding;
    LARGE_INTEGER TransmittedFragmentCount;
    LARGE_INTEGER MulticastTransmittedFrameCount;
    LARGE_INTEGER FailedCount;
    LARGE_INTEGER RetryCount;
    LARGE_INTEGER MultipleRetryCount;
    LARGE_INTEGER RTSSuccessCount;
    LARGE_INTEGER RTSFailureCount;
    LARGE_INTEGER ACKFailureCount;
    LARGE_INTEGER FrameDuplicateCount;
    LARGE_INTEGER ReceivedFragmentCount;
    LARGE_INTEGER MulticastReceivedFrameCount;
    LARGE_INTEGER FCSErrorCount;
} NDIS_802_11_STATISTICS, *PNDIS_802_11_STATISTICS;

typedef struct _NDIS_WLAN_BSSID
{
    ULONG Length; // 104
    NDIS_802_11_MAC_ADDRESS MacAddress;
    UCHAR Reserved[2];
    NDIS_802_11_SSID Ssid;
    ULONG Privacy;
    NDIS_802_11_RSSI Rssi;
    NDIS_802_11_NETWORK_TYPE NetworkTypeInUse;
    NDIS_802_11_CONFIGURATION Configuration;
    NDIS_802_11_NETWORK_INFRASTRUCTURE InfrastructureMode;
    NDIS_802_11_RATES SupportedRates;
} NDIS_WLAN_BSSID, *PNDIS_WLAN_BSSID;

typedef struct _NDIS_802_11_BSSID_LIST
{
    ULONG NumberOfItems;
    NDIS_WLAN_BSSID Bssid[1];
} NDIS_802_11_BSSID_LIST, *PNDIS_802_11_BSSID_LIST;

// The card's records.
typedef struct _QN40_MAC_REGISTER_ACCESS
{
    UCHAR Read; // 1 read, 0 write
    UCHAR Unused[3];
    ULONG Address; // byte address, a multiple of 4 in 0x000..0x4FC
    ULONG Value;
} QN40_MAC_REGISTER_ACCESS, *PQN40_MAC_REGISTER_ACCESS;

typedef struct _QN40_BB_REGISTER_ACCESS
{
    UCHAR Read; // 1 read, 0 write
    UCHAR Index;
    UCHAR Value;
} QN40_BB_REGISTER_ACCESS, *PQN40_BB_REGISTER_ACCESS;

typedef struct _QN40_EEPROM_ACCESS
{
    UCHAR Read;    // 1 read, 0 write
    UCHAR OneWord; // 1 one word, 0 the size of the EEPROM in bytes
    UCHAR Address; // word address, 0..QN40_EEPROM_WORDS-1
    UCHAR Unused;
    USHORT Data;
} QN40_EEPROM_ACCESS, *PQN40_EEPROM_ACCESS;

typedef struct _QN40_KEY_RECORD
{
    UCHAR Key[16];
    UCHAR Form; // 0 a key given as 16 bytes, 1 a key given byte by byte
} QN40_KEY_RECORD, *PQN40_KEY_RECORD;

typedef struct _QN40_COUNTERS
{
    ULONG Unused;
    ULONG Counter[3];
} QN40_COUNTERS, *PQN40_COUNTERS;

// A set with Select = 0xFF chooses the record that the next query returns; any other set stores the record.
typedef struct _QN40_VENDOR_RECORD
{
    ULONG Index; // 0..15
    UCHAR Data1[5];
    UCHAR Select;
    UCHAR Data2[38];
} QN40_VENDOR_RECORD, *PQN40_VENDOR_RECORD;

typedef struct _QN40_TEST_FRAME
{
    ULONG DataLength; // at most 2348
    UCHAR Data[2348];
    ULONG Repeat;
    ULONG Rate; // units of 500 kbit/s
} QN40_TEST_FRAME, *PQN40_TEST_FRAME;

typedef struct _QN40_TEST_RESULT
{
    ULONG Length; // 48
    ULONG FramesSent;
    ULONG LastFrameLength;
    ULONG Running;
    ULONG Channel;
    ULONG TxPower;
    ULONG Calibrations;
    ULONG Reserved[5];
} QN40_TEST_RESULT, *PQN40_TEST_RESULT;

typedef struct _QN40_AP_INFO
{
    ULONG Length; // 20
    ULONG Mode;   // 1 mixed, 2 802.11g, 3 802.11b
    ULONG Channel;
    ULONG BeaconPeriod;
    ULONG Stations;
} QN40_AP_INFO, *PQN40_AP_INFO;

typedef struct _QN40_INFO_BLOCK
{
    ULONG Length; // 724
    ULONG FirmwareVersion;
    ULONG DriverVersion;
    UCHAR PermanentAddress[6];
    UCHAR CurrentAddress[6];
    USHORT ManufacturerId;
    USHORT CardId;
    ULONG RegulatoryDomain;
    ULONG Channel;
    ULONG DeviceState;
    CHAR Description[64]; // 8-bit text, zero-filled
    UCHAR Reserved[620];
} QN40_INFO_BLOCK, *PQN40_INFO_BLOCK;

#pragma pack(pop)

static_assert(sizeof(NDIS_802_11_SSID) == 36);
static_assert(sizeof(NDIS_802_11_CONFIGURATION) == 32);
static_assert(offsetof(NDIS_802_11_CONFIGURATION, DSConfig) == 12);
static_assert(sizeof(NDIS_802_11_STATISTICS) == 104);
static_assert(offsetof(NDIS_802_11_STATISTICS, TransmittedFragmentCount) == 8);
static_assert(offsetof(NDIS_802_11_STATISTICS, FrameDuplicateCount) == 72);
static_assert(offsetof(NDIS_802_11_STATISTICS, ReceivedFragmentCount) == 80);
static_assert(offsetof(NDIS_802_11_STATISTICS, FCSErrorCount) == 96);
static_assert(sizeof(NDIS_WLAN_BSSID) == 104);
static_assert(offsetof(NDIS_WLAN_BSSID, Ssid) == 12);
static_assert(offsetof(NDIS_WLAN_BSSID, Rssi) == 52);
static_assert(offsetof(NDIS_WLAN_BSSID, Configuration) == 60);
static_assert(offsetof(NDIS_WLAN_BSSID, InfrastructureMode) == 92);
static_assert(offsetof(NDIS_WLAN_BSSID, SupportedRates) == 96);
static_assert(offsetof(NDIS_802_11_BSSID_LIST, Bssid) == 4);
static_assert(4 + 32 * sizeof(NDIS_WLAN_BSSID) == 3332);
static_assert(sizeof(QN40_MAC_REGISTER_ACCESS) == 12);
static_assert(offsetof(QN40_MAC_REGISTER_ACCESS, Address) == 4);
static_assert(offsetof(QN40_MAC_REGISTER_ACCESS, Value) == 8);
static_assert(sizeof(QN40_BB_REGISTER_ACCESS) == 3);
static_assert(sizeof(QN40_EEPROM_ACCESS) == 6);
static_assert(offsetof(QN40_EEPROM_ACCESS, Data) == 4);
static_assert(sizeof(QN40_KEY_RECORD) == 17);
static_assert(sizeof(QN40_COUNTERS) == 16);
static_assert(sizeof(QN40_VENDOR_RECORD) == 48);
static_assert(offsetof(QN40_VENDOR_RECORD, Select) == 9);
static_assert(sizeof(QN40_TEST_FRAME) == 2360);
static_assert(sizeof(QN40_TEST_RESULT) == 48);
static_assert(sizeof(QN40_AP_INFO) == 20);
static_assert(offsetof(QN40_AP_INFO, Mode) == 4);
static_assert(sizeof(QN40_INFO_BLOCK) == 724);

#endif // RC_INVOKED

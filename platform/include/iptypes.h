// IP helper records: the adapter list that GetAdaptersInfo fills. The layout is the system's; pointers are
// pointers of the calling process, so a 64-bit build widens them and the fields after them move.
#pragma once

#include <windef.h>

#ifndef RC_INVOKED
#include <ctime>
#endif

#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_ADDRESS_LENGTH 8

#define MIB_IF_TYPE_OTHER 1
#define MIB_IF_TYPE_ETHERNET 6
#define MIB_IF_TYPE_PPP 23
#define MIB_IF_TYPE_LOOPBACK 24
#define IF_TYPE_IEEE80211 71

#ifndef RC_INVOKED

// Dotted-decimal text, 0-terminated.
typedef struct
{
    char String[4 * 4];
} IP_ADDRESS_STRING, *PIP_ADDRESS_STRING, IP_MASK_STRING, *PIP_MASK_STRING;

typedef struct _IP_ADDR_STRING
{
    struct _IP_ADDR_STRING* Next;
    IP_ADDRESS_STRING IpAddress;
    IP_MASK_STRING IpMask;
    DWORD Context;
} IP_ADDR_STRING, *PIP_ADDR_STRING;

typedef struct _IP_ADAPTER_INFO
{
    struct _IP_ADAPTER_INFO* Next;
    DWORD ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4]; // 8-bit text: the adapter's binding name
    char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
    UINT AddressLength;
    BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
    DWORD Index;
    UINT Type;
    UINT DhcpEnabled;
    PIP_ADDR_STRING CurrentIpAddress;
    IP_ADDR_STRING IpAddressList;
    IP_ADDR_STRING GatewayList;
    IP_ADDR_STRING DhcpServer;
    BOOL HaveWins;
    IP_ADDR_STRING PrimaryWinsServer;
    IP_ADDR_STRING SecondaryWinsServer;
    time_t LeaseObtained;
    time_t LeaseExpires;
} IP_ADAPTER_INFO, *PIP_ADAPTER_INFO;

static_assert(sizeof(IP_ADDRESS_STRING) == 16);
static_assert(offsetof(IP_ADDR_STRING, IpAddress) == sizeof(void*));
static_assert(offsetof(IP_ADAPTER_INFO, AdapterName) == sizeof(void*) + 4);
static_assert(offsetof(IP_ADAPTER_INFO, Description) == sizeof(void*) + 264);
static_assert(offsetof(IP_ADAPTER_INFO, AddressLength) == sizeof(void*) + 396);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(IP_ADDR_STRING) == 40);
static_assert(offsetof(IP_ADAPTER_INFO, IpAddressList) == 428);
#endif

#endif // RC_INVOKED

// Device-change broadcasts: WM_DEVICECHANGE with an event in wParam and a DEV_BROADCAST_HDR-headed record
// in lParam. The SD slot sends DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE with a port record.
#pragma once

#include <windef.h>

#ifndef WM_DEVICECHANGE
#define WM_DEVICECHANGE 0x0219
#endif

#define DBT_DEVICEARRIVAL 0x8000
#define DBT_DEVICEQUERYREMOVE 0x8001
#define DBT_DEVICEQUERYREMOVEFAILED 0x8002
#define DBT_DEVICEREMOVEPENDING 0x8003
#define DBT_DEVICEREMOVECOMPLETE 0x8004
#define DBT_DEVICETYPESPECIFIC 0x8005

#define DBT_DEVTYP_OEM 0
#define DBT_DEVTYP_DEVNODE 1
#define DBT_DEVTYP_VOLUME 2
#define DBT_DEVTYP_PORT 3
#define DBT_DEVTYP_NET 4

#ifndef RC_INVOKED

#pragma pack(push, 1)

typedef struct _DEV_BROADCAST_HDR
{
    DWORD dbch_size; // bytes of the whole record
    DWORD dbch_devicetype;
    DWORD dbch_reserved;
} DEV_BROADCAST_HDR, *PDEV_BROADCAST_HDR;

// A port device: the name ("NDL1:") follows the header, UTF-16 and 0-terminated; dbcp_size covers it.
typedef struct _DEV_BROADCAST_PORT
{
    DWORD dbcp_size;
    DWORD dbcp_devicetype; // DBT_DEVTYP_PORT
    DWORD dbcp_reserved;
    WCHAR dbcp_name[1];
} DEV_BROADCAST_PORT, *PDEV_BROADCAST_PORT;

#pragma pack(pop)

static_assert(sizeof(DEV_BROADCAST_HDR) == 12);
static_assert(offsetof(DEV_BROADCAST_PORT, dbcp_name) == 12);

#endif // RC_INVOKED

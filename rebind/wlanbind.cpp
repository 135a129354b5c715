// wlanbind: asks NDIS to rebind one adapter instance, so that changed miniport parameters in the
// registry take effect without removing the card.
#include <afxwin.h>
#include <winioctl.h>

#include <cstring>

#include "wlanbind.h"

#define NDIS_DEVICE_NAME _T("NDS0:")
#define IOCTL_NDIS_REBIND_ADAPTER_CODE                                                                       \
    CTL_CODE(FILE_DEVICE_PHYSICAL_NETCARD, 11, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)
static_assert(IOCTL_NDIS_REBIND_ADAPTER_CODE == 0x0017002E);

// The instance name goes to NDIS as a multi-string of one name in a fixed 100-byte buffer: the name, its
// terminator and at least one more 0 character. The base name plus the instance digit must fit.
#define REBIND_BUFFER_CHARS 50
#define MAX_BASE_NAME_CHARS (REBIND_BUFFER_CHARS - 3)

class CWlanBindApp : public CWinApp
{
};

CWlanBindApp theApp;

extern "C" DWORD RebindWlan(LPCWSTR pszBaseName)
{
    if (pszBaseName == NULL || wcsnlen(pszBaseName, MAX_BASE_NAME_CHARS + 1) > MAX_BASE_NAME_CHARS)
        return 0;

    WCHAR szInstance[REBIND_BUFFER_CHARS];
    memset(szInstance, 0, sizeof(szInstance));
    swprintf(szInstance, REBIND_BUFFER_CHARS, _T("%s1"), pszBaseName);

    HANDLE hNdis = CreateFileW(NDIS_DEVICE_NAME, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (hNdis == INVALID_HANDLE_VALUE)
        return 0;
    DeviceIoControl(hNdis, IOCTL_NDIS_REBIND_ADAPTER_CODE, szInstance, sizeof(szInstance), NULL, 0, NULL,
                    NULL);
    CloseHandle(hNdis);
    return 0;
}

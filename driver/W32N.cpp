#include "W32N.h"

#include <cstdlib>
#include <cstring>

namespace
{

// Process-wide state of the client. Meant for the utility's one user-interface thread.
BYTE g_bDriverLoaded = 0;
BYTE g_bDriverInitialized = 0;
HANDLE g_hRegistration = NULL;
DWORD g_dwLastRegistrationError = 0;

HANDLE OpenDriver(DWORD dwAccess, DWORD dwShare)
{
    return CreateFileW(W32N_DEVICE_NAME, dwAccess, dwShare, NULL, OPEN_EXISTING, 0, NULL);
}

// Finds out whether "PCA4:" answers, without keeping a handle.
BOOL ProbeDriver()
{
    if (g_bDriverLoaded)
        return TRUE;
    HANDLE hProbe = OpenDriver(0, 0);
    if (hProbe == INVALID_HANDLE_VALUE)
        return FALSE;
    g_bDriverLoaded = 1;
    CloseHandle(hProbe);
    return TRUE;
}

// Hands the driver the registration handle of this process to keep for whoever releases it last.
void HandOverRegistration(HANDLE hControl)
{
    if (g_hRegistration == NULL)
        return;
    DWORD dwRegistration = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(g_hRegistration));
    DWORD dwReturned = 0;
    DeviceIoControl(hControl, IOCTL_W32N_SET_REGISTRATION, &dwRegistration, sizeof(dwRegistration), NULL, 0,
                    &dwReturned, NULL);
}

BOOL IsUsableAdapter(W32N_ADAPTER* pAdapter)
{
    return pAdapter != NULL && pAdapter != W32N_INVALID_ADAPTER && pAdapter->hControl != INVALID_HANDLE_VALUE;
}

void ReleaseAdapterRecord(W32N_ADAPTER* pAdapter)
{
    free(pAdapter->pszName);
    free(pAdapter);
}

} // namespace

DWORD W32N_LibraryApiVersion()
{
    return W32N_LIBRARY_API_VERSION;
}

BOOL W32N_ApiVersionsMatch(DWORD dwVersionA, DWORD dwVersionB)
{
    return ((dwVersionA ^ dwVersionB) & 0xFF00) == 0;
}

DWORD W32N_StartProtocolDriver()
{
    if (ProbeDriver())
        return 0;
    g_hRegistration =
        RegisterDevice(W32N_DRIVER_PREFIX, W32N_DRIVER_INDEX, W32N_DRIVER_DLL, W32N_DRIVER_CONTEXT);
    if (g_hRegistration != NULL)
    {
        g_dwLastRegistrationError = 0;
        g_bDriverLoaded = 1;
        return 0;
    }
    g_dwLastRegistrationError = GetLastError();
    SetLastError(g_dwLastRegistrationError);
    return g_dwLastRegistrationError;
}

BOOL W32N_StopProtocolDriver()
{
    BOOL bResult = FALSE;
    if (g_bDriverLoaded && g_hRegistration != NULL)
        bResult = DeregisterDevice(g_hRegistration);
    g_hRegistration = NULL;
    g_bDriverLoaded = 0;
    return bResult;
}

HANDLE W32N_OpenControlChannel()
{
    W32N_StartProtocolDriver();
    if (!g_bDriverLoaded)
        return INVALID_HANDLE_VALUE;
    HANDLE hControl = OpenDriver(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (hControl != INVALID_HANDLE_VALUE)
        HandOverRegistration(hControl);
    return hControl;
}

BOOL W32N_CloseControlChannel(HANDLE hControl)
{
    return CloseHandle(hControl);
}

DWORD W32N_DriverApiVersion(HANDLE hControl, DWORD* pdwVersion)
{
    if (pdwVersion == NULL)
        return ERROR_INVALID_PARAMETER;
    DWORD dwReturned = 0;
    if (!DeviceIoControl(hControl, IOCTL_W32N_GET_API_VERSION, NULL, 0, pdwVersion, sizeof(DWORD),
                         &dwReturned, NULL))
        return GetLastError();
    return 0;
}

DWORD W32N_InitDriverOnce(HANDLE hControl)
{
    if (g_bDriverInitialized)
        return 0;
    DWORD dwStatus = W32N_NDIS_STATUS_FAILURE;
    DWORD dwReturned = 0;
    if (!DeviceIoControl(hControl, IOCTL_W32N_INIT_DRIVER, NULL, 0, &dwStatus, sizeof(dwStatus), &dwReturned,
                         NULL))
        return GetLastError();
    // A driver that answered counts as initialised even when it reported a failure; it is not asked again.
    g_bDriverInitialized = 1;
    return dwStatus;
}

DWORD W32N_DeinitDriver(HANDLE hControl)
{
    DWORD dwStatus = W32N_NDIS_STATUS_FAILURE;
    DWORD dwReturned = 0;
    BOOL bSent = DeviceIoControl(hControl, IOCTL_W32N_DEINIT_DRIVER, NULL, 0, &dwStatus, sizeof(dwStatus),
                                 &dwReturned, NULL);
    g_bDriverInitialized = 0;
    return bSent ? dwStatus : GetLastError();
}

DWORD W32N_EnumProtocolBindings(HANDLE hControl, LPVOID pBuffer, DWORD dwBufferSize, DWORD* pdwBytesReturned)
{
    DWORD dwResult = W32N_InitDriverOnce(hControl);
    if (dwResult != 0)
        return dwResult;
    if (!DeviceIoControl(hControl, IOCTL_W32N_ENUM_BINDINGS, NULL, 0, pBuffer, dwBufferSize, pdwBytesReturned,
                         NULL))
        return GetLastError();
    return 0;
}

W32N_ADAPTER* W32N_AttachAdapter(LPCWSTR pszAdapterName)
{
    W32N_ADAPTER* pAdapter = pszAdapterName ? static_cast<W32N_ADAPTER*>(malloc(sizeof(W32N_ADAPTER))) : NULL;
    if (pAdapter == NULL)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return W32N_INVALID_ADAPTER;
    }
    memset(pAdapter, 0, sizeof(W32N_ADAPTER));

    W32N_StartProtocolDriver();
    if (!g_bDriverLoaded)
    {
        free(pAdapter);
        return W32N_INVALID_ADAPTER;
    }
    pAdapter->hControl = OpenDriver(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (pAdapter->hControl == INVALID_HANDLE_VALUE)
    {
        free(pAdapter);
        return W32N_INVALID_ADAPTER;
    }
    HandOverRegistration(pAdapter->hControl);
    if (W32N_InitDriverOnce(pAdapter->hControl) != 0)
    {
        CloseHandle(pAdapter->hControl);
        free(pAdapter);
        return W32N_INVALID_ADAPTER;
    }

    pAdapter->pszName = _wcsdup(pszAdapterName);
    DWORD dwNameBytes = static_cast<DWORD>((wcslen(pszAdapterName) + 1) * sizeof(WCHAR));
    DWORD dwReturned = 0;
    if (pAdapter->pszName == NULL ||
        !DeviceIoControl(pAdapter->hControl, IOCTL_W32N_BIND_ADAPTER, pAdapter->pszName, dwNameBytes, NULL, 0,
                         &dwReturned, NULL))
    {
        CloseHandle(pAdapter->hControl);
        ReleaseAdapterRecord(pAdapter);
        return W32N_INVALID_ADAPTER;
    }

    DWORD dwLength = sizeof(pAdapter->dwMaxTotalSize);
    DWORD dwNdisStatus = W32N_NDIS_STATUS_FAILURE;
    if (W32N_NdisQuery(pAdapter, W32N_OID_GEN_MAXIMUM_TOTAL_SIZE, &pAdapter->dwMaxTotalSize, &dwLength,
                       &dwNdisStatus) == 0 &&
        dwNdisStatus == 0)
        pAdapter->bMaxTotalSizeValid = 1;
    else
        pAdapter->dwMaxTotalSize = W32N_DEFAULT_MAXIMUM_TOTAL_SIZE;

    pAdapter->dwCurrentAddressLength = sizeof(pAdapter->CurrentAddress);
    dwNdisStatus = W32N_NDIS_STATUS_FAILURE;
    if (W32N_NdisQuery(pAdapter, W32N_OID_802_3_CURRENT_ADDRESS, pAdapter->CurrentAddress,
                       &pAdapter->dwCurrentAddressLength, &dwNdisStatus) == 0 &&
        dwNdisStatus == 0)
        pAdapter->bCurrentAddressValid = 1;
    return pAdapter;
}

DWORD W32N_DetachAdapter(W32N_ADAPTER* pAdapter)
{
    if (!IsUsableAdapter(pAdapter))
        return ERROR_INVALID_HANDLE;
    DWORD dwReturned = 0;
    BOOL bUnbound =
        DeviceIoControl(pAdapter->hControl, IOCTL_W32N_UNBIND_ADAPTER, NULL, 0, NULL, 0, &dwReturned, NULL);
    CloseHandle(pAdapter->hControl);
    ReleaseAdapterRecord(pAdapter);
    return bUnbound ? TRUE : FALSE;
}

W32N_REQUEST* W32N_RequestFromBlock(W32N_REQUEST_BLOCK* pBlock)
{
    return reinterpret_cast<W32N_REQUEST*>(reinterpret_cast<BYTE*>(pBlock) - offsetof(W32N_REQUEST, Block));
}

void W32N_SetRequestBuffer(W32N_REQUEST_BLOCK* pBlock, LPVOID pBuffer)
{
    ULONG_PTR address = reinterpret_cast<ULONG_PTR>(pBuffer);
    pBlock->BufferLow = static_cast<DWORD>(address);
    W32N_RequestFromBlock(pBlock)->BufferHigh = static_cast<DWORD>(static_cast<uint64_t>(address) >> 32);
}

LPVOID W32N_GetRequestBuffer(W32N_REQUEST_BLOCK* pBlock)
{
    uint64_t address =
        (static_cast<uint64_t>(W32N_RequestFromBlock(pBlock)->BufferHigh) << 32) | pBlock->BufferLow;
    return reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(address));
}

W32N_REQUEST_BLOCK* W32N_AllocRequest()
{
    W32N_REQUEST* pRequest = static_cast<W32N_REQUEST*>(malloc(sizeof(W32N_REQUEST)));
    if (pRequest == NULL)
        return NULL;
    memset(pRequest, 0, sizeof(W32N_REQUEST));
    pRequest->ProcessId = GetCurrentProcessId();
    pRequest->ThreadId = GetCurrentThreadId();
    pRequest->ControlHandle = 0xFFFFFFFF;
    // The low 32 bits of the record's address keep the name within its 32 characters on every build.
    wsprintfW(pRequest->EventName, _T("%sEvt-%8.8X-%8.8X"), W32N_EVENT_PREFIX, pRequest->ProcessId,
              static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(pRequest)));
    HANDLE hEvent = CreateEventW(NULL, TRUE, FALSE, pRequest->EventName);
    if (hEvent == NULL)
    {
        free(pRequest);
        return NULL;
    }
    pRequest->EventHandle = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hEvent));
    return &pRequest->Block;
}

static HANDLE RequestEvent(W32N_REQUEST* pRequest)
{
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(pRequest->EventHandle));
}

DWORD W32N_SubmitRequest(W32N_ADAPTER* pAdapter, W32N_REQUEST_BLOCK* pBlock)
{
    if (pBlock == NULL)
        return ERROR_INVALID_PARAMETER;
    if (!IsUsableAdapter(pAdapter))
        return ERROR_INVALID_HANDLE;
    W32N_REQUEST* pRequest = W32N_RequestFromBlock(pBlock);
    pRequest->ControlHandle = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(pAdapter->hControl));
    pRequest->SubmitStatus = W32N_NDIS_STATUS_FAILURE;
    ResetEvent(RequestEvent(pRequest));
    DWORD dwReturned = 0;
    if (!DeviceIoControl(pAdapter->hControl, IOCTL_W32N_SUBMIT_REQUEST, pRequest,
                         W32N_REQUEST_DECLARED_LENGTH, pRequest, W32N_REQUEST_DECLARED_LENGTH, &dwReturned,
                         NULL))
        return GetLastError();
    return pRequest->SubmitStatus;
}

DWORD W32N_WaitRequest(W32N_REQUEST_BLOCK* pBlock, DWORD dwMilliseconds)
{
    if (pBlock == NULL)
        return ERROR_INVALID_PARAMETER;
    return WaitForSingleObject(RequestEvent(W32N_RequestFromBlock(pBlock)), dwMilliseconds);
}

void W32N_FreeRequest(W32N_REQUEST_BLOCK* pBlock)
{
    if (pBlock == NULL)
        return;
    W32N_REQUEST* pRequest = W32N_RequestFromBlock(pBlock);
    if (pRequest->EventHandle != 0)
        CloseHandle(RequestEvent(pRequest));
    free(pRequest);
}

DWORD W32N_NdisQuery(W32N_ADAPTER* pAdapter, DWORD dwOid, LPVOID pBuffer, DWORD* pdwLength,
                     DWORD* pdwNdisStatus)
{
    if (pdwLength == NULL || pdwNdisStatus == NULL)
        return ERROR_INVALID_PARAMETER;
    W32N_REQUEST_BLOCK* pBlock = W32N_AllocRequest();
    if (pBlock == NULL)
        return ERROR_NOT_ENOUGH_MEMORY;
    pBlock->RequestType = W32N_REQUEST_QUERY;
    pBlock->Oid = dwOid;
    W32N_SetRequestBuffer(pBlock, pBuffer);
    pBlock->BufferLength = *pdwLength;
    pBlock->BytesDone = 0;
    pBlock->BytesNeeded = 0;

    DWORD dwResult = W32N_SubmitRequest(pAdapter, pBlock);
    if (dwResult == STATUS_PENDING)
        dwResult = W32N_WaitRequest(pBlock, INFINITE);
    if (dwResult != 0)
    {
        W32N_FreeRequest(pBlock);
        return dwResult;
    }
    *pdwNdisStatus = pBlock->NdisStatus;
    *pdwLength = 0;
    if (pBlock->NdisStatus == W32N_NDIS_STATUS_SUCCESS)
        *pdwLength = pBlock->BytesDone < pBlock->BufferLength ? pBlock->BytesDone : pBlock->BufferLength;
    else if (pBlock->NdisStatus == W32N_NDIS_STATUS_INVALID_LENGTH ||
             pBlock->NdisStatus == W32N_NDIS_STATUS_BUFFER_TOO_SHORT)
        *pdwLength = pBlock->BytesNeeded;
    W32N_FreeRequest(pBlock);
    return 0;
}

DWORD W32N_ReleaseProtocolDriver()
{
    if (!g_bDriverLoaded)
        return 0;
    HANDLE hControl = W32N_OpenControlChannel();
    if (hControl == INVALID_HANDLE_VALUE)
        return 0;
    BOOL bUnload = FALSE;
    DWORD dwValue = 0;
    DWORD dwReturned = 0;
    DeviceIoControl(hControl, IOCTL_W32N_QUERY_UNLOAD, NULL, 0, &dwValue, sizeof(dwValue), &dwReturned, NULL);
    if (dwValue != 0 && DeviceIoControl(hControl, IOCTL_W32N_GET_REGISTRATION, NULL, 0, &dwValue,
                                        sizeof(dwValue), &dwReturned, NULL))
    {
        g_hRegistration = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(dwValue));
        W32N_DeinitDriver(hControl);
        bUnload = TRUE;
    }
    W32N_CloseControlChannel(hControl);
    if (bUnload)
        W32N_StopProtocolDriver();
    return 0;
}

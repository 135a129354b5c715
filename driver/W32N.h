// Client library of the NDIS protocol driver "PCANDIS4.dll" (stream device "PCA4:"): makes sure the
// driver is loaded, checks the interface version, lists the driver's protocol bindings, binds handles to
// adapters and carries NDIS query and set requests through request records completed by named events.
#pragma once

#include <windows.h>
#include <winioctl.h>

#define W32N_LIBRARY_API_VERSION 0x0400040E

#define W32N_DEVICE_NAME _T("PCA4:")
#define W32N_DRIVER_PREFIX _T("PCA")
#define W32N_DRIVER_INDEX 4
#define W32N_DRIVER_DLL _T("PCANDIS4.dll")
#define W32N_DRIVER_CONTEXT 0x34414350 // "PCA4" in memory order
#define W32N_EVENT_PREFIX _T("PCANDIS4")

#define W32N_CTL_CODE(function) CTL_CODE(0x8000, (function), METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_W32N_GET_API_VERSION W32N_CTL_CODE(0x800)  // 0x80002000
#define IOCTL_W32N_INIT_DRIVER W32N_CTL_CODE(0x802)      // 0x80002008
#define IOCTL_W32N_DEINIT_DRIVER W32N_CTL_CODE(0x803)    // 0x8000200C
#define IOCTL_W32N_ENUM_BINDINGS W32N_CTL_CODE(0x804)    // 0x80002010
#define IOCTL_W32N_BIND_ADAPTER W32N_CTL_CODE(0x805)     // 0x80002014
#define IOCTL_W32N_UNBIND_ADAPTER W32N_CTL_CODE(0x807)   // 0x8000201C
#define IOCTL_W32N_SUBMIT_REQUEST W32N_CTL_CODE(0x810)   // 0x80002040
#define IOCTL_W32N_SET_REGISTRATION W32N_CTL_CODE(0x811) // 0x80002044
#define IOCTL_W32N_GET_REGISTRATION W32N_CTL_CODE(0x812) // 0x80002048
#define IOCTL_W32N_QUERY_UNLOAD W32N_CTL_CODE(0x813)     // 0x8000204C

#define W32N_NDIS_STATUS_SUCCESS 0x00000000
#define W32N_NDIS_STATUS_PENDING 0x00000103
#define W32N_NDIS_STATUS_FAILURE 0xC0000001
#define W32N_NDIS_STATUS_INVALID_LENGTH 0xC0010014
#define W32N_NDIS_STATUS_BUFFER_TOO_SHORT 0xC0010016

#define W32N_OID_GEN_MAXIMUM_TOTAL_SIZE 0x00010111
#define W32N_OID_802_3_CURRENT_ADDRESS 0x01010102
#define W32N_DEFAULT_MAXIMUM_TOTAL_SIZE 1530

#define W32N_REQUEST_QUERY 0
#define W32N_REQUEST_SET 1

// Bytes of the request record declared as the submission's input and output length; the driver reads and
// writes the whole record, the request block included.
#define W32N_REQUEST_DECLARED_LENGTH 116

#pragma pack(push, 1)

// The part of a request record that callers fill and read. The buffer is a pointer of the caller's
// process; its low half is kept here and, on a 64-bit build, its high half in the record's first reserved
// word (offset 80). Use W32N_SetRequestBuffer / W32N_GetRequestBuffer.
struct W32N_REQUEST_BLOCK
{
    DWORD NdisStatus;  // written by the driver
    DWORD RequestType; // W32N_REQUEST_QUERY or W32N_REQUEST_SET
    DWORD Oid;
    DWORD BufferLength; // bytes
    DWORD BufferLow;    // low half of the buffer pointer
    DWORD BytesDone;    // written by the driver
    DWORD BytesNeeded;  // written by the driver when the buffer was too short
};

// The request record shared with the driver (152 bytes, little-endian).
struct W32N_REQUEST
{
    DWORD ProcessId;
    DWORD ThreadId;
    DWORD ControlHandle;
    WCHAR EventName[32];
    DWORD EventHandle;
    DWORD BufferHigh; // reserved word: high half of the block's buffer pointer
    DWORD SubmitStatus;
    BYTE Reserved[36];
    W32N_REQUEST_BLOCK Block;
};

#pragma pack(pop)

static_assert(sizeof(W32N_REQUEST_BLOCK) == 28);
static_assert(offsetof(W32N_REQUEST_BLOCK, BufferLength) == 12);
static_assert(offsetof(W32N_REQUEST_BLOCK, BufferLow) == 16);
static_assert(offsetof(W32N_REQUEST_BLOCK, BytesDone) == 20);
static_assert(offsetof(W32N_REQUEST_BLOCK, BytesNeeded) == 24);
static_assert(sizeof(W32N_REQUEST) == 152);
static_assert(offsetof(W32N_REQUEST, ControlHandle) == 8);
static_assert(offsetof(W32N_REQUEST, EventName) == 12);
static_assert(offsetof(W32N_REQUEST, EventHandle) == 76);
static_assert(offsetof(W32N_REQUEST, BufferHigh) == 80);
static_assert(offsetof(W32N_REQUEST, SubmitStatus) == 84);
static_assert(offsetof(W32N_REQUEST, Block) == 124);

#pragma pack(push, 4)

// The adapter record (client memory only). Callers hold a pointer to it as an opaque adapter handle;
// W32N_INVALID_ADAPTER stands for no adapter.
struct W32N_ADAPTER
{
    HANDLE hControl; // the handle on "PCA4:" bound to the adapter
    LPWSTR pszName;  // heap copy of the name it was opened with
    BYTE bMaxTotalSizeValid;
    DWORD dwMaxTotalSize;
    BYTE bCurrentAddressValid;
    BYTE CurrentAddress[8];
    DWORD dwCurrentAddressLength;
    BYTE Reserved[100 - 2 * sizeof(void*) - 24]; // zero
};

#pragma pack(pop)

static_assert(sizeof(W32N_ADAPTER) == 100);
static_assert(offsetof(W32N_ADAPTER, dwCurrentAddressLength) == 2 * sizeof(void*) + 20);

#define W32N_INVALID_ADAPTER ((W32N_ADAPTER*)(LONG_PTR)-1)

DWORD W32N_LibraryApiVersion();
BOOL W32N_ApiVersionsMatch(DWORD dwVersionA, DWORD dwVersionB);
DWORD W32N_StartProtocolDriver();
BOOL W32N_StopProtocolDriver();
HANDLE W32N_OpenControlChannel();
BOOL W32N_CloseControlChannel(HANDLE hControl);
DWORD W32N_DriverApiVersion(HANDLE hControl, DWORD* pdwVersion);
DWORD W32N_InitDriverOnce(HANDLE hControl);
DWORD W32N_DeinitDriver(HANDLE hControl);
DWORD W32N_EnumProtocolBindings(HANDLE hControl, LPVOID pBuffer, DWORD dwBufferSize, DWORD* pdwBytesReturned);
W32N_ADAPTER* W32N_AttachAdapter(LPCWSTR pszAdapterName);
DWORD W32N_DetachAdapter(W32N_ADAPTER* pAdapter);
W32N_REQUEST_BLOCK* W32N_AllocRequest();
DWORD W32N_SubmitRequest(W32N_ADAPTER* pAdapter, W32N_REQUEST_BLOCK* pBlock);
DWORD W32N_WaitRequest(W32N_REQUEST_BLOCK* pBlock, DWORD dwMilliseconds);
void W32N_FreeRequest(W32N_REQUEST_BLOCK* pBlock);
DWORD W32N_NdisQuery(W32N_ADAPTER* pAdapter, DWORD dwOid, LPVOID pBuffer, DWORD* pdwLength,
                     DWORD* pdwNdisStatus);
DWORD W32N_ReleaseProtocolDriver();

// The record a block belongs to (the block lies 124 bytes into it).
W32N_REQUEST* W32N_RequestFromBlock(W32N_REQUEST_BLOCK* pBlock);
// Stores the caller's buffer pointer in the block (low half) and its record (high half).
void W32N_SetRequestBuffer(W32N_REQUEST_BLOCK* pBlock, LPVOID pBuffer);
LPVOID W32N_GetRequestBuffer(W32N_REQUEST_BLOCK* pBlock);

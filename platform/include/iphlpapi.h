// IP helper: the handheld's network adapters and their addresses. Implemented by the iphlpapi library.
#pragma once

#include <windef.h>
#include <winerror.h>
#include <iptypes.h>

#ifndef ERROR_NO_DATA
#define ERROR_NO_DATA 232L
#endif

#ifndef RC_INVOKED

// Fills pAdapterInfo with the list of adapters, chained through Next inside the caller's buffer.
// *pOutBufLen is the buffer's size in bytes. Results: NO_ERROR; ERROR_BUFFER_OVERFLOW with the size needed
// in *pOutBufLen when the buffer is missing or too small (nothing written to it); ERROR_INVALID_PARAMETER
// for a null pOutBufLen; ERROR_NO_DATA when the handheld has no adapter.
extern "C" DWORD GetAdaptersInfo(PIP_ADAPTER_INFO pAdapterInfo, PULONG pOutBufLen);

#endif // RC_INVOKED
